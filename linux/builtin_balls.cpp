// builtin_balls.cpp -- EdgeBuiltinContainer for the programs that compile
// their balls in (orb on X11 and on Wayland), from the generated table.
#include "builtin_balls.h"

#include "edge.h"

const uint8_t *EdgeBuiltinContainer(int32_t side, uint32_t *size) {
    for (const BuiltinBall *ball = kBuiltinBalls; ball->side; ++ball)
        if (ball->side == side) {
            *size = (uint32_t)(ball->end - ball->begin);
            return ball->begin;
        }
    *size = 0;
    return nullptr;
}
