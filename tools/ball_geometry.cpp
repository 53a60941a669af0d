// ball_geometry.cpp -- see ball_geometry.h.
#include "ball_geometry.h"

// Taylor series after reduction to [-pi, pi]: libm versions differ in the
// last bit between C libraries, and a last bit can move a facet edge by a
// pixel.
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

int32_t FloorToInt(double v) {
    int64_t i = (int64_t)v;  // towards zero
    return (int32_t)((double)i > v ? i - 1 : i);
}

Mat3 Multiply(const Mat3 &a, const Mat3 &b) {
    Vec3 c0 = {b.r0.x, b.r1.x, b.r2.x}, c1 = {b.r0.y, b.r1.y, b.r2.y},
         c2 = {b.r0.z, b.r1.z, b.r2.z};
    return {{Dot(a.r0, c0), Dot(a.r0, c1), Dot(a.r0, c2)},
            {Dot(a.r1, c0), Dot(a.r1, c1), Dot(a.r1, c2)},
            {Dot(a.r2, c0), Dot(a.r2, c1), Dot(a.r2, c2)}};
}

Mat3 RotateX(double a) {
    double c = Cosine(a), s = Sine(a);
    return {{1, 0, 0}, {0, c, -s}, {0, s, c}};
}
Mat3 RotateY(double a) {
    double c = Cosine(a), s = Sine(a);
    return {{c, 0, s}, {0, 1, 0}, {-s, 0, c}};
}
Mat3 RotateZ(double a) {
    double c = Cosine(a), s = Sine(a);
    return {{c, -s, 0}, {s, c, 0}, {0, 0, 1}};
}

namespace {

void Icosahedron(std::vector<Vec3> *vertices) {
    const double phi = (1.0 + SquareRoot(5.0)) / 2.0;
    const double raw[12][3] = {{0, 1, phi},  {0, 1, -phi},  {0, -1, phi},  {0, -1, -phi},
                               {1, phi, 0},  {1, -phi, 0},  {-1, phi, 0},  {-1, -phi, 0},
                               {phi, 0, 1},  {phi, 0, -1},  {-phi, 0, 1},  {-phi, 0, -1}};
    // Turn (0, 1, phi) onto +y: a rotation about x with cosine 1/h, sine -phi/h.
    double h = SquareRoot(1.0 + phi * phi);
    Mat3 up = {{1, 0, 0}, {0, 1.0 / h, phi / h}, {0, -phi / h, 1.0 / h}};
    vertices->clear();
    for (const auto &v : raw) vertices->push_back(Normalize(Apply(up, {v[0], v[1], v[2]})));
}

}  // namespace

void BuildCut(int32_t frequency, std::vector<Facet> *facets) {
    facets->clear();
    if (frequency < 1) return;
    std::vector<Vec3> v;
    Icosahedron(&v);
    // The faces are the vertex triples at edge distance from each other.
    double edge2 = Dot(Sub(v[0], v[4]), Sub(v[0], v[4]));
    auto adjacent = [&](int a, int b) {
        return Dot(Sub(v[a], v[b]), Sub(v[a], v[b])) < edge2 * 1.01;
    };
    const int32_t f = frequency;
    for (int a = 0; a < 12; a++)
        for (int b = a + 1; b < 12; b++)
            for (int c = b + 1; c < 12; c++) {
                if (!adjacent(a, b) || !adjacent(b, c) || !adjacent(a, c)) continue;
                auto point = [&](int32_t i, int32_t j) {
                    return Normalize(Add(Add(Scale(v[a], (double)(f - i - j)),
                                             Scale(v[b], (double)i)),
                                         Scale(v[c], (double)j)));
                };
                auto addFacet = [&](Vec3 p, Vec3 q, Vec3 r) {
                    Vec3 n = Normalize(Cross(Sub(q, p), Sub(r, p)));
                    if (Dot(n, Add(Add(p, q), r)) < 0) n = Scale(n, -1.0);
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
