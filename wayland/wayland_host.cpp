// The connection, what the compositor offers, and its outputs.
#include "wayland_host.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

// The protocol names an argument after a C++ keyword.
#define namespace layer_namespace
#include "layer-shell-client.h"
#undef namespace
#include "fractional-scale-v1-client.h"
#include "orb_start.h"
#include "screencopy-client.h"
#include "viewporter-client.h"

WaylandHost gHost;
extern const wl_seat_listener kSeatListener;  // wayland_input.cpp

static void OutputGeometry(void *data, wl_output *, int32_t, int32_t, int32_t, int32_t, int32_t,
                           const char *, const char *, int32_t transform) {
    ((HostOutput *)data)->transform = transform;
}
static void OutputMode(void *data, wl_output *, uint32_t flags, int32_t width, int32_t height,
                       int32_t) {
    if (!(flags & WL_OUTPUT_MODE_CURRENT)) return;
    ((HostOutput *)data)->modeWidth = width;
    ((HostOutput *)data)->modeHeight = height;
}
static void OutputDone(void *, wl_output *) {}
static void OutputScale(void *data, wl_output *, int32_t factor) {
    ((HostOutput *)data)->scale = factor > 0 ? factor : 1;
}
static void OutputName(void *, wl_output *, const char *) {}
static void OutputDescription(void *, wl_output *, const char *) {}
static const wl_output_listener kOutputListener = {OutputGeometry, OutputMode,  OutputDone,
                                                   OutputScale,    OutputName, OutputDescription};

static void OnGlobal(void *, wl_registry *registry, uint32_t name, const char *interface,
                     uint32_t version) {
    WaylandHost &h = gHost;
    auto bind = [&](const wl_interface *type, uint32_t highest) {
        return wl_registry_bind(registry, name, type, version < highest ? version : highest);
    };
    if (!strcmp(interface, wl_compositor_interface.name)) {
        if (version >= 4) h.compositor = (wl_compositor *)bind(&wl_compositor_interface, 4);
    } else if (!strcmp(interface, wl_shm_interface.name)) {
        h.shm = (wl_shm *)bind(&wl_shm_interface, 1);
    } else if (!strcmp(interface, wl_seat_interface.name) && !h.seat) {
        // Its capabilities come with the next roundtrip: listen from now on.
        h.seat = (wl_seat *)bind(&wl_seat_interface, 5);
        wl_seat_add_listener(h.seat, &kSeatListener, nullptr);
    } else if (!strcmp(interface, wl_output_interface.name)) {
        HostOutput *o = new HostOutput{(wl_output *)bind(&wl_output_interface, 2), name, 1,
                                       WL_OUTPUT_TRANSFORM_NORMAL, 0, 0};
        h.outputs.emplace_back(o);
        wl_output_add_listener(o->output, &kOutputListener, o);
    } else if (!strcmp(interface, zwlr_layer_shell_v1_interface.name)) {
        h.layerShell = (zwlr_layer_shell_v1 *)bind(&zwlr_layer_shell_v1_interface, 1);
    } else if (!strcmp(interface, zwlr_screencopy_manager_v1_interface.name)) {
        h.screencopy = (zwlr_screencopy_manager_v1 *)bind(&zwlr_screencopy_manager_v1_interface, 1);
    } else if (!strcmp(interface, wp_viewporter_interface.name)) {
        h.viewporter = (wp_viewporter *)bind(&wp_viewporter_interface, 1);
    } else if (!strcmp(interface, wp_fractional_scale_manager_v1_interface.name)) {
        h.fractionalScale = (wp_fractional_scale_manager_v1 *)bind(
            &wp_fractional_scale_manager_v1_interface, 1);
    }
}

static void OnGlobalRemove(void *, wl_registry *, uint32_t name) {
    WaylandHost &h = gHost;
    if (name == h.coveredName && h.coveredName) {
        h.quit = 1;
        h.status = kExitOutputGone;
    }
    // The covered output's record stays: the surface still names it.
    for (auto it = h.outputs.begin(); it != h.outputs.end(); ++it) {
        if ((*it)->name != name || name == h.coveredName) continue;
        wl_output_destroy((*it)->output);
        h.outputs.erase(it);
        return;
    }
}
static const wl_registry_listener kRegistryListener = {OnGlobal, OnGlobalRemove};

int ConnectHost(void) {
    WaylandHost &h = gHost;
    h.display = wl_display_connect(nullptr);
    if (!h.display) return 0;
    h.registry = wl_display_get_registry(h.display);
    wl_registry_add_listener(h.registry, &kRegistryListener, nullptr);
    // The globals, then what each output and the seat tell about themselves.
    return wl_display_roundtrip(h.display) >= 0 && wl_display_roundtrip(h.display) >= 0;
}

HostOutput *FindOutput(uint32_t name) {
    for (const auto &o : gHost.outputs)
        if (o->name == name) return o.get();
    return nullptr;
}

int HostStatus(int code) {
    wl_display *d = gHost.display;
    const int error = d ? wl_display_get_error(d) : 0;
    if (!error) return code;
    const wl_interface *interface = nullptr;
    uint32_t id = 0;
    if (error == EPROTO) {
        const uint32_t what = wl_display_get_protocol_error(d, &interface, &id);
        fprintf(stderr, "orb: the compositor refused a request (%s error %u)\n",
                interface ? interface->name : "protocol", what);
    } else {
        fprintf(stderr, "orb: the connection to the compositor was lost (%s)\n", strerror(error));
    }
    return kExitFailure;
}
