// The relay's side on the session bus: the connection, the well-known name, the three
// methods, the compositors' name owners (NameOwnerChanged), and the one-line notices.
// Start reading at Start().
#include <sys/socket.h>
#include <sys/stat.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/Notice.h"
#include "platform/relay/Compositors.h"
#include "platform/relay/DBusLibrary.h"
#include "platform/relay/Relay.h"
#include "platform/relay/RelayState.h"

namespace relay {
namespace {

constexpr char RelayName[] = "org.vellory.PointerRelay";
constexpr char RelayPath[] = "/org/vellory/PointerRelay";
constexpr char RelayInterface[] = "org.vellory.PointerRelay";
constexpr char BusDaemon[] = "org.freedesktop.DBus";

struct Service {
    Host host;
    DBusConnection* bus = nullptr;
    RelayState state;
    News news;
};

Service& TheService() {
    static Service service;
    return service;
}

void SayOnlyOver(const std::string& why) {
    notice::Say(OnlyOver(), why);
}

bool NotEmpty(const char* value) {
    return value != nullptr && *value != '\0';
}

bool IsWaylandSession() {
    const char* type = std::getenv("XDG_SESSION_TYPE");
    return NotEmpty(std::getenv("WAYLAND_DISPLAY")) ||
           (type != nullptr && std::strcmp(type, "wayland") == 0);
}

// NOTE: libdbus without an address would try "autolaunch:", which starts a bus daemon of
// its own through dbus-launch: a bus no compositor is on. Only the session's bus will do.
std::string SessionBusAddress() {
    if (const char* address = std::getenv("DBUS_SESSION_BUS_ADDRESS"); NotEmpty(address))
        return address;
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (!NotEmpty(runtime)) return {};
    const std::string socket = std::string(runtime) + "/bus";
    struct stat status {};
    if (stat(socket.c_str(), &status) != 0 || !S_ISSOCK(status.st_mode)) return {};
    return "unix:path=" + socket;
}

// Whether the desktop names itself as one that has a relay, for the time before its
// compositor's bus name appears.
bool DesktopHasRelay() {
    const char* desktops = std::getenv("XDG_CURRENT_DESKTOP");
    if (desktops == nullptr) return false;
    const std::string names = std::string(":") + desktops + ":";
    return names.find(":KDE:") != std::string::npos || names.find(":GNOME:") != std::string::npos;
}

Size RootSize() {
    const Service& service = TheService();
    return service.host.rootSize != nullptr ? service.host.rootSize() : service.state.LogicalSize();
}

// The unique name owning `name`; empty when none does or the bus does not answer.
std::string OwnerOf(const char* name) {
    const DBusLibrary& dbus = DBus();
    DBusConnection* bus = TheService().bus;
    DBusMessage* call =
        dbus.message_new_method_call(BusDaemon, "/org/freedesktop/DBus", BusDaemon, "GetNameOwner");
    if (call == nullptr) return {};
    dbus.message_append_args(call, DBUS_TYPE_STRING, &name, DBUS_TYPE_INVALID);
    DBusMessage* reply = CallAndWait(bus, call);
    if (reply == nullptr) return {};
    std::string owner;
    const char* unique = nullptr;
    DBusError error;
    dbus.error_init(&error);
    if (dbus.message_get_args(reply, &error, DBUS_TYPE_STRING, &unique, DBUS_TYPE_INVALID))
        owner = unique;
    dbus.message_unref(reply);
    dbus.error_free(&error);
    return owner;
}

// A compositor's name has a new owner (or none): only that connection may call now, and
// its side of the relay starts again.
void OnOwner(Compositor compositor, const std::string& owner) {
    Service& service = TheService();
    const bool wasDelivering = service.state.Delivering();
    service.state.SetOwner(compositor, owner);
    if (wasDelivering != service.state.Delivering()) {
        service.news.deliveringChanged = true;
        service.news.screenChanged = true;  // its logical size went with it
    }
    if (owner.empty()) return;
    if (compositor == Compositor::KWin) StartKWinRelay(service.bus);
    if (compositor == Compositor::GnomeShell) StartGnomeRelay(service.bus);
}

void Reply(DBusMessage* call, const char* errorName, const char* errorText) {
    const DBusLibrary& dbus = DBus();
    if (dbus.message_get_no_reply(call)) return;
    DBusMessage* reply = errorName != nullptr ? dbus.message_new_error(call, errorName, errorText)
                                              : dbus.message_new_method_return(call);
    if (reply == nullptr) return;
    dbus.connection_send(TheService().bus, reply, nullptr);
    dbus.message_unref(reply);
}

void OnRelayCall(DBusMessage* call, bool isPointer) {
    const DBusLibrary& dbus = DBus();
    Service& service = TheService();
    const char* sender = dbus.message_get_sender(call);
    std::int32_t a = 0, b = 0;
    DBusError error;
    dbus.error_init(&error);
    const bool read = dbus.message_get_args(call, &error, DBUS_TYPE_INT32, &a, DBUS_TYPE_INT32, &b,
                                            DBUS_TYPE_INVALID);
    dbus.error_free(&error);
    const std::string from = sender != nullptr ? sender : "";
    const bool wasDelivering = service.state.Delivering();
    service.state.SetRootSize(RootSize());
    RelayState::Verdict verdict = RelayState::Verdict::Ignored;
    if (read)
        verdict = isPointer ? service.state.Pointer(from, a, b) : service.state.Screen(from, a, b);
    else if (!service.state.MayCall(from))
        verdict = RelayState::Verdict::Denied;
    if (verdict == RelayState::Verdict::Taken && isPointer) service.news.moved = true;
    if (verdict == RelayState::Verdict::Taken && !isPointer) service.news.screenChanged = true;
    if (wasDelivering != service.state.Delivering()) {
        service.news.deliveringChanged = true;
        service.news.moved = true;
    }
    if (verdict == RelayState::Verdict::Denied)
        Reply(call, DBUS_ERROR_ACCESS_DENIED, "only the compositor may call the relay");
    else if (!read)
        Reply(call, DBUS_ERROR_INVALID_ARGS, "expected two int32");
    else
        Reply(call, nullptr, nullptr);
}

void OnOutlineCall(DBusMessage* call) {
    const DBusLibrary& dbus = DBus();
    const char* sender = dbus.message_get_sender(call);
    if (!TheService().state.MayCall(sender != nullptr ? sender : "")) {
        Reply(call, DBUS_ERROR_ACCESS_DENIED, "only the compositor may call the relay");
        return;
    }
    if (dbus.message_get_no_reply(call)) return;
    DBusMessage* reply = OutlineReply(call);
    if (reply == nullptr) return;
    dbus.connection_send(TheService().bus, reply, nullptr);
    dbus.message_unref(reply);
}

void OnOwnerChanged(DBusMessage* signal) {
    const DBusLibrary& dbus = DBus();
    const char* sender = dbus.message_get_sender(signal);
    // NOTE: any client may send a signal that looks like the bus daemon's; only the
    // daemon's own carries its name as the sender.
    if (sender == nullptr || std::strcmp(sender, BusDaemon) != 0) return;
    const char *name = nullptr, *oldOwner = nullptr, *newOwner = nullptr;
    DBusError error;
    dbus.error_init(&error);
    const bool read =
        dbus.message_get_args(signal, &error, DBUS_TYPE_STRING, &name, DBUS_TYPE_STRING, &oldOwner,
                              DBUS_TYPE_STRING, &newOwner, DBUS_TYPE_INVALID);
    dbus.error_free(&error);
    if (!read) return;
    for (std::size_t i = 0; i < CompositorNames.size(); ++i)
        if (std::strcmp(name, CompositorNames[i]) == 0)
            OnOwner(static_cast<Compositor>(i), newOwner);
}

DBusHandlerResult OnMessage(DBusConnection*, DBusMessage* message, void*) {
    const DBusLibrary& dbus = DBus();
    if (dbus.message_is_signal(message, BusDaemon, "NameOwnerChanged")) {
        OnOwnerChanged(message);
        return DBUS_HANDLER_RESULT_HANDLED;
    }
    const char* path = dbus.message_get_path(message);
    if (path == nullptr || std::strcmp(path, RelayPath) != 0)
        return DBUS_HANDLER_RESULT_NOT_YET_HANDLED;
    if (dbus.message_is_method_call(message, RelayInterface, "Outline")) {
        OnOutlineCall(message);
        return DBUS_HANDLER_RESULT_HANDLED;
    }
    const bool isPointer = dbus.message_is_method_call(message, RelayInterface, "Pointer");
    if (!isPointer && !dbus.message_is_method_call(message, RelayInterface, "Screen"))
        return DBUS_HANDLER_RESULT_NOT_YET_HANDLED;  // libdbus answers UnknownMethod
    OnRelayCall(message, isPointer);
    return DBUS_HANDLER_RESULT_HANDLED;
}

void CloseBus() {
    Service& service = TheService();
    if (service.bus == nullptr) return;
    DBus().connection_close(service.bus);
    DBus().connection_unref(service.bus);
    service.bus = nullptr;
}

// Connects, listens, and owns the relay's name; false after saying why not.
bool Connect(const std::string& address) {
    const DBusLibrary& dbus = DBus();
    Service& service = TheService();
    DBusError error;
    dbus.error_init(&error);
    service.bus = dbus.connection_open_private(address.c_str(), &error);
    if (service.bus != nullptr) {
        dbus.connection_set_exit_on_disconnect(service.bus, FALSE);
        if (!dbus.bus_register(service.bus, &error)) CloseBus();
    }
    if (service.bus == nullptr) {
        SayOnlyOver(std::string("cannot reach the session bus (") +
                    (dbus.error_is_set(&error) ? error.message : address.c_str()) + ")");
        dbus.error_free(&error);
        return false;
    }
    dbus.connection_add_filter(service.bus, OnMessage, nullptr, nullptr);
    for (const char* name : CompositorNames) {
        const std::string rule = std::string("type='signal',sender='") + BusDaemon +
                                 "',interface='" + BusDaemon +
                                 "',member='NameOwnerChanged',arg0='" + name + "'";
        dbus.bus_add_match(service.bus, rule.c_str(), nullptr);  // no round trip
    }
    const int owned =
        dbus.bus_request_name(service.bus, RelayName, DBUS_NAME_FLAG_DO_NOT_QUEUE, &error);
    if (owned != DBUS_REQUEST_NAME_REPLY_PRIMARY_OWNER) {
        SayOnlyOver(std::string("another program holds ") + RelayName + " on the session bus");
        dbus.error_free(&error);
        CloseBus();
        return false;
    }
    return true;
}

}  // namespace

const char* OnlyOver() {
    return TheService().host.onlyOver;
}

Outline HostOutline() {
    const Host& host = TheService().host;
    return host.outline != nullptr ? host.outline() : Outline{};
}

void Start(const Host& host) {
    if (!IsWaylandSession()) return;
    TheService().host = host;
    std::string whyNot;
    if (LoadDBus(whyNot) == nullptr) {
        SayOnlyOver("cannot load libdbus-1 (" + whyNot + ")");
        return;
    }
    const std::string address = SessionBusAddress();
    if (address.empty()) {
        SayOnlyOver("no session bus");
        return;
    }
    if (!Connect(address)) return;
    Service& service = TheService();
    service.state.SetRootSize(RootSize());
    bool anyCompositor = false;
    for (std::size_t i = 0; i < CompositorNames.size(); ++i) {
        const std::string owner = OwnerOf(CompositorNames[i]);
        anyCompositor = anyCompositor || !owner.empty();
        if (!owner.empty()) OnOwner(static_cast<Compositor>(i), owner);
    }
    if (!anyCompositor && !DesktopHasRelay())
        SayOnlyOver(
            "this Wayland desktop does not tell programs where the pointer is (on KDE Plasma "
            "and GNOME they follow it everywhere)");
}

void Stop() {
    Service& service = TheService();
    if (service.bus == nullptr) return;
    if (!service.state.Owner(Compositor::KWin).empty()) EndKWinRelay(service.bus);
    DBus().connection_flush(service.bus);
    CloseBus();
}

int Fd() {
    const Service& service = TheService();
    int fd = -1;
    if (service.bus == nullptr || !DBus().connection_get_unix_fd(service.bus, &fd)) return -1;
    return fd;
}

bool HasQueued() {
    const Service& service = TheService();
    return service.bus != nullptr &&
           DBus().connection_get_dispatch_status(service.bus) == DBUS_DISPATCH_DATA_REMAINS;
}

News Handle() {
    Service& service = TheService();
    service.news = {};
    if (service.bus == nullptr) return service.news;
    const DBusLibrary& dbus = DBus();
    // NOTE: a read of a hung-up socket returns false; the messages read before it are
    // still handled.
    dbus.connection_read_write(service.bus, 0);
    while (dbus.connection_dispatch(service.bus) == DBUS_DISPATCH_DATA_REMAINS) {
    }
    dbus.connection_flush(service.bus);  // the replies
    if (!dbus.connection_get_is_connected(service.bus)) {
        const bool wasDelivering = service.state.Delivering();
        service.state.HungUp();
        service.news.deliveringChanged = wasDelivering;
        service.news.moved = wasDelivering;
        service.news.screenChanged = wasDelivering;
        CloseBus();
        SayOnlyOver("lost the session bus");
    }
    return service.news;
}

bool Delivering() {
    return TheService().state.Delivering();
}

std::optional<native::Point> RootPointer() {
    Service& service = TheService();
    service.state.SetRootSize(RootSize());
    return service.state.RootPointer();
}

std::optional<double> RootPerLogical() {
    Service& service = TheService();
    if (service.bus == nullptr && !service.state.Delivering()) return std::nullopt;
    service.state.SetRootSize(RootSize());
    return service.state.RootPerLogical();
}

}  // namespace relay
