// libdbus-1, loaded only when a Wayland session needs the session bus: on X11 sessions the
// program neither maps it nor connects to anything. The table holds the functions the
// relay and the desktop start-up steps call, named as libdbus names them without "dbus_"
// (dbus.message_get_sender for dbus_message_get_sender). The types come from
// <dbus/dbus.h> (libdbus-1-dev at build time); nothing links against the library.
#pragma once

#include <dbus/dbus.h>

#include <string>

namespace relay {

struct DBusLibrary {
    // Errors.
    decltype(&dbus_error_init) error_init;
    decltype(&dbus_error_free) error_free;
    decltype(&dbus_error_is_set) error_is_set;
    // Connections.
    decltype(&dbus_connection_open_private) connection_open_private;
    decltype(&dbus_bus_register) bus_register;
    decltype(&dbus_connection_close) connection_close;
    decltype(&dbus_connection_unref) connection_unref;
    decltype(&dbus_connection_set_exit_on_disconnect) connection_set_exit_on_disconnect;
    decltype(&dbus_connection_get_is_connected) connection_get_is_connected;
    decltype(&dbus_connection_get_unix_fd) connection_get_unix_fd;
    decltype(&dbus_connection_read_write) connection_read_write;
    decltype(&dbus_connection_dispatch) connection_dispatch;
    decltype(&dbus_connection_get_dispatch_status) connection_get_dispatch_status;
    decltype(&dbus_connection_flush) connection_flush;
    decltype(&dbus_connection_send) connection_send;
    decltype(&dbus_connection_send_with_reply_and_block) connection_send_with_reply_and_block;
    decltype(&dbus_connection_add_filter) connection_add_filter;
    // The bus daemon.
    decltype(&dbus_bus_request_name) bus_request_name;
    decltype(&dbus_bus_add_match) bus_add_match;
    decltype(&dbus_bus_get_unique_name) bus_get_unique_name;
    // Messages.
    decltype(&dbus_message_new_method_call) message_new_method_call;
    decltype(&dbus_message_new_method_return) message_new_method_return;
    decltype(&dbus_message_new_error) message_new_error;
    decltype(&dbus_message_unref) message_unref;
    decltype(&dbus_message_append_args) message_append_args;
    decltype(&dbus_message_get_args) message_get_args;
    decltype(&dbus_message_get_type) message_get_type;
    decltype(&dbus_message_is_method_call) message_is_method_call;
    decltype(&dbus_message_is_signal) message_is_signal;
    decltype(&dbus_message_get_sender) message_get_sender;
    decltype(&dbus_message_get_path) message_get_path;
    decltype(&dbus_message_get_interface) message_get_interface;
    decltype(&dbus_message_get_member) message_get_member;
    decltype(&dbus_message_get_no_reply) message_get_no_reply;
    decltype(&dbus_message_set_no_reply) message_set_no_reply;
    // Reading and writing arguments of any type (variants, arrays, dictionaries).
    decltype(&dbus_message_iter_init) message_iter_init;
    decltype(&dbus_message_iter_next) message_iter_next;
    decltype(&dbus_message_iter_get_arg_type) message_iter_get_arg_type;
    decltype(&dbus_message_iter_get_element_type) message_iter_get_element_type;
    decltype(&dbus_message_iter_recurse) message_iter_recurse;
    decltype(&dbus_message_iter_get_basic) message_iter_get_basic;
    decltype(&dbus_message_iter_init_append) message_iter_init_append;
    decltype(&dbus_message_iter_append_basic) message_iter_append_basic;
    decltype(&dbus_message_iter_open_container) message_iter_open_container;
    decltype(&dbus_message_iter_close_container) message_iter_close_container;
};

// libdbus-1.so.3, loaded at the first call and kept; nullptr when it cannot be loaded or
// lacks a function, and then `whyNot` says why (the same at every call).
const DBusLibrary* LoadDBus(std::string& whyNot);

// The library once loaded, for code that runs only after LoadDBus succeeded.
const DBusLibrary& DBus();

// Sends `call` (taken over) and waits at most a second for the answer; nullptr when none
// came or it was an error. The caller unrefs the reply.
DBusMessage* CallAndWait(DBusConnection* bus, DBusMessage* call);

}  // namespace relay
