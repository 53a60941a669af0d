// orb_start.h -- what both front ends of orb (X11 and Wayland) do before they
// touch a display: handle -help, -version and -save, hand the command line to
// the other front end when it is that one's to run, read and check a -lib
// file, and set the engine's options from the command line. Messages go to
// stderr with "orb: ".
//
//   StartFrontEnd(argc, argv, self, &o)  -1 when front end `self` is to run
//                             with the engine prepared from o, else the exit
//                             status (a -help, a refused command line, a
//                             -lib that cannot be played, a build without a
//                             built-in ball, a sibling that would not start)
//   LibFitsWindow(width, height)  0, with the reason on stderr, when the
//                             -lib animation cannot play in a window of that
//                             size; 1 when it can or there is none
//   ExecSibling(name, argv, extra)  hands the command line to the other
//                             front end (orb <-> orb-wayland)
#ifndef ORB_LINUX_ORB_START_H
#define ORB_LINUX_ORB_START_H

#include <cstdint>

#include "orb_options.h"

enum {
    kExitFailure = 1,  // a file or the display could not be used
    kExitUsage = 2,    // the command line was refused
};

// Which front end a program is; the other one is its sibling.
enum FrontEnd { kFrontEndX11, kFrontEndWayland };

int StartFrontEnd(int argc, char **argv, FrontEnd self, OrbOptions *o);

int LibFitsWindow(int32_t width, int32_t height);

// Runs `program`, the other front end, from this program's own folder with
// this command line and `extra` after it (null: nothing). Returns only when
// it could not be started.
void ExecSibling(const char *program, char **argv, const char *extra);

#endif
