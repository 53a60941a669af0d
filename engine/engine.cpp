// The engine's life: setup when the saver window is created, one step of the
// animation per timer tick, teardown when the window goes.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "ball_choice.h"
#include "container.h"
#include "engine.h"
#include "large_block.h"
#include "settings.h"

SaverEngine gEngine = {};
EngineOptions gEngineOptions = {"Scrsvr.lib", -1, nullptr, 0, 0, 0};

void EngineReset(void) {
    gEngine = SaverEngine{};
    gEngine.randomState = 1;
    gEngineOptions = EngineOptions{"Scrsvr.lib", -1, nullptr, 0, 0, 0};
}

// The built-in ball for a width x height window: the side asked for, else
// the one that suits the window and the display's scale, of the sides this
// program carries.
static const uint8_t *BuiltinBall(EdgeWindow window, int32_t width, int32_t height,
                                  uint32_t *size) {
    int32_t carried[kBallSideCount];
    int32_t count = 0;
    for (int32_t side : kBallSides)
        if (EdgeBuiltinContainer(side, size)) carried[count++] = side;
    int32_t side = gEngineOptions.ballSide > 0
                       ? gEngineOptions.ballSide
                       : ChooseBallSide(EdgeDisplayScale(window), width, height, carried, count);
    const uint8_t *data = EdgeBuiltinContainer(side, size);
    return data ? data : EdgeBuiltinContainer(kDefaultBallSide, size);
}

// The fine ball that stands in for the classic `ball` (its side is its
// frame's), when the program carries it and its larger frame fits the
// window; else null.
static const uint8_t *FineBall(const uint8_t *ball, uint32_t ballSize, int32_t width,
                               int32_t height, uint32_t *size) {
    if (gEngineOptions.classicBall || ballSize < kContainerMinBytes) return nullptr;
    int32_t side = 0, w = 0, h = 0;
    ContainerFrameSize(ball, ballSize, &side, &h);
    const uint8_t *data = EdgeBuiltinFineContainer(side, size);
    if (!data || *size < kFineFrameTableOffset || !IsFineContainer(data, *size)) return nullptr;
    ContainerFrameSize(data, *size, &w, &h);
    return EngineFitsWindow(width, height, w, h) ? data : nullptr;
}

// A container with the fine magic that is no valid fine container may still
// be a classic one (whose signature nobody checks): it plays as such. No
// valid fine container passes the classic checks, so the order is unambiguous.
int ValidateAnyContainer(const uint8_t *data, uint32_t size, char *why, uint32_t whyCapacity) {
    if (IsFineContainer(data, size) &&
        (DecodeFineContainer(data, size, nullptr, nullptr, why, whyCapacity) ||
         ValidateContainer(data, size, nullptr, nullptr, 0)))
        return 1;
    return ValidateContainer(data, size, nullptr, why, whyCapacity);
}

void ContainerFrameSize(const uint8_t *data, uint32_t size, int32_t *width, int32_t *height) {
    const uint8_t *slot = data + kContainerHeaderBytes;
    // A fine container keeps the classic entry zero; a classic one that
    // merely starts with the fine magic does not.
    int fine = IsFineContainer(data, size) && size >= kFineFrameTableOffset &&
               ReadLe32(slot + kEntryWidth) == 0;
    *width = (int32_t)ReadLe32(fine ? data + kFineWidthOffset : slot + kEntryWidth);
    *height = (int32_t)ReadLe32(fine ? data + kFineHeightOffset : slot + kEntryHeight);
}

// Check a container and take it as the one to play: a fine one is decoded
// whole here, once, and kept.
static int Accept(const uint8_t *data, uint32_t size) {
    if (IsFineContainer(data, size) &&
        DecodeFineContainer(data, size, &gEngine.fineDeck, nullptr, nullptr, 0))
        return gEngine.fine = 1;
    return ValidateContainer(data, size, nullptr, nullptr, 0);
}

// A container file beside the saver wins over the built-in one, but only if
// it passes the checks: it is input from anywhere.
static int LoadContainer(EdgeWindow window, int32_t width, int32_t height) {
    if (gEngineOptions.checkedContainer) {
        gEngine.containerData = gEngineOptions.checkedContainer;
        gEngine.containerSize = gEngineOptions.checkedContainerSize;
        return Accept(gEngine.containerData, gEngine.containerSize);
    }
    if (gEngineOptions.containerFileName) {
        uint32_t size = 0;
        uint8_t *block = LoadContainerFile(gEngineOptions.containerFileName, &size, nullptr, 0);
        if (block && Accept(block, size)) {
            gEngine.containerData = block;
            gEngine.containerSize = size;
            gEngine.containerFromFile = 1;
            return 1;
        }
        free(block);
    }
    uint32_t size = 0;
    const uint8_t *builtin = BuiltinBall(window, width, height, &size);
    if (!builtin) return 0;
    // The side the classic ball gets, in the fine encoding where there is one.
    uint32_t fineSize = 0;
    const uint8_t *fine = FineBall(builtin, size, width, height, &fineSize);
    if (fine && Accept(fine, fineSize)) builtin = fine, size = fineSize;
    else if (!Accept(builtin, size)) return 0;
    gEngine.containerData = builtin;
    gEngine.containerSize = size;
    return 1;
}

static int32_t ChooseDimPercent(void) {
    if (gEngineOptions.dimOverride >= 0) return gEngineOptions.dimOverride;
    return LoadDimPercent();
}

// Takes the background and the save buffer; 0 when memory ran out.
static int TakeBuffers(void) {
    // A 32-bit process cannot hold the background of an absurd client area.
    uint64_t wanted = (uint64_t)gEngine.screenWidth * (uint64_t)gEngine.screenHeight * 3;
    if (wanted > (uint64_t)(SIZE_MAX / 2)) return 0;
    size_t pixels = (size_t)gEngine.screenWidth * (size_t)gEngine.screenHeight * 3;
    gEngine.background = (uint8_t *)AllocateLarge(pixels + kBackgroundSpareBytes);
    gEngine.saveBuffer =
        (uint8_t *)malloc((size_t)gEngine.spriteWidth * (size_t)gEngine.spriteHeight * 3);
    if (gEngine.background) memset(gEngine.background + pixels, 0, kBackgroundSpareBytes);
    return gEngine.background && gEngine.saveBuffer;
}

static void CaptureAndDim(EdgeWindow window) {
    int32_t W = gEngine.screenWidth, H = gEngine.screenHeight;
    if (CaptureScreen(window, gEngine.background, W, H))
        DimBackground(gEngine.background, W, H, gEngine.dimPercent);
    else
        memset(gEngine.background, 0, (size_t)W * (size_t)H * 3);  // black, not dimmed
}

void EngineSetup(EdgeWindow window) {
    gEngine.dimPercent = ChooseDimPercent();
    gEngine.frameIndex = -1;
    gEngine.inert = 1;
    int32_t W = 0, H = 0;
    if (!EdgeClientSize(window, &W, &H) || W < 0 || H < 0) return;
    if (!LoadContainer(window, W, H) || !ParseContainer()) return;
    gEngine.screenWidth = W;
    gEngine.screenHeight = H;
    if (!TakeBuffers() || !EdgeOpen(window, W, H)) return;
    CaptureAndDim(window);
    if (gEngine.fine) {
        int32_t top = gEngine.fineDeck.topLevel, exposure = FineExposureLevel(gEngine.fineDeck);
        if (!FineBuildLevels(&gEngine.fineLevels, gEngine.background, W, H,
                             exposure > top ? exposure : top))
            return;
    }
    gEngine.timerId = EdgeStartTimer(window);
    gEngine.firstTick = 1;
    gEngine.inert = 0;
}

void EngineTeardown(EdgeWindow window) {
    if (gEngine.timerId) EdgeStopTimer(window, gEngine.timerId);
    EdgeClose(window);
    free(gEngine.background);
    free(gEngine.saveBuffer);
    free(gEngine.wordBuffer);
    free(gEngine.streamBuffer);
    free(gEngine.compositeBuffer);
    if (gEngine.containerFromFile) free((void *)gEngine.containerData);
    FreeFineDeck(&gEngine.fineDeck);
    FreeFineLevels(&gEngine.fineLevels);
    gEngine.fine = 0;
    // Unlike the window's fields, the pointers must not outlive their blocks:
    // a stray tick after teardown has to find an inert engine.
    gEngine.background = gEngine.saveBuffer = nullptr;
    gEngine.wordBuffer = nullptr;
    gEngine.streamBuffer = gEngine.compositeBuffer = nullptr;
    gEngine.containerData = nullptr;
    gEngine.containerFromFile = 0;
    gEngine.timerId = 0;
    gEngine.inert = 1;
}

static inline int IsAppearingMode(int32_t mode) { return mode >= 2 && mode <= 4; }

static void Present(EdgeWindow window, int32_t x, int32_t y, int32_t cx, int32_t cy) {
    PresentRect(window, gEngine.background, gEngine.screenWidth, gEngine.screenHeight, x, y, cx,
                cy);
}

// Idle, bouncing mode: place the sprite anywhere and start the loop.
static void StartBouncing(void) {
    SaverEngine &e = gEngine;
    int32_t spanX = e.screenWidth - e.spriteWidth, spanY = e.screenHeight - e.spriteHeight;
    e.frameIndex = 0;
    e.stepX = e.stepY = 2;
    e.spriteX = NextRandom() % spanX;
    e.spriteY = NextRandom() % spanY;
}

// Idle, appearing modes: one roll in eight places the sprite.
static void MaybeAppear(void) {
    SaverEngine &e = gEngine;
    if ((NextRandom() & 255) < 224) return;
    int32_t spanX = e.screenWidth - e.spriteWidth, spanY = e.screenHeight - e.spriteHeight;
    e.frameIndex = 0;
    e.spriteX = NextRandom() % spanX;
    e.spriteY = NextRandom() % spanY;
    if (e.spriteX < 2) e.spriteX = 0;
    if (e.spriteY < 2) e.spriteY = 0;
    if (e.spriteX > spanX - 2) e.spriteX = spanX - 1;
    if (e.spriteY > spanY - 2) e.spriteY = spanY - 1;
    SaveUnderSprite();
}

static void Bounce(void) {
    SaverEngine &e = gEngine;
    int32_t spanX = e.screenWidth - e.spriteWidth, spanY = e.screenHeight - e.spriteHeight;
    e.spriteX += e.stepX;
    e.spriteY += e.stepY;
    if (e.spriteX < 2) e.spriteX = 2, e.stepX = 2;
    if (e.spriteY < 2) e.spriteY = 2, e.stepY = 2;
    if (e.spriteX > spanX - 2) e.spriteX = spanX - 3, e.stepX = -2;
    if (e.spriteY > spanY - 2) e.spriteY = spanY - 3, e.stepY = -2;
}

// `box` grown to hold `other` (left, top, right, bottom; empty when right <=
// left): an empty box takes the other whole, an empty other changes nothing.
static void Enclose(int32_t box[4], const int32_t other[4]) {
    if (other[2] <= other[0]) return;
    if (box[2] <= box[0]) {
        memcpy(box, other, 4 * sizeof *box);
        return;
    }
    if (other[0] < box[0]) box[0] = other[0];
    if (other[1] < box[1]) box[1] = other[1];
    if (other[2] > box[2]) box[2] = other[2];
    if (other[3] > box[3]) box[3] = other[3];
}

// A fine frame changes only the rectangle its spans cover, which is small
// while the ball is: the tick shows that and what the last tick changed (at
// most 2 pixels away, the largest move), not the whole frame.
static void PresentFine(EdgeWindow window) {
    SaverEngine &e = gEngine;
    const FineRecordPlace &now = e.fineDeck.records[e.fineRecord];
    const int32_t drawn[4] = {now.left, now.top, now.right, now.bottom};
    int32_t box[4];
    memcpy(box, drawn, sizeof box);
    Enclose(box, e.fineShown);
    memcpy(e.fineShown, drawn, sizeof drawn);
    if (box[2] <= box[0]) return;
    Present(window, e.spriteX + box[0] - 2, e.spriteY + box[1] - 2, box[2] - box[0] + 4,
            box[3] - box[1] + 4);
}

static void DrawBouncingFrame(EdgeWindow window) {
    SaverEngine &e = gEngine;
    SaveUnderSprite();
    RenderFrame(e.frameIndex);
    PasteComposite();
    e.frameIndex += 1;
    // The 2-pixel margin is the largest move per tick, so it also repaints
    // the strip the sprite uncovered since the last tick.
    if (e.fine)
        PresentFine(window);
    else
        Present(window, e.spriteX - 2, e.spriteY - 2, e.spriteWidth + 4, e.spriteHeight + 4);
    RestoreUnderSprite();
    Bounce();
    if (e.frameIndex >= e.frameCount) e.frameIndex = 0;
}

static void DrawAppearingFrame(EdgeWindow window) {
    SaverEngine &e = gEngine;
    RestoreUnderSprite();
    if (e.frameIndex >= e.frameCount) {
        e.frameIndex = -1;
    } else {
        RenderFrame(e.frameIndex);
        PasteComposite();
        e.frameIndex += 1;
    }
    // After the last frame this shows the restored background: the erase.
    Present(window, e.spriteX, e.spriteY, e.spriteWidth, e.spriteHeight);
}

int EngineRepaint(EdgeWindow window, int32_t x, int32_t y, int32_t cx, int32_t cy) {
    const SaverEngine &e = gEngine;
    if (e.inert || e.firstTick || !e.background) return 0;
    // Clipped here, in 64 bits, so that no backend sees a rectangle whose
    // far corner overflows, whatever the host was told.
    int64_t x0 = x < 0 ? 0 : x, y0 = y < 0 ? 0 : y;
    int64_t x1 = (int64_t)x + cx, y1 = (int64_t)y + cy;
    if (x1 > e.screenWidth) x1 = e.screenWidth;
    if (y1 > e.screenHeight) y1 = e.screenHeight;
    if (x0 < x1 && y0 < y1)
        Present(window, (int32_t)x0, (int32_t)y0, (int32_t)(x1 - x0), (int32_t)(y1 - y0));
    return 1;
}

void EngineTick(EdgeWindow window) {
    SaverEngine &e = gEngine;
    if (e.inert) return;
    if (!EngineFitsWindow(e.screenWidth, e.screenHeight, e.spriteWidth, e.spriteHeight)) return;
    if (e.firstTick) {
        SeedRandom(EdgeClockSeconds());
        Present(window, 0, 0, e.screenWidth, e.screenHeight);
        e.firstTick = 0;
    }
    if (e.frameIndex == -1) {
        if (e.playMode == 1) StartBouncing();
        else if (IsAppearingMode(e.playMode)) MaybeAppear();
    } else if (e.playMode == 1) {
        DrawBouncingFrame(window);
    } else if (IsAppearingMode(e.playMode)) {
        DrawAppearingFrame(window);
    }
}
