// ball_bake.cpp -- see ball_bake.h.
#include "ball_bake.h"

#include <cstring>
#include <memory>

#include "ball_geometry.h"
#include "container.h"
#include "container_writer.h"

namespace {

// The cut bends each facet's surface this far from the round ball's: enough
// to break the picture seen through it a little and to light the facets
// apart, little enough that the picture stays one picture.
const double kCutDepth = 0.45;
// The desktop plane lies this many radii behind the ball's centre: a glass
// ball of index 1.5 focuses 1.5 radii behind its centre, so at 2.85 the
// picture near the middle comes out upside down at 0.9 times its size.
const double kPlaneDistance = 2.85;
// How far from the ball's centre a sample may land, in radii; the frame's
// own edge may be nearer. Rays that land further out are drawn in smoothly.
const double kFieldRadius = 1.1;
// At index 1.5, samples nearer the centre than this share of the field are
// not moved; with less bending the knee moves out, and glass that does not
// bend at all shows the desktop unmoved.
const double kFieldKnee = 0.55;

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
    double knee;           // landing points nearer than this stay where they are
    double gain;           // brightness
    std::vector<Facet> facets;  // turned to face the viewer as this frame shows them
};

FrameOptics MakeOptics(const BallParams &p, int32_t index) {
    FrameOptics o;
    o.radius = BallDiameter(p, index) / 2.0;
    o.centreX = (double)p.width / 2.0;
    o.centreY = (double)p.height / 2.0;
    o.index = 1.0 + 0.5 * (double)p.refraction / 100.0;
    // Half a pixel inside the frame's nearer edge, so that rounding down
    // never leaves it.
    double edge = (o.centreX < o.centreY ? o.centreX : o.centreY) - 0.5;
    o.field = kFieldRadius < edge / o.radius ? kFieldRadius : edge / o.radius;
    double bending = (o.index - 1.0) / 0.5;
    o.knee = o.field * (1.0 - (1.0 - kFieldKnee) * (bending < 1.0 ? bending : 1.0));
    o.gain = (double)p.brightness / 100.0;
    std::vector<Facet> cut;
    BuildCut(p.facetFrequency, &cut);
    Mat3 m = FrameRotation(p, index);
    for (const Facet &f : cut) o.facets.push_back({Apply(m, f.normal), f.distance});
    return o;
}

// Where the surface point s of the round ball lies on the cut: the facet a
// ray from the centre through s meets first, and the one it would meet next
// (for the edges). The closeness is the difference of their plane measures.
struct CutPlace {
    int32_t facet, neighbour;
    double closeness;
};

CutPlace PlaceOnCut(const FrameOptics &o, Vec3 s) {
    CutPlace c = {-1, -1, 0};
    double best = -1, second = -1;
    for (size_t i = 0; i < o.facets.size(); i++) {
        double q = Dot(o.facets[i].normal, s) / o.facets[i].distance;
        if (q > best) {
            second = best, c.neighbour = c.facet;
            best = q, c.facet = (int32_t)i;
        } else if (q > second) {
            second = q, c.neighbour = (int32_t)i;
        }
    }
    c.closeness = best - second;
    return c;
}

// The cut's surface normal at s: the round ball's, bent towards the facet's.
Vec3 CutNormal(const FrameOptics &o, Vec3 s, int32_t facet) {
    if (facet < 0) return s;
    return Normalize(Add(s, Scale(Sub(o.facets[(size_t)facet].normal, s), kCutDepth)));
}

// Snell's law for a unit ray meeting a surface of unit normal n (facing the
// ray) with eta = index before / index after. Light that would be reflected
// whole leaves along the surface instead, so the picture has no seam there.
Vec3 Refract(Vec3 ray, Vec3 n, double eta) {
    double cosIn = -Dot(n, ray);
    double k = 1.0 - eta * eta * (1.0 - cosIn * cosIn);
    return Normalize(Add(Scale(ray, eta), Scale(n, eta * cosIn - SquareRoot(Positive(k)))));
}

// Draw a landing point (in radii from the centre) into the field: unmoved up
// to the knee, then eased so that even the furthest ray stays inside.
void IntoField(double field, double knee, double *x, double *y, bool infinite) {
    double rho = SquareRoot(*x * *x + *y * *y);
    if (rho <= 0) return;
    if (knee > 0.999 * field) knee = 0.999 * field;
    if (!infinite && rho <= knee) return;
    double t = infinite ? 1.0 : (rho - knee) / (field - knee);
    if (!infinite) t = t / SquareRoot(1.0 + t * t);
    double to = knee + (field - knee) * t * 0.999;
    *x *= to / rho;
    *y *= to / rho;
}

// Trace the view ray at (u, v) (radii, y up) through the ball onto the
// desktop plane; the landing point in radii from the centre.
void TraceRay(const FrameOptics &o, double u, double v, int32_t facet, double *landX,
              double *landY) {
    Vec3 entry = {u, v, SquareRoot(1.0 - u * u - v * v)};
    Vec3 inside = Refract({0, 0, -1}, CutNormal(o, entry, facet), 1.0 / o.index);
    // Through the solid to the round back of the ball.
    Vec3 exitPoint = Add(entry, Scale(inside, -2.0 * Dot(entry, inside)));
    Vec3 out = Refract(inside, Scale(exitPoint, -1.0), o.index);
    bool infinite = out.z > -1e-9;
    if (infinite) {
        *landX = out.x, *landY = out.y;
    } else {
        double travel = (-kPlaneDistance - exitPoint.z) / out.z;
        *landX = exitPoint.x + travel * out.x;
        *landY = exitPoint.y + travel * out.y;
    }
    IntoField(o.field, o.knee, landX, landY, infinite);
}

double Schlick(double cosine, double index) {
    double f0 = (index - 1.0) / (index + 1.0);
    f0 *= f0;
    return f0 + (1.0 - f0) * Power(1.0 - Clamp01(cosine), 5);
}

double Smoothstep(double from, double to, double v) {
    double t = Clamp01((v - from) / (to - from));
    return t * t * (3.0 - 2.0 * t);
}

// What the surface mirrors along r: a bright softbox where the key light
// is and a paler sky above. In levels.
double Surroundings(Vec3 r) {
    double box = Smoothstep(0.80, 0.95, Dot(r, Normalize(kKeyLight)));
    double sky = Power(Positive(r.y), 2);
    return 40.0 * box + 10.0 * sky;
}

// The dim room all round, mirrored only where the ball turns away from the
// viewer, so face on the desktop shows through unlit. In levels.
const double kRoom = 10.0;

// The light one point of the ball sends to the viewer, in levels.
double SurfaceLight(const FrameOptics &o, double u, double v) {
    Vec3 s = {u, v, SquareRoot(Positive(1.0 - u * u - v * v))};
    CutPlace place = PlaceOnCut(o, s);
    Vec3 n = CutNormal(o, s, place.facet);
    Vec3 key = Normalize(kKeyLight);
    // Reflection, weighted by Fresnel: faint face on, strong at the rim.
    Vec3 mirrored = Sub(Scale(n, 2.0 * n.z), kViewer);
    double fresnel = Schlick(n.z, o.index);
    double light = 1.5 * (fresnel * Surroundings(mirrored) + (fresnel - Schlick(1.0, o.index)) * kRoom);
    // One small sharp highlight of the key light, and a faint one of the
    // fill, from the round ball, so they stay put while the ball turns.
    light += 34.0 * Power(Positive(Dot(s, Normalize(Add(key, kViewer)))), 400);
    light += 6.0 * Power(Positive(Dot(s, Normalize(Add(Normalize(kFillLight), kViewer)))), 300);
    // The key light, focused by the ball, glows on its far inside.
    double away = Positive(-(u * key.x + v * key.y) / SquareRoot(key.x * key.x + key.y * key.y));
    double r = SquareRoot(u * u + v * v);
    light += 9.0 * Power(away, 4) * Smoothstep(0.6, 0.88, r) * (1.0 - Smoothstep(0.9, 1.0, r));
    // A facet edge glints where the bevel between its facets mirrors the
    // key light into the eye.
    if (place.neighbour >= 0) {
        Vec3 a = o.facets[(size_t)place.facet].normal, b = o.facets[(size_t)place.neighbour].normal;
        Vec3 bevel = Normalize(Add(s, Scale(Sub(Normalize(Add(a, b)), s), kCutDepth)));
        Vec3 grad = Sub(Scale(a, 1.0 / o.facets[(size_t)place.facet].distance),
                        Scale(b, 1.0 / o.facets[(size_t)place.neighbour].distance));
        double sz = s.z > 1e-3 ? s.z : 1e-3;
        double gx = grad.x - grad.z * u / sz, gy = grad.y - grad.z * v / sz;
        double pixels = place.closeness * o.radius / SquareRoot(gx * gx + gy * gy + 1e-12);
        double near = Clamp01(1.0 - pixels / 0.8);
        light += near * 30.0 * Power(Positive(Dot(bevel, Normalize(Add(key, kViewer)))), 60);
    }
    return light;
}

// A pixel's light: the mean over four points inside it, so the rim and the
// glints fade over a pixel instead of stepping.
int32_t PixelLevel(const FrameOptics &o, double x, double y) {
    const double at[2] = {-0.25, 0.25};
    double sum = 0;
    for (double dy : at)
        for (double dx : at) {
            double u = (x + dx) / o.radius, v = (y + dy) / o.radius;
            if (u * u + v * v < 1.0) sum += SurfaceLight(o, u, v);
        }
    int32_t level = RoundToInt(sum / 4.0 * o.gain);
    return level < 0 ? 0 : level > kLightLevels - 1 ? kLightLevels - 1 : level;
}

}  // namespace

int CheckBallParams(const BallParams &p, std::string *why) {
    // A step moves at most 511 columns left, and the step from the end of a
    // row to the start of the next may move back a whole row's width.
    if (p.width < 8 || p.height < 8 || p.width > kMaxBallFrameSide || p.height > kMaxBallFrameSide) {
        *why = "frame size must be 8.." + std::to_string(kMaxBallFrameSide) +
               " pixels on each side";
        return 0;
    }
    if (p.frames < 1 || p.frames > 127) {
        *why = "frame count must be 1..127";
        return 0;
    }
    if (p.playMode < -128 || p.playMode > 127) {
        *why = "play mode must be -128..127";
        return 0;
    }
    if (p.facetFrequency < 0 || p.facetFrequency > 12) {
        *why = "facet density must be 0..12 (0: a smooth ball)";
        return 0;
    }
    if (p.turn < -20 || p.turn > 20) {
        *why = "turn must be -20..20 fifths of a revolution";
        return 0;
    }
    int32_t side = p.width < p.height ? p.width : p.height;
    if (p.minDiameter < 2 || p.minDiameter > p.maxDiameter || p.maxDiameter > side) {
        *why = "diameters must satisfy 2 <= min <= max <= frame side (" + std::to_string(side) + ")";
        return 0;
    }
    if (p.brightness < 0 || p.brightness > 400) {
        *why = "brightness must be 0..400 percent";
        return 0;
    }
    if (p.refraction < 0 || p.refraction > 200) {
        *why = "refraction must be 0..200 percent";
        return 0;
    }
    return 1;
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
            double x = (double)px + 0.5 - o.centreX, y = o.centreY - ((double)py + 0.5);
            double r = SquareRoot(x * x + y * y);
            if (r >= o.radius + 1.0) continue;
            out.level = PixelLevel(o, x, y);
            if (r >= o.radius) continue;  // the rim's outer half pixel: light only
            double u = x / o.radius, v = y / o.radius;
            Vec3 s = {u, v, SquareRoot(Positive(1.0 - u * u - v * v))};
            int32_t facet = PlaceOnCut(o, s).facet;
            out.facet = facet < 0 ? 0 : facet;
            double landX, landY;
            TraceRay(o, u, v, facet, &landX, &landY);
            out.sampleX = FloorToInt(o.centreX + landX * o.radius);
            out.sampleY = FloorToInt(o.centreY - landY * o.radius);
        }
}

namespace {

// One displacement word: a move of the sampling position by whole columns
// and rows (1024 step units to a row) and a light level.
uint32_t PackDisplacementWord(int32_t columns, int32_t rows, int32_t level) {
    return ((uint32_t)(1024 * rows + columns) << 8) | (uint32_t)level;
}

}  // namespace

void BallPixelsToWords(const std::vector<BallPixel> &pixels, int32_t width, int32_t height,
                       std::vector<uint32_t> *words) {
    words->assign((size_t)width * (size_t)height, 0);
    // The sampling position starts at the top-left pixel and every word moves
    // it before its sample: a step is the move from the previous sample.
    int32_t lastX = 0, lastY = 0;
    for (size_t i = 0; i < words->size(); i++) {
        const BallPixel &b = pixels[i];
        (*words)[i] = PackDisplacementWord(b.sampleX - lastX, b.sampleY - lastY, b.level);
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
