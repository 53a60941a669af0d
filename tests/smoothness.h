// smoothness.h -- how smoothly a ball shows a desktop of random noise: the
// share of identical horizontal neighbour pairs inside 0.8 of its radius
// (repeated pixels where it magnifies) and the spread of the ring between
// 0.8 and 0.95 of its radius against the desktop's there (sparkle where it
// squeezes). Shared by the unit tests and the X11 probe; header only, so the
// probe, a program of one file, takes it too.
#ifndef ORB_TESTS_SMOOTHNESS_H
#define ORB_TESTS_SMOOTHNESS_H

#include <cmath>
#include <cstdint>

struct Smoothness {
    double identicalShare;  // 0..1
    double ringSpread;      // the ring's spread over the desktop's
};

// The ball of radius r centred in the side x side square at (x0, y0). shown(x,
// y, rgb) and desktop(x, y, rgb) fill three channel bytes of a pixel.
template <typename Shown, typename Desktop>
Smoothness MeasureSmoothness(int x0, int y0, int side, double r, Shown shown, Desktop desktop) {
    const double c = side / 2.0;
    long pairs = 0, same = 0;
    double n = 0, sum = 0, sum2 = 0, dsum = 0, dsum2 = 0;
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x) {
            double d = std::hypot(x + 0.5 - c, y + 0.5 - c) / r;
            uint8_t got[3], next[3], desk[3];
            shown(x0 + x, y0 + y, got);
            if (d < 0.8 && std::hypot(x + 1.5 - c, y + 0.5 - c) / r < 0.8) {
                shown(x0 + x + 1, y0 + y, next);
                ++pairs;
                same += got[0] == next[0] && got[1] == next[1] && got[2] == next[2];
            }
            if (d < 0.8 || d > 0.95) continue;
            desktop(x0 + x, y0 + y, desk);
            for (int k = 0; k < 3; ++k) {
                n += 1, sum += got[k], sum2 += (double)got[k] * got[k];
                dsum += desk[k], dsum2 += (double)desk[k] * desk[k];
            }
        }
    double spread = std::sqrt(sum2 / n - sum * sum / (n * n));
    double deskSpread = std::sqrt(dsum2 / n - dsum * dsum / (n * n));
    return Smoothness{pairs ? (double)same / (double)pairs : 1.0, spread / deskSpread};
}

#endif
