// builtin_balls.cpp -- EdgeBuiltinContainer for the programs that compile
// their balls in (orb on X11 and on Wayland), from the generated table.
#include "builtin_balls.h"

#include "edge.h"

static const uint8_t *Find(const BuiltinBall *table, int32_t side, uint32_t *size) {
    for (const BuiltinBall *ball = table; ball->side; ++ball)
        if (ball->side == side) {
            *size = (uint32_t)(ball->end - ball->begin);
            return ball->begin;
        }
    *size = 0;
    return nullptr;
}

const uint8_t *EdgeBuiltinContainer(int32_t side, uint32_t *size) {
    return Find(kBuiltinBalls, side, size);
}

const uint8_t *EdgeBuiltinFineContainer(int32_t side, uint32_t *size) {
    return Find(kBuiltinFineBalls, side, size);
}
