#!/usr/bin/python3
"""A native Wayland window for the GNOME tests (GTK 4, GDK_BACKEND=wayland): maximized,
so that it lies under most of the screen; prints "ready" once shown and "click X Y" for
each press of the left button on it, in its own coordinates."""
import os
import sys

os.environ["GDK_BACKEND"] = "wayland"
import gi  # noqa: E402

gi.require_version("Gtk", "4.0")
from gi.repository import Gtk  # noqa: E402


def OnActivate(application):
    window = Gtk.ApplicationWindow(application=application, title="native")
    clicks = Gtk.GestureClick()
    clicks.set_button(1)
    clicks.connect("pressed", lambda _gesture, _count, x, y: print(f"click {x:.0f} {y:.0f}", flush=True))
    window.add_controller(clicks)
    window.connect("map", lambda _window: print("ready", flush=True))
    window.maximize()
    window.present()


def Main():
    application = Gtk.Application(application_id="org.vellory.NativeWindow")
    application.connect("activate", OnActivate)
    return application.run([sys.argv[0]])


if __name__ == "__main__":
    sys.exit(Main())
