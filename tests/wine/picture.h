// picture.h -- the known picture the saver driver puts on the screen, and
// what the saver must make of it: the same picture darkened, with one ball.
#ifndef ORB_TESTS_WINE_PICTURE_H
#define ORB_TESTS_WINE_PICTURE_H

#include "harness.h"

// The built-in ball's frame: the fine 128's, 1.5 times its 116-pixel diameter,
// with room for its shadow. A window too small for it plays the classic 128.
const int kBall = 174;
const int kClassicBall = 128;

uint32_t Picture(int x, int y);               // 0x00RRGGBB at picture point (x, y)
uint32_t Dim(uint32_t rgb, int percent);      // as the saver darkens it
uint32_t Light(uint32_t rgb, int level);      // as a sprite pixel lit by `level`

struct PictureWindow {
    HWND window;
    int originX, originY;  // picture coordinates are relative to this screen point
    int width, height;
    std::vector<uint32_t> pixels;
    int forwardedMenus;  // WM_CONTEXTMENU received with our own handle as wParam
    HWND helpFrom;       // the window whose help request came with a readable HELPINFO
};
extern PictureWindow gPicture;

// Shows the picture in a window whose client area starts at (x, y). A popup
// covers the screen; an overlapped window with a frame serves as a preview
// parent.
HWND ShowPicture(int x, int y, int width, int height, int framed);
// The picture in a popup at (0, 0) shown without activation, as a preview
// parent that may be larger than the screen.
HWND ShowPreviewParent(int width, int height);

// What a shot shows against the darkened picture.
struct Comparison {
    int mismatches;      // pixels that differ from the darkened picture
    RECT box;            // their bounding box (screen coordinates), empty when none
    int firstX, firstY;  // one of them, for the report
    uint32_t seen, wanted;
};
Comparison CompareWithDimmed(const Shot &shot, int percent);
int BoxWidth(const RECT &r);
int BoxHeight(const RECT &r);

// Waits until the area shows the darkened picture everywhere but inside one
// sprite-sized box (the ball), and returns that comparison.
int WaitForDimmed(int x, int y, int width, int height, int percent, int spriteSide,
                  Comparison *result, Shot *shot, DWORD timeoutMs);
void ReportDimmed(const Comparison &c, int percent);
// Waits until the screen shows the plain picture again.
int WaitForPicture(DWORD timeoutMs);

// The full-screen saver over the picture: starts it (in `folder`, the run
// folder when null) and waits until the screen shows the darkened picture
// with one ball on it. The picture covers the primary monitor, or `area` of
// the virtual screen (which may start left of or above the primary's corner).
Saver StartOverPicture(int percent, const char *folder, int spriteSide, Comparison *seen);
Saver StartOverPictureIn(const RECT &area, int percent, const char *folder, int spriteSide,
                         Comparison *seen);
// The ball is seen at least twice in different places, each time with the
// rest of the screen (or of `area`) exactly the darkened picture.
void ExpectBallMoves(int percent);
void ExpectBallMovesIn(const RECT &area, int percent);
RECT PrimaryScreen();

#endif
