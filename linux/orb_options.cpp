// orb's command line: the option table and the one parser that walks it.
#include "orb_options.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "ball_choice.h"
#include "settings.h"

#define ORB_TEXT(...) #__VA_ARGS__
#define ORB_EXPANDED_TEXT(...) ORB_TEXT(__VA_ARGS__)
#define ORB_SIDES_TEXT ORB_EXPANDED_TEXT(ORB_BALL_SIDES)

namespace {

struct OrbOptionSpec;
typedef int (*ApplyOption)(OrbOptions *, const char *value, const OrbOptionSpec &spec);

struct OrbOptionSpec {
    const char *name;     // given with one dash or two
    const char *argName;  // null: takes no value
    ApplyOption apply;    // 0: the value is refused
    long low, high;       // the range a number value must lie in
    long fallback;        // what applies without the option, where the help says
    const char *help;     // a printf format taking low, high and fallback, in that order
};

int ParseLong(const char *text, long low, long high, long *out) {
    if (!text || !*text) return 0;
    char *end = nullptr;
    errno = 0;
    long v = strtol(text, &end, 10);
    if (errno || *end || v < low || v > high) return 0;
    *out = v;
    return 1;
}

int SetRoot(OrbOptions *o, const char *, const OrbOptionSpec &) {
    o->mode = kModeRoot;
    return 1;
}

// XScreenSaver writes window ids in hex with 0x; decimal is taken too.
int SetWindowId(OrbOptions *o, const char *v, const OrbOptionSpec &) {
    char *end = nullptr;
    errno = 0;
    unsigned long id = strtoul(v, &end, 0);
    if (errno || !*v || *end || id == 0 || v[0] == '-') return 0;
    o->mode = kModeWindowId;
    o->windowId = id;
    return 1;
}

int SetFullscreen(OrbOptions *o, const char *, const OrbOptionSpec &) { return o->fullscreen = 1; }

int SetDim(OrbOptions *o, const char *v, const OrbOptionSpec &spec) {
    long percent;
    if (!ParseLong(v, spec.low, spec.high, &percent)) return 0;
    o->dimPercent = (int32_t)percent;
    return 1;
}

int SetLib(OrbOptions *o, const char *v, const OrbOptionSpec &) {
    o->libFile = v;
    return *v != 0;
}

int SetX11(OrbOptions *o, const char *, const OrbOptionSpec &) {
    o->display = kDisplayX11;
    return 1;
}
int SetWayland(OrbOptions *o, const char *, const OrbOptionSpec &) {
    o->display = kDisplayWayland;
    return 1;
}

int SetClassic(OrbOptions *o, const char *, const OrbOptionSpec &) { return o->classic = 1; }
int SetSave(OrbOptions *o, const char *, const OrbOptionSpec &) { return o->save = 1; }
int SetHelp(OrbOptions *o, const char *, const OrbOptionSpec &) { return o->help = 1; }
int SetVersion(OrbOptions *o, const char *, const OrbOptionSpec &) { return o->version = 1; }
int SetHold(OrbOptions *o, const char *, const OrbOptionSpec &) { return o->hold = 1; }
int SetNoShm(OrbOptions *o, const char *, const OrbOptionSpec &) { return o->noShm = 1; }

int SetTicks(OrbOptions *o, const char *v, const OrbOptionSpec &spec) {
    return ParseLong(v, spec.low, spec.high, &o->ticks);
}

int SetDuration(OrbOptions *o, const char *v, const OrbOptionSpec &spec) {
    char *end = nullptr;
    double s = strtod(v, &end);
    if (!*v || *end || !(s > (double)spec.low) || s > (double)spec.high) return 0;
    o->durationSeconds = s;
    return 1;
}

// "auto", or a side the program carries.
int SetSize(OrbOptions *o, const char *v, const OrbOptionSpec &) {
    if (!strcmp(v, "auto")) return (o->ballSide = 0), 1;
    long side;
    if (!ParseLong(v, 1, 100000, &side)) return 0;
    for (int32_t carried : kBallSides)
        if (carried == side) return (o->ballSide = (int32_t)side), 1;
    return 0;
}

int SetSeed(OrbOptions *o, const char *v, const OrbOptionSpec &spec) {
    long seed;
    if (!ParseLong(v, spec.low, spec.high, &seed)) return 0;
    o->seedGiven = 1;
    o->seed = (uint32_t)seed;
    return 1;
}

const OrbOptionSpec kOptions[] = {
    {"root", nullptr, SetRoot, 0, 0, 0, "draw on the root window (XSCREENSAVER_WINDOW when set)"},
    {"window-id", "ID", SetWindowId, 0, 0, 0,
     "draw into the existing window ID (hex 0x... or decimal)"},
    {"fullscreen", nullptr, SetFullscreen, 0, 0, 0, "make orb's own window cover the screen"},
    {"dim", "PERCENT", SetDim, kMinDimPercent, kMaxDimPercent, kDefaultDimPercent,
     "brightness the desktop keeps, %ld to %ld (default: stored, else %ld)"},
    {"lib", "FILE", SetLib, 0, 0, 0,
     "play the animation container FILE instead of the built-in one"},
    {"size", "SIDE", SetSize, 0, 0, 0,
     "ball size: auto (by the screen's density, the default) or " ORB_SIDES_TEXT
     " pixels"},
    {"classic", nullptr, SetClassic, 0, 0, 0,
     "play the classic faceted ball instead of the glass ball"},
    {"x11", nullptr, SetX11, 0, 0, 0, "use X11 even in a Wayland session"},
    {"wayland", nullptr, SetWayland, 0, 0, 0,
     "cover every output of a Wayland compositor (layer-shell); fail if it cannot"},
    {"save", nullptr, SetSave, 0, 0, 0, "store the -dim value as the default and exit"},
    {"help", nullptr, SetHelp, 0, 0, 0, "show this help and exit"},
    {"version", nullptr, SetVersion, 0, 0, 0, "print orb's version and exit"},
    {"ticks", "N", SetTicks, 1, 100000000, 0, "stop after N ticks of 10 ms (for tests)"},
    {"hold", nullptr, SetHold, 0, 0, 0,
     "with -ticks: keep the last picture until stopped, say so on stdout"},
    // Above zero, up to about four months.
    {"duration", "SECONDS", SetDuration, 0, 10000000, 0, "stop after SECONDS"},
    {"seed", "N", SetSeed, 0, 4294967295L, 0,
     "place the ball from seed N instead of the clock (for tests)"},
    {"no-shm", nullptr, SetNoShm, 0, 0, 0, "do not use the MIT-SHM extension"},
};

std::string HelpLine(const OrbOptionSpec &spec) {
    char line[160];
    snprintf(line, sizeof line, spec.help, spec.low, spec.high, spec.fallback);
    return line;
}

const OrbOptionSpec *FindOption(const char *arg) {
    if (arg[0] != '-') return nullptr;
    const char *name = arg[1] == '-' ? arg + 2 : arg + 1;
    if (!strcmp(name, "h")) name = "help";
    for (const OrbOptionSpec &spec : kOptions)
        if (!strcmp(spec.name, name)) return &spec;
    return nullptr;
}

// Options that make sense only together, or only apart.
int CheckCombination(const OrbOptions &o, std::string *why) {
    if (o.save && o.dimPercent < 0) {
        *why = "-save stores the -dim value; give -dim PERCENT with it";
        return 0;
    }
    if (o.hold && !o.ticks) {
        *why = "-hold needs -ticks N";
        return 0;
    }
    if (o.display == kDisplayWayland && (o.modeGiven || o.fullscreen)) {
        *why = "-wayland covers the outputs itself; not with -root, -window-id or -fullscreen";
        return 0;
    }
    if (o.fullscreen && o.modeGiven) {
        *why = "-fullscreen applies to orb's own window, not -root or -window-id";
        return 0;
    }
    return 1;
}

}  // namespace

void InitOrbOptions(OrbOptions *o) {
    *o = OrbOptions{};
    o->mode = kModeOwnWindow;
    o->dimPercent = -1;
}

int ParseOrbOptions(int argc, char **argv, OrbOptions *o, std::string *why) {
    for (int i = 1; i < argc; ++i) {
        const OrbOptionSpec *spec = FindOption(argv[i]);
        if (!spec) {
            *why = std::string("unknown option '") + argv[i] + "'";
            return 0;
        }
        const char *value = nullptr;
        if (spec->argName) {
            if (i + 1 >= argc) {
                *why = std::string("-") + spec->name + " needs a value: " + spec->argName;
                return 0;
            }
            value = argv[++i];
        }
        const DisplayChoice display = o->display;
        if (!spec->apply(o, value, *spec)) {
            *why = std::string("bad value '") + (value ? value : "") + "' for -" + spec->name +
                   " " + (spec->argName ? spec->argName : "") + " (" + HelpLine(*spec) + ")";
            return 0;
        }
        if (display != kDisplayAuto && o->display != display) {
            *why = "give only one of -x11 and -wayland";
            return 0;
        }
        if (spec->apply == SetRoot || spec->apply == SetWindowId) {
            if (o->modeGiven) {
                *why = "give only one of -root and -window-id";
                return 0;
            }
            o->modeGiven = 1;
        }
    }
    return CheckCombination(*o, why);
}

void ApplyEnvironmentWindow(OrbOptions *o) {
    if (o->mode == kModeWindowId) return;
    const char *env = getenv("XSCREENSAVER_WINDOW");
    if (env && *env) {
        OrbOptions probe = *o;
        if (SetWindowId(&probe, env, *FindOption("-window-id"))) *o = probe;
    }
}

void PrintOrbHelp(FILE *to) {
    fprintf(to,
            "Usage: orb [options]\n"
            "A crystal ball bounces over the darkened desktop. Without -root or -window-id\n"
            "orb opens a window of its own; a key, a mouse button or closing it ends orb.\n\n");
    for (const OrbOptionSpec &spec : kOptions) {
        char left[40];
        snprintf(left, sizeof left, "-%s%s%s", spec.name, spec.argName ? " " : "",
                 spec.argName ? spec.argName : "");
        fprintf(to, "  %-22s %s\n", left, HelpLine(spec).c_str());
    }
    fprintf(to, "\nThe stored setting lives in $XDG_CONFIG_HOME/orb (else ~/.config/orb).\n");
}
