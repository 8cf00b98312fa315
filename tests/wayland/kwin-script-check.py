#!/usr/bin/python3
"""The program's KWin script (platform/x11/relay/pointer-relay.js) on its own in a real
KWin: loaded for a client that owns org.vellory.PointerRelay, it sends Screen (the logical
size) and then the pointer's place from KWin's own connection; a move after a still moment
at once; a burst coalesced to one place a look of the kitten's (70 ms), ending on the
latest place; nothing at rest; nothing once unloaded.
Run inside tests/wayland/kwin-session.sh: kwin-script-check.py BUILD (for tests/kwin_mover)."""
import os
import subprocess
import sys

import dbus
import dbus.service
from dbus.mainloop.glib import DBusGMainLoop

from relay_probe import Burst, KWinScript, MostInBurst, Probe, Pump, RelayName

Failures = []


def Check(condition, what):
    if not condition:
        Failures.append(what)
        print(f"FAIL: {what}", file=sys.stderr)


def Main():
    DBusGMainLoop(set_as_default=True)
    bus = dbus.SessionBus()
    kwin = bus.get_name_owner("org.kde.KWin")
    mover = subprocess.Popen([os.path.join(sys.argv[1], "tests", "kwin_mover")],
                             stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True)

    def Move(x, y):
        mover.stdin.write(f"{x} {y}\n")
        mover.stdin.flush()
        Check(mover.stdout.readline().strip() == "ok", f"the mover did not move to {x} {y}")

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
    seconds, pointers, last = Burst(probe, Move)
    Check(pointers[-1:] == [("Pointer", *last, kwin)],
          f"the burst did not end on {last}: {pointers[-2:]}")
    Check(1 < len(pointers) <= MostInBurst(seconds),
          f"{len(pointers)} Pointer calls for 200 moves in {seconds:.2f} s "
          f"(at most {MostInBurst(seconds)})")
    print(f"burst: 200 moves in {seconds:.2f} s -> {len(pointers)} Pointer calls")

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
    print("KWin: the relay script " + ("FAILED" if Failures else "delivers, coalesced"))
    return 1 if Failures else 0


if __name__ == "__main__":
    sys.exit(Main())
