// ball_geometry.h -- the vector arithmetic and the cut of the crystal ball.
//
// Everything here uses only + - * / and sqrt in double precision, and sine
// and cosine of its own, so every IEEE machine computes the same bits (the
// tools compile without fused multiply-adds).
//
//   Vec3, Mat3 and their operations     small fixed-size linear algebra
//   Sine, Cosine                        by series, not libm
//   BuildCut(frequency, &facets)        a geodesic sphere's facet planes
#ifndef ORB_TOOLS_BALL_GEOMETRY_H
#define ORB_TOOLS_BALL_GEOMETRY_H

#include <cstdint>
#include <vector>

const double kPi = 3.14159265358979323846;

struct Vec3 {
    double x, y, z;
};

inline Vec3 Add(Vec3 a, Vec3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
inline Vec3 Sub(Vec3 a, Vec3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
inline Vec3 Scale(Vec3 a, double s) { return {a.x * s, a.y * s, a.z * s}; }
inline double Dot(Vec3 a, Vec3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
inline Vec3 Cross(Vec3 a, Vec3 b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

// IEEE 754 rounds sqrt correctly; the builtin avoids <cmath>'s errno path.
inline double SquareRoot(double v) { return __builtin_sqrt(v > 0 ? v : 0); }
inline Vec3 Normalize(Vec3 a) { return Scale(a, 1.0 / SquareRoot(Dot(a, a))); }
inline double Positive(double v) { return v > 0 ? v : 0; }
inline double Clamp01(double v) { return v < 0 ? 0 : v > 1 ? 1 : v; }

// v to a whole power n >= 0, by squaring: the highlights raise to powers in
// the thousands for every point of the ball.
inline double Power(double v, int32_t n) {
    double r = 1.0;
    for (; n > 0; n >>= 1) {
        if (n & 1) r *= v;
        v *= v;
    }
    return r;
}
double Sine(double x);
double Cosine(double x);
// The nearest integer, halves away from zero, and the largest not above v.
int32_t RoundToInt(double v);
int32_t FloorToInt(double v);

// Rows of a 3x3 rotation.
struct Mat3 {
    Vec3 r0, r1, r2;
};

inline Vec3 Apply(const Mat3 &m, Vec3 v) { return {Dot(m.r0, v), Dot(m.r1, v), Dot(m.r2, v)}; }
Mat3 Multiply(const Mat3 &a, const Mat3 &b);
Mat3 RotateX(double angle);
Mat3 RotateY(double angle);
Mat3 RotateZ(double angle);

// A facet's plane on the unit ball: n.p = distance.
struct Facet {
    Vec3 normal;
    double distance;
};

// An icosahedron with a vertex on +y (so turning about y by a fifth of a
// revolution maps it onto itself) whose faces are cut into frequency^2
// triangles with their corners pushed out onto the unit sphere. Frequency 0
// gives no facets: a smooth sphere.
void BuildCut(int32_t frequency, std::vector<Facet> *facets);

#endif
