// captured_picture.h -- an output's screencopy frame made into the picture
// the saver dims: turned upright and sized to the surface.
//
// Screencopy hands over the output's pixels as the panel lies; a rotated or
// flipped output (wl_output transform) shows them turned, and the user sees
// them turned. TurnPicture undoes the turn so the picture lies as the
// desktop does under the saver's surface, then takes the nearest pixel for
// each of width x height (one for one when the sizes agree).
#ifndef ORB_WAYLAND_CAPTURED_PICTURE_H
#define ORB_WAYLAND_CAPTURED_PICTURE_H

#include <cstdint>
#include <vector>

struct CapturedFrame {
    const uint8_t *pixels;  // height rows of stride bytes, 4 bytes a pixel
    uint32_t width, height, stride;
    int blueFirst;  // XRGB8888 in memory; else XBGR8888
    int yInvert;    // the last row comes first
};

// The upright picture, BGR rows, width x height; empty for an empty frame.
std::vector<uint8_t> TurnPicture(const CapturedFrame &frame, int32_t transform, int32_t width,
                                 int32_t height);

#endif
