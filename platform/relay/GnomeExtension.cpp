// The GNOME Shell side of the relay at start-up: see Compositors.h. The extension itself
// ships with the install (share/gnome-shell/extensions/<uuid>/, packaging/gnome-shell/)
// in two variants, and the running shell loads only the one whose metadata names its
// version. Here: pick that variant, and enable it when it is installed but off and the
// user has not turned it off; else say once what the user can do.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>

#include "platform/Notice.h"
#include "platform/relay/Compositors.h"
#include "platform/relay/DBusLibrary.h"
#include "platform/relay/GnomeSettings.h"

namespace relay {
namespace {

constexpr char Shell[] = "org.gnome.Shell";
constexpr char ShellPath[] = "/org/gnome/Shell";
constexpr char Extensions[] = "org.gnome.Shell.Extensions";
constexpr char Properties[] = "org.freedesktop.DBus.Properties";
constexpr int FirstModuleShell = 45;  // the first shell that loads extensions as ES modules

// The shell's ExtensionState values.
enum class State { Unknown = 0, Enabled = 1, Disabled = 2, Error = 3, OutOfDate = 4 };

struct ExtensionInfo {
    bool known = false;  // the shell found the extension when it started
    State state = State::Unknown;
    std::string error;
};

// A call to the shell with one string argument.
DBusMessage* ShellCall(const char* interface, const char* method, const char* argument) {
    const DBusLibrary& dbus = DBus();
    DBusMessage* call = dbus.message_new_method_call(Shell, ShellPath, interface, method);
    if (call != nullptr && argument != nullptr)
        dbus.message_append_args(call, DBUS_TYPE_STRING, &argument, DBUS_TYPE_INVALID);
    return call;
}

// The shell's major version ("43.9" -> 43); nullopt when it does not say.
std::optional<int> ShellMajorVersion(DBusConnection* bus) {
    const DBusLibrary& dbus = DBus();
    DBusMessage* call = ShellCall(Properties, "Get", Shell);
    if (call == nullptr) return std::nullopt;
    const char* property = "ShellVersion";
    dbus.message_append_args(call, DBUS_TYPE_STRING, &property, DBUS_TYPE_INVALID);
    DBusMessage* reply = CallAndWait(bus, call);
    if (reply == nullptr) return std::nullopt;
    std::optional<int> major;
    DBusMessageIter iter, variant;
    if (dbus.message_iter_init(reply, &iter) &&
        dbus.message_iter_get_arg_type(&iter) == DBUS_TYPE_VARIANT) {
        dbus.message_iter_recurse(&iter, &variant);
        const char* version = nullptr;
        if (dbus.message_iter_get_arg_type(&variant) == DBUS_TYPE_STRING) {
            dbus.message_iter_get_basic(&variant, static_cast<void*>(&version));
            char* end = nullptr;
            const long number = std::strtol(version, &end, 10);
            if (end != version && number > 0 && number < 1000) major = static_cast<int>(number);
        }
    }
    dbus.message_unref(reply);
    return major;
}

// One entry of GetExtensionInfo's a{sv}: "state" (a double) and "error" (a string).
void ReadInfoEntry(DBusMessageIter* entry, ExtensionInfo& info) {
    const DBusLibrary& dbus = DBus();
    if (dbus.message_iter_get_arg_type(entry) != DBUS_TYPE_STRING) return;
    const char* key = nullptr;
    dbus.message_iter_get_basic(entry, static_cast<void*>(&key));
    DBusMessageIter variant;
    if (!dbus.message_iter_next(entry) ||
        dbus.message_iter_get_arg_type(entry) != DBUS_TYPE_VARIANT)
        return;
    dbus.message_iter_recurse(entry, &variant);
    const int type = dbus.message_iter_get_arg_type(&variant);
    info.known = true;
    if (std::string(key) == "state" && type == DBUS_TYPE_DOUBLE) {
        double state = 0;
        dbus.message_iter_get_basic(&variant, &state);
        if (state >= 1 && state <= 4) info.state = static_cast<State>(static_cast<int>(state));
    } else if (std::string(key) == "error" && type == DBUS_TYPE_STRING) {
        const char* text = nullptr;
        dbus.message_iter_get_basic(&variant, static_cast<void*>(&text));
        info.error = text;
    }
}

// What the shell knows of the extension; nullopt when it does not answer. An extension
// the shell did not find at its start comes back as an empty dictionary.
std::optional<ExtensionInfo> GetExtensionInfo(DBusConnection* bus, const char* uuid) {
    const DBusLibrary& dbus = DBus();
    DBusMessage* call = ShellCall(Extensions, "GetExtensionInfo", uuid);
    if (call == nullptr) return std::nullopt;
    DBusMessage* reply = CallAndWait(bus, call);
    if (reply == nullptr) return std::nullopt;
    ExtensionInfo info;
    DBusMessageIter iter, dictionary, entry;
    if (dbus.message_iter_init(reply, &iter) &&
        dbus.message_iter_get_arg_type(&iter) == DBUS_TYPE_ARRAY &&
        dbus.message_iter_get_element_type(&iter) == DBUS_TYPE_DICT_ENTRY) {
        dbus.message_iter_recurse(&iter, &dictionary);
        while (dbus.message_iter_get_arg_type(&dictionary) == DBUS_TYPE_DICT_ENTRY) {
            dbus.message_iter_recurse(&dictionary, &entry);
            ReadInfoEntry(&entry, info);
            dbus.message_iter_next(&dictionary);
        }
    }
    dbus.message_unref(reply);
    return info;
}

bool EnableExtension(DBusConnection* bus, const char* uuid) {
    const DBusLibrary& dbus = DBus();
    DBusMessage* call = ShellCall(Extensions, "EnableExtension", uuid);
    if (call == nullptr) return false;
    DBusMessage* reply = CallAndWait(bus, call);
    if (reply == nullptr) return false;
    dbus_bool_t enabled = FALSE;
    DBusError error;
    dbus.error_init(&error);
    const bool read =
        dbus.message_get_args(reply, &error, DBUS_TYPE_BOOLEAN, &enabled, DBUS_TYPE_INVALID);
    dbus.error_free(&error);
    dbus.message_unref(reply);
    return read && enabled;
}

// Says what the user can do about an extension that does not run; each line once per
// process, however often the shell restarts.
void Advise(const std::string& effect, const std::string& detail) {
    static std::string said;
    const std::string line = effect + ": " + detail + '\n';
    if (said.find(line) != std::string::npos) return;
    said += line;
    notice::Say(effect, detail);
}

// "<extension> is not installed", formatted from one literal. NOTE: appended to a string,
// a literal is copied in 16-byte pieces by the optimiser, and the program then holds
// "installe" and "d" apart, a misspelling to lintian's scan of its strings.
std::string NotInstalled(const std::string& extension) {
    static constexpr char format[] = "%s is not installed";
    std::string line(extension.size() + sizeof format, '\0');
    const int length = std::snprintf(line.data(), line.size(), format, extension.c_str());
    line.resize(static_cast<std::size_t>(length));
    return line;
}

// Why the eyes follow the pointer only over X11 windows, and what the user can do.
void NotFollowing(const std::string& why, const std::string& whatToDo = {}) {
    Advise(OnlyOver(), why + (whatToDo.empty() ? "" : "; " + whatToDo));
}

}  // namespace

void StartGnomeRelay(DBusConnection* bus) {
    const std::optional<int> major = ShellMajorVersion(bus);
    if (!major) {
        NotFollowing("GNOME Shell does not say its version");
        return;
    }
    const std::string uuid =
        *major >= FirstModuleShell ? "eyes-relay@vellory" : "eyes-relay-legacy@vellory";
    const std::string extension = "the GNOME Shell extension " + uuid;
    const std::string enableCommand = "gnome-extensions enable " + uuid;
    const std::optional<ExtensionInfo> info = GetExtensionInfo(bus, uuid.c_str());
    if (!info) {
        NotFollowing("GNOME Shell does not answer about its extensions");
        return;
    }
    if (!info->known) {
        if (ExtensionInstalled(uuid.c_str()))
            NotFollowing("GNOME Shell has not seen " + extension + " (installed during this login)",
                         "log out and in once, and they follow it everywhere");
        else
            NotFollowing(NotInstalled(extension));
        return;
    }
    switch (info->state) {
        case State::Enabled:
            return;
        case State::OutOfDate:
            NotFollowing(extension + " does not know GNOME Shell " + std::to_string(*major));
            return;
        case State::Error:
            NotFollowing("GNOME Shell could not run " + extension + " (" + info->error + ")");
            return;
        default:
            break;
    }
    if (UserDisabledExtension(uuid.c_str())) {
        NotFollowing(extension + " is turned off", enableCommand + " turns it on");
        return;
    }
    if (EnableExtension(bus, uuid.c_str())) {
        Advise("the eyes follow the pointer everywhere from now on",
               "enabled " + extension + ", which tells them where it is");
        return;
    }
    NotFollowing("GNOME Shell did not enable " + extension,
                 enableCommand + " may, or logging out and in once");
}

}  // namespace relay
