// ball_bake.cpp -- see ball_bake.h.
#include "ball_bake.h"

#include "container_writer.h"

namespace {

const double kPi = 3.14159265358979323846;

struct Vec3 {
    double x, y, z;
};

Vec3 Add(Vec3 a, Vec3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
Vec3 Sub(Vec3 a, Vec3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
Vec3 Scale(Vec3 a, double s) { return {a.x * s, a.y * s, a.z * s}; }
double Dot(Vec3 a, Vec3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
Vec3 Cross(Vec3 a, Vec3 b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

double SquareRoot(double v) {
    // sqrt is correctly rounded by IEEE 754; the builtin avoids <cmath>'s
    // errno handling.
    return __builtin_sqrt(v);
}

Vec3 Normalize(Vec3 a) { return Scale(a, 1.0 / SquareRoot(Dot(a, a))); }

// Sine by its Taylor series after reduction to [-pi, pi]: libm versions
// differ in the last bit between C libraries, and a last bit can move a
// facet edge by a pixel.
double Sine(double x) {
    while (x > kPi) x -= 2.0 * kPi;
    while (x < -kPi) x += 2.0 * kPi;
    double term = x, sum = x, x2 = x * x;
    for (int n = 1; n < 15; n++) {
        term = -term * x2 / (double)((2 * n) * (2 * n + 1));
        sum += term;
    }
    return sum;
}

double Cosine(double x) { return Sine(x + kPi / 2.0); }

int32_t RoundToInt(double v) {
    double f = v >= 0 ? (double)(int64_t)(v + 0.5) : -(double)(int64_t)(-v + 0.5);
    return (int32_t)f;
}

// Rows of a 3x3 rotation.
struct Mat3 {
    Vec3 r0, r1, r2;
};

Vec3 Apply(const Mat3 &m, Vec3 v) { return {Dot(m.r0, v), Dot(m.r1, v), Dot(m.r2, v)}; }

Mat3 Multiply(const Mat3 &a, const Mat3 &b) {
    Vec3 c0 = {b.r0.x, b.r1.x, b.r2.x}, c1 = {b.r0.y, b.r1.y, b.r2.y},
         c2 = {b.r0.z, b.r1.z, b.r2.z};
    return {{Dot(a.r0, c0), Dot(a.r0, c1), Dot(a.r0, c2)},
            {Dot(a.r1, c0), Dot(a.r1, c1), Dot(a.r1, c2)},
            {Dot(a.r2, c0), Dot(a.r2, c1), Dot(a.r2, c2)}};
}

Mat3 RotateX(double c, double s) { return {{1, 0, 0}, {0, c, -s}, {0, s, c}}; }
Mat3 RotateY(double c, double s) { return {{c, 0, s}, {0, 1, 0}, {-s, 0, c}}; }
Mat3 RotateZ(double c, double s) { return {{c, -s, 0}, {s, c, 0}, {0, 0, 1}}; }

// A facet's plane on the unit ball: n.p <= d inside.
struct Facet {
    Vec3 normal;
    double distance;
};

// The icosahedron with a vertex on +y, so that turning about y is a symmetry
// every fifth of a revolution.
void Icosahedron(std::vector<Vec3> *vertices) {
    const double phi = (1.0 + SquareRoot(5.0)) / 2.0;
    const double raw[12][3] = {{0, 1, phi},  {0, 1, -phi},  {0, -1, phi},  {0, -1, -phi},
                               {1, phi, 0},  {1, -phi, 0},  {-1, phi, 0},  {-1, -phi, 0},
                               {phi, 0, 1},  {phi, 0, -1},  {-phi, 0, 1},  {-phi, 0, -1}};
    // Turn (0, 1, phi) onto +y: a rotation about x with tan = phi.
    double h = SquareRoot(1.0 + phi * phi);
    Mat3 up = RotateX(1.0 / h, -phi / h);
    vertices->clear();
    for (const auto &v : raw) vertices->push_back(Normalize(Apply(up, {v[0], v[1], v[2]})));
}

void BuildFacets(int32_t frequency, std::vector<Facet> *facets) {
    std::vector<Vec3> v;
    Icosahedron(&v);
    facets->clear();
    // The faces are the vertex triples at edge distance from each other
    // (edge 2 before normalising, so a squared distance near 4/(1+phi^2)).
    double edge2 = Dot(Sub(v[0], v[4]), Sub(v[0], v[4]));
    auto adjacent = [&](int a, int b) {
        double d = Dot(Sub(v[a], v[b]), Sub(v[a], v[b]));
        return d < edge2 * 1.01;
    };
    const int32_t f = frequency;
    for (int a = 0; a < 12; a++)
        for (int b = a + 1; b < 12; b++)
            for (int c = b + 1; c < 12; c++) {
                if (!adjacent(a, b) || !adjacent(b, c) || !adjacent(a, c)) continue;
                auto point = [&](int32_t i, int32_t j) {
                    Vec3 p = Add(Add(Scale(v[a], (double)(f - i - j)), Scale(v[b], (double)i)),
                                 Scale(v[c], (double)j));
                    return Normalize(p);
                };
                auto addFacet = [&](Vec3 p, Vec3 q, Vec3 r) {
                    Vec3 n = Normalize(Cross(Sub(q, p), Sub(r, p)));
                    Vec3 centre = Add(Add(p, q), r);
                    if (Dot(n, centre) < 0) n = Scale(n, -1.0);
                    facets->push_back({n, (Dot(n, p) + Dot(n, q) + Dot(n, r)) / 3.0});
                };
                for (int32_t i = 0; i < f; i++)
                    for (int32_t j = 0; i + j < f; j++) {
                        addFacet(point(i, j), point(i + 1, j), point(i, j + 1));
                        if (i + j < f - 1)
                            addFacet(point(i + 1, j), point(i + 1, j + 1), point(i, j + 1));
                    }
            }
}

// Orientation of frame `index`: the turn about the five-fold axis, then a
// fixed lean that shows the upper pole and tilts the axis to the right.
Mat3 FrameRotation(const BallParams &params, int32_t index) {
    double angle = 2.0 * kPi / 5.0 * (double)params.turn * (double)index / (double)params.frames;
    Mat3 spin = RotateY(Cosine(angle), Sine(angle));
    Mat3 lean = RotateX(Cosine(0.45), Sine(0.45));
    Mat3 roll = RotateZ(Cosine(-0.3), Sine(-0.3));
    return Multiply(roll, Multiply(lean, spin));
}

// The light comes from the upper left, in front of the ball; a weaker one
// from the lower right gives the far side a few glints.
const Vec3 kKeyLight = {-0.45, 0.62, 0.64};
const Vec3 kFillLight = {0.75, -0.35, 0.55};
const double kDarkFacing = -0.08;  // facets turned further away get no light

double Power(double v, int32_t n) {
    double r = 1.0;
    for (int32_t i = 0; i < n; i++) r *= v;
    return r;
}

double Positive(double v) { return v > 0 ? v : 0; }

// The light a facet sends to the viewer, in levels, before the per-pixel
// highlight; negative means the facet is dark. Cut glass glows faintly where
// it faces the light and flashes where it mirrors a light into the eye, so
// neighbouring facets differ sharply.
double FacetLight(Vec3 n) {
    Vec3 key = Normalize(kKeyLight), fill = Normalize(kFillLight);
    double facing = Dot(n, key);
    if (facing < kDarkFacing) return -1.0;
    Vec3 mirror = Sub(Scale(n, 2.0 * n.z), {0, 0, 1});  // the view ray reflected
    double glow = 0.6 + 9.0 * Power(facing - kDarkFacing, 2);
    double flash = 28.0 * Power(Positive(Dot(mirror, key)), 40);
    double glint = 9.0 * Power(Positive(Dot(mirror, fill)), 8);
    double sky = 6.0 * Power(Positive(mirror.y), 3);
    return glow + flash + glint + sky;
}

int32_t Clamp(int32_t v, int32_t lo, int32_t hi) { return v < lo ? lo : v > hi ? hi : v; }

}  // namespace

int CheckBallParams(const BallParams &p, std::string *why) {
    // A step moves at most 511 columns left, and the step from the end of a
    // row to the start of the next moves back a whole row's width plus up to
    // two offsets.
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
    if (p.facetFrequency < 1 || p.facetFrequency > 12) {
        *why = "facet density must be 1..12";
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

namespace {

// A facet as this frame sees it.
struct SeenFacet {
    Vec3 n;
    double d;      // plane distance in pixels
    double light;  // FacetLight; negative: dark
    int32_t offsetX, offsetY;
};

// Without perspective the view ray at (x, y) enters the convex body through
// the front facet whose plane it crosses last: the one of least depth. The
// point is inside the outline when no plane is left uncrossed there.
int32_t FacetAt(const std::vector<SeenFacet> &seen, double x, double y, double radius) {
    int32_t best = -1;
    double bestDepth = 0;
    for (size_t i = 0; i < seen.size(); i++) {
        const SeenFacet &s = seen[i];
        if (s.n.z <= 1e-9) continue;
        double depth = (s.d - s.n.x * x - s.n.y * y) / s.n.z;
        if (best < 0 || depth < bestDepth) {
            best = (int32_t)i;
            bestDepth = depth;
        }
    }
    if (best < 0) return -1;
    for (const SeenFacet &s : seen)
        if (s.n.x * x + s.n.y * y + s.n.z * bestDepth > s.d + 1e-9 * radius) return -1;
    return best;
}

}  // namespace

void BakeBallPixels(const BallParams &p, int32_t index, std::vector<BallPixel> *pixels) {
    std::vector<Facet> facets;
    BuildFacets(p.facetFrequency, &facets);
    Mat3 m = FrameRotation(p, index);
    double radius = BallDiameter(p, index) / 2.0;
    // The bending scales with the ball: a small ball shifts little.
    double bend = 0.78 * radius * (double)p.refraction / 100.0;
    double gain = (double)p.brightness / 100.0;

    std::vector<SeenFacet> seen;
    for (const Facet &f : facets) {
        Vec3 n = Apply(m, f.normal);
        SeenFacet s{n, f.distance * radius, FacetLight(n), 0, 0};
        // A glass ball shows what lies behind it upside down: a facet leaning
        // right shows the desktop to its left. Screen rows grow downwards.
        s.offsetX = Clamp(RoundToInt(-bend * n.x), -kMaxSampleColumns, kMaxSampleColumns);
        s.offsetY = Clamp(RoundToInt(bend * n.y), -kMaxSampleRows, kMaxSampleRows);
        seen.push_back(s);
    }

    const int32_t w = p.width, h = p.height;
    double cx = (double)w / 2.0, cy = (double)h / 2.0;
    pixels->assign((size_t)w * (size_t)h, BallPixel{0, 0, 0, -1});
    for (int32_t py = 0; py < h; py++)
        for (int32_t px = 0; px < w; px++) {
            BallPixel &out = (*pixels)[(size_t)py * (size_t)w + (size_t)px];
            out = {px, py, 0, -1};
            double x = (double)px + 0.5 - cx, y = cy - ((double)py + 0.5);
            if (x * x + y * y >= radius * radius) continue;
            out.facet = FacetAt(seen, x, y, radius);
        }

    Vec3 half = Normalize(Add(Normalize(kKeyLight), {0, 0, 1}));
    // On a small ball the facets are a few pixels wide and lit edges would
    // swamp them; the edges fade in as the ball grows.
    double edgeGain = (radius - 10.0) / 30.0;
    edgeGain = edgeGain < 0 ? 0 : edgeGain > 1 ? 1 : edgeGain;
    for (int32_t py = 0; py < h; py++)
        for (int32_t px = 0; px < w; px++) {
            BallPixel &out = (*pixels)[(size_t)py * (size_t)w + (size_t)px];
            if (out.facet < 0) continue;
            const SeenFacet &s = seen[(size_t)out.facet];
            out.sampleX = Clamp(px + s.offsetX, 0, w - 1);
            out.sampleY = Clamp(py + s.offsetY, 0, h - 1);
            if (s.light < 0) continue;
            double x = (double)px + 0.5 - cx, y = cy - ((double)py + 0.5);
            // The round ball under the cut: a soft highlight from the smooth
            // sphere's normal, so the ball reads round through its facets.
            double r2 = (x * x + y * y) / (radius * radius);
            Vec3 smooth = {x / radius, y / radius, SquareRoot(1.0 - r2)};
            double light = s.light + 7.0 * Power(Positive(Dot(smooth, half)), 24);
            // Facet edges catch the light: a pixel whose right or lower
            // neighbour lies on another facet is an edge.
            bool edge = false;
            if (px + 1 < w) edge |= (*pixels)[(size_t)py * (size_t)w + (size_t)px + 1].facet != out.facet;
            if (py + 1 < h) edge |= (*pixels)[(size_t)(py + 1) * (size_t)w + (size_t)px].facet != out.facet;
            if (edge) light += edgeGain * (1.5 + 4.0 * Positive(Dot(smooth, Normalize(kKeyLight))));
            int32_t level = RoundToInt(light * gain);
            out.level = level < 1 ? (gain > 0 ? 1 : 0) : level > 31 ? 31 : level;
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
        int32_t step = 1024 * (b.sampleY - lastY) + (b.sampleX - lastX);
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
    return WriteContainer({p.width, p.height, p.playMode}, frames, out, why);
}
