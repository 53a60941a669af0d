// orb_options.h -- orb's command line, as a table of options.
//
// Each option is given with one dash or two; "-h" is "-help". The table names
// each option, the value it takes, its range and its help line; one parser
// walks it and fills an OrbOptions record. No display here: the record says
// what to do, and the front end (x11/ or wayland/) does it.
//
//   InitOrbOptions(&o)                       the defaults
//   ParseOrbOptions(argc, argv, &o, &why)    1 when every argument was taken;
//                                            else 0 and why (no "orb: ")
//   ApplyEnvironmentWindow(&o)               XSCREENSAVER_WINDOW, unless
//                                            -window-id was given
//   PrintOrbHelp(to)                         the -help text
#ifndef ORB_LINUX_ORB_OPTIONS_H
#define ORB_LINUX_ORB_OPTIONS_H

#include <cstdint>
#include <cstdio>
#include <string>

enum DrawMode { kModeOwnWindow, kModeRoot, kModeWindowId };
// Which window system: Wayland when WAYLAND_DISPLAY is set and the
// compositor offers layer-shell, else X11; or the one asked for.
enum DisplayChoice { kDisplayAuto, kDisplayX11, kDisplayWayland };

struct OrbOptions {
    DrawMode mode;
    int modeGiven;           // -root or -window-id was on the command line
    unsigned long windowId;
    int fullscreen;
    int32_t dimPercent;      // -1: the stored setting
    const char *libFile;     // null: the built-in container; points into argv
    int save;
    int help;
    int version;
    long ticks;              // 0: run until stopped
    int hold;                // after -ticks N: keep the picture until stopped
    double durationSeconds;  // 0: run until stopped
    int seedGiven;
    uint32_t seed;
    int noShm;
    int32_t ballSide;        // 0: by the display's density
    int classic;             // play the classic ball, not the fine one
    DisplayChoice display;
};

void InitOrbOptions(OrbOptions *o);
int ParseOrbOptions(int argc, char **argv, OrbOptions *o, std::string *why);
void ApplyEnvironmentWindow(OrbOptions *o);
void PrintOrbHelp(FILE *to);

#endif
