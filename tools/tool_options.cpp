// One parser and one usage printer for every table of tool options.
#include "tool_options.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// A plain whole number is only bounded so that it fits; whoever uses it
// checks what it means.
const int32_t kWholeLimit = 1000000;
// Each side of a size, for the same reason.
const int32_t kSideLimit = 1 << 20;

// A whole decimal integer in lo..hi.
bool ParseInt(const char *text, int32_t lo, int32_t hi, int32_t *value) {
    if (!text || !*text) return false;
    errno = 0;
    char *end = nullptr;
    long v = strtol(text, &end, 10);
    if (errno != 0 || *end != '\0' || v < lo || v > hi) return false;
    *value = (int32_t)v;
    return true;
}

bool ParseSize(const char *text, int32_t *w, int32_t *h) {
    const char *x = text ? strchr(text, 'x') : nullptr;
    if (!x) return false;
    std::string left(text, (size_t)(x - text));
    return ParseInt(left.c_str(), 1, kSideLimit, w) && ParseInt(x + 1, 1, kSideLimit, h);
}

// Fills the option's field from `value` (null when the command line ended).
bool TakeValue(const ToolOption &o, const char *value) {
    switch (o.kind) {
    case kToolText:
        if (!value || !*value) return false;
        *o.text = value;
        return true;
    case kToolWhole:
        return ParseInt(value, -kWholeLimit, kWholeLimit, o.number);
    case kToolRanged:
        return ParseInt(value, o.low, o.high, o.number);
    case kToolSize:
        return ParseSize(value, o.number, o.second);
    }
    return false;
}

std::string Range(const ToolOption &o) {
    return std::to_string(o.low) + ".." + std::to_string(o.high);
}

std::string Refusal(const ToolOption &o) {
    std::string why = std::string(o.name) + " needs " + o.needs;
    return o.kind == kToolRanged ? why + " " + Range(o) : why;
}

// What the field holds now, as the usage text shows a default; empty: none.
std::string Current(const ToolOption &o) {
    switch (o.kind) {
    case kToolText:
        return *o.text;
    case kToolWhole:
    case kToolRanged:
        return std::to_string(*o.number);
    case kToolSize:
        return std::to_string(*o.number) + "x" + std::to_string(*o.second);
    }
    return "";
}

}  // namespace

ToolOption TextOption(const char *name, const char *valueName, std::string *field,
                      const char *needs, const char *help) {
    return {name, valueName, kToolText, field, nullptr, nullptr, 0, 0, needs, help};
}

ToolOption WholeOption(const char *name, const char *valueName, int32_t *field, int32_t low,
                       int32_t high, const char *help) {
    return {name, valueName, kToolWhole, nullptr, field, nullptr, low, high, "a whole number", help};
}

ToolOption RangedOption(const char *name, const char *valueName, int32_t *field, int32_t low,
                        int32_t high, const char *needs, const char *help) {
    return {name, valueName, kToolRanged, nullptr, field, nullptr, low, high, needs, help};
}

ToolOption SizeOption(const char *name, int32_t *width, int32_t *height, int32_t low,
                      int32_t high, const char *help) {
    return {name,    "WxH", kToolSize, nullptr, width, height, low, high,
            "WIDTHxHEIGHT, for example 128x128", help};
}

int ParseToolOptions(const std::vector<ToolOption> &table, const char *command, int argc,
                     char **argv, int first, std::string *why) {
    for (int i = first; i < argc; i++) {
        const ToolOption *option = nullptr;
        for (const ToolOption &o : table)
            if (!strcmp(argv[i], o.name)) option = &o;
        if (!option) {
            *why = std::string("unknown ") + command + " option '" + argv[i] + "'";
            return 0;
        }
        const char *value = i + 1 < argc ? argv[++i] : nullptr;
        if (!TakeValue(*option, value)) {
            *why = Refusal(*option);
            return 0;
        }
    }
    return 1;
}

std::string WrapText(const std::string &text, size_t indent, size_t first) {
    std::string out, line;
    size_t room = kHelpWidth - first;
    size_t at = 0;
    while (at < text.size()) {
        size_t end = text.find(' ', at);
        if (end == std::string::npos) end = text.size();
        std::string word = text.substr(at, end - at);
        if (!line.empty() && line.size() + 1 + word.size() > room) {
            out += line + "\n" + std::string(indent, ' ');
            line.clear();
            room = kHelpWidth - indent;
        }
        line += (line.empty() ? "" : " ") + word;
        at = end + 1;
    }
    return out + line + "\n";
}

std::string ToolOptionUsage(const std::vector<ToolOption> &table) {
    std::string usage;
    for (const ToolOption &o : table) {
        std::string left = "  " + std::string(o.name) + " " + o.valueName;
        left += std::string(left.size() < kHelpIndent ? kHelpIndent - left.size() : 1, ' ');
        std::string text = o.help;
        if (o.low < o.high) text += ", " + Range(o);
        std::string current = Current(o);
        if (!current.empty()) text += " (" + current + ")";
        usage += left + WrapText(text, kHelpIndent, left.size());
    }
    return usage;
}
