// Loading libdbus-1 at run time: see DBusLibrary.h.
#include "platform/relay/DBusLibrary.h"

#include "platform/posix/SharedLibrary.h"

namespace relay {
namespace {

constexpr char LibraryName[] = "libdbus-1.so.3";

const sharedlibrary::Loaded<DBusLibrary>& Library() {
    static const auto loaded = sharedlibrary::Load<DBusLibrary>(
        LibraryName, [](sharedlibrary::Loader& library, DBusLibrary& t) {
            library.Find("dbus_error_init", t.error_init);
            library.Find("dbus_error_free", t.error_free);
            library.Find("dbus_error_is_set", t.error_is_set);
            library.Find("dbus_connection_open_private", t.connection_open_private);
            library.Find("dbus_bus_register", t.bus_register);
            library.Find("dbus_connection_close", t.connection_close);
            library.Find("dbus_connection_unref", t.connection_unref);
            library.Find("dbus_connection_set_exit_on_disconnect",
                         t.connection_set_exit_on_disconnect);
            library.Find("dbus_connection_get_is_connected", t.connection_get_is_connected);
            library.Find("dbus_connection_get_unix_fd", t.connection_get_unix_fd);
            library.Find("dbus_connection_read_write", t.connection_read_write);
            library.Find("dbus_connection_dispatch", t.connection_dispatch);
            library.Find("dbus_connection_get_dispatch_status", t.connection_get_dispatch_status);
            library.Find("dbus_connection_flush", t.connection_flush);
            library.Find("dbus_connection_send", t.connection_send);
            library.Find("dbus_connection_send_with_reply_and_block",
                         t.connection_send_with_reply_and_block);
            library.Find("dbus_connection_add_filter", t.connection_add_filter);
            library.Find("dbus_bus_request_name", t.bus_request_name);
            library.Find("dbus_bus_add_match", t.bus_add_match);
            library.Find("dbus_bus_get_unique_name", t.bus_get_unique_name);
            library.Find("dbus_message_new_method_call", t.message_new_method_call);
            library.Find("dbus_message_new_method_return", t.message_new_method_return);
            library.Find("dbus_message_new_error", t.message_new_error);
            library.Find("dbus_message_unref", t.message_unref);
            library.Find("dbus_message_append_args", t.message_append_args);
            library.Find("dbus_message_get_args", t.message_get_args);
            library.Find("dbus_message_get_type", t.message_get_type);
            library.Find("dbus_message_is_method_call", t.message_is_method_call);
            library.Find("dbus_message_is_signal", t.message_is_signal);
            library.Find("dbus_message_get_sender", t.message_get_sender);
            library.Find("dbus_message_get_path", t.message_get_path);
            library.Find("dbus_message_get_interface", t.message_get_interface);
            library.Find("dbus_message_get_member", t.message_get_member);
            library.Find("dbus_message_get_no_reply", t.message_get_no_reply);
            library.Find("dbus_message_set_no_reply", t.message_set_no_reply);
            library.Find("dbus_message_iter_init", t.message_iter_init);
            library.Find("dbus_message_iter_next", t.message_iter_next);
            library.Find("dbus_message_iter_get_arg_type", t.message_iter_get_arg_type);
            library.Find("dbus_message_iter_get_element_type", t.message_iter_get_element_type);
            library.Find("dbus_message_iter_recurse", t.message_iter_recurse);
            library.Find("dbus_message_iter_get_basic", t.message_iter_get_basic);
            library.Find("dbus_message_iter_init_append", t.message_iter_init_append);
            library.Find("dbus_message_iter_append_basic", t.message_iter_append_basic);
            library.Find("dbus_message_iter_open_container", t.message_iter_open_container);
            library.Find("dbus_message_iter_close_container", t.message_iter_close_container);
        });
    return loaded;
}

}  // namespace

const DBusLibrary* LoadDBus(std::string& whyNot) {
    const auto& loaded = Library();
    whyNot = loaded.whyNot;
    return loaded.whyNot.empty() ? &loaded.table : nullptr;
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

}  // namespace relay
