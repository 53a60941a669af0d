// ball_bake.h -- the crystal-ball animation, baked into displacement words.
//
// The ball is solid glass (index 1.5 at --refraction 100) seen from the
// front without perspective, in front of the desktop. Each pixel inside its
// outline traces the view ray in through the front surface (Snell's law),
// across the ball to its round back, out again, and on to a plane a few
// radii behind it: the sample is where the ray lands, so the desktop shows
// through the ball as one picture, upside down as a glass ball shows it.
// Landing points beyond the ball's own outline are drawn in smoothly, never
// clamped, so every sample lies inside the frame.
//
// The front is cut into facets: an icosahedron whose faces are cut into
// frequency^2 triangles (0: no cut, a smooth ball). A facet bends the surface
// part of the way towards its own plane, so it shifts its piece of the
// picture a little and mirrors the light a little differently; the bend
// fades out towards the rim, where grazing rays would throw it far. The glass
// stays clear apart from a few narrow lights (whole levels step visibly over
// a broad faint gradient): a Fresnel band rising steeply at the rim, lit at
// the top and fading towards the bottom, a soft-edged window up to the left
// as the cut mirrors it, one small sharp highlight and a tiny second one from
// the round ball (they stay put while the ball turns), a soft glow inside the
// rim across from the light where the ball lets out the light it gathers,
// and a glint on a facet edge only where its bevel mirrors the light into the
// eye. Each pixel's light is its mean over 16 points, rounded to a whole
// level, so the outline fades over a pixel without a dither's grain.
//
// The ball turns about one of its five-fold axes while its diameter eases
// from maxDiameter down to minDiameter at frame (frames-1)/2 and back up to
// maxDiameter at the last frame. One loop turns it by `turn` fifths of a
// revolution, which maps the cut onto itself, so the last frame runs into
// the first without a jump.
//
// The bake uses only + - * / and sqrt in double precision (ball_geometry.h),
// so every IEEE machine bakes the same bytes.
//
//   CheckBallParams(params, why)       1 when the parameters can be baked
//   BakeBallFrames(params, &frames)    one width*height word field per frame
//   BakeBallContainer(params, &out, why)  the whole container, checked
#ifndef ORB_TOOLS_BALL_BAKE_H
#define ORB_TOOLS_BALL_BAKE_H

#include <cstdint>
#include <string>
#include <vector>

enum {
    kMaxBallFrameSide = 400,  // a step back across a whole row must fit its 511 columns
};

// What the baker takes, low..high: CheckBallParams refuses anything else and
// orbtool's usage shows these. The diameters depend on the frame size, so
// CheckBallParams alone checks them.
struct BallRange {
    int32_t low, high;
};
constexpr BallRange kBallSideRange{8, kMaxBallFrameSide};
constexpr BallRange kBallFramesRange{1, 127};  // the container's count is a signed byte
constexpr BallRange kBallPlayModeRange{-128, 127};
constexpr BallRange kBallFacetsRange{0, 12};
constexpr BallRange kBallTurnRange{-20, 20};
constexpr BallRange kBallBrightnessRange{0, 400};
constexpr BallRange kBallRefractionRange{0, 200};

struct BallParams {
    int32_t width = 128;
    int32_t height = 128;
    int32_t frames = 60;
    int32_t playMode = 1;
    int32_t facetFrequency = 2;  // each icosahedron face cut into frequency^2 facets; 0: smooth
    int32_t turn = 1;            // fifths of a revolution per loop
    int32_t maxDiameter = 116;   // pixels, frames 0 and last
    int32_t minDiameter = 26;    // pixels, frame (frames-1)/2
    int32_t brightness = 100;    // percent of the standard light
    int32_t refraction = 100;    // percent of the standard bending
};

// What a pixel of a frame shows: where it samples (inside the frame) and how
// much light it gets. facet is -1 outside the ball (0 on a smooth ball).
struct BallPixel {
    int32_t sampleX, sampleY;
    int32_t level;
    int32_t facet;
};

int CheckBallParams(const BallParams &params, std::string *why);

// The largest ball diameter a frame whose shorter side is `side` holds.
int32_t LargestBallDiameter(int32_t side);

// A diameter of the default 128 frame, in proportion for a frame of `side`
// (2 pixels up to LargestBallDiameter).
int32_t ScaledDiameter(int32_t diameterAt128, int32_t side);

// The diameter of frame `index` in pixels (may be fractional).
double BallDiameter(const BallParams &params, int32_t index);

// The pixels of frame `index`; index may run past the last frame (the turn
// goes on), which the loop test uses.
void BakeBallPixels(const BallParams &params, int32_t index, std::vector<BallPixel> *pixels);

// Turn pixels into the frame's displacement words (the sampling path).
void BallPixelsToWords(const std::vector<BallPixel> &pixels, int32_t width, int32_t height,
                       std::vector<uint32_t> *words);

void BakeBallFrames(const BallParams &params, std::vector<std::vector<uint32_t>> *frames);

// Fails (0, with a reason) on parameters CheckBallParams refuses, and on a
// result the container checks would refuse.
int BakeBallContainer(const BallParams &params, std::vector<uint8_t> *out, std::string *why);

#endif
