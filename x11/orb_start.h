// orb_start.h -- what both front ends of orb (X11 and Wayland) do before they
// touch a display: handle -save, read and check a -lib file, and set the
// engine's options from the command line. Messages go to stderr with "orb: ".
//
//   RunCommandLine(argc, argv, &o)  parses the command line into o and does
//                             what needs no display (-help, -version, -save):
//                             -1 when the saver is to run, else the exit status
//   PrepareEngine(o)          EngineReset and the engine's options from o; 0
//                             (after a message) when -lib cannot be played or
//                             the build has no built-in ball
//   ExecSibling(name, argv, extra)  hands the command line to the other
//                             front end (orb <-> orb-wayland)
#ifndef ORB_X11_ORB_START_H
#define ORB_X11_ORB_START_H

#include <cstdint>

#include "orb_options.h"

enum {
    kExitFailure = 1,  // a file or the display could not be used
    kExitUsage = 2,    // the command line was refused
};

int RunCommandLine(int argc, char **argv, OrbOptions *o);
int PrepareEngine(const OrbOptions &o);

// Runs `program`, the other front end, from this program's own folder with
// this command line and `extra` after it (null: nothing). Returns only when
// it could not be started.
void ExecSibling(const char *program, char **argv, const char *extra);

#endif
