// command_line.h -- reading the saver's command line. Pure text work: no
// window or system calls, so it builds and can be exercised anywhere.
//
//   SkipProgramName(line, next)  the text after the program name and the
//                                blanks behind it; `next` steps over one
//                                character (CharNextA on Windows)
//   ParseSaverCommand(text)      the one switch and its argument
//   ParseWindowHandle(text)      leading decimal digits as a 32-bit value
//                                that wraps; 0 means no handle
#ifndef ORB_HOST_COMMAND_LINE_H
#define ORB_HOST_COMMAND_LINE_H

#include <cstdint>

typedef const char *(*NextCharFn)(const char *text);

enum SaverSwitch {
    kSwitchConfigure,  // end of text: the configuration dialog with no owner
    kSwitchConfigureOwned,  // c: the dialog owned by `handle` (if it is a window)
    kSwitchChangePassword,  // a: the password change owned by `handle`
    kSwitchPreview,         // p or l: the preview in the window `argument` names
    kSwitchSaver,           // s: the full-screen saver
    kSwitchUnknown,         // anything else: nothing runs
};

struct SaverCommand {
    SaverSwitch kind;
    uint32_t handle;       // kSwitchConfigureOwned, kSwitchChangePassword
    const char *argument;  // kSwitchPreview: where the handle's text starts
};

const char *SkipProgramName(const char *line, NextCharFn next);
SaverCommand ParseSaverCommand(const char *text);
uint32_t ParseWindowHandle(const char *text);

#endif
