// ball_choice.h -- which of the built-in balls a screen gets.
//
// The program carries the ball in a few sizes (sides in pixels, kBallSides,
// the 128 first); the 128 is made for a screen of 96 DPI. A denser screen
// gets the ball nearest to 128 times its scale, so the ball covers about the
// same share of the screen at every density, drawn sharp rather than blown
// up. Nearest is judged by ratio, the way sizes look: 160 is nearer 192
// (1.2 times) than 128 (1.25 times).
//
//   ChooseBallSide(scalePercent, width, height, sides, count)
//       the side to play in a width x height window on a screen of that scale
//       (100: 96 DPI), from the `count` sides the program carries: the
//       nearest, stepped down to the largest that fits the window; the 128
//       for a window below 640 x 480 or a scale that is not above zero
#ifndef ORB_ENGINE_BALL_CHOICE_H
#define ORB_ENGINE_BALL_CHOICE_H

#include <cstdint>

enum {
    kDefaultBallSide = 128,  // the ball of resources/orb.lib, and of a 96 DPI screen
    kSmallWindowWidth = 640,  // below this (or the height below) the 128 always
    kSmallWindowHeight = 480,
};

// The sides the build carries, smallest first (the build system's list).
#ifndef ORB_BALL_SIDES
#define ORB_BALL_SIDES 128
#endif
constexpr int32_t kBallSides[] = {ORB_BALL_SIDES};
constexpr int32_t kBallSideCount = (int32_t)(sizeof kBallSides / sizeof kBallSides[0]);
static_assert(kBallSides[0] == kDefaultBallSide, "the 128 comes first");

int32_t ChooseBallSide(int32_t scalePercent, int32_t width, int32_t height,
                       const int32_t *sides, int32_t count);

#endif
