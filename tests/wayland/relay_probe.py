#!/usr/bin/python3
"""A client that owns the kitten's bus name in the program's place, for the checks of the
compositors' sides of the relay (gnome-extension-check.py, kwin-script-check.py) and for
bench/wayland.sh: it records the calls it gets, and under KWin loads the relay script as
the program does. Run as a program it counts the calls until stdin closes and prints
"N Pointer calls". The KWin script is the program's own, or the file VELLORY_KWIN_SCRIPT
names (to measure another)."""
import os
import subprocess
import sys
import threading
import time

import dbus
import dbus.service
from dbus.mainloop.glib import DBusGMainLoop
from gi.repository import GLib

RelayName = "org.vellory.PointerRelay"
Script = os.environ.get("VELLORY_KWIN_SCRIPT") or os.path.join(
    os.path.dirname(os.path.abspath(__file__)), "..", "..", "platform", "relay",
    "pointer-relay.js")


class Probe(dbus.service.Object):
    """Records every call: (method, a, b, sender)."""

    def __init__(self, bus):
        super().__init__(bus, "/org/vellory/PointerRelay")
        self.calls = []

    @dbus.service.method(RelayName, in_signature="ii", sender_keyword="sender")
    def Pointer(self, x, y, sender):
        self.calls.append(("Pointer", int(x), int(y), sender))

    @dbus.service.method(RelayName, in_signature="ii", sender_keyword="sender")
    def Screen(self, width, height, sender):
        self.calls.append(("Screen", int(width), int(height), sender))

    def Pointers(self):
        return [call for call in self.calls if call[0] == "Pointer"]


def Pump(seconds):
    context = GLib.MainContext.default()
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        context.iteration(False)
        time.sleep(0.002)


Failures = []


def Check(condition, what):
    if not condition:
        Failures.append(what)
        print(f"FAIL: {what}", file=sys.stderr)


def Mover(argv):
    """A pointer mover (tests/wayland/movers) and a function that moves it to (x, y)."""
    mover = subprocess.Popen(argv, stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True)

    def Move(x, y):
        mover.stdin.write(f"{x} {y}\n")
        mover.stdin.flush()
        Check(mover.stdout.readline().strip() == "ok", f"the mover did not move to {x} {y}")
    return mover, Move


# The kitten looks every LookSeconds: after a burst of 200 moves along a line, as fast as
# the mover takes them, a relay has sent at most the first move and then one place a look,
# ending on the last place.
LookSeconds = 0.070


def CheckBurst(probe, move, sender):
    probe.calls.clear()
    start = time.monotonic()
    for step in range(200):
        move(100 + step * 5, 100 + step * 3)
    seconds = time.monotonic() - start
    Pump(0.2)
    pointers, most = probe.Pointers(), int(seconds / LookSeconds) + 2
    Check(pointers[-1:] == [("Pointer", 1095, 697, sender)],
          f"the burst did not end on 1095 697: {pointers[-2:]}")
    Check(1 < len(pointers) <= most,
          f"{len(pointers)} Pointer calls for 200 moves in {seconds:.2f} s (at most {most})")
    print(f"burst: 200 moves in {seconds:.2f} s -> {len(pointers)} Pointer calls")


class KWinScript:
    """The relay script loaded into KWin and run, as the program does; unloaded by End()."""
    Plugin = "vellory-pointer-relay-probe"

    def __init__(self, bus, path=Script):
        self.scripting = dbus.Interface(bus.get_object("org.kde.KWin", "/Scripting"),
                                        "org.kde.kwin.Scripting")
        self.End()
        load = self.scripting.get_dbus_method("loadScript", "org.kde.kwin.Scripting")
        number = int(load(os.path.realpath(path), self.Plugin, signature="ss"))
        # NOTE: the script's object is /Scripting/Script<id> in KWin 6 and /<id> in 5.x.
        for path in (f"/Scripting/Script{number}", f"/{number}"):
            try:
                bus.get_object("org.kde.KWin", path, introspect=False).run(
                    dbus_interface="org.kde.kwin.Script")
                return
            except dbus.DBusException:
                continue
        raise RuntimeError(f"KWin did not run {path}")

    def End(self):
        self.scripting.unloadScript(self.Plugin)


def Count():
    DBusGMainLoop(set_as_default=True)
    bus = dbus.SessionBus()
    probe = Probe(bus)
    name = dbus.service.BusName(RelayName, bus, do_not_queue=True)
    kwin = None
    if bus.name_has_owner("org.kde.KWin"):
        kwin = KWinScript(bus)
    loop = GLib.MainLoop()
    threading.Thread(target=lambda: (sys.stdin.read(), GLib.idle_add(loop.quit)),
                     daemon=True).start()
    print("ready", flush=True)
    loop.run()
    if kwin is not None:
        kwin.End()
    del name
    print(f"{len(probe.Pointers())} Pointer calls", flush=True)


if __name__ == "__main__":
    Count()
