// builtin_balls.h -- the balls compiled into orb and orb-wayland, one per side it
// carries (cmake/embed.cmake generates the table; ball_choice.h lists the
// sides a build may carry). The table ends with a side of 0.
#ifndef ORB_LINUX_BUILTIN_BALLS_H
#define ORB_LINUX_BUILTIN_BALLS_H

#include <cstdint>

struct BuiltinBall {
    int32_t side;
    const unsigned char *begin, *end;  // the container's bytes
};

extern const BuiltinBall kBuiltinBalls[];
extern const BuiltinBall kBuiltinFineBalls[];  // the fine ones, by the side they stand in for

#endif
