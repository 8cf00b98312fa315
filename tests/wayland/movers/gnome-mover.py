#!/usr/bin/python3
"""Moves GNOME Shell's own pointer for the Wayland tests (never XTest, which moves only
Xwayland's idea of it). Reads lines on stdin and prints "ok" after each:
    X Y        move to the logical point (X, Y)
    press      press the left button      release   release it
through one org.gnome.Mutter.RemoteDesktop session, which lives as long as this process's
bus connection. Mutter takes absolute motion only with a screen-cast stream, so the pointer
is pinned to the top-left corner once and then moved by differences from where it was
sent. Where the test-only probe extension runs (scale tests), the pointer is steered
until the shell reports it at the place: a relative move covers more or fewer pixels
than asked on a scaled monitor, and a different number on each monitor."""
import sys
import time

import dbus

BusName = "org.gnome.Mutter.RemoteDesktop"
LeftButton = 0x110  # BTN_LEFT, evdev's code
FarAway = -100000.0  # beyond any screen: the pointer stops at the corner (0, 0)
SettleSeconds = 0.5
Steps = 6  # moves to reach a place, each corrected by what the last one covered


def Probe(bus):
    """The shell's own report of the pointer's place, or None without the probe."""
    try:
        probe = dbus.Interface(bus.get_object("org.gnome.Shell", "/org/vellory/TestProbe"),
                               "org.vellory.TestProbe")
        probe.Pointer()
        return lambda: tuple(int(v) for v in probe.Pointer())
    except dbus.DBusException:
        return None


def Steer(session, where, target):
    """Moves until `where()` reports the target, learning the units of a move per axis."""
    units = [1.0, 1.0]
    for _ in range(Steps):
        at = where()
        if at == target:
            return
        step = [(t - a) * u for t, a, u in zip(target, at, units)]
        session.NotifyPointerMotionRelative(float(step[0]), float(step[1]))
        # NOTE: mutter takes the motion on its input thread: the stage sees it a little later.
        now = where()
        for _ in range(50):
            if now != at:
                break
            time.sleep(0.005)
            now = where()
        for axis in (0, 1):
            if now[axis] != at[axis] and step[axis] != 0:
                units[axis] = abs(step[axis] / (now[axis] - at[axis]))


def Main():
    bus = dbus.SessionBus()
    desktop = dbus.Interface(bus.get_object(BusName, "/org/gnome/Mutter/RemoteDesktop"),
                             "org.gnome.Mutter.RemoteDesktop")
    session = dbus.Interface(bus.get_object(BusName, desktop.CreateSession()),
                             "org.gnome.Mutter.RemoteDesktop.Session")
    session.Start()
    # NOTE: a headless seat has a pointer only while a virtual one exists: the session's
    # gives it one, and Xwayland takes up the new pointer a moment later; motion before
    # then never reaches X11 windows (GNOME Shell 48). Let it settle before moving.
    session.NotifyPointerMotionRelative(FarAway, FarAway)
    time.sleep(SettleSeconds)
    session.NotifyPointerMotionRelative(FarAway, FarAway)
    x, y = 0, 0
    where = Probe(bus)
    for line in sys.stdin:
        words = line.split()
        if words == ["press"] or words == ["release"]:
            session.NotifyPointerButton(LeftButton, words[0] == "press")
        elif len(words) == 2:
            try:
                target_x, target_y = int(words[0]), int(words[1])
            except ValueError:
                print(f"gnome-mover: not a place: {line.strip()}", file=sys.stderr)
                return 2
            if where is not None:
                Steer(session, where, (target_x, target_y))
            else:
                session.NotifyPointerMotionRelative(float(target_x - x), float(target_y - y))
            x, y = target_x, target_y
        else:
            print(f"gnome-mover: unknown line: {line.strip()}", file=sys.stderr)
            return 2
        print("ok", flush=True)
    session.Stop()
    return 0


if __name__ == "__main__":
    sys.exit(Main())
