// wayland_host.h -- one orb-wayland process's connection to the compositor:
// the globals it offers, its outputs, and the seat whose input ends the
// saver.
//
//   ConnectHost()      connects and learns the globals and every output's
//                      scale, transform and mode; 0 without a display
//   FindOutput(name)   the output whose registry name is `name`, or null.
//                      Registry names are the compositor's, the same for
//                      every client, so a parent can hand one to a child
//   HostStatus(code)   what a process ends with once the loop is over:
//                      `code` unless the connection failed
//
// Outputs are records of their own, each at a fixed address for its whole
// life: the compositor's events for an output find it through that address,
// and an output plugged in later must not move the others.
#ifndef ORB_WAYLAND_WAYLAND_HOST_H
#define ORB_WAYLAND_WAYLAND_HOST_H

#include <wayland-client.h>

#include <cstdint>
#include <memory>
#include <vector>

struct zwlr_layer_shell_v1;
struct zwlr_layer_surface_v1;
struct zwlr_screencopy_manager_v1;
struct wp_viewporter;
struct wp_viewport;
struct wp_fractional_scale_manager_v1;

struct HostOutput {
    wl_output *output;
    uint32_t name;                     // the registry's
    int32_t scale;                     // whole: the compositor rounds a fractional one up
    int32_t transform;                 // wl_output_transform
    int32_t modeWidth, modeHeight;     // the current mode in pixels, as the panel lies
};

struct WaylandHost {
    wl_display *display;
    wl_registry *registry;
    wl_compositor *compositor;
    wl_shm *shm;
    wl_seat *seat;
    zwlr_layer_shell_v1 *layerShell;
    zwlr_screencopy_manager_v1 *screencopy;
    wp_viewporter *viewporter;
    wp_fractional_scale_manager_v1 *fractionalScale;
    std::vector<std::unique_ptr<HostOutput>> outputs;
    uint32_t coveredName;  // the registry name of the output this process covers

    wl_surface *surface;
    zwlr_layer_surface_v1 *layerSurface;
    wp_viewport *viewport;  // maps the buffer's pixels onto the surface; null without viewporter
    uint32_t configuredWidth, configuredHeight;  // surface units
    uint32_t preferredScale120;  // the compositor's scale for the surface, in 120ths; 0: none
    int configured;
    wl_keyboard *keyboard;
    wl_pointer *pointer;
    int pointerKnown;
    double pointerX, pointerY;  // where the pointer came in, surface units

    int quit;
    int status;
    long ticksDone;
};

enum {
    kExitOutputGone = 3,  // a child's output went away; the others go on
};

extern WaylandHost gHost;

int ConnectHost(void);
HostOutput *FindOutput(uint32_t name);
int HostStatus(int code);

#endif
