#!/usr/bin/env python3
"""Compares a screenshot with the desktop it covers, darkened as the saver
darkens it: (v * (percent * 256 // 100)) >> 8 in each channel. Every pixel
that differs must lie in one ball-sized square, and enough of them must
differ to be a ball. Prints "ball X Y" (the square's corner) on success.

    compare_dimmed.py DESKTOP.png SHOT.png PERCENT SIDE

Exit 0 when it holds, 1 with the reason otherwise.
"""
import subprocess
import sys


def rgb(path):
    size = subprocess.run(["identify", "-format", "%w %h", path], capture_output=True,
                          text=True, check=True).stdout.split()
    data = subprocess.run(["convert", path, "-alpha", "off", "-depth", "8", "rgb:-"],
                          capture_output=True, check=True).stdout
    return int(size[0]), int(size[1]), data


def main():
    desktop, shot, percent, side = sys.argv[1], sys.argv[2], int(sys.argv[3]), int(sys.argv[4])
    w, h, before = rgb(desktop)
    w2, h2, after = rgb(shot)
    if (w, h) != (w2, h2):
        print("FAIL: the shot is %dx%d, the desktop %dx%d" % (w2, h2, w, h))
        return 1
    factor = percent * 256 // 100
    dimmed = before.translate(bytes((v * factor) >> 8 for v in range(256)))
    x0, y0, x1, y1, changed = w, h, -1, -1, 0
    row = w * 3
    for y in range(h):
        a, b = dimmed[y * row:(y + 1) * row], after[y * row:(y + 1) * row]
        if a == b:
            continue
        for x in range(w):
            if a[3 * x:3 * x + 3] != b[3 * x:3 * x + 3]:
                changed += 1
                x0, x1, y0, y1 = min(x0, x), max(x1, x), min(y0, y), max(y1, y)
    print("%d of %d pixels differ from the desktop dimmed to %d %%, within (%d, %d)-(%d, %d)"
          % (changed, w * h, percent, x0, y0, x1, y1))
    if changed * 100 < side * side:
        print("FAIL: no ball to be seen")
        return 1
    if x1 - x0 >= side or y1 - y0 >= side:
        print("FAIL: pixels differ outside one ball square")
        return 1
    print("ball %d %d" % (x0, y0))
    return 0


if __name__ == "__main__":
    sys.exit(main())
