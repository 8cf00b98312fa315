#!/usr/bin/python3
# A native Wayland window for the tests (GTK 4, GDK_BACKEND=wayland): maximised, so that it
# covers the desktop, in one plain colour. Prints "shown" once the compositor has mapped
# it, "pressed" at each press of a mouse button on it, and "active" or "inactive" when it
# gains or loses the focus; stays until it is ended.
import sys

import gi

gi.require_version("Gtk", "4.0")
from gi.repository import GLib, Gtk  # noqa: E402

Gtk.init()
window = Gtk.Window(title="native test window")
window.maximize()
window.connect("map", lambda *_: GLib.timeout_add(200, lambda: print("shown", flush=True)))
# Each press that reaches it: "pressed" (clicks on the transparent part of a window above
# it should come here).
clicks = Gtk.GestureClick()
clicks.connect("pressed", lambda *_: print("pressed", flush=True))
window.add_controller(clicks)
window.connect("notify::is-active",
               lambda *_: print("active" if window.is_active() else "inactive", flush=True))
window.present()
GLib.MainLoop().run()
sys.exit(0)
