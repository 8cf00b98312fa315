// Loading libwayland-client at run time: see ClientLibrary.h.
#include "platform/wayland/ClientLibrary.h"

#include "platform/posix/SharedLibrary.h"
#include "platform/wayland/WaylandBackend.h"

namespace wayland {
namespace {

constexpr char LibraryName[] = "libwayland-client.so.0";

const sharedlibrary::Loaded<ClientLibrary>& Library() {
    static const auto loaded = sharedlibrary::Load<ClientLibrary>(
        LibraryName, [](sharedlibrary::Loader& library, ClientLibrary& t) {
            library.Find("wl_display_connect", t.display_connect);
            library.Find("wl_display_disconnect", t.display_disconnect);
            library.Find("wl_display_get_fd", t.display_get_fd);
            library.Find("wl_display_roundtrip", t.display_roundtrip);
            library.Find("wl_display_dispatch_pending", t.display_dispatch_pending);
            library.Find("wl_display_prepare_read", t.display_prepare_read);
            library.Find("wl_display_read_events", t.display_read_events);
            library.Find("wl_display_cancel_read", t.display_cancel_read);
            library.Find("wl_display_flush", t.display_flush);
            library.Find("wl_display_get_error", t.display_get_error);
            library.Find("wl_display_get_protocol_error", t.display_get_protocol_error);
            library.Find("wl_proxy_marshal_flags", t.proxy_marshal_flags);
            library.Find("wl_proxy_add_listener", t.proxy_add_listener);
            library.Find("wl_proxy_destroy", t.proxy_destroy);
            library.Find("wl_proxy_get_version", t.proxy_get_version);
            library.Find("wl_proxy_set_user_data", t.proxy_set_user_data);
            library.Find("wl_proxy_get_user_data", t.proxy_get_user_data);
        });
    return loaded;
}

}  // namespace

bool LoadClient(std::string& whyNot) {
    const auto& loaded = Library();
    whyNot = loaded.whyNot;
    return loaded.whyNot.empty();
}

const ClientLibrary& Client() {
    return Library().table;
}

}  // namespace wayland
