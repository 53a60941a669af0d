// ball_bake.h -- the crystal-ball animation, baked into displacement words.
//
// The ball is a geodesic sphere of flat triangular facets (an icosahedron
// whose faces are cut into frequency^2 triangles, corners pushed out onto
// the sphere). Seen from the front without perspective, every pixel inside
// its outline belongs to one facet, and every facet has one refraction
// offset and one light level, both from its normal: the desktop seen through
// a facet is shifted against the way the facet leans, as a glass ball
// inverts what lies behind it, and a facet is lit by how squarely it faces
// the light, plus a highlight where it mirrors the light towards the viewer.
// Facets turned away from the light stay at level 0.
//
// The ball turns about one of its five-fold axes while its diameter eases
// from maxDiameter down to minDiameter at frame (frames-1)/2 and back up to
// maxDiameter at the last frame. One loop turns it by `turn` fifths of a
// revolution, which maps the facet pattern onto itself, so the last frame
// runs into the first without a jump.
//
// The bake uses only + - * / and sqrt in double precision, and sine and
// cosine of its own, so every IEEE machine bakes the same bytes.
//
//   CheckBallParams(params, why)       1 when the parameters can be baked
//   BakeBallFrames(params, &frames)    one width*height word field per frame
//   BakeBallContainer(params, &out, why)  the whole container
#ifndef ORB_TOOLS_BALL_BAKE_H
#define ORB_TOOLS_BALL_BAKE_H

#include <cstdint>
#include <string>
#include <vector>

enum {
    kMaxSampleColumns = 49,  // how far a sample may lie from its pixel
    kMaxSampleRows = 48,
    kMaxBallFrameSide = 400,  // 400 - 1 + 2 * 49 columns back still fits a step
};

struct BallParams {
    int32_t width = 128;
    int32_t height = 128;
    int32_t frames = 60;
    int32_t playMode = 1;
    int32_t facetFrequency = 4;  // each icosahedron face cut into frequency^2 facets
    int32_t turn = 1;            // fifths of a revolution per loop
    int32_t maxDiameter = 116;   // pixels, frames 0 and last
    int32_t minDiameter = 26;    // pixels, frame (frames-1)/2
    int32_t brightness = 100;    // percent of the standard light
    int32_t refraction = 100;    // percent of the standard bending
};

// What a pixel of a frame shows: where it samples (inside the frame) and how
// much light it gets. facet is -1 outside the ball.
struct BallPixel {
    int32_t sampleX, sampleY;
    int32_t level;
    int32_t facet;
};

int CheckBallParams(const BallParams &params, std::string *why);

// The diameter of frame `index` in pixels (may be fractional).
double BallDiameter(const BallParams &params, int32_t index);

// The pixels of frame `index`; index may run past the last frame (the turn
// goes on), which the loop test uses.
void BakeBallPixels(const BallParams &params, int32_t index, std::vector<BallPixel> *pixels);

// Turn pixels into the frame's displacement words (the sampling path).
void BallPixelsToWords(const std::vector<BallPixel> &pixels, int32_t width, int32_t height,
                       std::vector<uint32_t> *words);

void BakeBallFrames(const BallParams &params, std::vector<std::vector<uint32_t>> *frames);

int BakeBallContainer(const BallParams &params, std::vector<uint8_t> *out, std::string *why);

#endif
