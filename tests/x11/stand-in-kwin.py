#!/usr/bin/python3
# KWin's side of the pointer relay, played on a private session bus for the moments a real
# KWin cannot be made to have (started after the kitten, restarted under it): owns
# org.kde.KWin, answers the scripting calls the kitten makes (and prints them: "unload
# NAME", "load PATH NAME", "run"), and on lines written to the FIFO named by its first
# argument calls the relay from this same connection, as the loaded script would:
#   screen W H      Screen(W, H)         pointer X Y    Pointer(X, Y)
#   quit            leave the bus (the name loses its owner)
import os
import sys

import dbus
import dbus.mainloop.glib
import dbus.service
from gi.repository import GLib

dbus.mainloop.glib.DBusGMainLoop(set_as_default=True)
bus = dbus.SessionBus()
loaded = set()


def say(text):
    print(text, flush=True)


class Script(dbus.service.Object):
    @dbus.service.method("org.kde.kwin.Script", in_signature="", out_signature="")
    def run(self):
        say("run")


class Scripting(dbus.service.Object):
    @dbus.service.method("org.kde.kwin.Scripting", in_signature="ss", out_signature="i")
    def loadScript(self, path, name):
        say("load %s %s" % (path, name))
        if name in loaded:
            return -1
        loaded.add(name)
        return 0

    @dbus.service.method("org.kde.kwin.Scripting", in_signature="s", out_signature="b")
    def unloadScript(self, name):
        say("unload %s" % name)
        found = name in loaded
        loaded.discard(name)
        return found


def call(method, a, b):
    relay = bus.get_object("org.vellory.PointerRelay", "/org/vellory/PointerRelay")
    getattr(relay, method)(dbus.Int32(a), dbus.Int32(b),
                           dbus_interface="org.vellory.PointerRelay", ignore_reply=True)


def on_commands(fd, condition):
    for line in os.read(fd, 4096).decode().splitlines():
        words = line.split()
        if words == ["quit"]:
            GLib.idle_add(loop.quit)
            return False
        if len(words) == 3 and words[0] in ("screen", "pointer"):
            call("Screen" if words[0] == "screen" else "Pointer", int(words[1]), int(words[2]))
            bus.flush()
            say("sent")
    return True


if "--stale" in sys.argv:
    loaded.add("vellory-pointer-relay")  # as a killed kitten leaves it
name = dbus.service.BusName("org.kde.KWin", bus)
Scripting(bus, "/Scripting")
Script(bus, "/Scripting/Script0")
# NOTE: opened for reading and writing, so that a writer closing it is no end of input.
GLib.io_add_watch(os.open(sys.argv[1], os.O_RDWR), GLib.IO_IN, on_commands)
say("ready")
loop = GLib.MainLoop()
loop.run()
