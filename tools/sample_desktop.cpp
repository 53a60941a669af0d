// sample_desktop -- draws a desktop-like picture for previews of the saver:
// a landscape wallpaper, a column of icons, two windows with title bars and
// lines of prose in a small smoothed font, one showing a photo, and a task bar.
// Everything is drawn here, so the pictures in docs/ can be made again on any
// machine.
//
//   sample_desktop light|dark WIDTHxHEIGHT OUT.png
//
// Exit status: 0 written, 1 cannot write, 2 a usage error.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "png_io.h"

namespace {

struct Rgb {
    double r, g, b;
};

Rgb Mix(Rgb a, Rgb b, double t) {
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

struct Theme {
    Rgb skyTop, skyHorizon, sun, hillNear, hillFar, water;
    Rgb windowBody, ink, titleBar, titleInk, frame, taskBar;
};

const Theme kLight = {{70, 130, 210},  {250, 205, 150}, {255, 245, 210}, {40, 90, 60},
                      {110, 140, 150}, {60, 110, 170},  {250, 250, 248}, {30, 30, 40},
                      {215, 220, 230}, {40, 40, 60},    {170, 175, 190}, {225, 228, 235}};
const Theme kDark = {{8, 10, 30},    {90, 40, 90},   {240, 230, 200}, {10, 14, 20},
                     {40, 35, 70},   {20, 25, 60},   {38, 40, 48},    {205, 210, 220},
                     {55, 58, 70},   {230, 230, 240}, {80, 84, 100},  {28, 30, 38}};

class Canvas {
  public:
    Canvas(int32_t w, int32_t h) : w_(w), h_(h), rgb_((size_t)w * (size_t)h * 3, 0) {}
    void Put(int32_t x, int32_t y, Rgb c) {
        if (x < 0 || y < 0 || x >= w_ || y >= h_) return;
        uint8_t *p = &rgb_[((size_t)y * (size_t)w_ + (size_t)x) * 3];
        p[0] = Byte(c.r), p[1] = Byte(c.g), p[2] = Byte(c.b);
    }
    // Mix c into the pixel by t, 0..1.
    void Blend(int32_t x, int32_t y, Rgb c, double t) {
        if (x < 0 || y < 0 || x >= w_ || y >= h_) return;
        const uint8_t *p = &rgb_[((size_t)y * (size_t)w_ + (size_t)x) * 3];
        Put(x, y, Mix({(double)p[0], (double)p[1], (double)p[2]}, c, t));
    }
    void Fill(int32_t x0, int32_t y0, int32_t x1, int32_t y1, Rgb c) {
        for (int32_t y = y0; y < y1; y++)
            for (int32_t x = x0; x < x1; x++) Put(x, y, c);
    }
    int32_t w_, h_;
    std::vector<uint8_t> rgb_;

  private:
    static uint8_t Byte(double v) { return (uint8_t)(v < 0 ? 0 : v > 255 ? 255 : v + 0.5); }
};

// Sky, sun, two ranges of hills and a lake that mirrors them.
void Wallpaper(Canvas &c, const Theme &t) {
    int32_t horizon = c.h_ * 62 / 100;
    double sunX = c.w_ * 0.7, sunY = c.h_ * 0.45, sunR = c.h_ * 0.06;
    for (int32_t y = 0; y < c.h_; y++)
        for (int32_t x = 0; x < c.w_; x++) {
            int32_t my = y < horizon ? y : 2 * horizon - y;  // the lake mirrors
            double fy = (double)my / horizon;
            Rgb col = Mix(t.skyTop, t.skyHorizon, fy * fy);
            double d = std::hypot(x - sunX, my - sunY);
            col = Mix(col, t.sun, d < sunR ? 1.0 : std::exp(-(d - sunR) / (sunR * 1.5)) * 0.6);
            double far = horizon - c.h_ * (0.10 + 0.05 * std::sin(x * 0.011) + 0.03 * std::sin(x * 0.037));
            double near = horizon - c.h_ * (0.04 + 0.06 * std::sin(x * 0.006 + 1.0) * std::sin(x * 0.006 + 1.0));
            if (my > far) col = Mix(t.hillFar, col, 0.15);
            if (my > near) col = Mix(t.hillNear, t.hillFar, (horizon - my) / (c.h_ * 0.2));
            if (y >= horizon) col = Mix(col, t.water, 0.45 + 0.1 * std::sin(y * 0.9));
            c.Put(x, y, col);
        }
}

// Lowercase letters, 5 dots wide and 9 high: two rows of ascender, five
// of body, two of descender, so text seen upside down looks it.
const uint8_t kGlyphs[26][9] = {
    {0x00, 0x00, 0x0e, 0x01, 0x0f, 0x11, 0x0f, 0x00, 0x00},  // a
    {0x10, 0x10, 0x1e, 0x11, 0x11, 0x11, 0x1e, 0x00, 0x00},  // b
    {0x00, 0x00, 0x0f, 0x10, 0x10, 0x10, 0x0f, 0x00, 0x00},  // c
    {0x01, 0x01, 0x0f, 0x11, 0x11, 0x11, 0x0f, 0x00, 0x00},  // d
    {0x00, 0x00, 0x0e, 0x11, 0x1f, 0x10, 0x0e, 0x00, 0x00},  // e
    {0x06, 0x08, 0x1e, 0x08, 0x08, 0x08, 0x08, 0x00, 0x00},  // f
    {0x00, 0x00, 0x0f, 0x11, 0x11, 0x11, 0x0f, 0x01, 0x0e},  // g
    {0x10, 0x10, 0x1e, 0x11, 0x11, 0x11, 0x11, 0x00, 0x00},  // h
    {0x04, 0x00, 0x0c, 0x04, 0x04, 0x04, 0x0e, 0x00, 0x00},  // i
    {0x02, 0x00, 0x06, 0x02, 0x02, 0x02, 0x02, 0x12, 0x0c},  // j
    {0x10, 0x10, 0x12, 0x14, 0x18, 0x14, 0x12, 0x00, 0x00},  // k
    {0x0c, 0x04, 0x04, 0x04, 0x04, 0x04, 0x0e, 0x00, 0x00},  // l
    {0x00, 0x00, 0x1a, 0x15, 0x15, 0x15, 0x15, 0x00, 0x00},  // m
    {0x00, 0x00, 0x1e, 0x11, 0x11, 0x11, 0x11, 0x00, 0x00},  // n
    {0x00, 0x00, 0x0e, 0x11, 0x11, 0x11, 0x0e, 0x00, 0x00},  // o
    {0x00, 0x00, 0x1e, 0x11, 0x11, 0x11, 0x1e, 0x10, 0x10},  // p
    {0x00, 0x00, 0x0f, 0x11, 0x11, 0x11, 0x0f, 0x01, 0x01},  // q
    {0x00, 0x00, 0x16, 0x19, 0x10, 0x10, 0x10, 0x00, 0x00},  // r
    {0x00, 0x00, 0x0f, 0x10, 0x0e, 0x01, 0x1e, 0x00, 0x00},  // s
    {0x08, 0x08, 0x1e, 0x08, 0x08, 0x09, 0x06, 0x00, 0x00},  // t
    {0x00, 0x00, 0x11, 0x11, 0x11, 0x11, 0x0f, 0x00, 0x00},  // u
    {0x00, 0x00, 0x11, 0x11, 0x11, 0x0a, 0x04, 0x00, 0x00},  // v
    {0x00, 0x00, 0x11, 0x15, 0x15, 0x15, 0x0a, 0x00, 0x00},  // w
    {0x00, 0x00, 0x11, 0x0a, 0x04, 0x0a, 0x11, 0x00, 0x00},  // x
    {0x00, 0x00, 0x11, 0x11, 0x11, 0x11, 0x0f, 0x01, 0x0e},  // y
    {0x00, 0x00, 0x1f, 0x02, 0x04, 0x08, 0x1f, 0x00, 0x00},  // z
};
const int32_t kGlyphRows = 9, kGlyphWidth = 5, kAdvance = 6;

constexpr char kProse[] =
    "the quick brown fox jumps over the lazy dog while the kettle sings in the kitchen "
    "and the morning light falls through the window onto a desk full of letters maps and "
    "half finished drawings of ships birds and bridges we will meet at the harbour by "
    "twelve bring the blue folder the keys and something warm to drink if the weather "
    "holds we may sail to the island and be back before the lights come on ";

// The font has lowercase letters only, and words wrap at spaces.
constexpr bool LettersAndSpaces(const char *text) {
    for (; *text; text++)
        if (*text != ' ' && (*text < 'a' || *text > 'z')) return false;
    return true;
}
static_assert(LettersAndSpaces(kProse) && sizeof kProse > 1 && kProse[sizeof kProse - 2] == ' ',
              "the prose must be lowercase words, each followed by a space");

// Text is drawn as a desktop draws it, smoothed: the font's dots are the
// joints of pen strokes, scaled up by kScale, and a pixel takes as much ink
// as the pen of width kPen covers of it. (Hard-edged dots, magnified by the
// ball, showed as blocks that no real desktop has.)
const double kScale = 1.3, kPen = 1.3;

struct Stroke {
    double ax, ay, bx, by;
};

bool GlyphDot(const uint8_t *glyph, int32_t row, int32_t col) {
    if (row < 0 || row >= kGlyphRows || col < 0 || col >= kGlyphWidth) return false;
    return glyph[row] >> (kGlyphWidth - 1 - col) & 1;
}

// The strokes of a glyph whose top left lies at (x, top): every dot, and a
// line to each neighbouring dot below or beside it; a corner-to-corner line
// only where no square path joins the two, so corners stay square.
void GlyphStrokes(const uint8_t *glyph, double x, double top, std::vector<Stroke> *strokes) {
    const int32_t kNext[4][2] = {{0, 1}, {1, 0}, {1, 1}, {1, -1}};  // row, column
    strokes->clear();
    for (int32_t row = 0; row < kGlyphRows; row++)
        for (int32_t col = 0; col < kGlyphWidth; col++) {
            if (!GlyphDot(glyph, row, col)) continue;
            double ax = x + (col + 0.5) * kScale, ay = top + (row + 0.5) * kScale;
            strokes->push_back({ax, ay, ax, ay});
            for (const auto &n : kNext) {
                int32_t r = row + n[0], k = col + n[1];
                if (!GlyphDot(glyph, r, k)) continue;
                if (n[0] && n[1] && (GlyphDot(glyph, row, k) || GlyphDot(glyph, r, col))) continue;
                strokes->push_back({ax, ay, x + (k + 0.5) * kScale, top + (r + 0.5) * kScale});
            }
        }
}

double DistanceToStroke(double px, double py, const Stroke &s) {
    double dx = s.bx - s.ax, dy = s.by - s.ay, length2 = dx * dx + dy * dy;
    double t = length2 > 0 ? ((px - s.ax) * dx + (py - s.ay) * dy) / length2 : 0;
    t = t < 0 ? 0 : t > 1 ? 1 : t;
    return std::hypot(px - s.ax - t * dx, py - s.ay - t * dy);
}

// How much of pixel (px, py) the pen covers on its way along the strokes,
// 0..1: the pen's share of a pixel-wide box round the nearest stroke.
double PenCover(int32_t px, int32_t py, const std::vector<Stroke> &strokes) {
    double d = 1e9;
    for (const Stroke &s : strokes) d = std::fmin(d, DistanceToStroke(px + 0.5, py + 0.5, s));
    double cover = kPen / 2 + 0.5 - d;
    return cover < 0 ? 0 : cover > 1 ? 1 : cover;
}

// One letter with the top of its body at y (its ascender above).
void Letter(Canvas &c, double x, int32_t y, char letter, Rgb ink) {
    static std::vector<Stroke> strokes;
    double top = y - 2 * kScale;
    GlyphStrokes(kGlyphs[letter - 'a'], x, top, &strokes);
    int32_t x0 = (int32_t)std::floor(x) - 1, x1 = (int32_t)std::ceil(x + kGlyphWidth * kScale) + 1;
    int32_t y0 = (int32_t)std::floor(top) - 1, y1 = (int32_t)std::ceil(top + kGlyphRows * kScale) + 1;
    for (int32_t py = y0; py <= y1; py++)
        for (int32_t px = x0; px <= x1; px++) {
            double cover = PenCover(px, py, strokes);
            if (cover > 0) c.Blend(px, py, ink, cover);
        }
}

// A line of prose from the text above, starting some words in by `seed`,
// cut at a word's end before x1. y is the top of the letters' body.
void TextLine(Canvas &c, int32_t x0, int32_t x1, int32_t y, Rgb ink, int32_t seed) {
    const int32_t length = (int32_t)sizeof kProse - 1;
    const double advance = kAdvance * kScale;
    int32_t at = 0;
    for (int32_t words = 0; words < seed * 7 % 53; at++)
        if (kProse[at % length] == ' ') words++;
    for (double x = x0;; at++, x += advance) {  // past the space
        int32_t end = at;
        while (kProse[end % length] != ' ') end++;
        if (x + (end - at) * advance > x1) return;
        for (; at < end; at++, x += advance) Letter(c, x, y, kProse[at % length], ink);
    }
}

void Window(Canvas &c, const Theme &t, int32_t x0, int32_t y0, int32_t x1, int32_t y1, Rgb accent,
            bool photo) {
    c.Fill(x0 - 2, y0 - 2, x1 + 2, y1 + 2, t.frame);
    c.Fill(x0, y0, x1, y0 + 26, t.titleBar);
    c.Fill(x0 + 8, y0 + 7, x0 + 20, y0 + 19, accent);
    TextLine(c, x0 + 28, x0 + (x1 - x0) / 2, y0 + 10, t.titleInk, 3);
    Rgb dots[3] = {{230, 80, 70}, {240, 190, 60}, {90, 190, 90}};
    for (int i = 0; i < 3; i++) c.Fill(x1 - 18 - 16 * i, y0 + 8, x1 - 8 - 16 * i, y0 + 18, dots[i]);
    c.Fill(x0, y0 + 26, x1, y1, t.windowBody);
    int32_t textRight = photo ? x0 + (x1 - x0) * 55 / 100 : x1 - 16;
    for (int32_t line = 0, y = y0 + 44; y + 8 < y1 - 10; line++, y += 18) {
        Rgb ink = line % 5 == 0 ? accent : t.ink;
        TextLine(c, x0 + 16, line % 5 == 4 ? (x0 + textRight) / 2 : textRight, y, ink, line);
    }
    if (!photo) return;
    // A photo: a warm sunset over a sea, with a dark island.
    int32_t px0 = textRight + 14, py0 = y0 + 44, px1 = x1 - 16, py1 = y1 - 16;
    for (int32_t y = py0; y < py1; y++)
        for (int32_t x = px0; x < px1; x++) {
            double fy = (double)(y - py0) / (py1 - py0), fx = (double)(x - px0) / (px1 - px0);
            Rgb col = fy < 0.6 ? Mix({255, 120, 60}, {255, 220, 120}, fy / 0.6)
                               : Mix({30, 80, 140}, {10, 30, 70}, (fy - 0.6) / 0.4);
            if (std::hypot(fx - 0.3, fy - 0.55) < 0.12 && fy < 0.6) col = {255, 250, 220};
            if (fy > 0.45 && fy < 0.62 && std::fabs(fx - 0.72) < 0.25 - (fy - 0.45) * 0.0)
                if (fy > 0.6 - 0.15 * std::sin((fx - 0.47) * 6.28)) col = {25, 30, 25};
            c.Put(x, y, col);
        }
}

// Icons down the left edge: a coloured tile with a white glyph and a label.
void Icons(Canvas &c, const Theme &t) {
    Rgb tiles[5] = {{66, 133, 244}, {219, 68, 55}, {244, 180, 0}, {15, 157, 88}, {150, 80, 200}};
    for (int i = 0; i < 5; i++) {
        int32_t x = 28, y = 24 + i * 92;
        if (y + 80 > c.h_ - 40) break;
        c.Fill(x, y, x + 52, y + 52, tiles[i]);
        c.Fill(x + 14, y + 14, x + 38, y + 20, {255, 255, 255});
        c.Fill(x + 14, y + 24, x + 38, y + 28, {255, 255, 255});
        c.Fill(x + 14, y + 32, x + 30, y + 36, {255, 255, 255});
        Rgb label = t.taskBar.r > 128 ? Rgb{255, 255, 255} : Rgb{220, 220, 230};
        TextLine(c, x - 4, x + 56, y + 62, label, i);
    }
}

void TaskBar(Canvas &c, const Theme &t) {
    c.Fill(0, c.h_ - 36, c.w_, c.h_, t.taskBar);
    Rgb tiles[4] = {{66, 133, 244}, {219, 68, 55}, {244, 180, 0}, {15, 157, 88}};
    for (int i = 0; i < 4; i++)
        c.Fill(12 + i * 40, c.h_ - 28, 40 + i * 40, c.h_ - 8, tiles[i]);
    TextLine(c, c.w_ - 90, c.w_ - 20, c.h_ - 22, t.titleInk, 2);
}

}  // namespace

int main(int argc, char **argv) {
    int32_t w = 0, h = 0;
    if (argc != 4 || (strcmp(argv[1], "light") && strcmp(argv[1], "dark")) ||
        sscanf(argv[2], "%dx%d", &w, &h) != 2 || w < 320 || h < 240 || w > 8192 || h > 8192) {
        fprintf(stderr, "usage: sample_desktop light|dark WIDTHxHEIGHT OUT.png (at least 320x240)\n");
        return 2;
    }
    const Theme &t = strcmp(argv[1], "light") == 0 ? kLight : kDark;
    Canvas c(w, h);
    Wallpaper(c, t);
    Icons(c, t);
    Window(c, t, w * 16 / 100, h * 8 / 100, w * 58 / 100, h * 55 / 100, {40, 110, 220}, false);
    Window(c, t, w * 42 / 100, h * 36 / 100, w * 92 / 100, h * 86 / 100, {200, 60, 60}, true);
    TaskBar(c, t);
    std::string why;
    if (!WritePngRgb(argv[3], c.rgb_, w, h, &why)) {
        fprintf(stderr, "sample_desktop: %s\n", why.c_str());
        return 1;
    }
    return 0;
}
