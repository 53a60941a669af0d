// The saver's command line from anywhere: skipping the program name and
// reading the switch must stay inside the text, for single-byte and for
// double-byte code pages, and agree with the switch table.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "command_line.h"

namespace {

const char *NextSingleByte(const char *p) { return *p ? p + 1 : p; }

// A double-byte code page: a lead byte of 0x81 or more takes the byte after
// it along, unless that is the end of the text.
const char *NextDoubleByte(const char *p) {
    if (!*p) return p;
    if ((unsigned char)*p >= 0x81 && p[1]) return p + 2;
    return p + 1;
}

uint32_t Digits(const char *p) {
    uint32_t v = 0;
    while (*p >= '0' && *p <= '9') v = v * 10 + (uint32_t)(*p++ - '0');
    return v;
}

void CheckCommand(const char *text, const char *end) {
    SaverCommand command = ParseSaverCommand(text);
    const char *p = text;
    while (*p == ' ' || *p == '-' || *p == '/') p++;
    switch (*p) {
    case 0:
        if (command.kind != kSwitchConfigure) abort();
        break;
    case 's': case 'S':
        if (command.kind != kSwitchSaver) abort();
        break;
    case 'p': case 'P': case 'l': case 'L': {
        const char *q = p + 1;
        while (*q == ' ') q++;
        if (command.kind != kSwitchPreview || command.argument != q) abort();
        if (command.argument < text || command.argument > end) abort();
        break;
    }
    case 'c': case 'C':
        if (command.kind != kSwitchConfigureOwned) abort();
        if (command.handle != (p[1] == ':' ? Digits(p + 2) : 0)) abort();
        break;
    case 'a': case 'A': {
        const char *q = p + 1;
        while (*q == ' ') q++;
        if (command.kind != kSwitchChangePassword || command.handle != Digits(q)) abort();
        break;
    }
    default:
        if (command.kind != kSwitchUnknown) abort();
    }
    if (ParseWindowHandle(p) != Digits(p)) abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size > 4096) return 0;
    // Exact size plus the terminator, as the system hands the line over.
    char *line = (char *)malloc(size + 1);
    memcpy(line, data, size);
    line[size] = 0;
    const char *end = line + strlen(line);
    for (NextCharFn next : {NextSingleByte, NextDoubleByte}) {
        const char *rest = SkipProgramName(line, next);
        if (rest < line || rest > end) abort();
        if (rest != end && (unsigned char)*rest <= 0x20) abort();  // the blanks are skipped
        CheckCommand(rest, end);
    }
    CheckCommand(line, end);
    free(line);
    return 0;
}
