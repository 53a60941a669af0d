// orb_wayland_pointer: gives a headless compositor's seat a pointer, as a
// mouse would, for the Wayland end-to-end test: a seat without one offers
// its clients no pointer, so nothing it does reaches them. Then, from the
// command line, in order:
//
//   wait MS          sleep
//   move DX DY       move the pointer by DX, DY
//   click            press and release the left button
//
// and it keeps the pointer until its stdin closes. Exit 1 when the
// compositor has no virtual-pointer manager.
#include <linux/input-event-codes.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <wayland-client.h>

#include "virtual-pointer-client.h"

static zwlr_virtual_pointer_manager_v1 *gManager;

static void OnGlobal(void *, wl_registry *registry, uint32_t name, const char *interface,
                     uint32_t) {
    if (!strcmp(interface, zwlr_virtual_pointer_manager_v1_interface.name))
        gManager = (zwlr_virtual_pointer_manager_v1 *)wl_registry_bind(
            registry, name, &zwlr_virtual_pointer_manager_v1_interface, 1);
}
static void OnGlobalRemove(void *, wl_registry *, uint32_t) {}
static const wl_registry_listener kRegistryListener = {OnGlobal, OnGlobalRemove};

int main(int argc, char **argv) {
    wl_display *display = wl_display_connect(nullptr);
    if (!display) return fprintf(stderr, "orb_wayland_pointer: no Wayland display\n"), 1;
    wl_registry *registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &kRegistryListener, nullptr);
    wl_display_roundtrip(display);
    if (!gManager) return fprintf(stderr, "orb_wayland_pointer: no virtual pointers here\n"), 1;
    zwlr_virtual_pointer_v1 *pointer =
        zwlr_virtual_pointer_manager_v1_create_virtual_pointer(gManager, nullptr);
    wl_display_roundtrip(display);
    printf("ready\n");
    fflush(stdout);
    uint32_t time = 1;
    for (int i = 1; i < argc; ++i) {
        if (!strcmp(argv[i], "wait") && i + 1 < argc) {
            usleep((useconds_t)atoi(argv[++i]) * 1000);
        } else if (!strcmp(argv[i], "move") && i + 2 < argc) {
            double dx = atof(argv[i + 1]), dy = atof(argv[i + 2]);
            i += 2;
            zwlr_virtual_pointer_v1_motion(pointer, time++, wl_fixed_from_double(dx),
                                           wl_fixed_from_double(dy));
            zwlr_virtual_pointer_v1_frame(pointer);
        } else if (!strcmp(argv[i], "click")) {
            zwlr_virtual_pointer_v1_button(pointer, time++, BTN_LEFT, WL_POINTER_BUTTON_STATE_PRESSED);
            zwlr_virtual_pointer_v1_frame(pointer);
            zwlr_virtual_pointer_v1_button(pointer, time++, BTN_LEFT, WL_POINTER_BUTTON_STATE_RELEASED);
            zwlr_virtual_pointer_v1_frame(pointer);
        } else {
            return fprintf(stderr, "orb_wayland_pointer: what is '%s'?\n", argv[i]), 2;
        }
        wl_display_roundtrip(display);
    }
    char buffer[64];
    while (fread(buffer, 1, sizeof buffer, stdin) > 0) {
    }
    zwlr_virtual_pointer_v1_destroy(pointer);
    wl_display_roundtrip(display);
    wl_display_disconnect(display);
    return 0;
}
