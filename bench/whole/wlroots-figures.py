#!/usr/bin/python3
# The kitten's figures under a headless wlroots compositor, the native Wayland backend
# beside the X11 one (VELLORY_BACKEND=x11, on Xwayland) in the same session, one after the
# other. Everything is read off what the compositor shows (grim's shots of a few pixels,
# taken back to back) and off /proc. Run by bench/wlroots.sh inside
# tests/wayland/wlroots-session.sh:
#   wlroots-figures.py BUILD [STARTS] [MOVES] [SECONDS]
# Prints a Markdown table.
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

build = os.path.realpath(sys.argv[1])
starts = int(sys.argv[2]) if len(sys.argv) > 2 else 10
moves = int(sys.argv[3]) if len(sys.argv) > 3 else 40
seconds = int(sys.argv[4]) if len(sys.argv) > 4 else 10

HZ = os.sysconf("SC_CLK_TCK")
SAVED = (300, 200)  # the native kitten's saved place, logical pixels
SIZE = (207, 220)
EYE = (68, 118)  # the first eye's centre, from the kitten's corner
FACE = (104, 170)  # a face pixel away from the eyes
# Two places on the face, either side of the first eye, where both backends see the
# pointer (an X11 window on Xwayland sees it only over X11 windows).
LEFT, RIGHT = (40, 160), (170, 160)


def shot(x, y, w, h):
    """The pixels of a logical area as the compositor shows them (PPM body)."""
    out = subprocess.run(["grim", "-t", "ppm", "-g", f"{x},{y} {w}x{h}", "-"],
                         capture_output=True, check=True).stdout
    return out.split(b"\n", 3)[3]


def ticks(pid):
    with open(f"/proc/{pid}/stat") as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return int(fields[11]) + int(fields[12])  # utime + stime


def status(pid, key):
    with open(f"/proc/{pid}/status") as f:
        for line in f:
            if line.startswith(key + ":"):
                return int(line.split()[1])
    return 0


def pid_of(name):
    found = subprocess.run(["pgrep", "-x", name], capture_output=True, text=True).stdout.split()
    return int(found[0]) if found else None


class Mover:
    """The session's virtual pointer (tests/wlr_mover), answering "ok" once a move is taken."""

    def __init__(self):
        self.process = subprocess.Popen([os.path.join(build, "tests", "wlr_mover")],
                                        stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True)

    def move(self, x, y):
        self.process.stdin.write(f"{x} {y}\n")
        self.process.stdin.flush()
        self.process.stdout.readline()

    def close(self):
        self.process.stdin.close()
        self.process.wait()


class Kitten:
    def __init__(self, environment):
        self.folder = tempfile.mkdtemp()
        shutil.copy(os.path.join(build, "vellory"), self.folder)
        with open(os.path.join(self.folder, "vellory.ini"), "w") as f:
            f.write(f"[Varnhold Quimbrel]\nTop={SAVED[1] * 15}\nLeft={SAVED[0] * 15}\n")
        self.environment = dict(os.environ, **environment)

    def start(self):
        self.started = time.monotonic()
        self.process = subprocess.Popen([os.path.join(self.folder, "vellory")],
                                        env=self.environment, stderr=subprocess.DEVNULL)
        return self.process.pid

    def stop(self):
        self.process.terminate()
        self.process.wait()

    def remove(self):
        shutil.rmtree(self.folder)


def wait_for_change(area, before, deadline=5.0):
    """Seconds until the area shows other pixels than `before`, from now; None past the deadline."""
    begun = time.monotonic()
    while time.monotonic() - begun < deadline:
        if shot(*area) != before:
            return time.monotonic()
    return None


def percentile(values, share):
    ordered = sorted(values)
    return ordered[min(len(ordered) - 1, int(share * len(ordered)))]


def measure(name, environment, corner, mover):
    """The figures of one backend; `corner`: where its window shows (logical pixels)."""
    kitten = Kitten(environment)
    face = (corner[0] + FACE[0], corner[1] + FACE[1], 4, 4)
    eye = (corner[0] + EYE[0] - 12, corner[1] + EYE[1] - 12, 24, 24)
    rows = {}

    mover.move(5, 5)
    desktop = shot(*face)
    times = []
    for _ in range(starts):
        kitten.start()
        shown = wait_for_change(face, desktop)
        if shown is None:
            sys.exit(f"{name}: the kitten did not show at {corner}")
        times.append((shown - kitten.started) * 1000)
        kitten.stop()
        begun = time.monotonic()
        while shot(*face) != desktop:  # gone from the screen
            if time.monotonic() - begun > 5:
                sys.exit(f"{name}: the kitten stayed on the screen after it ended")
            time.sleep(0.02)
    rows["start to the face on the screen, median of %d (ms)" % starts] = statistics.median(times)

    pid = kitten.start()
    wait_for_change(face, desktop)
    time.sleep(5)
    rows["resident memory after 5 s (MiB)"] = status(pid, "VmRSS") / 1024

    others = {"sway": pid_of("sway"), "Xwayland": pid_of("Xwayland")}
    # 60 moves a second across the face, to and fro.
    before = {"kitten": ticks(pid), **{k: ticks(p) for k, p in others.items() if p}}
    steps = seconds * 60
    for i in range(steps):
        phase = i % 120
        x = LEFT[0] + (RIGHT[0] - LEFT[0]) * (phase if phase < 60 else 120 - phase) // 60
        mover.move(corner[0] + x, corner[1] + LEFT[1])
        time.sleep(1 / 60)
    after = {"kitten": ticks(pid), **{k: ticks(p) for k, p in others.items() if p}}
    for who in before:
        rows[f"pointer moving, {who}'s CPU per second (ms)"] = \
            (after[who] - before[who]) * 1000 / HZ / seconds

    time.sleep(2)  # the last ticks after the moves
    before = {"kitten": ticks(pid), **{k: ticks(p) for k, p in others.items() if p}}
    woken = status(pid, "voluntary_ctxt_switches")
    time.sleep(10)
    after = {"kitten": ticks(pid), **{k: ticks(p) for k, p in others.items() if p}}
    rows["at rest 10 s: wake-ups"] = status(pid, "voluntary_ctxt_switches") - woken
    for who in before:
        rows[f"at rest 10 s: {who}'s CPU (ms)"] = (after[who] - before[who]) * 1000 / HZ

    latencies = []
    for i in range(moves):
        place = LEFT if i % 2 == 0 else RIGHT
        time.sleep(0.5)
        pupils = shot(*eye)
        moved = time.monotonic()
        mover.move(corner[0] + place[0], corner[1] + place[1])
        turned = wait_for_change(eye, pupils, 2.0)
        if turned is not None:
            latencies.append((turned - moved) * 1000)
    rows["pointer move to turned pupils on the screen, median (ms)"] = \
        statistics.median(latencies) if latencies else float("nan")
    rows["pointer move to turned pupils on the screen, 95th percentile (ms)"] = \
        percentile(latencies, 0.95) if latencies else float("nan")
    rows["moves whose pupils turned within 2 s"] = f"{len(latencies)} of {moves}"
    kitten.stop()
    kitten.remove()
    return rows


def main():
    mover = Mover()
    grim_begun = time.monotonic()
    for _ in range(20):
        shot(0, 0, 24, 24)
    grim_ms = (time.monotonic() - grim_begun) * 1000 / 20
    # NOTE: sway centres every X11 floating window, whatever place it asks for.
    x11_corner = ((1280 - SIZE[0]) // 2, (720 - SIZE[1]) // 2)
    native = measure("native", {}, SAVED, mover)
    x11 = measure("X11", {"VELLORY_BACKEND": "x11"}, x11_corner, mover)
    mover.close()
    version = subprocess.run(["sway", "--version"], capture_output=True, text=True).stdout.split()
    print(f"### sway {version[-1] if version else '?'}, headless (pixman), scale 1: "
          f"native Wayland against X11 on Xwayland")
    print()
    print(f"A grim shot of a few pixels takes {grim_ms:.1f} ms: the screen's times are that fine.")
    print()
    print("| figure | native Wayland | X11 on Xwayland |")
    print("|---|---|---|")
    for figure in native:
        cells = []
        for rows in (native, x11):
            value = rows.get(figure, "")
            cells.append(f"{value:.2f}" if isinstance(value, float) else str(value))
        print(f"| {figure} | {cells[0]} | {cells[1]} |")


main()
