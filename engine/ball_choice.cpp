// ball_choice.cpp -- see ball_choice.h.
#include "ball_choice.h"

#include "engine.h"

namespace {

// How far apart two sizes look: the larger over the smaller.
double Ratio(double a, double b) { return a > b ? a / b : b / a; }

}  // namespace

int32_t ChooseBallSide(int32_t scalePercent, int32_t width, int32_t height,
                       const int32_t *sides, int32_t count) {
    if (scalePercent <= 0 || width < kSmallWindowWidth || height < kSmallWindowHeight)
        return kDefaultBallSide;
    const double wanted = (double)kDefaultBallSide * scalePercent / 100.0;
    int32_t best = kDefaultBallSide;
    for (int32_t i = 0; i < count; ++i)
        if (Ratio(sides[i], wanted) < Ratio(best, wanted)) best = sides[i];
    // Step down to the largest side that fits and is no larger than the best.
    int32_t fitting = kDefaultBallSide;
    for (int32_t i = 0; i < count; ++i)
        if (sides[i] <= best && sides[i] > fitting &&
            EngineFitsWindow(width, height, sides[i], sides[i]))
            fitting = sides[i];
    return fitting;
}
