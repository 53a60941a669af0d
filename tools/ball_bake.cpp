// ball_bake.cpp -- see ball_bake.h.
#include "ball_bake.h"

#include <cstring>
#include <memory>

#include "ball_geometry.h"
#include "container.h"
#include "container_writer.h"

namespace {

// The cut bends each facet's surface this far from the round ball's: enough
// to light the facets a little apart and break the picture seen through
// them slightly at their seams, little enough that the picture stays one
// smoothly warped picture.
const double kCutDepth = 0.05;
// The cut's shift of the picture grows with the ball, and on a large ball a
// seam that shifts the picture by several pixels reads as a tear rather than
// a cut: for the rays through the glass, the bend is scaled so that the
// shift stays about as many pixels as on the built-in ball (this diameter).
// The light the facets mirror keeps the whole bend at every size.
const double kCutReferenceDiameter = 116.0;
// Towards the rim a ray meets the surface ever more sideways and a small bend
// throws its landing point far: the cut fades out between these distances
// from the centre (radii), so the squeezed picture at the rim carries on
// from the middle's without an arc where it jumps.
const double kCutFadeFrom = 0.55, kCutFadeTo = 0.85;
// The desktop plane lies this many radii behind the ball's centre: a glass
// ball of index 1.5 focuses 1.5 radii behind its centre, so at 2.3 the
// picture near the middle comes out upside down and about twice as large,
// and towards the rim the ball squeezes ever more of the desktop in, so
// straight lines seen through it bow round as they do through a real ball.
// (The frame leaves room for a field only about a radius wide: too little
// for a picture made smaller in the middle without a smeared rim.)
const double kPlaneDistance = 2.3;
// Rays leaving the ball nearly sideways would land ever further out on the
// plane; their travel is measured against a soft floor of their slope, so the
// landing grows smoothly and stays finite up to the rim.
const double kSlopeFloor = 0.6;
// How far from the ball's centre a sample may land, in radii. Within the
// ball's own outline, so the squeezed band at the rim shows what lies under
// the rim: reaching further out would press a broad stretch of the desktop
// beside the ball into a thin crescent with a hard edge wherever a window's
// edge falls in it.
const double kFieldRadius = 0.95;

// The light: a key light from the upper left in front of the ball, a weaker
// fill from the lower right.
const Vec3 kKeyLight = {-0.45, 0.62, 0.64};
const Vec3 kFillLight = {0.62, -0.45, 0.64};
const Vec3 kViewer = {0, 0, 1};

// Orientation of frame `index`: the turn about the five-fold axis, then a
// fixed lean that shows the upper pole and tilts the axis to the right.
Mat3 FrameRotation(const BallParams &p, int32_t index) {
    double angle = 2.0 * kPi / 5.0 * (double)p.turn * (double)index / (double)p.frames;
    return Multiply(RotateZ(-0.3), Multiply(RotateX(0.45), RotateY(angle)));
}

// Everything about one frame that does not change from pixel to pixel.
struct FrameOptics {
    double radius;         // pixels
    double centreX, centreY;
    double index;          // of refraction
    double field;          // how far a sample may land, in radii
    double reach;          // landing distances are drawn in below this; 0: not at all
    double gain;           // brightness
    double rayCut;         // share of the cut's bend the rays through the glass see
    double dither;         // 0..1: how far an ordered dither moves a pixel's rounding
    std::vector<Facet> facets;  // turned to face the viewer as this frame shows them
    std::vector<int32_t> allFacets;  // 0, 1, ... facets.size() - 1
    Vec3 half, fillHalf;         // halfway between the viewer and the key or fill light
    // Per pixel, row by row: its facet (-1 outside the ball) and where its
    // ray lands before it is drawn into the field.
    struct Landing {
        int32_t facet;
        double x, y;
    };
    std::vector<Landing> landings;
};

// Where the surface point s of the round ball lies on the cut: the facet a
// ray from the centre through s meets first, and the one it would meet next
// (for the edges). The closeness is the difference of their plane measures.
struct CutPlace {
    int32_t facet, neighbour;
    double closeness;
};

// Facets in index order; the scan keeps the first of equals, so any list that
// holds every facet that could come first or second gives the same place.
CutPlace PlaceOnCut(const FrameOptics &o, Vec3 s, const std::vector<int32_t> &among) {
    CutPlace c = {-1, -1, 0};
    double best = -1, second = -1;
    for (int32_t i : among) {
        double q = Dot(o.facets[(size_t)i].normal, s) / o.facets[(size_t)i].distance;
        if (q > best) {
            second = best, c.neighbour = c.facet;
            best = q, c.facet = i;
        } else if (q > second) {
            second = q, c.neighbour = i;
        }
    }
    c.closeness = best - second;
    return c;
}

// The facets that can come first or second anywhere within `spread` of the
// point s (a facet's measure moves by at most spread / distance there): the
// few round one spot, so the points of a pixel need not scan the whole cut.
void FacetsNear(const FrameOptics &o, Vec3 s, double spread, std::vector<int32_t> *near,
                std::vector<double> *scratch) {
    near->clear();
    if (o.facets.empty()) return;
    // The second-highest lower bound: two facets measure at least this.
    std::vector<double> &high = *scratch;
    high.resize(o.facets.size());
    double low1 = -1e300, low2 = -1e300;
    for (size_t i = 0; i < o.facets.size(); i++) {
        double q = Dot(o.facets[i].normal, s) / o.facets[i].distance;
        double reach = spread / o.facets[i].distance;
        high[i] = q + reach;
        if (q - reach > low1) low2 = low1, low1 = q - reach;
        else if (q - reach > low2) low2 = q - reach;
    }
    for (size_t i = 0; i < o.facets.size(); i++)
        if (high[i] + 1e-9 >= low2) near->push_back((int32_t)i);
}

double Smoothstep(double from, double to, double v) {
    double t = Clamp01((v - from) / (to - from));
    return t * t * (3.0 - 2.0 * t);
}

// The cut's surface normal at s: the round ball's, bent towards the facet's
// by `share` of the cut's depth.
Vec3 CutNormal(const FrameOptics &o, Vec3 s, int32_t facet, double share = 1.0) {
    if (facet < 0) return s;
    double depth = share * kCutDepth *
                   (1.0 - Smoothstep(kCutFadeFrom, kCutFadeTo, SquareRoot(1.0 - s.z * s.z)));
    return Normalize(Add(s, Scale(Sub(o.facets[(size_t)facet].normal, s), depth)));
}

// Snell's law for a unit ray meeting a surface of unit normal n (facing the
// ray) with eta = index before / index after. Light that would be reflected
// whole leaves along the surface instead, so the picture has no seam there.
Vec3 Refract(Vec3 ray, Vec3 n, double eta) {
    double cosIn = -Dot(n, ray);
    double k = 1.0 - eta * eta * (1.0 - cosIn * cosIn);
    return Normalize(Add(Scale(ray, eta), Scale(n, eta * cosIn - SquareRoot(Positive(k)))));
}

// Trace the view ray at (u, v) (radii, y up) through the ball towards the
// desktop plane; where it lands, in radii from the centre, before it is drawn
// into the field.
void TraceRay(const FrameOptics &o, double u, double v, int32_t facet, double *landX,
              double *landY) {
    Vec3 entry = {u, v, SquareRoot(Positive(1.0 - u * u - v * v))};
    Vec3 inside = Refract({0, 0, -1}, CutNormal(o, entry, facet, o.rayCut), 1.0 / o.index);
    // Through the solid to the round back of the ball.
    Vec3 exitPoint = Add(entry, Scale(inside, -2.0 * Dot(entry, inside)));
    Vec3 out = Refract(inside, Scale(exitPoint, -1.0), o.index);
    double slope = -out.z;
    double soft = (slope + SquareRoot(slope * slope + kSlopeFloor * kSlopeFloor)) / 2.0;
    double travel = (kPlaneDistance + exitPoint.z) / soft;
    *landX = exitPoint.x + travel * out.x;
    *landY = exitPoint.y + travel * out.y;
}

// Draw a landing point into the field with one smooth curve, r / sqrt(1 +
// (r / reach)^2): nearly unmoved near the centre, eased ever more strongly
// outwards, and the frame's furthest landing point comes to the field's edge.
// No knee and no clamp, so the picture bends smoothly all the way to the rim.
void IntoField(const FrameOptics &o, double *x, double *y) {
    if (o.reach <= 0) return;
    double q = (*x * *x + *y * *y) / (o.reach * o.reach);
    double scale = 1.0 / SquareRoot(1.0 + q);
    *x *= scale;
    *y *= scale;
}

// The reach that brings the furthest landing point of the frame, `furthest`
// radii out, to the field's edge (0 when it lies inside already).
double FieldReach(double furthest, double field) {
    double over = furthest / field;
    if (over <= 1.0) return 0;
    return furthest / SquareRoot(over * over - 1.0);
}

// The landing point of the pixel at (x, y) (pixels from the centre, y up)
// and its facet; false outside the ball.
bool PixelRay(const FrameOptics &o, double x, double y, int32_t *facet, double *landX,
              double *landY) {
    if (x * x + y * y >= o.radius * o.radius) return false;
    double u = x / o.radius, v = y / o.radius;
    Vec3 s = {u, v, SquareRoot(Positive(1.0 - u * u - v * v))};
    *facet = PlaceOnCut(o, s, o.allFacets).facet;
    TraceRay(o, u, v, *facet, landX, landY);
    return true;
}

// Pixel centres relative to the ball's centre, y up.
double PixelX(const FrameOptics &o, int32_t px) { return (double)px + 0.5 - o.centreX; }
double PixelY(const FrameOptics &o, int32_t py) { return o.centreY - ((double)py + 0.5); }

FrameOptics MakeOptics(const BallParams &p, int32_t index) {
    FrameOptics o;
    o.radius = BallDiameter(p, index) / 2.0;
    o.centreX = (double)p.width / 2.0;
    o.centreY = (double)p.height / 2.0;
    o.index = 1.0 + 0.5 * (double)p.refraction / 100.0;
    // Half a pixel inside the frame's nearer edge, so that rounding down
    // never leaves it.
    double edge = (o.centreX < o.centreY ? o.centreX : o.centreY) - 0.5;
    // Without bending the ball shows what lies behind it, up to its rim; the
    // field narrows as the bending grows.
    double field = 1.0 - (1.0 - kFieldRadius) * Clamp01((o.index - 1.0) / 0.5);
    o.field = field < edge / o.radius ? field : edge / o.radius;
    o.gain = (double)p.brightness / 100.0;
    o.rayCut = p.maxDiameter > kCutReferenceDiameter ? kCutReferenceDiameter / p.maxDiameter : 1.0;
    o.dither = Clamp01((double)p.maxDiameter / kCutReferenceDiameter - 1.0);
    o.reach = 0;
    std::vector<Facet> cut;
    BuildCut(p.facetFrequency, &cut);
    Mat3 m = FrameRotation(p, index);
    for (const Facet &f : cut) o.facets.push_back({Apply(m, f.normal), f.distance});
    for (size_t i = 0; i < o.facets.size(); i++) o.allFacets.push_back((int32_t)i);
    o.half = Normalize(Add(Normalize(kKeyLight), kViewer));
    o.fillHalf = Normalize(Add(Normalize(kFillLight), kViewer));
    // The furthest landing point of this frame sets how hard the field eases.
    double furthest = 0;
    o.landings.assign((size_t)p.width * (size_t)p.height, FrameOptics::Landing{-1, 0, 0});
    for (int32_t py = 0; py < p.height; py++)
        for (int32_t px = 0; px < p.width; px++) {
            FrameOptics::Landing &l = o.landings[(size_t)py * (size_t)p.width + (size_t)px];
            if (!PixelRay(o, PixelX(o, px), PixelY(o, py), &l.facet, &l.x, &l.y)) {
                l.facet = -1;
                continue;
            }
            if (l.facet < 0) l.facet = 0;
            double r2 = l.x * l.x + l.y * l.y;
            if (r2 > furthest) furthest = r2;
        }
    o.reach = FieldReach(SquareRoot(furthest), o.field * 0.999);
    return o;
}

// The light is kept to a few narrow features over clear glass: a broad faint
// gradient steps visibly in whole levels and lifts the ball into a milky haze.
// Levels of what the glass mirrors at full reflection: the room round the rim
// and the sky above it, so the rim is bright at the top and fades towards the
// bottom instead of outlining the ball evenly; a window up to the left; a
// facet edge's glint; the key light gathered by the ball inside its rim on the
// far side.
const double kRoom = 6.0;
const double kSky = 70.0;
const double kWindow = 300.0;
const double kGlint = 10.0;
const double kGathered = 80.0;
// The window, as the directions it fills (the mirrored ray's x and y; the
// key light lies inside it), with edges that fade over kWindowSoft. Its top
// is brightest. Mirrored rays pointing away from the viewer see the room
// behind, not the window: the window fades out as they turn away, which
// rounds off its outer corner.
const double kWindowLeft = -0.82, kWindowRight = -0.30;
const double kWindowBottom = 0.36, kWindowTop = 0.84;
const double kWindowSoft = 0.10;
// Where the gathered light glows: a band this far from the centre and this
// wide (radii), brightest straight across from the key light.
const double kGatheredAt = 0.80, kGatheredWidth = 0.16;

// How much of the window a mirrored ray m sees, 0..1.
double WindowSeen(Vec3 m) {
    double across = Smoothstep(kWindowLeft - kWindowSoft, kWindowLeft + kWindowSoft, m.x) *
                    (1.0 - Smoothstep(kWindowRight - kWindowSoft, kWindowRight + kWindowSoft, m.x));
    double up = Smoothstep(kWindowBottom - kWindowSoft, kWindowBottom + kWindowSoft, m.y) *
                (1.0 - Smoothstep(kWindowTop - kWindowSoft, kWindowTop + kWindowSoft, m.y));
    if (across == 0 || up == 0) return 0;
    double top = 0.35 + 0.65 * Smoothstep(kWindowBottom, kWindowTop, m.y);
    return across * up * top * Smoothstep(0.0, 0.15, m.z);
}

// The key light, focused by the ball, leaves it through the far side of its
// rim: a soft glow inside the rim straight across from the light, which gives
// the ball a body even over a dark desktop.
double GatheredLight(double u, double v, Vec3 half) {
    double r = SquareRoot(u * u + v * v);
    if (r <= 0) return 0;
    double band = (r - kGatheredAt) / kGatheredWidth;
    double across = Positive(-(u * half.x + v * half.y) / r);
    return kGathered * across * across * Positive(1.0 - band * band);
}

// Glass mirrors a twenty-fifth face on and rises steeply at the rim: Schlick's
// form, with an eighth power for his fifth so the band stays narrow (a broad
// one lays a milky haze over the picture).
double Reflectance(double cosine, double index) {
    double f0 = (index - 1.0) / (index + 1.0);
    f0 *= f0;
    return f0 + (1.0 - f0) * Power(1.0 - Clamp01(cosine), 8);
}

// The light one point of the ball sends to the viewer, in levels.
double SurfaceLight(const FrameOptics &o, Vec3 s, const std::vector<int32_t> &candidates) {
    double u = s.x, v = s.y;
    CutPlace place = PlaceOnCut(o, s, candidates);
    Vec3 n = CutNormal(o, s, place.facet);
    const Vec3 half = o.half;
    double f0 = Reflectance(1.0, o.index), f = Reflectance(n.z, o.index);
    // The room and sky only where the reflectance rises above its face-on
    // floor, which keeps them to a band at the rim.
    Vec3 mirrored = Sub(Scale(n, 2.0 * n.z), kViewer);
    double sky = Smoothstep(-0.5, 1.0, mirrored.y);
    double light = (f - f0) * (kRoom + kSky * sky);
    // The window as the cut mirrors it, so the facets shift and light their
    // pieces of it a little apart.
    light += f * kWindow * WindowSeen(mirrored);
    // One small sharp highlight of the key light and a tiny crisp one of the
    // fill, from the round ball, so they stay put while the ball turns.
    double toKey = Dot(s, half);
    light += 34.0 * Power(Positive(toKey), 400);
    light += 5.0 * Power(Positive(Dot(s, o.fillHalf)), 300);
    light += GatheredLight(u, v, half);
    // A facet edge glints, short and soft, where the bevel between its
    // facets mirrors the key light into the eye; never over the highlight.
    if (place.neighbour >= 0) {
        Vec3 a = o.facets[(size_t)place.facet].normal, b = o.facets[(size_t)place.neighbour].normal;
        Vec3 grad = Sub(Scale(a, 1.0 / o.facets[(size_t)place.facet].distance),
                        Scale(b, 1.0 / o.facets[(size_t)place.neighbour].distance));
        double sz = s.z > 1e-3 ? s.z : 1e-3;
        double gx = grad.x - grad.z * u / sz, gy = grad.y - grad.z * v / sz;
        double pixels = place.closeness * o.radius / SquareRoot(gx * gx + gy * gy + 1e-12);
        double near = Clamp01(1.0 - pixels / 1.0);
        if (near == 0) return light;
        Vec3 bevel = Normalize(Add(s, Scale(Sub(Normalize(Add(a, b)), s), 3.0 * kCutDepth)));
        double clear = 1.0 - Smoothstep(0.90, 0.97, toKey);
        light += near * clear * kGlint * Power(Positive(Dot(bevel, half)), 80);
    }
    return light;
}

// On the built-in ball a pixel's light is rounded to the nearest level: a
// dither there shows as grain. A larger ball is made for a denser screen,
// where a pixel is smaller and a broad fade spans more of them, so the
// whole levels step as rings round the glow and along the rim; there an
// ordered dither, a pixel wide, blends the steps instead (fully from twice
// the built-in size).
const double kBayer4[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};

double DitherOffset(const FrameOptics &o, int32_t px, int32_t py) {
    return o.dither * ((kBayer4[py & 3][px & 3] + 0.5) / 16.0 - 0.5);
}

// A pixel's light: the mean over sixteen points inside it, so the rim and
// the glints fade over a pixel instead of stepping, rounded to a level.
int32_t PixelLevel(const FrameOptics &o, int32_t px, int32_t py) {
    const double at[4] = {-0.375, -0.125, 0.125, 0.375};
    double x = PixelX(o, px), y = PixelY(o, py);
    Vec3 points[16];
    int32_t count = 0;
    for (double dy : at)
        for (double dx : at) {
            double u = (x + dx) / o.radius, v = (y + dy) / o.radius;
            if (u * u + v * v < 1.0) points[count++] = {u, v, SquareRoot(Positive(1.0 - u * u - v * v))};
        }
    if (count == 0) return 0;
    double u = x / o.radius, v = y / o.radius;
    Vec3 centre = {u, v, SquareRoot(Positive(1.0 - u * u - v * v))};
    double spread = 0;
    for (int32_t i = 0; i < count; i++) {
        Vec3 d = Sub(points[i], centre);
        double r = SquareRoot(Dot(d, d));
        if (r > spread) spread = r;
    }
    static thread_local std::vector<int32_t> near;
    static thread_local std::vector<double> scratch;
    FacetsNear(o, centre, spread * 1.000001, &near, &scratch);
    double sum = 0;
    for (int32_t i = 0; i < count; i++) sum += SurfaceLight(o, points[i], near);
    int32_t level = FloorToInt(sum / 16.0 * o.gain + 0.5 + DitherOffset(o, px, py));
    return level < 0 ? 0 : level > kLightLevels - 1 ? kLightLevels - 1 : level;
}

bool InRange(int32_t value, BallRange range) { return value >= range.low && value <= range.high; }

std::string RangeText(BallRange range) {
    return std::to_string(range.low) + ".." + std::to_string(range.high);
}

}  // namespace

int CheckBallParams(const BallParams &p, std::string *why) {
    // A step moves at most 511 columns left, and the step from the end of a
    // row to the start of the next may move back a whole row's width.
    if (!InRange(p.width, kBallSideRange) || !InRange(p.height, kBallSideRange)) {
        *why = "frame size must be " + RangeText(kBallSideRange) + " pixels on each side";
        return 0;
    }
    const struct {
        int32_t value;
        BallRange range;
        const char *what, *unit;
    } checks[] = {
        {p.frames, kBallFramesRange, "frame count", ""},
        {p.playMode, kBallPlayModeRange, "play mode", ""},
        {p.facetFrequency, kBallFacetsRange, "facets", " (more: a finer cut; 0: a smooth ball)"},
        {p.turn, kBallTurnRange, "turn", " fifths of a revolution"},
        {p.brightness, kBallBrightnessRange, "brightness", " percent"},
        {p.refraction, kBallRefractionRange, "refraction", " percent"},
    };
    for (const auto &c : checks) {
        if (!InRange(c.value, c.range)) {
            *why = std::string(c.what) + " must be " + RangeText(c.range) + c.unit;
            return 0;
        }
    }
    int32_t side = p.width < p.height ? p.width : p.height;
    int32_t largest = LargestBallDiameter(side);
    if (p.minDiameter < 2 || p.minDiameter > p.maxDiameter || p.maxDiameter > largest) {
        *why = "diameters must satisfy 2 <= min <= max <= " + std::to_string(largest) +
               (largest < side ? " (a frame side below 12 keeps 2 pixels round the ball)"
                               : " (the frame side)");
        return 0;
    }
    return 1;
}

// A frame's runs must fit in as many words as it has pixels. Each row run
// costs a control word, paid back only by runs of equal words, which the
// pixels round the ball give; a ball filling a tiny frame leaves too few.
int32_t LargestBallDiameter(int32_t side) { return side < 12 ? side - 2 : side; }

int32_t ScaledDiameter(int32_t diameterAt128, int32_t side) {
    int32_t d = (int32_t)(((int64_t)diameterAt128 * side + 64) / 128);
    int32_t largest = LargestBallDiameter(side);
    return d < 2 ? 2 : d > largest ? largest : d;
}

double BallDiameter(const BallParams &p, int32_t index) {
    // Eased both ways, so the ball slows into its smallest size and into the
    // loop's seam, where the last frame and the first have the same size.
    int32_t half = (p.frames - 1) / 2;
    int32_t k = index % p.frames;
    double u;
    if (k <= half)
        u = half > 0 ? (double)k / (double)half : 0.0;
    else
        u = 1.0 - (double)(k - half) / (double)(p.frames - 1 - half);
    // The ends are exact, so the first and middle frames have the stated sizes.
    double ease = u <= 0.0 ? 0.0 : u >= 1.0 ? 1.0 : (1.0 - Cosine(kPi * u)) / 2.0;
    return (double)p.maxDiameter - ease * (double)(p.maxDiameter - p.minDiameter);
}

void BakeBallPixels(const BallParams &p, int32_t index, std::vector<BallPixel> *pixels) {
    FrameOptics o = MakeOptics(p, index);
    const int32_t w = p.width, h = p.height;
    pixels->assign((size_t)w * (size_t)h, BallPixel{0, 0, 0, -1});
    for (int32_t py = 0; py < h; py++)
        for (int32_t px = 0; px < w; px++) {
            BallPixel &out = (*pixels)[(size_t)py * (size_t)w + (size_t)px];
            out = {px, py, 0, -1};
            out.level = PixelLevel(o, px, py);
            // The rim's outer half pixel gets light only.
            const FrameOptics::Landing &l = o.landings[(size_t)py * (size_t)w + (size_t)px];
            if (l.facet < 0) continue;
            out.facet = l.facet;
            double landX = l.x, landY = l.y;
            IntoField(o, &landX, &landY);
            out.sampleX = FloorToInt(o.centreX + landX * o.radius);
            out.sampleY = FloorToInt(o.centreY - landY * o.radius);
        }
}

void BallPixelsToWords(const std::vector<BallPixel> &pixels, int32_t width, int32_t height,
                       std::vector<uint32_t> *words) {
    words->assign((size_t)width * (size_t)height, 0);
    // The sampling position starts at the top-left pixel and every word moves
    // it before its sample: a step is the move from the previous sample.
    int32_t lastX = 0, lastY = 0;
    for (size_t i = 0; i < words->size(); i++) {
        const BallPixel &b = pixels[i];
        int32_t step = kStepUnitsPerRow * (b.sampleY - lastY) + (b.sampleX - lastX);
        (*words)[i] = MakeDisplacementWord(step, b.level);
        lastX = b.sampleX;
        lastY = b.sampleY;
    }
}

void BakeBallFrames(const BallParams &p, std::vector<std::vector<uint32_t>> *frames) {
    frames->assign((size_t)p.frames, std::vector<uint32_t>());
    std::vector<BallPixel> pixels;
    for (int32_t k = 0; k < p.frames; k++) {
        BakeBallPixels(p, k, &pixels);
        BallPixelsToWords(pixels, p.width, p.height, &(*frames)[(size_t)k]);
    }
}

int BakeBallContainer(const BallParams &p, std::vector<uint8_t> *out, std::string *why) {
    if (!CheckBallParams(p, why)) return 0;
    std::vector<std::vector<uint32_t>> frames;
    BakeBallFrames(p, &frames);
    if (!WriteContainer({p.width, p.height, p.playMode}, frames, out, why)) return 0;
    // The saver would refuse what the checks refuse: never hand that out as
    // a bake.
    std::unique_ptr<ContainerFacts> facts(new ContainerFacts());
    char violation[256] = "";
    if (!ValidateContainer(out->data(), (uint32_t)out->size(), facts.get(), violation,
                           sizeof violation)) {
        *why = std::string("the baked container breaks a rule: ") + violation;
        out->clear();
        return 0;
    }
    return 1;
}
