// fine_bake.cpp -- see fine_bake.h.
#include "fine_bake.h"

#include "ball_bake.h"
#include "ball_geometry.h"
#include "container.h"

namespace {

const double kIndex = 1.5;
// The desktop plane, how sideways rays are softened and how far the picture
// reaches: as for the classic ball (ball_bake.cpp), so the two bend alike.
const double kPlaneDistance = 2.3;
const double kSlopeFloor = 0.6;
const double kFieldRadius = 0.95;
// Filter level bias, in halvings: a little more averaging than the footprint
// alone asks for keeps the squeezed rim quiet, and more where the picture is
// squeezed one way only, which fine hatching turns into moire.
const double kLevelBias = 0.3;
const double kSqueezeBias = 0.8;

// Light from the upper left in front (y up), and where it reflects. It is
// low, so the window's image sits halfway out to the rim, tilted and
// squeezed by the curve; higher, it faced the viewer square-on near the
// middle and read as an icon stuck on the glass.
const Vec3 kKeyLight = {-0.45, 0.62, 0.35};
const Vec3 kViewer = {0, 0, 1};
const Vec3 kKey = Normalize(kKeyLight);
const Vec3 kHalf = Normalize(Add(kKey, kViewer));  // the highlight's normal
// The window's axes, across the key light's direction.
const Vec3 kAcrossKey = Normalize(Cross({0, 1, 0}, kKey));
const Vec3 kUpKey = Cross(kKey, kAcrossKey);
// A direction's bearing in the screen's plane (unit length, y up).
struct Bearing {
    double x, y;
};
Bearing OnScreen(Vec3 v) {
    double flat = SquareRoot(v.x * v.x + v.y * v.y);
    return {v.x / flat, v.y / flat};
}
// The glow lies across from the light and the shadow falls away from it;
// the back of the ball shows the window again across from the highlight.
const Bearing kLightOnScreen = OnScreen(kKey), kHalfOnScreen = OnScreen(kHalf);

// Colours are blue, green, red, in 0..255 of added light.
struct Rgb {
    double b, g, r;
};
Rgb Mix(Rgb a, Rgb b, double t) {
    return {a.b + (b.b - a.b) * t, a.g + (b.g - a.g) * t, a.r + (b.r - a.r) * t};
}
Rgb Times(Rgb a, double s) { return {a.b * s, a.g * s, a.r * s}; }
Rgb Plus(Rgb a, Rgb b) { return {a.b + b.b, a.g + b.g, a.r + b.r}; }

// The soft room the glass mirrors: a dim warm floor, a sky that brightens
// upwards, a small bright window up to the left with crisp edges, so its
// image stays a window rather than a glow on the smallest balls. The window
// is the highlight: a hot spot of the light on one of its panes looked
// lopsided, like a second light stuck on. Its sky comes out white over a
// dark desktop too: a grey one there looked dull, painted on.
const Rgb kFloor = {16, 20, 24};
const Rgb kHorizon = {150, 140, 125};
const Rgb kZenith = {235, 215, 190};
const Rgb kWindowLight = {6000, 5880, 5630};
// Its panes across the key light (x right, y up), the light in the upper left one.
const double kWindowLeft = -0.12, kWindowRight = 0.32, kWindowBottom = -0.32, kWindowTop = 0.12;
const double kWindowMidX = (kWindowLeft + kWindowRight) / 2;
const double kWindowMidY = (kWindowBottom + kWindowTop) / 2;
const double kWindowEdge = 0.05, kBarWidth = 0.014;
// The view out of it, bright sky above a darker land: a window of one even
// white read as a sticker.
const double kLandShade = 0.45;
// Thin, light glazing bars: dark full-width ones made the window read as an
// icon stamped on the glass.
const double kBarShade = 0.35;
// The window's image hides most of the desktop behind it: where its darker
// lower panes let a coloured desktop through, they took its colour and read
// as a stain on the highlight.
const double kWindowVeil = 0.8;
// A broad, faint sheen round it.
const Rgb kSheen = {255, 250, 240};
// The window seen again off the back of the ball: a faint sliver along the
// rim across from the highlight (radii: where, how thick, how long).
const Rgb kBackGlint = {90, 88, 84};
const double kBackGlintAt = 0.88, kBackGlintThick = 0.035, kBackGlintLong = 0.16;
// Light gathered by the ball and thrown back from its far side: a soft
// crescent inside the rim across from the light, a little cool, as clear
// glass looks; a warm one read as amber or a dirty tint. Bright enough to
// keep a ball over a dark desktop round (dimmer, it read as a black
// marble); brighter still, it whitens the rim over light desktops.
const Rgb kGlow = {154, 146, 134};
const double kGlowAt = 0.76, kGlowHalfWidth = 0.26;  // its band, radii
// The glass tint: a slight green-blue, red held back most.
const uint8_t kTint[3] = {127, 128, 124};
// A ball lens gathers light: its middle shows the desktop behind a little
// brighter than the dimmed desktop round it (much more read as milky glass);
// towards the rim, where rays leave at a grazing angle and partly reflect
// inside, it darkens to a deep band that frames the clear middle, as thick
// glass looks at its edge (a lighter band read as fog over pages of text).
const double kClearGain = 1.1, kRimGain = 0.35;
const double kRimFrom = 0.70, kRimTo = 0.95;
// The room seen through the rim only in its outer part, where the desktop
// no longer shows: deeper in, it would fog the picture.
const double kRoomThrough = 0.08, kRoomFrom = 0.84;
// How much of the mirrored room the face of the ball leaves out.
const double kFaceVeilCut = 0.6;
// Grazing reflections look back at the desktop behind the ball, not at the
// room: on large balls a whole ring of room light there reads as a drawn
// outline. They keep it on the side of the light, which closes the outline
// over dark desktops; small balls keep it across from the light as well,
// or they melt into dark desktops.
const double kBehindFade = 0.25, kBehindMost = 0.75;

// Shadow and caustic on the desktop, in radii from the ball's centre (x
// right, y down on the screen). The shadow falls away from the light; the
// light the ball focuses lands inside it: a small core a little past the
// rim, where it reads as focused light (against the rim it read as a halo),
// and a fainter skirt reaching back under the ball. Large balls
// cast a lighter, softer shadow closer in: the small balls' read as a sticker
// on them, while on small balls a lighter one left them floating loose.
// Both are wider across the light's way than along it: drawn out along it,
// the light reads as a handle on the smaller balls.
struct ShadowShape {
    double shift, radius, soft, depth;
};
const ShadowShape kSmallShadow = {0.60, 0.80, 0.36, 0.45}, kLargeShadow = {0.50, 0.82, 0.46, 0.34};
struct Lobe {
    double at, along, across, weight;
};
const Lobe kCaustic[2] = {{1.18, 0.13, 0.28, 1.0}, {0.95, 0.30, 0.50, 0.25}};
// The caustic brightens the desktop it falls on and adds no light of its
// own: added light showed over black desktops as a smudge beside the ball,
// and a brighter core as a blob.
const double kCausticGain = 0.6;

double Smoothstep(double from, double to, double v) {
    double t = Clamp01((v - from) / (to - from));
    return t * t * (3.0 - 2.0 * t);
}

Vec3 Refract(Vec3 ray, Vec3 n, double eta) {
    double cosIn = -Dot(n, ray);
    double k = 1.0 - eta * eta * (1.0 - cosIn * cosIn);
    return Normalize(Add(Scale(ray, eta), Scale(n, eta * cosIn - SquareRoot(Positive(k)))));
}

struct Optics {
    double radius, centre;  // pixels; the frame is square
    double reach;           // the field's easing, radii; 0: none
    double large;           // 0 for a ball up to 116 pixels across, 1 from 232 on
    ShadowShape shadow;     // between the small and the large balls' by `large`
};

// Where the ray through (u, v) (radii, y up, inside the ball) lands on the
// desktop plane, radii from the centre.
void Land(double u, double v, double *x, double *y) {
    Vec3 entry = {u, v, SquareRoot(Positive(1.0 - u * u - v * v))};
    Vec3 inside = Refract({0, 0, -1}, entry, 1.0 / kIndex);
    double chord = -2.0 * Dot(entry, inside);
    Vec3 exitPoint = Add(entry, Scale(inside, chord));
    Vec3 out = Refract(inside, Scale(exitPoint, -1.0), kIndex);
    double slope = -out.z;
    double soft = (slope + SquareRoot(slope * slope + kSlopeFloor * kSlopeFloor)) / 2.0;
    double travel = (kPlaneDistance + exitPoint.z) / soft;
    *x = exitPoint.x + travel * out.x;
    *y = exitPoint.y + travel * out.y;
}

// The landing point drawn into the field (ball_bake.cpp's IntoField), in
// frame pixels (x right, y down).
void LandInFrame(const Optics &o, double px, double py, double *fx, double *fy) {
    double u = (px - o.centre) / o.radius, v = (o.centre - py) / o.radius;
    double r2 = u * u + v * v;
    if (r2 > 0.999 * 0.999) {  // the outline's outer part samples just inside it
        double s = 0.999 / SquareRoot(r2);
        u *= s, v *= s;
    }
    double x, y;
    Land(u, v, &x, &y);
    if (o.reach > 0) {
        double scale = 1.0 / SquareRoot(1.0 + (x * x + y * y) / (o.reach * o.reach));
        x *= scale, y *= scale;
    }
    *fx = o.centre + x * o.radius;
    *fy = o.centre - y * o.radius;
}

Optics MakeOptics(const FineBallParams &p, double diameter) {
    Optics o = {diameter / 2.0, p.frameSide / 2.0, 0, Smoothstep(116.0, 232.0, diameter), {}};
    auto blend = [&o](double a, double b) { return a + (b - a) * o.large; };
    o.shadow = {blend(kSmallShadow.shift, kLargeShadow.shift),
                blend(kSmallShadow.radius, kLargeShadow.radius),
                blend(kSmallShadow.soft, kLargeShadow.soft),
                blend(kSmallShadow.depth, kLargeShadow.depth)};
    // The furthest landing point is the rim's; ease it onto the field's edge.
    double x, y;
    Land(0.999, 0, &x, &y);
    double over = SquareRoot(x * x + y * y) / (kFieldRadius * 0.999);
    if (over > 1.0) o.reach = SquareRoot(x * x + y * y) / SquareRoot(over * over - 1.0);
    return o;
}

double Reflectance(double cosine) {
    double f0 = (kIndex - 1.0) / (kIndex + 1.0);
    f0 *= f0;
    return f0 + (1.0 - f0) * Power(1.0 - Clamp01(cosine), 5);
}

// 1 inside [from, to] with edges `soft` wide, 0 outside.
double Between(double from, double to, double soft, double v) {
    return Smoothstep(from - soft, from + soft, v) * (1.0 - Smoothstep(to - soft, to + soft, v));
}

// How much of the reflection in direction `m` shows the desktop behind the
// ball (SurfacePoint passes that desktop through), where `keep` of the
// room's ring stays.
double Behind(Vec3 m, double keep) {
    return (1.0 - keep) * kBehindMost * (1.0 - Smoothstep(-kBehindFade, kBehindFade, m.z));
}

// The room's light by height: y up, -1..1.
Rgb Sky(double y) {
    return y >= 0 ? Mix(kHorizon, kZenith, Smoothstep(0.0, 0.9, y))
                  : Mix(kHorizon, kFloor, Smoothstep(0.0, 0.35, -y));
}

// `skyShare` dims the room but not the window; `behind` is Behind(m, ...).
// `windowShare` gets how much of the window the direction sees.
Rgb Environment(Vec3 m, double skyShare, double behind, double *windowShare) {
    Rgb sky = Times(Sky(m.y), skyShare * (1.0 - behind));
    // The window, measured across the key light's direction: square about
    // the light whatever its height, so its image stays a compact window
    // round the highlight instead of a wedge drawn out towards the rim.
    // Four panes with a cross of glazing bars between them.
    double x = Dot(m, kAcrossKey), y = Dot(m, kUpKey);
    double offX = x - kWindowMidX < 0 ? kWindowMidX - x : x - kWindowMidX;
    double offY = y - kWindowMidY < 0 ? kWindowMidY - y : y - kWindowMidY;
    double bars = (1.0 - kBarShade * (1.0 - Smoothstep(0.0, kBarWidth, offX))) *
                  (1.0 - kBarShade * (1.0 - Smoothstep(0.0, kBarWidth, offY)));
    double land = 1.0 - kLandShade * (1.0 - Smoothstep(kWindowMidY - 0.08, kWindowMidY + 0.02, y));
    double window = land * Between(kWindowLeft, kWindowRight, kWindowEdge, x) *
                    Between(kWindowBottom, kWindowTop, kWindowEdge, y) * bars *
                    Smoothstep(0.3, 0.6, Dot(m, kKey));
    *windowShare = window;
    return Mix(sky, kWindowLight, window);
}

// One point of the ball (unit sphere, y up): the light it adds and the share
// of the desktop behind it that it lets through.
void SurfacePoint(double u, double v, double large, Rgb *light, double *through) {
    Vec3 n = {u, v, SquareRoot(Positive(1.0 - u * u - v * v))};
    double f = Reflectance(n.z);
    Vec3 mirrored = Sub(Scale(n, 2.0 * n.z), kViewer);
    double r = SquareRoot(u * u + v * v);
    // The room mirrored in the face of the ball is held back: over a dark
    // desktop its few per cent read as a milky veil, not as a reflection.
    double face = 1.0 - Smoothstep(0.5, 0.95, r);
    double toward = r > 0 ? (u * kLightOnScreen.x + v * kLightOnScreen.y) / r : 0;
    double lit = Positive(toward);
    double keep = (1.0 - large) * toward * toward + large * lit * lit;
    double behind = Behind(mirrored, keep);
    double window = 0;
    Rgb l = Times(Environment(mirrored, 1.0 - kFaceVeilCut * face, behind, &window), f);
    double toKey = Positive(Dot(n, kHalf));
    l = Plus(l, Times(kSheen, 0.05 * Power(toKey, 80)));
    // The window off the back of the ball, across from the highlight.
    if (r > 0 && u * kHalfOnScreen.x + v * kHalfOnScreen.y < 0) {
        double a = (r - kBackGlintAt) / kBackGlintThick;
        double c = (u * kHalfOnScreen.y - v * kHalfOnScreen.x) / r / kBackGlintLong;
        double q = Positive(1.0 - a * a - c * c);
        l = Plus(l, Times(kBackGlint, q * q));
    }
    // The light gathered by the ball leaves it across from the light.
    if (r > 0) {
        // 1 straight across from the light on the screen, 0 square to it.
        double across = Positive(-toward);
        double band = (r - kGlowAt) / kGlowHalfWidth;
        double q = Positive(1.0 - band * band);
        l = Plus(l, Times(kGlow, across * across * q * q));
    }
    // Fresnel's share lost at the surface (the light that comes out again
    // at the back is mostly the ball's own, gathered), and the lens's gain,
    // clear in the middle, dark towards the rim.
    double rim = Smoothstep(kRimFrom, kRimTo, r);
    *through = ((1.0 - f) * (kClearGain - (kClearGain - kRimGain) * rim) + f * behind) *
               (1.0 - kWindowVeil * window);
    // What the rim shows instead is the room behind the viewer, upside down:
    // bright sky along the bottom, the dark floor along the top.
    if (r > 0) l = Plus(l, Times(Sky(-v / r), kRoomThrough * Smoothstep(kRoomFrom, 1.0, r)));
    *light = l;
}

// The desktop beside the ball: the share of light it keeps in the shadow
// and the caustic.
double Shade(double dx, double dy, const ShadowShape &s) {
    // Away from the light, on the screen (y down).
    const double wx = -kLightOnScreen.x, wy = kLightOnScreen.y;
    double sx = dx - s.shift * wx, sy = dy - s.shift * wy;
    double d = SquareRoot(sx * sx + sy * sy);
    double shadow =
        s.depth * (1.0 - Smoothstep(s.radius - s.soft / 2, s.radius + s.soft / 2, d));
    double along = dx * wx + dy * wy, across = dy * wx - dx * wy;
    double caustic = 0;
    for (const Lobe &lobe : kCaustic) {
        double a = (along - lobe.at) / lobe.along, c = across / lobe.across;
        double q = Clamp01(1.0 - a * a - c * c);
        caustic += lobe.weight * q * q;
    }
    return 1.0 - shadow + kCausticGain * Clamp01(caustic);
}

uint8_t ToByte(double v) {
    int32_t i = RoundToInt(v);
    return (uint8_t)(i < 0 ? 0 : i > 255 ? 255 : i);
}

// The filter level for a footprint of `wide` by `narrow` desktop pixels, in
// 16ths.
uint8_t LevelFor(double wide, double narrow) {
    // 2^(i/16) thresholds by repeated roots, not libm.
    static double step = 0;
    if (step == 0) {
        step = 2.0;
        for (int i = 0; i < 4; i++) step = SquareRoot(step);
    }
    double bias = kLevelBias + kSqueezeBias * (wide > 0 ? 1.0 - narrow / wide : 0);
    double t = wide;
    for (int i = 0; i < (int)(bias * 16 + 0.5); i++) t *= step;
    int32_t level = 0;
    double edge = SquareRoot(step);  // halfway, in ratio, to the next 16th
    while (edge < t && level < kFineMaxLevel * kFineLevelSteps) {
        level++;
        edge *= step;
    }
    return (uint8_t)level;
}

void BakePixel(const Optics &o, int32_t px, int32_t py, FinePixel *out, bool *changed) {
    const double at[4] = {-0.375, -0.125, 0.125, 0.375};
    double cx = px + 0.5, cy = py + 0.5;
    // Light and transmission over 16 points; the outline's share is theirs.
    Rgb light = {0, 0, 0};
    double through = 0;
    int32_t inside = 0;
    for (double dy : at)
        for (double dx : at) {
            double u = (cx + dx - o.centre) / o.radius, v = (o.centre - (cy + dy)) / o.radius;
            if (u * u + v * v >= 1.0) continue;
            Rgb l;
            double t;
            SurfacePoint(u, v, o.large, &l, &t);
            light = Plus(light, l);
            through += t;
            inside++;
        }
    double cover = inside / 16.0;
    double shade = Shade((cx - o.centre) / o.radius, (cy - o.centre) / o.radius, o.shadow);
    *out = FinePixel{};
    if (inside) {
        double fx, fy, ax, ay, bx, by, ex, ey, gx, gy;
        LandInFrame(o, cx, cy, &fx, &fy);
        LandInFrame(o, cx - 0.5, cy, &ax, &ay);
        LandInFrame(o, cx + 0.5, cy, &bx, &by);
        LandInFrame(o, cx, cy - 0.5, &ex, &ey);
        LandInFrame(o, cx, cy + 0.5, &gx, &gy);
        double across = SquareRoot((bx - ax) * (bx - ax) + (by - ay) * (by - ay));
        double down = SquareRoot((gx - ex) * (gx - ex) + (gy - ey) * (gy - ey));
        out->u = (int16_t)RoundToInt(fx * kFineSubpixel);
        out->v = (int16_t)RoundToInt(fy * kFineSubpixel);
        out->level = across > down ? LevelFor(across, down) : LevelFor(down, across);
        out->glass = ToByte(kFineUnit * through / 16.0);
    }
    out->direct = ToByte(kFineUnit * (1.0 - cover) * shade);
    Rgb add = Times(light, 1.0 / 16.0);
    out->add[0] = ToByte(add.b);
    out->add[1] = ToByte(add.g);
    out->add[2] = ToByte(add.r);
    *changed = inside || out->direct != kFineUnit || out->add[0] || out->add[1] || out->add[2];
}

double Diameter(const FineBallParams &p, int32_t index) {
    // Eased both ways and even about the middle frame, so frame k and frame
    // n - k match and the loop's seam is smooth.
    double u = 1.0 - (2.0 * index / p.frames - 1.0 < 0 ? 1.0 - 2.0 * index / p.frames
                                                        : 2.0 * index / p.frames - 1.0);
    double ease = u <= 0 ? 0 : u >= 1 ? 1 : (1.0 - Cosine(kPi * u)) / 2.0;
    return p.maxDiameter - ease * (p.maxDiameter - p.minDiameter);
}

}  // namespace

FineBallParams FineBallFor(int32_t side) {
    FineBallParams p;
    p.ballSide = side;
    p.maxDiameter = ScaledDiameter(BallParams{}.maxDiameter, side);
    p.minDiameter = ScaledDiameter(BallParams{}.minDiameter, side);
    p.frameSide = p.maxDiameter * 3 / 2;
    return p;
}

int CheckFineBallParams(const FineBallParams &p, std::string *why) {
    if (p.frames < 1 || p.frames > kMaxFrames - 1) {
        *why = "frame count must be 1..126";
        return 0;
    }
    if (p.minDiameter < 4 || p.minDiameter > p.maxDiameter ||
        2 * p.frameSide > 3 * p.maxDiameter || p.frameSide < p.maxDiameter + 8 ||
        p.frameSide > kMaxFrameSide) {
        *why = "diameters must satisfy 4 <= min <= max, and the frame side max + 8 .. 1.5 max "
               "(at most 1024)";
        return 0;
    }
    return 1;
}

FineRecord BakeFineRecord(const FineBallParams &p, int32_t index) {
    const int32_t side = p.frameSide;
    Optics o = MakeOptics(p, Diameter(p, index));
    std::vector<FinePixel> pixels((size_t)side * (size_t)side);
    std::vector<uint8_t> changed(pixels.size());
    for (int32_t y = 0; y < side; y++)
        for (int32_t x = 0; x < side; x++) {
            bool c = false;
            size_t at = (size_t)y * (size_t)side + (size_t)x;
            BakePixel(o, x, y, &pixels[at], &c);
            changed[at] = c;
        }
    return FineRecordFromFrame(side, side, pixels, changed);
}

int BakeFineBallContainer(const FineBallParams &p, std::vector<uint8_t> *out, std::string *why) {
    if (!CheckFineBallParams(p, why)) return 0;
    FineLayout layout = {p.frameSide, p.frameSide, p.playMode, p.ballSide,
                         {kTint[0], kTint[1], kTint[2]}, {}};
    std::vector<FineRecord> records;
    for (int32_t k = 0; k <= p.frames / 2; k++) records.push_back(BakeFineRecord(p, k));
    for (int32_t k = 0; k < p.frames; k++)
        layout.frameRecord.push_back((uint8_t)(k <= p.frames / 2 ? k : p.frames - k));
    return WriteFineContainer(layout, records, out, why);
}
