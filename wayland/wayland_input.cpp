// Input on the saver's surface: a key, a button, a wheel turn or a pointer
// move of more than 4 pixels is a touch, and a touch ends the saver.
#include <unistd.h>

#include "wayland_host.h"

enum {
    kMoveThreshold = 4,  // pointer travel that is not yet a touch
};

static void Touched(void) {
    gHost.quit = 1;
    gHost.status = 0;
}

static void KeyboardKeymap(void *, wl_keyboard *, uint32_t, int32_t fd, uint32_t) { close(fd); }
static void KeyboardEnter(void *, wl_keyboard *, uint32_t, wl_surface *, wl_array *) {}
static void KeyboardLeave(void *, wl_keyboard *, uint32_t, wl_surface *) {}
static void KeyboardKey(void *, wl_keyboard *, uint32_t, uint32_t, uint32_t, uint32_t state) {
    if (state == WL_KEYBOARD_KEY_STATE_PRESSED) Touched();
}
static void KeyboardModifiers(void *, wl_keyboard *, uint32_t, uint32_t, uint32_t, uint32_t,
                              uint32_t) {}
static void KeyboardRepeat(void *, wl_keyboard *, int32_t, int32_t) {}
static const wl_keyboard_listener kKeyboardListener = {KeyboardKeymap, KeyboardEnter,
                                                       KeyboardLeave,  KeyboardKey,
                                                       KeyboardModifiers, KeyboardRepeat};

// The pointer's travel counts from where it first showed over the saver.
static void PointerAt(wl_fixed_t x, wl_fixed_t y) {
    double px = wl_fixed_to_double(x), py = wl_fixed_to_double(y);
    if (!gHost.pointerKnown) {
        gHost.pointerKnown = 1;
        gHost.pointerX = px, gHost.pointerY = py;
        return;
    }
    if (px - gHost.pointerX > kMoveThreshold || gHost.pointerX - px > kMoveThreshold ||
        py - gHost.pointerY > kMoveThreshold || gHost.pointerY - py > kMoveThreshold)
        Touched();
}
static void PointerEnter(void *, wl_pointer *pointer, uint32_t serial, wl_surface *,
                         wl_fixed_t x, wl_fixed_t y) {
    wl_pointer_set_cursor(pointer, serial, nullptr, 0, 0);  // no cursor over the saver
    PointerAt(x, y);
}
static void PointerLeave(void *, wl_pointer *, uint32_t, wl_surface *) {}
static void PointerMotion(void *, wl_pointer *, uint32_t, wl_fixed_t x, wl_fixed_t y) {
    PointerAt(x, y);
}
static void PointerButton(void *, wl_pointer *, uint32_t, uint32_t, uint32_t, uint32_t state) {
    if (state == WL_POINTER_BUTTON_STATE_PRESSED) Touched();
}
static void PointerAxis(void *, wl_pointer *, uint32_t, uint32_t, wl_fixed_t) { Touched(); }
static void PointerFrame(void *, wl_pointer *) {}
static void PointerAxisSource(void *, wl_pointer *, uint32_t) {}
static void PointerAxisStop(void *, wl_pointer *, uint32_t, uint32_t) {}
static void PointerAxisDiscrete(void *, wl_pointer *, uint32_t, int32_t) {}
static void PointerAxisValue120(void *, wl_pointer *, uint32_t, int32_t) {}
static const wl_pointer_listener kPointerListener = {
    PointerEnter,      PointerLeave,    PointerMotion,       PointerButton,      PointerAxis,
    PointerFrame,      PointerAxisSource, PointerAxisStop, PointerAxisDiscrete,
    PointerAxisValue120};

// Keyboards and pointers come and go (a mouse plugged in, a virtual one):
// a device the seat lost is let go, one it gained is listened to.
template <typename Device, typename Get, typename Listen>
static void FollowDevice(Device **device, bool present, Get get, Listen listen,
                         void (*release)(Device *)) {
    if (!present && *device) {
        release(*device);
        *device = nullptr;
    } else if (present && !*device) {
        *device = get();
        listen(*device);
    }
}

static void SeatCapabilities(void *, wl_seat *seat, uint32_t caps) {
    WaylandHost &h = gHost;
    FollowDevice(
        &h.keyboard, caps & WL_SEAT_CAPABILITY_KEYBOARD, [seat] { return wl_seat_get_keyboard(seat); },
        [](wl_keyboard *k) { wl_keyboard_add_listener(k, &kKeyboardListener, nullptr); },
        wl_keyboard_release);
    FollowDevice(
        &h.pointer, caps & WL_SEAT_CAPABILITY_POINTER, [seat] { return wl_seat_get_pointer(seat); },
        [](wl_pointer *p) { wl_pointer_add_listener(p, &kPointerListener, nullptr); },
        wl_pointer_release);
}
static void SeatName(void *, wl_seat *, const char *) {}
extern const wl_seat_listener kSeatListener;
const wl_seat_listener kSeatListener = {SeatCapabilities, SeatName};

