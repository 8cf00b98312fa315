// <wayland-client.h> as the Wayland backend sees it: the library's own declarations, and
// every function of it that the backend or a protocol's inline requests call sent through
// the table loaded at run time (ClientLibrary.h), as GLFW 3.4 does, so that the program
// does not link against the library. The program's build puts this folder before the
// system's headers, so that the generated protocol headers, which include
// "wayland-client.h" themselves, find this one whatever order a file includes them in.
// NOTE: a call the table lacks fails to link (the library is not linked): add it there.
#pragma once

#include "platform/wayland/ClientLibrary.h"

#define wl_display_connect wayland::Client().display_connect
#define wl_display_disconnect wayland::Client().display_disconnect
#define wl_display_get_fd wayland::Client().display_get_fd
#define wl_display_roundtrip wayland::Client().display_roundtrip
#define wl_display_dispatch_pending wayland::Client().display_dispatch_pending
#define wl_display_prepare_read wayland::Client().display_prepare_read
#define wl_display_read_events wayland::Client().display_read_events
#define wl_display_cancel_read wayland::Client().display_cancel_read
#define wl_display_flush wayland::Client().display_flush
#define wl_display_get_error wayland::Client().display_get_error
#define wl_display_get_protocol_error wayland::Client().display_get_protocol_error
#define wl_proxy_marshal_flags wayland::Client().proxy_marshal_flags
#define wl_proxy_add_listener wayland::Client().proxy_add_listener
#define wl_proxy_destroy wayland::Client().proxy_destroy
#define wl_proxy_get_version wayland::Client().proxy_get_version
#define wl_proxy_set_user_data wayland::Client().proxy_set_user_data
#define wl_proxy_get_user_data wayland::Client().proxy_get_user_data

// The core protocol's requests (wl_surface_attach, wl_registry_bind, ...) as inline
// functions over the macros above; their interface tables are the program's own.
#include <wayland-client-protocol.h>
