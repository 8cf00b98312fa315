// The compositors' own sides of the relay, started when their bus name has an owner (at
// the relay's start, or when the name gets a new owner later) and ended with the program.
// `bus` is the relay's private session-bus connection; the calls may block briefly (at
// most a second each) on the compositor's answer.
#pragma once

#include <dbus/dbus.h>

namespace relay {

// What the relay's notices open with where the eyes cannot follow everywhere (the host's).
const char* OnlyOver();

// KWinScript.cpp: writes the carried KWin script to the user's runtime folder, unloads a
// stale copy, loads and runs it.
void StartKWinRelay(DBusConnection* bus);
// Unloads the script, if the relay loaded one.
void EndKWinRelay(DBusConnection* bus);

// GnomeExtension.cpp: makes sure the GNOME Shell extension runs (enables it when the user
// has not disabled it), or says once on stderr what the user can do.
void StartGnomeRelay(DBusConnection* bus);

// Outline.cpp: the answer to a compositor's Outline call (the host's window and its input
// shape); nullptr when it cannot be made.
DBusMessage* OutlineReply(DBusMessage* call);
// RelayService.cpp: what the host tells of its window.
struct Outline;
Outline HostOutline();

}  // namespace relay
