// orbtool -- bakes the crystal-ball container, inspects containers and
// renders them through the engine.
//
//   orbtool bake [-o FILE] [options]
//   orbtool info FILE
//   orbtool cut FILE --frames I,J,... -o OUT
//   orbtool render FILE [--background PNG] [--dim P] [--ticks N] -o OUT
//   orbtool --help | --version
//   orbtool COMMAND --help
//
// Exit status: 0 success, 1 a failure (bad file, invalid container, cannot
// write), 2 a usage error (one line, and where the help is).
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "ball_bake.h"
#include "container.h"
#include "container_writer.h"
#include "edge_offscreen.h"
#include "engine.h"
#include "file_io.h"
#include "orbtool_fine.h"
#include "png_io.h"
#include "settings.h"
#include "tool_options.h"

namespace {

// What `orbtool bake` is asked for: the ball and where it goes.
struct BakeArgs {
    BallParams params;
    std::string output = "orb.lib";
    std::string encoding = "classic";
};

// What `orbtool render` is asked for, besides the container.
struct RenderArgs {
    std::string background;  // empty: the built-in test pattern
    std::string output;
    int32_t dim = kDefaultDimPercent;
    int32_t ticks = 120;
};

// The baker checks what its numbers mean (CheckBallParams); the table only
// takes them.
std::vector<ToolOption> BakeOptionTable(BakeArgs *a) {
    BallParams &p = a->params;
    return {
        TextOption("-o", "FILE", &a->output, "a file name", "where to write the container"),
        TextOption("--encoding", "E", &a->encoding, "classic or fine",
                   "classic: displacement words; fine: the filtered glass ball, its frame 1.5 "
                   "times its diameter (takes --size, --frames and --mode)"),
        SizeOption("--size", &p.width, &p.height, kBallSideRange.low, kBallSideRange.high,
                   "frame width and height in pixels"),
        WholeOption("--frames", "N", &p.frames, kBallFramesRange.low, kBallFramesRange.high,
                    "frame count"),
        WholeOption("--mode", "M", &p.playMode, kBallPlayModeRange.low, kBallPlayModeRange.high,
                    "play mode byte: 1 bounces and loops, 2..4 appear now and then"),
        WholeOption("--facets", "F", &p.facetFrequency, kBallFacetsRange.low,
                    kBallFacetsRange.high,
                    "how finely the glass is cut: each of the icosahedron's 20 faces into F*F "
                    "facets, so more facets are smaller and the ball smoother; 0 no cut at all"),
        WholeOption("--turn", "T", &p.turn, kBallTurnRange.low, kBallTurnRange.high,
                    "fifths of a revolution per loop, negative turns the other way"),
        WholeOption("--max-diameter", "D", &p.maxDiameter, 0, 0,
                    "ball diameter in the first and last frame, at most the frame side (on a "
                    "side below 12, 2 less); unless given, in proportion to the side"),
        WholeOption("--min-diameter", "D", &p.minDiameter, 0, 0,
                    "ball diameter in the middle frame, 2 to the first frame's; unless given, "
                    "in proportion to the side"),
        WholeOption("--brightness", "P", &p.brightness, kBallBrightnessRange.low,
                    kBallBrightnessRange.high, "light, percent of the standard"),
        WholeOption("--refraction", "P", &p.refraction, kBallRefractionRange.low,
                    kBallRefractionRange.high,
                    "bending of the desktop seen through the ball, percent"),
    };
}

std::vector<ToolOption> RenderOptionTable(RenderArgs *a) {
    return {
        TextOption("-o", "OUT", &a->output, "a file name", "the contact sheet's PNG file"),
        TextOption("--background", "PNG", &a->background, "a PNG file",
                   "the desktop to play over, else a built-in test pattern"),
        RangedOption("--dim", "P", &a->dim, kMinDimPercent, kMaxDimPercent, "a percentage",
                     "brightness the desktop keeps in percent"),
        RangedOption("--ticks", "N", &a->ticks, 0, 1000000, "a count",
                     "ticks played before the screen is written"),
    };
}

// What `orbtool cut` is asked for, besides the source container.
struct CutArgs {
    std::string frames;  // "0,29,59"
    std::string output;
};

std::vector<ToolOption> CutOptionTable(CutArgs *a) {
    return {
        TextOption("--frames", "I,J,...", &a->frames, "frame numbers, for example 0,29",
                   "the frames to keep, numbered from 0, in the order given"),
        TextOption("-o", "OUT", &a->output, "a file name", "where to write the cut container"),
    };
}

// What `orbtool COMMAND --help` says: the synopsis, what the command does
// and its options. `orbtool --help` says it of every command.
struct CommandHelp {
    const char *name;
    const char *synopsis;  // after "orbtool "
    const char *about;
    std::string (*options)();  // the option lines, with the defaults
};

const CommandHelp kCommands[] = {
    {"bake", "bake [-o FILE] [options]",
     "Generate the crystal-ball animation container. The defaults reproduce the built-in "
     "container byte for byte.",
     [] {
         BakeArgs a;
         return ToolOptionUsage(BakeOptionTable(&a));
     }},
    {"info", "info FILE",
     "Check FILE as the saver would and print what it holds; exits 1 when the container "
     "breaks a rule, naming the first violation.",
     [] { return std::string(); }},
    {"cut", "cut FILE --frames I,J,... -o OUT",
     "Write OUT, a container of some frames of FILE; the fuzzer's small seeds are cut this "
     "way.",
     [] {
         CutArgs a;
         return ToolOptionUsage(CutOptionTable(&a));
     }},
    {"render", "render FILE [--background PNG] [--dim P] [--ticks N] -o OUT",
     "Play FILE through the engine over a background and write two PNGs: OUT, a contact "
     "sheet of all frames, and OUT with '-screen' before its extension, the screen after the "
     "ticks (OUT without an extension gets '.png').",
     [] {
         RenderArgs a;
         return ToolOptionUsage(RenderOptionTable(&a));
     }},
};

const CommandHelp *FindCommand(const std::string &name) {
    for (const CommandHelp &c : kCommands)
        if (name == c.name) return &c;
    return nullptr;
}

std::string Usage() {
    std::string usage;
    for (const CommandHelp &c : kCommands)
        usage += (usage.empty() ? "usage: orbtool " : "       orbtool ") + std::string(c.synopsis) +
                 "\n";
    usage += "       orbtool COMMAND --help\n       orbtool --help | --version\n";
    for (const CommandHelp &c : kCommands) {
        std::string name = std::string(c.name) + std::string(9 - strlen(c.name), ' ');
        usage += "\n" + name + WrapText(c.about, 9, 9) + c.options();
    }
    return usage;
}

std::string Usage(const CommandHelp &c) {
    return "usage: orbtool " + std::string(c.synopsis) + "\n\n" + WrapText(c.about, 0, 0) +
           (c.options().empty() ? "" : "\n" + c.options());
}

// One line saying what was wrong, and where the help is.
int UsageError(const char *command, const std::string &message) {
    fprintf(stderr, "orbtool: %s\nTry 'orbtool %s--help'.\n", message.c_str(),
            command ? (std::string(command) + " ").c_str() : "");
    return 2;
}

int Failure(const std::string &message) {
    fprintf(stderr, "orbtool: %s\n", message.c_str());
    return 1;
}

// ---- bake ----------------------------------------------------------------

bool Given(int argc, char **argv, const char *option) {
    for (int i = 2; i < argc; i++)
        if (strcmp(argv[i], option) == 0) return true;
    return false;
}

int Bake(int argc, char **argv) {
    BakeArgs args;
    std::string why;
    if (!ParseToolOptions(BakeOptionTable(&args), "bake", argc, argv, 2, &why))
        return UsageError("bake", why);
    BallParams &params = args.params;
    if (args.encoding != "classic" && args.encoding != "fine")
        return UsageError("bake", "--encoding needs classic or fine");
    if (args.encoding == "fine") {
        if (params.width != params.height) return UsageError("bake", "a fine ball is square");
        FineBallParams fine = FineBallFor(params.width);
        fine.frames = params.frames;
        fine.playMode = params.playMode;
        if (!CheckFineBallParams(fine, &why)) return UsageError("bake", why);
        return BakeFineFile(fine, args.output, &why) ? 0 : Failure(why);
    }
    // A larger or smaller frame keeps the built-in ball's proportions.
    int32_t side = params.width < params.height ? params.width : params.height;
    if (!Given(argc, argv, "--max-diameter"))
        params.maxDiameter = ScaledDiameter(BallParams{}.maxDiameter, side);
    if (!Given(argc, argv, "--min-diameter"))
        params.minDiameter = ScaledDiameter(BallParams{}.minDiameter, side);
    if (!CheckBallParams(params, &why)) return UsageError("bake", why);
    std::vector<uint8_t> container;
    if (!BakeBallContainer(params, &container, &why)) return Failure(why);
    if (!WriteFileBytes(args.output, container, &why)) return Failure(why);
    printf("%s: %zu bytes, %d frames of %d x %d, play mode %d\n", args.output.c_str(),
           container.size(), params.frames, params.width, params.height, params.playMode);
    return 0;
}

// ---- info ----------------------------------------------------------------

void PrintFacts(const ContainerFacts &f, int valid) {
    printf("size              %u bytes\n", f.size);
    printf("frame size        %d x %d\n", f.width, f.height);
    printf("frames            %d\n", f.frameCount);
    printf("play mode         %d\n", f.playMode);
    printf("first record      offset %u\n", f.firstRecordOffset);
    int32_t frames = f.frameCount > 0 ? f.frameCount : 0;
    if (frames > kMaxFrames) frames = kMaxFrames;
    if (frames == 0) return;
    printf("\nframe  offset   packed   input  decoded  runs  lit.run rep.run  cross  "
           "max dx dy   lit px  first     last\n");
    uint64_t packedTotal = 0, decodedTotal = 0;
    uint32_t packedMin = 0xFFFFFFFFu, packedMax = 0, decodedMin = 0xFFFFFFFFu, decodedMax = 0;
    int32_t counted = 0, longestLiteral = 0, longestRepeat = 0, crossing = 0;
    for (int32_t i = 0; i < frames; i++) {
        const FrameFacts &ff = f.frames[i];
        // A frame is fully checked once its runs were walked; the first
        // violation stops the check part-way through a frame.
        if (ff.runCount == 0) break;
        counted++;
        printf("%5d %7u %8u %7u %8u %5d %8d %7d %6d %6d %2d %8u  %08X  %08X\n", i,
               ff.recordOffset, ff.packedLength, ff.inputLength, ff.decodedBytes, ff.runCount,
               ff.longestLiteralRun, ff.longestRepeatRun, ff.runsCrossingRows,
               ff.maxColumnOffset, ff.maxRowOffset, ff.litPixels, ff.firstWord, ff.lastWord);
        packedTotal += ff.packedLength;
        decodedTotal += ff.decodedBytes;
        if (ff.packedLength < packedMin) packedMin = ff.packedLength;
        if (ff.packedLength > packedMax) packedMax = ff.packedLength;
        if (ff.decodedBytes < decodedMin) decodedMin = ff.decodedBytes;
        if (ff.decodedBytes > decodedMax) decodedMax = ff.decodedBytes;
        if (ff.longestLiteralRun > longestLiteral) longestLiteral = ff.longestLiteralRun;
        if (ff.longestRepeatRun > longestRepeat) longestRepeat = ff.longestRepeatRun;
        crossing += ff.runsCrossingRows;
    }
    if (counted > 0) {
        printf("\npacked records    %u .. %u bytes, %llu in all\n", packedMin, packedMax,
               (unsigned long long)packedTotal);
        printf("decoded streams   %u .. %u bytes, %llu in all\n", decodedMin, decodedMax,
               (unsigned long long)decodedTotal);
        printf("word runs         literal up to %d words, repeat up to %d, %d crossing a row\n",
               longestLiteral, longestRepeat, crossing);
        if (counted < frames) printf("frames checked    %d of %d\n", counted, frames);
    }
    if (!valid) return;
    printf("records end at    %u (%s)\n", f.endOffset,
           f.endOffset == f.size ? "the end of the container"
                                 : "bytes follow the last record");
    uint64_t total = 0;
    int32_t used = 0;
    for (int i = 0; i < kLightLevels; i++) {
        total += f.levelHistogram[i];
        if (f.levelHistogram[i]) used++;
    }
    printf("largest offset    %d columns, %d rows\n", f.maxColumnOffset, f.maxRowOffset);
    printf("words with bits 5-7 set: %llu\n", (unsigned long long)f.wordsWithHighBits);
    printf("light levels      %d of %d used; level 0 in %.1f%% of all pixels\n", used,
           (int)kLightLevels, total ? 100.0 * (double)f.levelHistogram[0] / (double)total : 0.0);
    for (int i = 0; i < kLightLevels; i++)
        printf("  %2d %9llu%s", i, (unsigned long long)f.levelHistogram[i],
               i % 4 == 3 ? "\n" : "");
}

int Info(int argc, char **argv) {
    if (argc != 3) return UsageError("info", "info takes exactly one file");
    std::vector<uint8_t> data;
    std::string why;
    if (!ReadContainerBytes(argv[2], &data, &why)) return Failure(why);
    if (IsFineContainer(data.data(), (uint32_t)data.size())) return FineInfo(argv[2], data);
    std::unique_ptr<ContainerFacts> facts(new ContainerFacts());
    char violation[256] = "";
    int valid = ValidateContainer(data.data(), (uint32_t)data.size(), facts.get(), violation,
                                  sizeof violation);
    printf("%s\n", argv[2]);
    printf("encoding          classic\n");
    PrintFacts(*facts, valid);
    if (!valid) {
        printf("\nviolation         %s\n", violation);
        fprintf(stderr, "orbtool: %s is not a valid container: %s\n", argv[2], violation);
        return 1;
    }
    printf("\nvalid: no violation\n");
    return 0;
}

// ---- cut -----------------------------------------------------------------

// "0,29,59": frame numbers, each a whole number 0..kMaxFrames-1.
bool ParseFrameList(const std::string &text, std::vector<int32_t> *indices) {
    const char *p = text.c_str();
    while (true) {
        if (*p < '0' || *p > '9') return false;
        char *end = nullptr;
        errno = 0;
        long index = strtol(p, &end, 10);
        if (errno || index >= kMaxFrames) return false;
        indices->push_back((int32_t)index);
        if (*end == '\0') return true;
        if (*end != ',') return false;
        p = end + 1;
    }
}

// A command that takes a container FILE and then its options: the file in
// *input, the options into the fields the table points at. False with the
// refusal in *why when either is missing or wrong.
bool ParseFileCommand(const std::vector<ToolOption> &table, const char *command,
                      const char *needsFile, int argc, char **argv, std::string *input,
                      std::string *why) {
    if (argc < 3 || argv[2][0] == '-') {
        *why = needsFile;
        return false;
    }
    *input = argv[2];
    return ParseToolOptions(table, command, argc, argv, 3, why) != 0;
}

int Cut(int argc, char **argv) {
    CutArgs args;
    std::string input, why;
    if (!ParseFileCommand(CutOptionTable(&args), "cut", "cut needs FILE, --frames and -o OUT",
                          argc, argv, &input, &why))
        return UsageError("cut", why);
    if (args.frames.empty() || args.output.empty())
        return UsageError("cut", "cut needs FILE, --frames and -o OUT");
    std::vector<int32_t> indices;
    if (!ParseFrameList(args.frames, &indices))
        return UsageError("cut", "--frames needs frame numbers 0..126, for example 0,29");
    std::vector<uint8_t> source, container;
    if (!ReadContainerBytes(input, &source, &why)) return Failure(why);
    if (!CutContainer(source, indices, &container, &why)) return Failure(input + ": " + why);
    if (!WriteFileBytes(args.output, container, &why)) return Failure(why);
    printf("%s: %zu bytes, %zu frames cut from %s\n", args.output.c_str(), container.size(),
           indices.size(), input.c_str());
    return 0;
}

// ---- render --------------------------------------------------------------

// A desktop stand-in that shows bending and light well: a teal desktop with
// rows of icons and two overlapping windows full of "text". RGB.
void TestPattern(int32_t w, int32_t h, std::vector<uint8_t> *rgb) {
    rgb->assign((size_t)w * (size_t)h * 3, 0);
    auto put = [&](int32_t x, int32_t y, int r, int g, int b) {
        uint8_t *p = &(*rgb)[((size_t)y * (size_t)w + (size_t)x) * 3];
        p[0] = (uint8_t)r;
        p[1] = (uint8_t)g;
        p[2] = (uint8_t)b;
    };
    struct Window {
        int32_t left, top, right, bottom;
        int titleR, titleG, titleB;
    } windows[] = {{w * 60 / 640, h * 50 / 480, w * 350 / 640, h * 262 / 480, 0, 0, 168},
                   {w * 300 / 640, h * 236 / 480, w * 610 / 640, h * 450 / 480, 128, 0, 0}};
    for (int32_t y = 0; y < h; y++)
        for (int32_t x = 0; x < w; x++) {
            put(x, y, 0, 128 + (y * 40) / h, 128 + (x * 40) / w);
            // Icons down the left edge, in four colours.
            if (x % 64 >= 16 && x % 64 < 48 && y % 64 >= 12 && y % 64 < 44 && x < w / 8) {
                int k = (y / 64) % 4;
                put(x, y, k == 0 ? 255 : 40, k == 1 ? 220 : 60, k == 2 ? 255 : 50 + 60 * k);
            }
            for (const Window &win : windows) {
                if (x < win.left || x >= win.right || y < win.top || y >= win.bottom) continue;
                bool frame = x < win.left + 3 || x >= win.right - 3 || y >= win.bottom - 3;
                int32_t ty = y - win.top, tx = x - win.left;
                if (frame) {
                    put(x, y, 192, 192, 192);
                } else if (ty < 18) {
                    put(x, y, win.titleR, win.titleG, win.titleB + (tx * 80) / (win.right - win.left));
                } else {
                    put(x, y, 255, 255, 255);
                    // Lines of words: dark dashes, a line every 12 pixels.
                    int32_t line = (ty - 24) / 12, word = (tx + line * 17) / 23;
                    bool ink = ty >= 24 && (ty - 24) % 12 < 3 && tx > 8 &&
                               tx < win.right - win.left - 12 && (word * 7 + line) % 5 != 4 &&
                               (tx + line * 17) % 23 > 4;
                    if (ink) put(x, y, 20, 20, line % 4 == 0 ? 170 : 20);
                }
            }
        }
}

void RgbToBgr(std::vector<uint8_t> *pixels) {
    for (size_t i = 0; i + 2 < pixels->size(); i += 3) std::swap((*pixels)[i], (*pixels)[i + 2]);
}

// Where OUT's extension starts (after its last '/'), or npos.
size_t ExtensionAt(const std::string &out) {
    size_t dot = out.rfind('.');
    size_t slash = out.rfind('/');
    bool none = dot == std::string::npos || (slash != std::string::npos && dot < slash);
    return none ? std::string::npos : dot;
}

// The contact sheet is a PNG: a name without an extension says so.
std::string SheetFileName(const std::string &out) {
    return ExtensionAt(out) == std::string::npos ? out + ".png" : out;
}

std::string ScreenFileName(const std::string &sheet) {
    size_t dot = ExtensionAt(sheet);
    return sheet.substr(0, dot) + "-screen" + sheet.substr(dot);
}

// Start the engine on the offscreen edge over `screen` (BGR).
bool StartEngine(const std::vector<uint8_t> &container, std::vector<uint8_t> *screen, int32_t w,
                 int32_t h, int32_t dim) {
    EngineReset();
    OffscreenReset();
    gEngineOptions.containerFileName = nullptr;  // exactly the bytes we checked
    gEngineOptions.dimOverride = dim;
    gOffscreen.screen = screen->data();
    gOffscreen.width = w;
    gOffscreen.height = h;
    gOffscreen.builtin = container.data();
    gOffscreen.builtinSize = (uint32_t)container.size();
    gOffscreen.clockSeconds = 1;
    EngineSetup(nullptr);
    return !gEngine.inert;
}

// Every frame in turn, rendered at the middle of the screen, in a grid.
// What the contact sheet needs of a container of either encoding.
struct SheetFacts {
    int32_t width, height, frameCount;
};

void ContactSheet(const SheetFacts &f, int32_t screenW, int32_t screenH,
                  std::vector<uint8_t> *sheet, int32_t *sheetW, int32_t *sheetH) {
    const int32_t gap = 4;
    int32_t columns = f.frameCount < 10 ? f.frameCount : 10;
    int32_t rows = (f.frameCount + columns - 1) / columns;
    *sheetW = columns * (f.width + gap) + gap;
    *sheetH = rows * (f.height + gap) + gap;
    sheet->assign((size_t)*sheetW * (size_t)*sheetH * 3, 32);
    gEngine.spriteX = (screenW - f.width) / 2;
    gEngine.spriteY = (screenH - f.height) / 2;
    for (int32_t i = 0; i < f.frameCount; i++) {
        // A fine frame writes only the pixels it changes: read it back from
        // the screen, as a tick shows it.
        if (gEngine.fine) SaveUnderSprite();
        RenderFrame(i);
        if (gEngine.fine) {
            PasteComposite();
            for (int32_t y = 0; y < f.height; y++)
                memcpy(gEngine.compositeBuffer + (size_t)y * (size_t)f.width * 3,
                       gEngine.background +
                           ((size_t)(gEngine.spriteY + y) * (size_t)screenW + (size_t)gEngine.spriteX) * 3,
                       (size_t)f.width * 3);
            RestoreUnderSprite();
        }
        int32_t left = gap + (i % columns) * (f.width + gap);
        int32_t top = gap + (i / columns) * (f.height + gap);
        for (int32_t y = 0; y < f.height; y++) {
            const uint8_t *from = gEngine.compositeBuffer + (size_t)y * (size_t)f.width * 3;
            uint8_t *to = &(*sheet)[((size_t)(top + y) * (size_t)*sheetW + (size_t)left) * 3];
            for (int32_t x = 0; x < f.width; x++) {  // BGR to RGB
                to[3 * x + 0] = from[3 * x + 2];
                to[3 * x + 1] = from[3 * x + 1];
                to[3 * x + 2] = from[3 * x + 0];
            }
        }
    }
}

// Checks a container of either encoding and says what the sheet needs.
bool CheckForRender(const std::vector<uint8_t> &container, SheetFacts *sheet, std::string *why) {
    char violation[256] = "";
    const uint8_t *data = container.data();
    const uint32_t size = (uint32_t)container.size();
    if (IsFineContainer(data, size)) {
        FineFacts f;
        if (!DecodeFineContainer(data, size, nullptr, &f, violation, sizeof violation)) {
            *why = std::string(" is not a valid container: ") + violation;
            return false;
        }
        *sheet = SheetFacts{f.width, f.height, f.frameCount};
    } else {
        std::unique_ptr<ContainerFacts> f(new ContainerFacts());
        if (!ValidateContainer(data, size, f.get(), violation, sizeof violation)) {
            *why = std::string(" is not a valid container: ") + violation;
            return false;
        }
        *sheet = SheetFacts{f->width, f->height, f->frameCount};
    }
    if (sheet->frameCount < 1) {
        *why = " holds no frame to render";
        return false;
    }
    return true;
}

int Render(int argc, char **argv) {
    RenderArgs args;
    std::string input, why;
    if (!ParseFileCommand(RenderOptionTable(&args), "render", "render needs a container file",
                          argc, argv, &input, &why))
        return UsageError("render", why);
    if (args.output.empty()) return UsageError("render", "render needs -o OUT");
    const std::string &background = args.background, output = SheetFileName(args.output);
    const int32_t dim = args.dim, ticks = args.ticks;

    std::vector<uint8_t> container;
    if (!ReadContainerBytes(input, &container, &why)) return Failure(why);
    std::unique_ptr<SheetFacts> facts(new SheetFacts());
    if (!CheckForRender(container, facts.get(), &why)) return Failure(input + why);

    std::vector<uint8_t> screen;
    int32_t w = 640, h = 480;
    if (background.empty()) {
        TestPattern(w, h, &screen);
    } else if (!ReadPngRgb(background, &screen, &w, &h, &why)) {
        return Failure(why);
    }
    if (!EngineFitsWindow(w, h, facts->width, facts->height))
        return Failure("the background (" + std::to_string(w) + " x " + std::to_string(h) +
                       ") is too small for " + std::to_string(facts->width) + " x " +
                       std::to_string(facts->height) + " frames");
    RgbToBgr(&screen);
    std::vector<uint8_t> original = screen;

    if (!StartEngine(container, &screen, w, h, dim)) return Failure("the engine did not start");
    std::vector<uint8_t> sheet;
    int32_t sheetW = 0, sheetH = 0;
    ContactSheet(*facts, w, h, &sheet, &sheetW, &sheetH);
    EngineTeardown(nullptr);
    if (!WritePngRgb(output, sheet, sheetW, sheetH, &why)) return Failure(why);

    screen = original;
    if (!StartEngine(container, &screen, w, h, dim)) return Failure("the engine did not start");
    for (int32_t t = 0; t < ticks; t++) EngineTick(nullptr);
    EngineTeardown(nullptr);
    RgbToBgr(&screen);
    std::string screenFile = ScreenFileName(output);
    if (!WritePngRgb(screenFile, screen, w, h, &why)) return Failure(why);
    printf("%s: contact sheet of %d frames\n%s: the screen after %d ticks\n", output.c_str(),
           facts->frameCount, screenFile.c_str(), ticks);
    return 0;
}

// --help or -h anywhere after the command.
bool HelpAsked(int argc, char **argv) {
    for (int i = 2; i < argc; i++)
        if (!strcmp(argv[i], "--help") || !strcmp(argv[i], "-h")) return true;
    return false;
}

}  // namespace

int main(int argc, char **argv) {
    if (argc < 2) return UsageError(nullptr, "no command given");
    std::string command = argv[1];
    const CommandHelp *help = FindCommand(argc > 2 && command == "help" ? argv[2] : command);
    if (help && (HelpAsked(argc, argv) || command == "help")) {
        fputs(Usage(*help).c_str(), stdout);
        return 0;
    }
    if (command == "-h" || command == "--help" || command == "help") {
        fputs(Usage().c_str(), stdout);
        return 0;
    }
    if (command == "--version") {
        printf("orbtool %s\n", ORB_VERSION);
        return 0;
    }
    if (command == "bake") return Bake(argc, argv);
    if (command == "info") return Info(argc, argv);
    if (command == "render") return Render(argc, argv);
    if (command == "cut") return Cut(argc, argv);
    return UsageError(nullptr, "unknown command '" + command + "'");
}
