// The in-memory backend: the screen is an image the caller owns.
#include <cstring>

#include "ball_choice.h"
#include "edge.h"
#include "edge_offscreen.h"

OffscreenEdge gOffscreen = {};

void OffscreenReset(void) { gOffscreen = OffscreenEdge{}; }

int EdgeClientSize(EdgeWindow, int32_t *width, int32_t *height) {
    *width = gOffscreen.width;
    *height = gOffscreen.height;
    return 1;
}

int EdgeOpen(EdgeWindow, int32_t, int32_t) {
    if (gOffscreen.failOpen) return 0;
    gOffscreen.opened = 1;
    return 1;
}

void EdgeClose(EdgeWindow) { gOffscreen.opened = 0; }

int CaptureScreen(EdgeWindow, uint8_t *pixels, int32_t width, int32_t height) {
    if (gOffscreen.failCapture || !gOffscreen.screen) return 0;
    if (width != gOffscreen.width || height != gOffscreen.height) return 0;
    memcpy(pixels, gOffscreen.screen, (size_t)width * (size_t)height * 3);
    return 1;
}

void PresentRect(EdgeWindow, const uint8_t *pixels, int32_t width, int32_t height, int32_t x,
                 int32_t y, int32_t cx, int32_t cy) {
    gOffscreen.presentCount++;
    gOffscreen.lastPresent[0] = x;
    gOffscreen.lastPresent[1] = y;
    gOffscreen.lastPresent[2] = cx;
    gOffscreen.lastPresent[3] = cy;
    if (!gOffscreen.screen) return;
    // Clip to both the image and the screen.
    int32_t x0 = x < 0 ? 0 : x, y0 = y < 0 ? 0 : y;
    int32_t x1 = x + cx, y1 = y + cy;
    if (x1 > width) x1 = width;
    if (y1 > height) y1 = height;
    if (x1 > gOffscreen.width) x1 = gOffscreen.width;
    if (y1 > gOffscreen.height) y1 = gOffscreen.height;
    if (x0 >= x1 || y0 >= y1) return;
    for (int32_t row = y0; row < y1; row++) {
        size_t from = ((size_t)row * (size_t)width + (size_t)x0) * 3;
        size_t to = ((size_t)row * (size_t)gOffscreen.width + (size_t)x0) * 3;
        memcpy(gOffscreen.screen + to, pixels + from, (size_t)(x1 - x0) * 3);
    }
}

uint32_t EdgeStartTimer(EdgeWindow) {
    if (gOffscreen.failTimer) return 0;
    gOffscreen.timerId = 1;
    return 1;
}

void EdgeStopTimer(EdgeWindow, uint32_t) { gOffscreen.timerId = 0; }

const uint8_t *EdgeBuiltinContainer(int32_t side, uint32_t *size) {
    *size = 0;
    if (side == kDefaultBallSide) {
        *size = gOffscreen.builtin ? gOffscreen.builtinSize : 0;
        return gOffscreen.builtin;
    }
    for (const auto &ball : gOffscreen.larger)
        if (ball.side == side && ball.data) {
            *size = ball.size;
            return ball.data;
        }
    return nullptr;
}

uint32_t EdgeClockSeconds(void) { return gOffscreen.clockSeconds; }

int32_t EdgeDisplayScale(EdgeWindow) {
    return gOffscreen.scalePercent ? gOffscreen.scalePercent : 100;
}

const uint8_t *EdgeBuiltinFineContainer(int32_t side, uint32_t *size) {
    *size = 0;
    for (const auto &ball : gOffscreen.fine)
        if (ball.side == side && ball.data) {
            *size = ball.size;
            return ball.data;
        }
    return nullptr;
}
