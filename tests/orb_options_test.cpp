// orb's command line, without a display: what each option fills in, and what
// is refused with which words.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "ball_choice.h"
#include "orb_options.h"
#include "settings.h"

namespace {

struct Parsed {
    int ok;
    OrbOptions options;
    std::string why;
    std::string lib;  // options.libFile pointed into the argv that is gone
};

Parsed Parse(std::vector<std::string> args) {
    args.insert(args.begin(), "orb");
    std::vector<char *> argv;
    for (std::string &a : args) argv.push_back(&a[0]);
    argv.push_back(nullptr);
    Parsed p;
    InitOrbOptions(&p.options);
    p.ok = ParseOrbOptions((int)args.size(), argv.data(), &p.options, &p.why);
    if (p.options.libFile) p.lib = p.options.libFile;
    p.options.libFile = nullptr;
    return p;
}

// Refused, and the reason holds `words`.
void ExpectRefused(const std::vector<std::string> &args, const std::string &words) {
    Parsed p = Parse(args);
    std::string line;
    for (const std::string &a : args) line += a + " ";
    EXPECT_EQ(p.ok, 0) << line;
    EXPECT_NE(p.why.find(words), std::string::npos) << line << ": " << p.why;
}

TEST(OrbOptions, NothingGivenMeansOwnWindowAndTheStoredSetting) {
    Parsed p = Parse({});
    ASSERT_EQ(p.ok, 1);
    EXPECT_EQ(p.options.mode, kModeOwnWindow);
    EXPECT_EQ(p.options.dimPercent, -1);
    EXPECT_EQ(p.lib, "");
    EXPECT_EQ(p.options.ticks, 0);
    EXPECT_EQ(p.options.durationSeconds, 0);
    EXPECT_EQ(p.options.seedGiven | p.options.save | p.options.help | p.options.noShm, 0);
}

TEST(OrbOptions, EveryOptionFillsItsFieldWithOneDashOrTwo) {
    for (const char *dash : {"-", "--"}) {
        const std::string d = dash;
        Parsed p = Parse({d + "root", d + "dim", "55", d + "lib", "x.lib", d + "ticks", "40",
                          d + "hold", d + "seed", "4294967295", d + "duration", "2.5",
                          d + "no-shm"});
        ASSERT_EQ(p.ok, 1) << dash << " " << p.why;
        EXPECT_EQ(p.options.mode, kModeRoot);
        EXPECT_EQ(p.options.modeGiven, 1);
        EXPECT_EQ(p.options.dimPercent, 55);
        EXPECT_EQ(p.lib, "x.lib");
        EXPECT_EQ(p.options.ticks, 40);
        EXPECT_EQ(p.options.hold, 1);
        EXPECT_EQ(p.options.seedGiven, 1);
        EXPECT_EQ(p.options.seed, 4294967295u);
        EXPECT_EQ(p.options.durationSeconds, 2.5);
        EXPECT_EQ(p.options.noShm, 1);

        Parsed w = Parse({d + "window-id", "0x400001", d + "dim", "3", d + "save"});
        ASSERT_EQ(w.ok, 1) << dash << " " << w.why;
        EXPECT_EQ(w.options.mode, kModeWindowId);
        EXPECT_EQ(w.options.windowId, 0x400001ul);
        EXPECT_EQ(w.options.save, 1);
        EXPECT_EQ(Parse({d + "window-id", "4194305"}).options.windowId, 0x400001ul);
        EXPECT_EQ(Parse({d + "fullscreen"}).options.fullscreen, 1);
        EXPECT_EQ(Parse({d + "help"}).options.help, 1);
        EXPECT_EQ(Parse({d + "h"}).options.help, 1);
    }
}

TEST(OrbOptions, DimTakesTheSettingsRangeAndNothingElse) {
    EXPECT_EQ(Parse({"-dim", std::to_string(kMinDimPercent)}).options.dimPercent, kMinDimPercent);
    EXPECT_EQ(Parse({"-dim", std::to_string(kMaxDimPercent)}).options.dimPercent, kMaxDimPercent);
    for (std::string bad : {std::to_string(kMinDimPercent - 1), std::to_string(kMaxDimPercent + 1),
                            std::string("3x"), std::string(""), std::string("ten"),
                            std::string("99999999999999999999")})
        ExpectRefused({"-dim", bad}, "bad value '" + bad + "' for -dim PERCENT");
    // The refusal repeats the help line, range and default included.
    ExpectRefused({"-dim", "101"}, "0 to 100 (default: stored, else 30)");
}

// Every side the program carries, and auto; nothing else. XScreenSaver's
// settings offer the same list.
TEST(OrbOptions, SizeTakesAutoOrACarriedSide) {
    EXPECT_EQ(Parse({}).options.ballSide, 0);
    EXPECT_EQ(Parse({"-size", "auto"}).options.ballSide, 0);
    std::ifstream in(ORB_XML_FILE);
    std::stringstream xml;
    xml << in.rdbuf();
    for (int32_t side : kBallSides) {
        EXPECT_EQ(Parse({"--size", std::to_string(side)}).options.ballSide, side);
        EXPECT_NE(xml.str().find("arg-set=\"--size " + std::to_string(side) + "\""),
                  std::string::npos) << side;
    }
    for (std::string bad : {"0", "127", "200", "-128", "Auto", "", "256px"})
        ExpectRefused({"-size", bad}, "bad value '" + bad + "' for -size SIDE");
    ExpectRefused({"-size"}, "-size needs a value");
}

// Wayland is orb's choice in a Wayland session; -x11 and -wayland decide
// instead, and -wayland covers the outputs itself, so no X11 window goes
// with it.
TEST(OrbOptions, TheWindowSystemIsChosenOrAskedFor) {
    EXPECT_EQ(Parse({}).options.display, kDisplayAuto);
    EXPECT_EQ(Parse({"-x11"}).options.display, kDisplayX11);
    EXPECT_EQ(Parse({"--wayland", "-dim", "40"}).options.display, kDisplayWayland);
    EXPECT_EQ(Parse({"-x11", "-root"}).ok, 1);
    for (const char *x11Only : {"-root", "-fullscreen"})
        ExpectRefused({"-wayland", x11Only}, "-wayland covers the outputs itself");
    ExpectRefused({"-window-id", "0x400001", "-wayland"}, "-wayland covers the outputs itself");
}

TEST(OrbOptions, NumbersOutsideTheirRangesAreRefused) {
    struct Case { const char *option, *value; };
    for (Case c : {Case{"-ticks", "0"}, Case{"-ticks", "100000001"}, Case{"-ticks", "-5"},
                   Case{"-seed", "-1"}, Case{"-seed", "4294967296"}, Case{"-duration", "0"},
                   Case{"-duration", "-1"}, Case{"-duration", "nan"}, Case{"-duration", "1e8"},
                   Case{"-duration", "2s"}, Case{"-window-id", "0"}, Case{"-window-id", "-3"},
                   Case{"-window-id", "0xZZ"}, Case{"-window-id", ""}, Case{"-lib", ""}})
        ExpectRefused({c.option, c.value}, std::string("bad value '") + c.value + "' for " +
                                               c.option);
    EXPECT_EQ(Parse({"-ticks", "100000000"}).options.ticks, 100000000);
    EXPECT_EQ(Parse({"-duration", "10000000"}).options.durationSeconds, 1e7);
    EXPECT_EQ(Parse({"-seed", "0"}).options.seedGiven, 1);
}

TEST(OrbOptions, MissingValuesUnknownOptionsAndBadCombinationsAreRefused) {
    for (const char *option : {"dim", "lib", "ticks", "seed", "duration", "window-id"})
        ExpectRefused({std::string("--") + option},
                      std::string("-") + option + " needs a value: ");
    ExpectRefused({"-lib"}, "-lib needs a value: FILE");
    ExpectRefused({"-frobnicate"}, "unknown option '-frobnicate'");
    ExpectRefused({"root"}, "unknown option 'root'");
    ExpectRefused({"---root"}, "unknown option '---root'");
    ExpectRefused({"-"}, "unknown option '-'");
    ExpectRefused({"-root", "-window-id", "0x400001"}, "give only one of -root and -window-id");
    ExpectRefused({"-root", "-root"}, "give only one of -root and -window-id");
    ExpectRefused({"-save"}, "-save stores the -dim value; give -dim PERCENT with it");
    ExpectRefused({"-hold"}, "-hold needs -ticks N");
    ExpectRefused({"-fullscreen", "-root"}, "-fullscreen applies to orb's own window");
    ExpectRefused({"-window-id", "7", "-fullscreen"}, "-fullscreen applies to orb's own window");
}

TEST(OrbOptions, TheScreenSaverWindowComesFromTheEnvironmentUnlessGiven) {
    setenv("XSCREENSAVER_WINDOW", "0x2a00005", 1);
    Parsed p = Parse({"-root"});
    ApplyEnvironmentWindow(&p.options);
    EXPECT_EQ(p.options.mode, kModeWindowId);
    EXPECT_EQ(p.options.windowId, 0x2a00005ul);

    Parsed given = Parse({"-window-id", "77"});
    ApplyEnvironmentWindow(&given.options);
    EXPECT_EQ(given.options.windowId, 77ul);

    setenv("XSCREENSAVER_WINDOW", "junk", 1);
    Parsed junk = Parse({"-root"});
    ApplyEnvironmentWindow(&junk.options);
    EXPECT_EQ(junk.options.mode, kModeRoot);
    unsetenv("XSCREENSAVER_WINDOW");
}

TEST(OrbOptions, HelpListsEveryOptionWithItsValue) {
    char *text = nullptr;
    size_t size = 0;
    FILE *to = open_memstream(&text, &size);
    ASSERT_TRUE(to);
    PrintOrbHelp(to);
    fclose(to);
    std::string help(text, size);
    free(text);
    for (const char *line : {"-root ", "-window-id ID ", "-fullscreen ", "-dim PERCENT ",
                             "-lib FILE ", "-save ", "-help ", "-ticks N ", "-hold ",
                             "-duration SECONDS ", "-seed N ", "-no-shm ", "-size SIDE ", "-x11 ",
                             "-wayland "}) {
        EXPECT_NE(help.find(std::string("\n  ") + line), std::string::npos) << line;
        // Every option the help lists is one the parser takes.
        std::string name = std::string(line).substr(0, std::string(line).find(' '));
        EXPECT_EQ(Parse({name}).why.find("unknown option"), std::string::npos) << name;
    }
    EXPECT_NE(help.find("brightness the desktop keeps, 0 to 100 (default: stored, else 30)"),
              std::string::npos);
}

// XScreenSaver's slider is made by the build from the settings header.
TEST(OrbXml, TheSliderHasTheSettingsRangeAndDefault) {
    std::ifstream in(ORB_XML_FILE);
    ASSERT_TRUE(in) << ORB_XML_FILE;
    std::stringstream xml;
    xml << in.rdbuf();
    std::string want = "low=\"" + std::to_string(kMinDimPercent) + "\" high=\"" +
                       std::to_string(kMaxDimPercent) + "\" default=\"" +
                       std::to_string(kDefaultDimPercent) + "\"/>";
    EXPECT_NE(xml.str().find(want), std::string::npos) << xml.str();
    EXPECT_EQ(xml.str().find('@'), std::string::npos) << "a placeholder was left unfilled";
}

}  // namespace
