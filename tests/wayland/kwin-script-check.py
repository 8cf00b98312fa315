#!/usr/bin/python3
"""The program's KWin script (platform/relay/pointer-relay.js) on its own in a real
KWin: loaded for a client that owns org.vellory.PointerRelay, it sends Screen (the logical
size) and then the pointer's place from KWin's own connection; a move after a still moment
at once; a burst coalesced to one place a look of the kitten's (70 ms), ending on the
latest place; nothing at rest; nothing once unloaded.
Run inside tests/wayland/kwin-session.sh: kwin-script-check.py BUILD (for tests/kwin_mover)."""
import os
import sys

import dbus
import dbus.service
from dbus.mainloop.glib import DBusGMainLoop

import relay_probe
from relay_probe import Check, CheckBurst, KWinScript, Mover, Probe, Pump, RelayName


def Main():
    DBusGMainLoop(set_as_default=True)
    bus = dbus.SessionBus()
    kwin = bus.get_name_owner("org.kde.KWin")
    mover, Move = Mover([os.path.join(sys.argv[1], "tests", "kwin_mover")])

    Move(50, 60)
    probe = Probe(bus)
    name = dbus.service.BusName(RelayName, bus, do_not_queue=True)
    script = KWinScript(bus)
    Pump(0.5)
    Check(probe.calls == [("Screen", 1280, 800, kwin), ("Pointer", 50, 60, kwin)],
          f"loaded: not Screen(1280, 800) then Pointer(50, 60) from KWin: {probe.calls[:3]}")

    Pump(0.3)
    probe.calls.clear()
    Move(640, 400)
    Pump(0.05)
    Check(probe.calls == [("Pointer", 640, 400, kwin)], f"a move after a still moment: {probe.calls}")

    Pump(0.3)
    CheckBurst(probe, Move, kwin)

    probe.calls.clear()
    Pump(1.0)
    Check(probe.calls == [], f"calls at rest: {probe.calls[:3]}")

    script.End()
    Pump(0.3)
    Move(300, 300)
    Pump(0.3)
    Check(probe.calls == [], f"calls once unloaded: {probe.calls[:3]}")

    del name
    mover.stdin.close()
    mover.wait(timeout=5)
    print("KWin: the relay script " + ("FAILED" if relay_probe.Failures else "delivers, coalesced"))
    return 1 if relay_probe.Failures else 0


if __name__ == "__main__":
    sys.exit(Main())
