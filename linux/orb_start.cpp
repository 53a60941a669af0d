// orb_start.cpp -- see orb_start.h.
#include "orb_start.h"

#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "ball_choice.h"
#include "container.h"
#include "edge.h"
#include "engine.h"
#include "settings.h"

// A bad -lib is the user's mistake, so it is reported, unlike a bad
// container found by the engine at run time, which it skips silently. What
// passed is handed to the engine as it stands, read and checked once; it
// lives until the process ends.
static int LoadLibFile(const char *path) {
    char why[256] = "";
    uint32_t size = 0;
    uint8_t *block = LoadContainerFile(path, &size, why, sizeof why);
    if (!block) {
        fprintf(stderr, "orb: cannot read animation file: %s\n", why);
        return 0;
    }
    if (!ValidateAnyContainer(block, size, why, sizeof why)) {
        fprintf(stderr, "orb: '%s' is not a valid animation container: %s\n", path, why);
        free(block);
        return 0;
    }
    gEngineOptions.checkedContainer = block;
    gEngineOptions.checkedContainerSize = size;
    return 1;
}

static int SaveDim(int32_t percent) {
    const std::string path = SettingsFilePath(ORB_SETTINGS_VALUE_NAME);
    if (path.empty()) {
        fprintf(stderr, "orb: cannot store the setting: neither XDG_CONFIG_HOME nor HOME is set\n");
        return 0;
    }
    StoreSettings(ORB_SETTINGS_VALUE_NAME, percent, 0, 0);
    int32_t stored = -1;
    if (!LoadSettings(ORB_SETTINGS_VALUE_NAME, &stored, nullptr, nullptr) || stored != percent) {
        fprintf(stderr, "orb: could not store the setting in '%s'\n", path.c_str());
        return 0;
    }
    printf("orb: stored -dim %d as the default\n", (int)percent);
    return 1;
}

static int RunCommandLine(int argc, char **argv, OrbOptions *o) {
    InitOrbOptions(o);
    std::string why;
    if (!ParseOrbOptions(argc, argv, o, &why)) {
        fprintf(stderr, "orb: %s\nTry 'orb -help'.\n", why.c_str());
        return kExitUsage;
    }
    if (o->help) {
        PrintOrbHelp(stdout);
        return 0;
    }
    if (o->version) {
        printf("orb %s\n", ORB_VERSION);
        return 0;
    }
    if (o->save) return SaveDim(o->dimPercent) ? 0 : kExitFailure;
    return -1;
}

static int PrepareEngine(const OrbOptions &o) {
    EngineReset();
    if (o.libFile && !LoadLibFile(o.libFile)) return 0;
    gEngineOptions.containerFileName = nullptr;  // -lib or else only the built-in container
    gEngineOptions.dimOverride = o.dimPercent;
    gEngineOptions.ballSide = o.ballSide;
    gEngineOptions.classicBall = o.classic;
    uint32_t size = 0;
    if (!o.libFile && !EdgeBuiltinContainer(kDefaultBallSide, &size)) {
        fprintf(stderr, "orb: this build has no built-in animation; give one with -lib FILE\n");
        return 0;
    }
    return 1;
}

// orb-wayland is started by name (or by orb), so it stays unless X11 is asked
// for. orb leaves a Wayland session to orb-wayland unless X11 was asked for or
// a window of X11's was named: XScreenSaver runs orb on Xwayland too.
static FrontEnd ChosenFrontEnd(const OrbOptions &o, FrontEnd self) {
    if (o.display == kDisplayX11) return kFrontEndX11;
    if (o.display == kDisplayWayland || self == kFrontEndWayland) return kFrontEndWayland;
    const char *wayland = getenv("WAYLAND_DISPLAY");
    const int x11Window = o.modeGiven || getenv("XSCREENSAVER_WINDOW");
    return wayland && *wayland && !x11Window ? kFrontEndWayland : kFrontEndX11;
}

int StartFrontEnd(int argc, char **argv, FrontEnd self, OrbOptions *o) {
    const int done = RunCommandLine(argc, argv, o);
    if (done >= 0) return done;
    const FrontEnd chosen = ChosenFrontEnd(*o, self);
    if (chosen != self) {
        const char *sibling = chosen == kFrontEndX11 ? "orb" : "orb-wayland";
        ExecSibling(sibling, argv, nullptr);
        fprintf(stderr, "orb: cannot start %s beside this program\n", sibling);
        // Chosen only by the session: this front end may still serve.
        if (o->display != kDisplayAuto) return kExitFailure;
    }
    return PrepareEngine(*o) ? -1 : kExitFailure;
}

int LibFitsWindow(int32_t width, int32_t height) {
    const uint8_t *lib = gEngineOptions.checkedContainer;
    if (!lib) return 1;  // the built-in balls: the largest that fits, or none
    // Checked by LoadLibFile, in either encoding.
    int32_t w = 0, h = 0;
    ContainerFrameSize(lib, gEngineOptions.checkedContainerSize, &w, &h);
    if (EngineFitsWindow(width, height, w, h)) return 1;
    fprintf(stderr, "orb: the -lib animation's %d x %d frames do not fit the %d x %d window\n",
            (int)w, (int)h, (int)width, (int)height);
    return 0;
}

void ExecSibling(const char *program, char **argv, const char *extra) {
    char self[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    if (n <= 0) return;
    self[n] = 0;
    std::string path(self);
    path = path.substr(0, path.rfind('/') + 1) + program;
    std::vector<char *> args;
    args.push_back((char *)path.c_str());
    for (char **a = argv + 1; *a; ++a) args.push_back(*a);
    if (extra) args.push_back((char *)extra);
    args.push_back(nullptr);
    execv(path.c_str(), args.data());
}
