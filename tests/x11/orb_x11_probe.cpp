// orb_x11_probe: puts known pictures on an X server and checks what `orb`
// left there, for the Xvfb end-to-end tests (tests/x11/run_case.sh).
//
//   paint PATTERN                       the root window shows PATTERN
//   paint-wallpaper PATTERN             the same, set as desktops set their
//                                       wallpaper: the pixmap outlives us and
//                                       the root names it (_XROOTPMAP_ID);
//                                       "gone" names a freed pixmap instead
//   paint-ppm FILE                      the root window shows a binary PPM (P6)
//                                       picture, top-left aligned (scripts/run.sh)
//   hold-window X Y W H PATTERN [SHOT]  a window showing PATTERN; prints its id,
//                                       lives until stdin closes. With SHOT it
//                                       carries a saved desktop picture as
//                                       XScreenSaver's daemon leaves one:
//                                       PATTERN (the whole screen, as older
//                                       daemons save it), own:PATTERN (the
//                                       window's size, at the window's place),
//                                       depth1 (a 1-bit pixmap) or gone (a
//                                       pixmap freed at once)
//   check [options]                     reads the root window back and compares
//       --pattern P --dim D             what the root shows, dimmed by D percent
//       --window X Y W H P              orb drew into this window only, which
//                                       showed P ("root": the root's picture;
//                                       "screen:Q": Q at screen coordinates)
//       --lib FILE --seed S --ticks N   where the ball must be after N ticks
//       --no-ball                       the ball must not show at all
//       --ball-anywhere                 with --lib, no --seed: the ball is at a
//                                       place the test cannot know; whatever
//                                       differs must fit in one frame rectangle
//       --region X Y W H                with --ball-anywhere, repeatable: each
//                                       region (a monitor) plays a ball of its
//                                       own, and only the regions are checked;
//                                       prints "ball K X Y" for each
//       --png FILE                      write what was read as a PNG
//       --crop FILE                     write the ball rectangle's pixels (raw BGR)
//       --smooth R                      the ball of radius R must show noise
//                                       smoothly (smoothness.h: < 3 %, <= 0.6)
//   same-crop FILE1 FILE2               two ball crops must be identical
//
// Patterns: "gradient" (red = x, green = y, blue = x + 2y, each mod 256; every
// byte value occurs), "noise" (every byte a hash of its place) and
// "solid:RRGGBB". Exit status 0 when the check holds;
// otherwise the first few differences go to stderr.
//
// The ball's position is computed here from the seed with the generator and
// the placement and bounce rules the engine follows, written out again on
// purpose: the test must not ask the program under test where it drew.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <png.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "../smoothness.h"

struct Rgb {
    uint8_t r, g, b;
    bool operator==(const Rgb &o) const { return r == o.r && g == o.g && b == o.b; }
};

static int Fail(const char *message) {
    fprintf(stderr, "orb_x11_probe: %s\n", message);
    return 1;
}

// A picture from a file; "ppm" patterns read from it (black outside).
struct PpmPicture {
    int w = 0, h = 0;
    std::vector<Rgb> pixels;
};
static PpmPicture gPpm;

static bool LoadPpm(const char *path) {
    FILE *f = fopen(path, "rb");
    if (!f) return false;
    int maxval = 0;
    bool ok = fscanf(f, "P6 %d %d %d", &gPpm.w, &gPpm.h, &maxval) == 3 && maxval == 255 &&
              gPpm.w > 0 && gPpm.h > 0 && gPpm.w <= 16384 && gPpm.h <= 16384 && fgetc(f) != EOF;
    if (ok) {
        gPpm.pixels.resize((size_t)gPpm.w * gPpm.h);
        ok = fread(gPpm.pixels.data(), 3, gPpm.pixels.size(), f) == gPpm.pixels.size();
    }
    fclose(f);
    return ok;
}

static bool PatternAt(const std::string &pattern, int x, int y, Rgb *out) {
    if (pattern == "ppm") {
        bool inside = x < gPpm.w && y < gPpm.h;
        *out = inside ? gPpm.pixels[(size_t)y * gPpm.w + x] : Rgb{0, 0, 0};
        return true;
    }
    if (pattern == "noise") {
        auto hash = [&](uint32_t c) {
            uint32_t h = (uint32_t)x * 73856093u ^ (uint32_t)y * 19349663u ^ c * 83492791u;
            h ^= h >> 13;
            return (uint8_t)((h * 0x5bd1e995u) >> 15);
        };
        *out = Rgb{hash(0), hash(1), hash(2)};
        return true;
    }
    if (pattern == "gradient") {
        *out = Rgb{(uint8_t)x, (uint8_t)y, (uint8_t)(x + 2 * y)};
        return true;
    }
    unsigned v;
    if (pattern.compare(0, 6, "solid:") == 0 && sscanf(pattern.c_str() + 6, "%6x", &v) == 1) {
        *out = Rgb{(uint8_t)(v >> 16), (uint8_t)(v >> 8), (uint8_t)v};
        return true;
    }
    return false;
}

static bool KnownPattern(const std::string &pattern) {
    Rgb unused;
    return PatternAt(pattern, 0, 0, &unused);
}

// The darkening every pixel outside the ball must show: (b * (d*256/100)) >> 8.
static uint8_t Dim(uint8_t value, int percent) {
    int factor = percent * 256 / 100;
    return (uint8_t)((value * factor) >> 8);
}

static int Shift(unsigned long mask) {
    int s = 0;
    while (mask && !(mask & 1)) mask >>= 1, ++s;
    return s;
}

// Assumes the 8-bit-per-channel TrueColor visual Xvfb -screen WxHx24 has.
static unsigned long ToPixel(Visual *v, Rgb c) {
    return (unsigned long)c.r << Shift(v->red_mask) | (unsigned long)c.g << Shift(v->green_mask) |
           (unsigned long)c.b << Shift(v->blue_mask);
}

static Rgb FromPixel(Visual *v, unsigned long p) {
    return Rgb{(uint8_t)(p >> Shift(v->red_mask)), (uint8_t)(p >> Shift(v->green_mask)),
               (uint8_t)(p >> Shift(v->blue_mask))};
}

// PATTERN as it shows on the screen from (ox, oy) on.
static Pixmap PatternPixmap(Display *d, int w, int h, const std::string &pattern, int ox = 0,
                            int oy = 0) {
    int screen = DefaultScreen(d);
    Visual *visual = DefaultVisual(d, screen);
    Pixmap pixmap = XCreatePixmap(d, RootWindow(d, screen), (unsigned)w, (unsigned)h,
                                  (unsigned)DefaultDepth(d, screen));
    XImage *image = XCreateImage(d, visual, (unsigned)DefaultDepth(d, screen), ZPixmap, 0, nullptr,
                                 (unsigned)w, (unsigned)h, 32, 0);
    image->data = (char *)malloc((size_t)image->bytes_per_line * (size_t)h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            Rgb c;
            PatternAt(pattern, ox + x, oy + y, &c);
            XPutPixel(image, x, y, ToPixel(visual, c));
        }
    GC gc = XCreateGC(d, pixmap, 0, nullptr);
    XPutImage(d, pixmap, gc, image, 0, 0, 0, 0, (unsigned)w, (unsigned)h);
    XFreeGC(d, gc);
    XDestroyImage(image);
    return pixmap;
}

static void NameWallpaper(Display *d, Pixmap pixmap) {
    for (const char *name : {"_XROOTPMAP_ID", "ESETROOT_PMAP_ID"})
        XChangeProperty(d, DefaultRootWindow(d), XInternAtom(d, name, False), XA_PIXMAP, 32,
                        PropModeReplace, (unsigned char *)&pixmap, 1);
}

static int NameGoneWallpaper(Display *d) {
    Pixmap pixmap = XCreatePixmap(d, DefaultRootWindow(d), 8, 8, DefaultDepth(d, 0));
    NameWallpaper(d, pixmap);
    XFreePixmap(d, pixmap);
    XSync(d, False);
    return 0;
}

static int Paint(Display *d, const std::string &pattern, bool wallpaper = false) {
    if (wallpaper && pattern == "gone") return NameGoneWallpaper(d);
    if (!KnownPattern(pattern)) return Fail("unknown pattern");
    int screen = DefaultScreen(d);
    Window root = RootWindow(d, screen);
    Pixmap pixmap = PatternPixmap(d, DisplayWidth(d, screen), DisplayHeight(d, screen), pattern);
    XSetWindowBackgroundPixmap(d, root, pixmap);
    XClearWindow(d, root);
    // Some servers leave the root unpainted by its background; draw it too.
    GC gc = XCreateGC(d, root, 0, nullptr);
    XCopyArea(d, pixmap, root, gc, 0, 0, (unsigned)DisplayWidth(d, screen),
              (unsigned)DisplayHeight(d, screen), 0, 0);
    XFreeGC(d, gc);
    if (wallpaper) {
        NameWallpaper(d, pixmap);
        XSetCloseDownMode(d, RetainPermanent);
    } else {
        XFreePixmap(d, pixmap);  // the root keeps its background after we go
    }
    XSync(d, False);
    return 0;
}

// The picture a daemon saved, as SHOT names it (see the usage above); a
// window-sized one shows the screen-coordinate pattern at the window's place.
static bool KnownShot(const std::string &shot) {
    return shot == "depth1" || shot == "gone" || KnownPattern(shot) ||
           (shot.compare(0, 4, "own:") == 0 && KnownPattern(shot.substr(4)));
}

static Pixmap SavedShot(Display *d, int x, int y, int w, int h, const std::string &shot) {
    int screen = DefaultScreen(d);
    if (shot == "depth1" || shot == "gone") {
        Pixmap pixmap = XCreatePixmap(d, RootWindow(d, screen), (unsigned)w, (unsigned)h,
                                      shot == "depth1" ? 1 : (unsigned)DefaultDepth(d, screen));
        if (shot == "gone") XFreePixmap(d, pixmap);
        return pixmap;
    }
    if (shot.compare(0, 4, "own:") == 0) return PatternPixmap(d, w, h, shot.substr(4), x, y);
    return PatternPixmap(d, DisplayWidth(d, screen), DisplayHeight(d, screen), shot);
}

static int HoldWindow(Display *d, int x, int y, int w, int h, const std::string &pattern,
                      const std::string &shotPattern) {
    if (!KnownPattern(pattern)) return Fail("unknown pattern");
    if (!shotPattern.empty() && !KnownShot(shotPattern)) return Fail("unknown saved picture");
    int screen = DefaultScreen(d);
    XSetWindowAttributes attributes = {};
    attributes.override_redirect = True;  // exactly where we asked, WM or not
    Pixmap pixmap = PatternPixmap(d, w, h, pattern);
    attributes.background_pixmap = pixmap;
    Window win = XCreateWindow(d, RootWindow(d, screen), x, y, (unsigned)w, (unsigned)h, 0,
                               CopyFromParent, InputOutput, CopyFromParent,
                               CWOverrideRedirect | CWBackPixmap, &attributes);
    if (!shotPattern.empty()) {
        Pixmap shot = SavedShot(d, x, y, w, h, shotPattern);
        Atom property = XInternAtom(d, "_SCREENSAVER_SCREENSHOT", False);
        XChangeProperty(d, win, property, XA_PIXMAP, 32, PropModeReplace, (unsigned char *)&shot,
                        1);
    }
    XSelectInput(d, win, StructureNotifyMask);
    XMapWindow(d, win);
    for (;;) {  // until it shows
        XEvent event;
        XNextEvent(d, &event);
        if (event.type == MapNotify) break;
    }
    GC gc = XCreateGC(d, win, 0, nullptr);
    XCopyArea(d, pixmap, win, gc, 0, 0, (unsigned)w, (unsigned)h, 0, 0);
    XFreeGC(d, gc);
    XSync(d, False);
    printf("0x%lx\n", (unsigned long)win);
    fflush(stdout);
    char buffer[64];
    while (fread(buffer, 1, sizeof buffer, stdin) > 0) {
    }
    return 0;
}

// ---- Where the ball must be ------------------------------------------------

struct Sprite {
    int w, h, mode, frames;
};

static bool ReadSprite(const char *path, Sprite *s) {
    FILE *f = fopen(path, "rb");
    if (!f) return false;
    uint8_t header[72];
    bool ok = fread(header, 1, sizeof header, f) == sizeof header;
    fclose(f);
    if (!ok) return false;
    auto le32 = [&](int at) {
        return (int)((uint32_t)header[at] | (uint32_t)header[at + 1] << 8 |
                     (uint32_t)header[at + 2] << 16 | (uint32_t)header[at + 3] << 24);
    };
    // Orb's fine encoding: its own magic, then the frame's size, mode and
    // count at 56, 60, 64 and 68.
    if (memcmp(header, "OrbFine\x01", 8) == 0) {
        s->w = le32(56);
        s->h = le32(60);
        s->mode = le32(64);
        s->frames = le32(68);
        return true;
    }
    s->w = le32(36 + 4);
    s->h = le32(36 + 8);
    s->mode = (int8_t)header[36 + 12];
    s->frames = (int8_t)header[36 + 13];
    return true;
}

// The rectangle the last drawn frame occupies after `ticks` ticks of the
// bouncing mode in a W x H client area: tick 1 paints and places the ball,
// tick k >= 2 draws a frame and then moves it 2 pixels along each axis.
static bool BallAfterTicks(int W, int H, const Sprite &s, uint32_t seed, long ticks, int *x,
                           int *y) {
    if (s.mode != 1 || ticks < 2) return false;
    uint32_t state = seed;
    auto next = [&]() {
        state = state * 214013u + 2531011u;
        return (int)((state >> 16) & 0x7FFF);
    };
    int spanX = W - s.w, spanY = H - s.h;
    int px = next() % spanX;
    int py = next() % spanY;
    int sx = 2, sy = 2;
    for (long tick = 2; tick < ticks; ++tick) {  // the moves after frames 2..ticks-1
        px += sx, py += sy;
        if (px < 2) px = 2, sx = 2;
        if (py < 2) py = 2, sy = 2;
        if (px > spanX - 2) px = spanX - 3, sx = -2;
        if (py > spanY - 2) py = spanY - 3, sy = -2;
    }
    *x = px;
    *y = py;
    return true;
}

// ---- Reading back and comparing ---------------------------------------------

struct Picture {
    int w = 0, h = 0;
    std::vector<Rgb> pixels;
    Rgb at(int x, int y) const { return pixels[(size_t)y * w + x]; }
};

static bool ReadRoot(Display *d, Picture *s) {
    int screen = DefaultScreen(d);
    s->w = DisplayWidth(d, screen);
    s->h = DisplayHeight(d, screen);
    XImage *image = XGetImage(d, RootWindow(d, screen), 0, 0, (unsigned)s->w, (unsigned)s->h,
                              AllPlanes, ZPixmap);
    if (!image) return false;
    Visual *visual = DefaultVisual(d, screen);
    s->pixels.resize((size_t)s->w * s->h);
    for (int y = 0; y < s->h; ++y)
        for (int x = 0; x < s->w; ++x) s->pixels[(size_t)y * s->w + x] = FromPixel(visual, XGetPixel(image, x, y));
    XDestroyImage(image);
    return true;
}

static bool WritePng(const char *path, const Picture &s) {
    FILE *f = fopen(path, "wb");
    if (!f) return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        fclose(f);
        return false;
    }
    png_init_io(png, f);
    png_set_IHDR(png, info, (png_uint_32)s.w, (png_uint_32)s.h, 8, PNG_COLOR_TYPE_RGB,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < s.h; ++y)
        png_write_row(png, (png_const_bytep)&s.pixels[(size_t)y * s.w]);
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return fclose(f) == 0;
}

struct Box {
    int x, y, w, h;
};

struct CheckArgs {
    std::string pattern = "gradient";
    int dim = 30;
    bool inWindow = false;
    int wx = 0, wy = 0, ww = 0, wh = 0;
    std::string windowPattern;
    const char *lib = nullptr;
    uint32_t seed = 0;
    long ticks = 0;
    bool noBall = false;
    bool ballAnywhere = false;
    std::vector<Box> regions;  // empty: the whole screen
    const char *png = nullptr;
    const char *crop = nullptr;
    double smoothRadius = 0;  // --smooth
};

// A saver that XScreenSaver's daemon starts places the ball from the clock:
// every pixel of a region that differs from the dimmed desktop must lie
// within one frame-sized rectangle, and enough of them must differ to be a
// ball. Prints where that rectangle starts, so a caller can see it move.
static int CheckBallInRegion(const Picture &screen, const CheckArgs &a, const Sprite &sprite,
                             int k, const Box &r) {
    int x0 = r.x + r.w, y0 = r.y + r.h, x1 = -1, y1 = -1;
    long changed = 0;
    for (int y = r.y; y < r.y + r.h; ++y)
        for (int x = r.x; x < r.x + r.w; ++x) {
            Rgb source;
            PatternAt(a.pattern, x, y, &source);
            Rgb expected = {Dim(source.r, a.dim), Dim(source.g, a.dim), Dim(source.b, a.dim)};
            if (screen.at(x, y) == expected) continue;
            ++changed;
            x0 = x < x0 ? x : x0, x1 = x > x1 ? x : x1;
            y0 = y < y0 ? y : y0, y1 = y > y1 ? y : y1;
        }
    long all = (long)r.w * r.h;
    fprintf(stderr,
            "%d x %d at (%d, %d): %ld pixels differ from the desktop dimmed to %d %% "
            "(%.3f %% of it), within (%d, %d)-(%d, %d)\n",
            r.w, r.h, r.x, r.y, changed, a.dim, 100.0 * (double)changed / (double)all, x0, y0, x1,
            y1);
    if (changed * 100 < (long)sprite.w * sprite.h) return Fail("no ball to be seen");
    if (x1 - x0 >= sprite.w || y1 - y0 >= sprite.h)
        return Fail("pixels differ outside one ball rectangle");
    printf("ball %d %d %d\n", k, x0, y0);
    return 0;
}

static int CheckBallAnywhere(const Picture &screen, const CheckArgs &a) {
    Sprite sprite = {};
    if (!a.lib || !ReadSprite(a.lib, &sprite)) return Fail("--lib: cannot read the container");
    std::vector<Box> regions = a.regions;
    if (regions.empty()) regions.push_back(Box{0, 0, screen.w, screen.h});
    int failed = 0;
    for (size_t k = 0; k < regions.size(); ++k) {
        const Box &r = regions[k];
        if (r.x < 0 || r.y < 0 || r.w <= 0 || r.h <= 0 || r.x + r.w > screen.w ||
            r.y + r.h > screen.h)
            return Fail("--region: not inside the screen");
        failed |= CheckBallInRegion(screen, a, sprite, (int)k, r);
    }
    return failed;
}

// How smooth the ball of radius r in the frame at (x0, y0) shows the noise.
static int CheckSmooth(const Picture &screen, const CheckArgs &a, int x0, int y0,
                       const Sprite &sprite, double r) {
    Smoothness s = MeasureSmoothness(
        x0, y0, sprite.w, r,
        [&](int x, int y, uint8_t *c) {
            Rgb got = screen.at(x, y);
            c[0] = got.r, c[1] = got.g, c[2] = got.b;
        },
        [&](int x, int y, uint8_t *c) {
            Rgb desk;
            PatternAt(a.pattern, x, y, &desk);
            c[0] = desk.r, c[1] = desk.g, c[2] = desk.b;
        });
    printf("smoothness: %.2f %% identical neighbours inside 0.8 r, ring spread %.2f of the "
           "desktop's\n", 100 * s.identicalShare, s.ringSpread);
    return s.identicalShare < 0.03 && s.ringSpread <= 0.6 ? 0 : Fail("the ball is not smooth enough");
}

static int Check(Display *d, const CheckArgs &a) {
    Picture screen;
    if (!ReadRoot(d, &screen)) return Fail("cannot read the root window");
    if (a.png && !WritePng(a.png, screen)) return Fail("cannot write the PNG");
    if (a.ballAnywhere) return CheckBallAnywhere(screen, a);
    // The client area orb drew into, in root coordinates.
    int ox = a.inWindow ? a.wx : 0, oy = a.inWindow ? a.wy : 0;
    int W = a.inWindow ? a.ww : screen.w, H = a.inWindow ? a.wh : screen.h;
    const std::string &shown = a.inWindow ? a.windowPattern : a.pattern;
    Sprite sprite = {};
    bool ball = false;
    int bx = 0, by = 0;
    if (!a.noBall) {
        if (!a.lib || !ReadSprite(a.lib, &sprite)) return Fail("--lib: cannot read the container");
        ball = BallAfterTicks(W, H, sprite, a.seed, a.ticks, &bx, &by);
        if (!ball) return Fail("no ball expected from these ticks; use --no-ball");
        fprintf(stderr, "ball expected at (%d, %d) size %d x %d\n", bx, by, sprite.w, sprite.h);
    }
    long wrong = 0, changedInside = 0;
    for (int y = 0; y < screen.h; ++y)
        for (int x = 0; x < screen.w; ++x) {
            bool inClient = x >= ox && x < ox + W && y >= oy && y < oy + H;
            Rgb source, expected;
            if (inClient) {
                // "root": orb's own window, which captured the root under it.
                if (shown == "root") PatternAt(a.pattern, x, y, &source);
                else if (shown.compare(0, 7, "screen:") == 0) PatternAt(shown.substr(7), x, y, &source);
                else PatternAt(shown, x - ox, y - oy, &source);
                expected = Rgb{Dim(source.r, a.dim), Dim(source.g, a.dim), Dim(source.b, a.dim)};
            } else {
                PatternAt(a.pattern, x, y, &expected);  // untouched
            }
            int cx = x - ox - bx, cy = y - oy - by;
            bool inBall = ball && inClient && cx >= 0 && cx < sprite.w && cy >= 0 && cy < sprite.h;
            Rgb got = screen.at(x, y);
            // The paste skips the ball rectangle's bottom-right pixel.
            bool lastPixel = cx == sprite.w - 1 && cy == sprite.h - 1;
            if (inBall && !lastPixel) {
                if (!(got == expected)) ++changedInside;
                continue;
            }
            if (!(got == expected)) {
                if (wrong < 5)
                    fprintf(stderr, "(%d, %d): got %d %d %d, expected %d %d %d%s\n", x, y, got.r,
                            got.g, got.b, expected.r, expected.g, expected.b,
                            inBall ? " (ball's last pixel)" : "");
                ++wrong;
            }
        }
    if (wrong) {
        fprintf(stderr, "%ld pixels outside the ball differ from the expected picture\n", wrong);
        return 1;
    }
    if (ball && changedInside * 100 < (long)sprite.w * sprite.h) {
        fprintf(stderr, "only %ld pixels changed inside the ball rectangle\n", changedInside);
        return 1;
    }
    if (a.crop && ball) {
        FILE *f = fopen(a.crop, "wb");
        if (!f) return Fail("cannot write the crop");
        for (int y = 0; y < sprite.h; ++y)
            for (int x = 0; x < sprite.w; ++x) {
                Rgb c = screen.at(ox + bx + x, oy + by + y);
                fwrite(&c, 3, 1, f);
            }
        fclose(f);
    }
    fprintf(stderr, "ok: %ld pixels changed inside the ball rectangle\n", changedInside);
    if (a.smoothRadius > 0 && ball) return CheckSmooth(screen, a, ox + bx, oy + by, sprite, a.smoothRadius);
    return 0;
}

static std::vector<uint8_t> ReadAll(const char *path) {
    std::vector<uint8_t> bytes;
    FILE *f = fopen(path, "rb");
    if (!f) return bytes;
    int c;
    while ((c = fgetc(f)) != EOF) bytes.push_back((uint8_t)c);
    fclose(f);
    return bytes;
}

static int SameCrop(const char *a, const char *b) {
    std::vector<uint8_t> x = ReadAll(a), y = ReadAll(b);
    if (x.empty() || x != y) return Fail("the two ball crops differ");
    return 0;
}

static bool ParseCheck(int argc, char **argv, CheckArgs *a) {
    for (int i = 2; i < argc; ++i) {
        std::string o = argv[i];
        auto need = [&](int n) { return i + n < argc; };
        if (o == "--pattern" && need(1)) a->pattern = argv[++i];
        else if (o == "--dim" && need(1)) a->dim = atoi(argv[++i]);
        else if (o == "--window" && need(5)) {
            a->inWindow = true;
            a->wx = atoi(argv[++i]), a->wy = atoi(argv[++i]);
            a->ww = atoi(argv[++i]), a->wh = atoi(argv[++i]);
            a->windowPattern = argv[++i];
        } else if (o == "--lib" && need(1)) a->lib = argv[++i];
        else if (o == "--seed" && need(1)) a->seed = (uint32_t)strtoul(argv[++i], nullptr, 10);
        else if (o == "--ticks" && need(1)) a->ticks = atol(argv[++i]);
        else if (o == "--no-ball") a->noBall = true;
        else if (o == "--smooth" && need(1)) a->smoothRadius = atof(argv[++i]);
        else if (o == "--ball-anywhere") a->ballAnywhere = true;
        else if (o == "--region" && need(4)) {
            Box r;
            r.x = atoi(argv[++i]), r.y = atoi(argv[++i]);
            r.w = atoi(argv[++i]), r.h = atoi(argv[++i]);
            a->regions.push_back(r);
        }
        else if (o == "--png" && need(1)) a->png = argv[++i];
        else if (o == "--crop" && need(1)) a->crop = argv[++i];
        else return false;
    }
    return KnownPattern(a->pattern) &&
           (!a->inWindow || a->windowPattern == "root" || KnownPattern(a->windowPattern) ||
            (a->windowPattern.compare(0, 7, "screen:") == 0 &&
             KnownPattern(a->windowPattern.substr(7))));
}

int main(int argc, char **argv) {
    if (argc < 2) return Fail("usage: paint | hold-window | check | same-crop (see the source)");
    std::string command = argv[1];
    if (command == "same-crop" && argc == 4) return SameCrop(argv[2], argv[3]);
    Display *d = XOpenDisplay(nullptr);
    if (!d) return Fail("cannot open the display");
    int result;
    if (command == "paint" && argc == 3) {
        result = Paint(d, argv[2]);
    } else if (command == "paint-wallpaper" && argc == 3) {
        result = Paint(d, argv[2], true);
    } else if (command == "paint-ppm" && argc == 3) {
        result = LoadPpm(argv[2]) ? Paint(d, "ppm") : Fail("cannot read the PPM picture");
    } else if (command == "hold-window" && (argc == 7 || argc == 8)) {
        result = HoldWindow(d, atoi(argv[2]), atoi(argv[3]), atoi(argv[4]), atoi(argv[5]), argv[6],
                            argc == 8 ? argv[7] : "");
    } else if (command == "check") {
        CheckArgs a;
        result = ParseCheck(argc, argv, &a) ? Check(d, a) : Fail("bad check arguments");
    } else {
        result = Fail("unknown command or wrong argument count");
    }
    XCloseDisplay(d);
    return result;
}
