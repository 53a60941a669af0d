// orb-wayland: the saver on a Wayland compositor that offers layer-shell
// (wlroots compositors, KDE Plasma). orb hands its command line over when it
// finds itself in a Wayland session; the options are the same.
//
// The engine is one record per process, so each output gets a process of
// its own, as XScreenSaver gives each monitor a hack of its own: the parent
// looks at the compositor once, names each output to a child of its own
// (supervision.cpp) and waits; each child covers its output
// (output_saver.cpp).
//
// A touch on any output ends every process with 0; so does SIGTERM. An
// output that goes away takes its child with it and the others go on: the
// user touched nothing, so the screens that are left stay covered. A lost
// connection, a refused request, an output too large to hold, or no output
// left to cover end the saver with a failure.
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "orb_options.h"
#include "orb_start.h"
#include "output_saver.h"
#include "supervision.h"
#include "wayland_host.h"

int main(int argc, char **argv) {
    OrbOptions o;
    const int done = StartFrontEnd(argc, argv, kFrontEndWayland, &o);
    if (done >= 0) return done;
    if (!ConnectHost()) {
        fprintf(stderr, "orb: cannot connect to the Wayland display '%s'\n",
                getenv("WAYLAND_DISPLAY") ? getenv("WAYLAND_DISPLAY") : "");
        return kExitFailure;
    }
    WaylandHost &h = gHost;
    if (!h.layerShell || !h.compositor || !h.shm) {
        wl_display_disconnect(h.display);
        // Not asked for by name: the session may still run X11 programs.
        if (o.display == kDisplayAuto) ExecSibling("orb", argv, "-x11");
        fprintf(stderr, "orb: this Wayland compositor offers no layer-shell "
                        "(zwlr_layer_shell_v1), so orb cannot cover its outputs\n");
        return kExitFailure;
    }
    const int capture = h.screencopy != nullptr;
    if (!capture)
        fprintf(stderr, "orb: this compositor offers no screencopy (zwlr_screencopy_manager_v1); "
                        "the ball plays over black\n");
    std::vector<uint32_t> names;
    for (const auto &output : h.outputs) names.push_back(output->name);
    wl_display_disconnect(h.display);
    if (names.empty()) {
        fprintf(stderr, "orb: the compositor has no output to cover\n");
        return kExitFailure;
    }
    return RunChildren(names, [&](uint32_t name) { return RunOutput(o, name, capture); });
}
