#!/usr/bin/python3
# kwin-shot.py X Y WIDTH HEIGHT FILE.ppm: the logical area of a KWin session's screen as
# KWin shows it (native Wayland surfaces too, unseen by X), as a binary PPM (P6) in device
# pixels (times the largest scale among the outputs it meets), as grim -s SCALE gives.
# KWin needs OpenGL compositing and KWIN_SCREENSHOT_NO_PERMISSION_CHECKS=1 (kwin-session.sh):
# without OpenGL it has no screenshot object (6.3) or cancels every shot (6.7). Exits 1
# with KWin's reason when it refuses (after 10 s when silent: 5.27 on an area off every
# output).
import os
import select
import sys

import dbus

# QImage formats KWin sends, 32 bits a pixel: where red, green and blue lie in each.
CHANNELS = {4: (2, 1, 0), 5: (2, 1, 0), 6: (2, 1, 0),  # (A)RGB32, little-endian: B G R A
            16: (0, 1, 2), 17: (0, 1, 2), 18: (0, 1, 2)}  # RGBX/RGBA8888: R G B A


def capture(x, y, width, height):
    reader, writer = os.pipe()
    with os.fdopen(reader, "rb", buffering=0) as pipe:
        try:
            shots = dbus.SessionBus().get_object("org.kde.KWin", "/org/kde/KWin/ScreenShot2",
                                                 introspect=False)
            meta = shots.CaptureArea(x, y, dbus.UInt32(width), dbus.UInt32(height),
                                     dbus.Dictionary({"native-resolution": True}, signature="sv"),
                                     dbus.types.UnixFd(writer),
                                     dbus_interface="org.kde.KWin.ScreenShot2", timeout=10)
        finally:
            os.close(writer)
        # KWin writes the pixels after its answer, then closes the pipe.
        data = bytearray()
        while select.select([pipe], [], [], 10)[0]:
            chunk = pipe.read(1 << 16)
            if not chunk:
                return meta, data
            data += chunk
        raise TimeoutError("KWin sent no end of the picture within 10 s")


def write_ppm(path, meta, data):
    w, h, stride, form = (int(meta.get(k, -1)) for k in ("width", "height", "stride", "format"))
    if form not in CHANNELS or w <= 0 or h <= 0 or stride < 4 * w or len(data) < stride * h:
        raise ValueError(f"unexpected picture {dict(meta)} with {len(data)} bytes")
    pixels = bytearray(3 * w * h)
    for row in range(h):
        line = data[row * stride:row * stride + 4 * w]
        for channel, source in enumerate(CHANNELS[form]):
            pixels[row * 3 * w + channel:(row + 1) * 3 * w:3] = line[source::4]
    with open(path, "wb") as out:
        out.write(b"P6\n%d %d\n255\n" % (w, h) + pixels)


try:
    x, y, width, height = (int(a) for a in sys.argv[1:5])
    write_ppm(sys.argv[5], *capture(x, y, width, height))
except (dbus.DBusException, OSError, TimeoutError, ValueError, IndexError) as error:
    sys.exit(f"kwin-shot: {error}")
