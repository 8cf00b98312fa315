#!/usr/bin/python3
"""The compositor's side of the relay alone, for bench/wayland.sh: owns the kitten's bus
name as the program does, and counts the calls it gets, so that the compositor's cost is
measured without the kitten's eyes to composite. Under KWin it loads the relay script
(the program's own, or the file named by VELLORY_KWIN_SCRIPT) and unloads it at the end.
Runs until stdin closes; prints "N Pointer calls".
    relay-counter.py"""
import os
import sys
import threading

import dbus
import dbus.service
from dbus.mainloop.glib import DBusGMainLoop
from gi.repository import GLib

RelayName = "org.vellory.PointerRelay"
PluginName = "vellory-pointer-relay-bench"
Script = os.environ.get("VELLORY_KWIN_SCRIPT") or os.path.join(
    os.path.dirname(os.path.abspath(__file__)), "..", "platform", "x11", "relay", "pointer-relay.js")


class Counter(dbus.service.Object):
    def __init__(self, bus):
        super().__init__(bus, "/org/vellory/PointerRelay")
        self.pointers = 0

    @dbus.service.method(RelayName, in_signature="ii")
    def Pointer(self, x, y):
        self.pointers += 1

    @dbus.service.method(RelayName, in_signature="ii")
    def Screen(self, width, height):
        pass


def Main():
    DBusGMainLoop(set_as_default=True)
    bus = dbus.SessionBus()
    counter = Counter(bus)
    name = dbus.service.BusName(RelayName, bus, do_not_queue=True)
    kwin = None
    if bus.name_has_owner("org.kde.KWin"):
        kwin = dbus.Interface(bus.get_object("org.kde.KWin", "/Scripting"), "org.kde.kwin.Scripting")
        kwin.unloadScript(PluginName)
        number = int(kwin.get_dbus_method("loadScript", "org.kde.kwin.Scripting")(
            os.path.realpath(Script), PluginName, signature="ss"))
        for path in (f"/Scripting/Script{number}", f"/{number}"):
            try:
                bus.get_object("org.kde.KWin", path).run(dbus_interface="org.kde.kwin.Script")
                break
            except dbus.DBusException:
                continue
    loop = GLib.MainLoop()
    threading.Thread(target=lambda: (sys.stdin.read(), GLib.idle_add(loop.quit)), daemon=True).start()
    print("ready", flush=True)
    loop.run()
    if kwin is not None:
        kwin.unloadScript(PluginName)
    del name
    print(f"{counter.pointers} Pointer calls", flush=True)


if __name__ == "__main__":
    Main()
