// libwayland-client, loaded only once the program looks for a Wayland compositor (a Wayland
// session, and X11 not forced): an X11 session maps neither it nor the libffi it brings.
// The table holds the functions that the backend and the protocols' inline requests call,
// named as the library names them without "wl_" (client.display_flush for
// wl_display_flush). The backend's files call them by their own names all the same: the
// <wayland-client.h> they include is ours (loaded/wayland-client.h) and sends each call
// through this table. Nothing links against the library; the core protocol's interface
// tables are compiled into the program from wayland.xml, as the other protocols' are.
#pragma once

#include <wayland-client-core.h>

namespace wayland {

struct ClientLibrary {
    // The connection and its events.
    decltype(&wl_display_connect) display_connect;
    decltype(&wl_display_disconnect) display_disconnect;
    decltype(&wl_display_get_fd) display_get_fd;
    decltype(&wl_display_roundtrip) display_roundtrip;
    decltype(&wl_display_dispatch_pending) display_dispatch_pending;
    decltype(&wl_display_prepare_read) display_prepare_read;
    decltype(&wl_display_read_events) display_read_events;
    decltype(&wl_display_cancel_read) display_cancel_read;
    decltype(&wl_display_flush) display_flush;
    decltype(&wl_display_get_error) display_get_error;
    decltype(&wl_display_get_protocol_error) display_get_protocol_error;
    // Requests, listeners and objects: what the protocols' inline functions call.
    decltype(&wl_proxy_marshal_flags) proxy_marshal_flags;
    decltype(&wl_proxy_add_listener) proxy_add_listener;
    decltype(&wl_proxy_destroy) proxy_destroy;
    decltype(&wl_proxy_get_version) proxy_get_version;
    decltype(&wl_proxy_set_user_data) proxy_set_user_data;
    decltype(&wl_proxy_get_user_data) proxy_get_user_data;
};

// The library once loaded, for code that runs only after LoadClient (WaylandBackend.h)
// succeeded.
const ClientLibrary& Client();

}  // namespace wayland
