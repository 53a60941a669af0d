#!/usr/bin/env python3
"""Every option a program's own help lists must be documented in its man
page (troff source, where each '-' is written '\\-').

    check_man_options.py MANPAGE PROGRAM HELP_OPTION
"""
import re
import subprocess
import sys


def listed_options(help_text):
    # An option starts a word: at a line start, after a space, '[' or '|'.
    return sorted(set(re.findall(r"(?:^|(?<=[\s\[|]))(--?[a-z][a-z-]*)", help_text, re.M)))


def documented(option, troff):
    escaped = re.escape(option.replace("-", "\\-"))
    return re.search(escaped + r"(?![a-z\\])", troff) is not None


def main():
    page, program, help_option = sys.argv[1:4]
    run = subprocess.run([program, help_option], capture_output=True, text=True)
    if run.returncode != 0:
        print("FAIL: %s %s exited %d" % (program, help_option, run.returncode))
        return 1
    options = listed_options(run.stdout)
    troff = open(page, encoding="utf-8").read()
    missing = [o for o in options if not documented(o, troff)]
    if len(options) < 5:
        print("FAIL: only %s found in the help of %s" % (options, program))
        return 1
    for o in missing:
        print("FAIL: %s lists %s, which %s does not document" % (program, o, page))
    if not missing:
        print("ok: %s documents all %d options: %s" % (page, len(options), " ".join(options)))
    return 1 if missing else 0


if __name__ == "__main__":
    sys.exit(main())
