// The KWin side of the relay: the script the program carries (pointer-relay.js, embedded
// at build time), written where only this user can write, and loaded into KWin over the
// session bus; unloaded when the program ends.
// NOTE: any client of the session bus may ask KWin to run a script file: the file must be
// one no one else can replace, so it lives in a folder of ours under $XDG_RUNTIME_DIR,
// never in a shared temporary folder.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <optional>
#include <span>
#include <string>

#include "platform/Notice.h"
#include "platform/relay/Compositors.h"
#include "platform/relay/DBusLibrary.h"

namespace embedded {
std::span<const std::uint8_t> KWinRelayScript();  // generated from pointer-relay.js
}

namespace relay {
namespace {

constexpr char KWin[] = "org.kde.KWin";
constexpr char Scripting[] = "org.kde.kwin.Scripting";
constexpr char ScriptInterface[] = "org.kde.kwin.Script";
constexpr char PluginName[] = "vellory-pointer-relay";
constexpr char FileName[] = "pointer-relay.js";

bool loaded = false;  // by this process, into the KWin running now

// Open to no one but us: our own, and nothing for the group or others.
bool Private(const struct stat& status, mode_t forbidden) {
    return status.st_uid == geteuid() && (status.st_mode & forbidden) == 0;
}

// Says why the script is not loaded: the X11 window then sees the pointer only over X11
// windows.
void NotLoaded(const std::string& why) {
    notice::Say(OnlyOver(), why + ", so the KWin script is not loaded");
}

// $XDG_RUNTIME_DIR/vellory, made if needed; nullopt (after saying why) unless it is a
// real folder of ours, mode 0700, inside a runtime folder no one else can write.
std::optional<std::string> PrivateFolder() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime == nullptr || runtime[0] != '/') {
        NotLoaded("XDG_RUNTIME_DIR is not set");
        return std::nullopt;
    }
    struct stat status {};
    if (stat(runtime, &status) != 0 || !S_ISDIR(status.st_mode) ||
        !Private(status, S_IWGRP | S_IWOTH)) {
        NotLoaded(std::string(runtime) + " is not a private folder");
        return std::nullopt;
    }
    std::string folder = std::string(runtime) + "/vellory";
    mkdir(folder.c_str(), 0700);  // may be there already
    if (lstat(folder.c_str(), &status) != 0 || !S_ISDIR(status.st_mode) ||
        !Private(status, S_IRWXG | S_IRWXO)) {
        NotLoaded(folder + " is not a folder of yours with mode 0700");
        return std::nullopt;
    }
    return folder;
}

// The script written afresh; its path, or nullopt after saying why not.
std::optional<std::string> WriteScript() {
    const std::optional<std::string> folder = PrivateFolder();
    if (!folder) return std::nullopt;
    std::string path = *folder + "/" + FileName;
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0600);
    struct stat status {};
    bool written = fd >= 0 && fstat(fd, &status) == 0 && S_ISREG(status.st_mode) &&
                   Private(status, S_IRWXG | S_IRWXO);
    const std::span<const std::uint8_t> text = embedded::KWinRelayScript();
    for (std::size_t done = 0; written && done < text.size();) {
        const ssize_t wrote = write(fd, text.data() + done, text.size() - done);
        written = wrote > 0;
        if (written) done += static_cast<std::size_t>(wrote);
    }
    if (fd >= 0) close(fd);
    if (!written) {
        NotLoaded("cannot write " + path);
        return std::nullopt;
    }
    return path;
}

DBusMessage* ScriptingCall(const char* method) {
    return DBus().message_new_method_call(KWin, "/Scripting", Scripting, method);
}

void UnloadScript(DBusConnection* bus, bool wait) {
    const DBusLibrary& dbus = DBus();
    DBusMessage* call = ScriptingCall("unloadScript");
    if (call == nullptr) return;
    const char* name = PluginName;
    dbus.message_append_args(call, DBUS_TYPE_STRING, &name, DBUS_TYPE_INVALID);
    if (!wait) {
        dbus.message_set_no_reply(call, TRUE);
        dbus.connection_send(bus, call, nullptr);
        dbus.message_unref(call);
        return;
    }
    if (DBusMessage* reply = CallAndWait(bus, call)) dbus.message_unref(reply);
}

// loadScript's id for the script; nullopt when KWin refused it.
std::optional<std::int32_t> LoadScript(DBusConnection* bus, const std::string& path) {
    const DBusLibrary& dbus = DBus();
    DBusMessage* call = ScriptingCall("loadScript");
    if (call == nullptr) return std::nullopt;
    const char* file = path.c_str();
    const char* name = PluginName;
    dbus.message_append_args(call, DBUS_TYPE_STRING, &file, DBUS_TYPE_STRING, &name,
                             DBUS_TYPE_INVALID);
    DBusMessage* reply = CallAndWait(bus, call);
    if (reply == nullptr) return std::nullopt;
    std::int32_t id = -1;
    DBusError error;
    dbus.error_init(&error);
    const bool read = dbus.message_get_args(reply, &error, DBUS_TYPE_INT32, &id, DBUS_TYPE_INVALID);
    dbus.error_free(&error);
    dbus.message_unref(reply);
    if (!read || id < 0) return std::nullopt;
    return id;
}

// NOTE: the loaded script's object is /Scripting/Script<id> in KWin 6 and /<id> in 5.x.
bool RunScript(DBusConnection* bus, std::int32_t id) {
    const DBusLibrary& dbus = DBus();
    const std::string number = std::to_string(id);
    const std::string paths[] = {"/Scripting/Script" + number, "/" + number};
    for (const std::string& path : paths) {
        DBusMessage* call =
            dbus.message_new_method_call(KWin, path.c_str(), ScriptInterface, "run");
        if (call == nullptr) return false;
        DBusMessage* reply = CallAndWait(bus, call);
        if (reply == nullptr) continue;
        dbus.message_unref(reply);
        return true;
    }
    return false;
}

}  // namespace

void StartKWinRelay(DBusConnection* bus) {
    loaded = false;
    const std::optional<std::string> path = WriteScript();
    if (!path) return;
    UnloadScript(bus, true);  // a stale one, left by a copy that could not end cleanly
    const std::optional<std::int32_t> id = LoadScript(bus, *path);
    if (!id || !RunScript(bus, *id)) {
        notice::Say(OnlyOver(), "KWin did not run the kitten's pointer relay script");
        UnloadScript(bus, false);
        return;
    }
    loaded = true;
}

void EndKWinRelay(DBusConnection* bus) {
    if (!loaded) return;
    UnloadScript(bus, false);
    loaded = false;
}

}  // namespace relay
