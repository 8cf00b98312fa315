#!/usr/bin/python3
"""The kitten's GNOME Shell extension as the running shell loads it: one variant's
metadata.json lists this shell's major version (else it fails at once, naming the version),
that variant is enabled without error and the other is out of date; while a client owns
org.vellory.PointerRelay, the extension sends it Screen once and then the pointer's
places from the shell's own connection, a burst coalesced to one place a look of the
kitten's (70 ms) and ending on the latest place, nothing at rest; nothing once the name is
released; Screen(0, 0) when disabled.
Run inside tests/wayland/gnome-session.sh (the extension enabled). A probe stands in for
the program here so that the extension is checked on its own, on any shell version."""
import json
import os
import sys

import dbus
import dbus.service
from dbus.mainloop.glib import DBusGMainLoop

import relay_probe
from relay_probe import Check, CheckBurst, Mover, Probe, Pump, RelayName

Variants = ("eyes-relay@vellory", "eyes-relay-legacy@vellory")
Enabled, OutOfDate = 1, 4  # the shell's ExtensionState

def Main():
    DBusGMainLoop(set_as_default=True)
    bus = dbus.SessionBus()
    shell = bus.get_object("org.gnome.Shell", "/org/gnome/Shell")
    extensions = dbus.Interface(shell, "org.gnome.Shell.Extensions")
    version = str(shell.Get("org.gnome.Shell", "ShellVersion",
                            dbus_interface="org.freedesktop.DBus.Properties"))
    major = version.split(".")[0]
    # The metadata the shell read, from where it found each variant.
    listed = {}
    for uuid in Variants:
        path = extensions.GetExtensionInfo(uuid).get("path")
        if not path:
            print(f"FAIL: GNOME Shell {version} did not find {uuid}", file=sys.stderr)
            return 1
        with open(os.path.join(path, "metadata.json")) as metadata:
            listed[uuid] = [str(v) for v in json.load(metadata)["shell-version"]]
    loads = [uuid for uuid in Variants if major in listed[uuid] or version in listed[uuid]]
    if len(loads) != 1:
        print(f"FAIL: GNOME Shell {version}: {len(loads)} variants list {major} in their "
              f"metadata.json's shell-version: " +
              "; ".join(f"{uuid} {', '.join(listed[uuid])}" for uuid in Variants), file=sys.stderr)
        return 1
    ours, = loads
    other, = [uuid for uuid in Variants if uuid != ours]
    info = extensions.GetExtensionInfo(ours)
    Check(info.get("state") == Enabled and not info.get("error"),
          f"GNOME Shell {version}: {ours} is in state {info.get('state')}, error {info.get('error')!r}")
    Check(extensions.GetExtensionInfo(other).get("state") == OutOfDate,
          f"GNOME Shell {version}: {other} is not marked out of date")
    shell_connection = bus.get_name_owner("org.gnome.Shell")

    probe = Probe(bus)
    mover, Move = Mover([os.path.join(os.path.dirname(__file__), "movers", "gnome-mover.py")])

    Move(50, 50)
    Pump(0.3)
    Check(probe.calls == [], f"calls before the name was owned: {probe.calls[:3]}")

    name = dbus.service.BusName(RelayName, bus, do_not_queue=True)
    Pump(0.5)
    Check(probe.calls[:1] == [("Screen", 1280, 800, shell_connection)],
          f"the first call is not Screen(1280, 800) from the shell: {probe.calls[:2]}")
    Check(all(call[3] == shell_connection for call in probe.calls), "a call from another connection")

    probe.calls.clear()
    Move(640, 400)
    Pump(0.1)
    Check(probe.calls[-1:] == [("Pointer", 640, 400, shell_connection)],
          f"after a move to 640 400: {probe.calls}")

    CheckBurst(probe, Move, shell_connection)

    probe.calls.clear()
    Pump(1.0)
    Check(probe.calls == [], f"calls at rest: {probe.calls[:3]}")

    # The name released: the extension lets go of the tracker; owned again: Screen again.
    del name
    bus.release_name(RelayName)
    Pump(0.3)
    Move(300, 300)
    Pump(0.3)
    Check(probe.calls == [], f"calls after the name was released: {probe.calls[:3]}")
    name = dbus.service.BusName(RelayName, bus, do_not_queue=True)
    Pump(0.5)
    Check(probe.calls[:2] == [("Screen", 1280, 800, shell_connection),
                              ("Pointer", 300, 300, shell_connection)],
          f"owned again: {probe.calls[:3]}")

    probe.calls.clear()
    extensions.DisableExtension(ours)
    Pump(0.5)
    Check(probe.calls == [("Screen", 0, 0, shell_connection)], f"disabled: {probe.calls}")
    probe.calls.clear()
    Move(200, 200)
    Pump(0.3)
    Check(probe.calls == [], f"calls while disabled: {probe.calls[:3]}")
    extensions.EnableExtension(ours)
    Pump(0.5)
    Check(probe.calls[:1] == [("Screen", 1280, 800, shell_connection)],
          f"enabled again: {probe.calls[:2]}")

    mover.stdin.close()
    mover.wait(timeout=5)
    print(f"GNOME Shell {version}: {ours} " + ("FAILED" if relay_probe.Failures else "loads and delivers"))
    return 1 if relay_probe.Failures else 0


if __name__ == "__main__":
    sys.exit(Main())
