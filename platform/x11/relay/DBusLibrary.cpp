// Loading libdbus-1 at run time: see DBusLibrary.h.
#include "platform/x11/relay/DBusLibrary.h"

#include <dlfcn.h>

#include <cstdio>

namespace x11::relay {
namespace {

constexpr char LibraryName[] = "libdbus-1.so.3";

struct Loaded {
    DBusLibrary table{};
    bool ok = false;
    std::string whyNot;
};

template <typename Function>
bool Find(void* library, const char* name, Function& function, std::string& missing) {
    function = reinterpret_cast<Function>(dlsym(library, name));
    if (function == nullptr && missing.empty()) missing = name;
    return function != nullptr;
}

Loaded Load() {
    Loaded loaded;
    // NOTE: RTLD_LOCAL keeps its symbols out of the way of anything loaded later.
    void* library = dlopen(LibraryName, RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) {
        const char* error = dlerror();
        loaded.whyNot = error != nullptr ? error : LibraryName;
        return loaded;
    }
    DBusLibrary& t = loaded.table;
    std::string missing;
    Find(library, "dbus_error_init", t.error_init, missing);
    Find(library, "dbus_error_free", t.error_free, missing);
    Find(library, "dbus_error_is_set", t.error_is_set, missing);
    Find(library, "dbus_connection_open_private", t.connection_open_private, missing);
    Find(library, "dbus_bus_register", t.bus_register, missing);
    Find(library, "dbus_connection_close", t.connection_close, missing);
    Find(library, "dbus_connection_unref", t.connection_unref, missing);
    Find(library, "dbus_connection_set_exit_on_disconnect", t.connection_set_exit_on_disconnect,
         missing);
    Find(library, "dbus_connection_get_is_connected", t.connection_get_is_connected, missing);
    Find(library, "dbus_connection_get_unix_fd", t.connection_get_unix_fd, missing);
    Find(library, "dbus_connection_read_write", t.connection_read_write, missing);
    Find(library, "dbus_connection_dispatch", t.connection_dispatch, missing);
    Find(library, "dbus_connection_get_dispatch_status", t.connection_get_dispatch_status, missing);
    Find(library, "dbus_connection_flush", t.connection_flush, missing);
    Find(library, "dbus_connection_send", t.connection_send, missing);
    Find(library, "dbus_connection_send_with_reply_and_block",
         t.connection_send_with_reply_and_block, missing);
    Find(library, "dbus_connection_add_filter", t.connection_add_filter, missing);
    Find(library, "dbus_bus_request_name", t.bus_request_name, missing);
    Find(library, "dbus_bus_add_match", t.bus_add_match, missing);
    Find(library, "dbus_bus_get_unique_name", t.bus_get_unique_name, missing);
    Find(library, "dbus_message_new_method_call", t.message_new_method_call, missing);
    Find(library, "dbus_message_new_method_return", t.message_new_method_return, missing);
    Find(library, "dbus_message_new_error", t.message_new_error, missing);
    Find(library, "dbus_message_unref", t.message_unref, missing);
    Find(library, "dbus_message_append_args", t.message_append_args, missing);
    Find(library, "dbus_message_get_args", t.message_get_args, missing);
    Find(library, "dbus_message_get_type", t.message_get_type, missing);
    Find(library, "dbus_message_is_method_call", t.message_is_method_call, missing);
    Find(library, "dbus_message_is_signal", t.message_is_signal, missing);
    Find(library, "dbus_message_get_sender", t.message_get_sender, missing);
    Find(library, "dbus_message_get_path", t.message_get_path, missing);
    Find(library, "dbus_message_get_interface", t.message_get_interface, missing);
    Find(library, "dbus_message_get_member", t.message_get_member, missing);
    Find(library, "dbus_message_get_no_reply", t.message_get_no_reply, missing);
    Find(library, "dbus_message_set_no_reply", t.message_set_no_reply, missing);
    Find(library, "dbus_message_iter_init", t.message_iter_init, missing);
    Find(library, "dbus_message_iter_next", t.message_iter_next, missing);
    Find(library, "dbus_message_iter_get_arg_type", t.message_iter_get_arg_type, missing);
    Find(library, "dbus_message_iter_get_element_type", t.message_iter_get_element_type, missing);
    Find(library, "dbus_message_iter_recurse", t.message_iter_recurse, missing);
    Find(library, "dbus_message_iter_get_basic", t.message_iter_get_basic, missing);
    Find(library, "dbus_message_iter_init_append", t.message_iter_init_append, missing);
    Find(library, "dbus_message_iter_append_basic", t.message_iter_append_basic, missing);
    Find(library, "dbus_message_iter_open_container", t.message_iter_open_container, missing);
    Find(library, "dbus_message_iter_close_container", t.message_iter_close_container, missing);
    if (!missing.empty()) {
        loaded.whyNot = std::string(LibraryName) + " lacks " + missing;
        dlclose(library);
        return loaded;
    }
    loaded.ok = true;
    return loaded;
}

const Loaded& Library() {
    static const Loaded loaded = Load();
    return loaded;
}

}  // namespace

const DBusLibrary* LoadDBus(std::string& whyNot) {
    const Loaded& loaded = Library();
    whyNot = loaded.whyNot;
    return loaded.ok ? &loaded.table : nullptr;
}

const DBusLibrary& DBus() {
    return Library().table;
}

DBusMessage* CallAndWait(DBusConnection* bus, DBusMessage* call) {
    constexpr int TimeoutMs = 1000;
    const DBusLibrary& dbus = DBus();
    DBusError error;
    dbus.error_init(&error);
    DBusMessage* reply = dbus.connection_send_with_reply_and_block(bus, call, TimeoutMs, &error);
    dbus.message_unref(call);
    dbus.error_free(&error);
    return reply;
}

void Say(const std::string& what) {
    std::fprintf(stderr, "vellory: %s\n", what.c_str());
}

}  // namespace x11::relay
