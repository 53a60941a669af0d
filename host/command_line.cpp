// command_line.cpp -- the saver's command line: program name, one switch
// letter, an optional decimal window handle.
#include "command_line.h"

namespace {

unsigned char Code(const char *p) { return (unsigned char)*p; }

const char *SkipSpaces(const char *text) {
    while (*text == ' ') ++text;  // only the space character, not tabs
    return text;
}

}  // namespace

const char *SkipProgramName(const char *line, NextCharFn next) {
    const char *p = line;
    if (*p == '"') {
        // Characters, not bytes: the line is in the ANSI code page, where
        // one character may take two bytes.
        p = next(p);
        while (*p && *p != '"') p = next(p);
        if (*p == '"') p = next(p);
    } else if (Code(p) > 0x20) {
        while (Code(p) > 0x20) p = next(p);
    }
    while (*p && Code(p) <= 0x20) p = next(p);
    return p;
}

uint32_t ParseWindowHandle(const char *text) {
    uint32_t value = 0;
    for (; *text >= '0' && *text <= '9'; ++text) value = value * 10 + (uint32_t)(*text - '0');
    return value;
}

SaverCommand ParseSaverCommand(const char *text) {
    SaverCommand command = {kSwitchUnknown, 0, nullptr};
    while (*text == ' ' || *text == '-' || *text == '/') ++text;
    switch (*text) {
    case '\0':
        command.kind = kSwitchConfigure;
        break;
    case 'a':
    case 'A':
        command.kind = kSwitchChangePassword;
        command.handle = ParseWindowHandle(SkipSpaces(text + 1));
        break;
    case 'c':
    case 'C':
        command.kind = kSwitchConfigureOwned;
        if (text[1] == ':') command.handle = ParseWindowHandle(text + 2);
        break;
    case 'p':
    case 'P':
    case 'l':
    case 'L':
        command.kind = kSwitchPreview;
        command.argument = SkipSpaces(text + 1);
        break;
    case 's':
    case 'S':
        command.kind = kSwitchSaver;
        break;
    }
    return command;
}
