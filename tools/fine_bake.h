// fine_bake.h -- the glass ball in the fine encoding (engine/fine_format.h).
//
// A smooth ball of solid glass (index 1.5) in front of the desktop, seen from
// the front. Each pixel's view ray is refracted in and out of the ball and
// lands on the desktop behind it, at a point kept to a 16th of a pixel; the
// picture comes out upside down, magnified in the middle and squeezed towards
// the rim, as through the classic ball. The pixel's filter level follows how
// many desktop pixels its footprint spans, so the magnified middle is
// interpolated and the squeezed rim averaged rather than picked.
//
// Light, per pixel the mean over 16 points of it: what the glass lets
// through (Fresnel's share and a slight tint, times the lens's gain: a little
// more than all of it in the clear middle, less in a darker band towards the
// rim, whose outer part shows the room upside down), the soft room it
// mirrors (a sky above, a dim floor and a small bright window about the key
// light, which is the highlight; held back in the ball's face), the window
// again as a faint sliver off the back of the ball, and a crescent of glow
// inside the rim where the ball lets the gathered light out. At the outline,
// grazing reflections show the desktop behind rather than the room, save on
// the light's side (and, on small balls, across from it). The outline covers
// its pixels in part and blends them with the desktop. On the desktop, down
// and to the right, falls a soft shadow with the light the ball focuses in
// it, a little past the rim; the frame is 1.5 times the largest diameter so
// both fit.
//
// The ball is round, so it does not show a turn: frame k and frame n - k are
// the same picture and share a record. Only + - * / and sqrt, so every IEEE
// machine bakes the same bytes.
//
//   FineBallFor(side)                 the ball that stands in for a side
//   BakeFineBallContainer(p, &out, why)  the whole container, checked
#ifndef ORB_TOOLS_FINE_BAKE_H
#define ORB_TOOLS_FINE_BAKE_H

#include <cstdint>
#include <string>
#include <vector>

#include "fine_writer.h"

struct FineBallParams {
    int32_t ballSide = 128;     // the classic size it stands in for
    int32_t frameSide = 174;    // at most 1.5 x maxDiameter
    int32_t frames = 60;
    int32_t playMode = 1;
    int32_t maxDiameter = 116;  // pixels, frame 0
    int32_t minDiameter = 26;   // pixels, the middle frame
};

// The fine ball in the classic ball's proportions for that side.
FineBallParams FineBallFor(int32_t side);

int CheckFineBallParams(const FineBallParams &p, std::string *why);

// One record: frame `index` of the play (records are frames 0..frames/2).
FineRecord BakeFineRecord(const FineBallParams &p, int32_t index);

int BakeFineBallContainer(const FineBallParams &p, std::vector<uint8_t> *out, std::string *why);

#endif
