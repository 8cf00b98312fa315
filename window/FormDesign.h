// The design of the watcher window fVellory, in one place: its properties as it is
// created, its controls, and the fixed geometry of the eyes that the tick paints.
#pragma once

#include <cstdint>

#include "runtime/Form.h"
#include "window/Artwork.h"

namespace design {

inline runtime::FormDesign WatcherWindow() {
    runtime::FormDesign form;
    form.className = "vellory";             // WM_CLASS / window class
    form.caption = "Form1";                 // the window's text; no caption bar shows it
    form.clientLeft = 1395;                 // twips: the design place, 93 pixels
    form.clientTop = 2220;                  // twips: 148 pixels
    form.clientWidth = 3105;                // twips: 207 pixels, the picture's width
    form.clientHeight = 3300;               // twips: 220 pixels, the picture's height
    form.scaleMode = runtime::ScalePixels;  // drawing and mouse coordinates in pixels
    form.autoRedraw = false;                // the eyes go straight onto the window
    form.fillColor = 0x00FFFFC0;            // until the first tick sets its own
    form.backColor = 0x00FFFFFF;            // lies wholly under the picture
    form.foreColor = 0x00000000;
    form.picture = artwork::KittenBitmap();
    form.icon = artwork::EyesIcon();
    return form;
}
// Not expressed above because the runtime offers nothing else: BorderStyle 0 (no frame),
// ShowInTaskbar false, no maximise or minimise command, DrawMode copy pen, DrawStyle
// solid, DrawWidth 1, FillStyle solid.

constexpr std::uint32_t TimerInterval = 70;  // ms between ticks of tmr

// lblTestColor, in twips: client pixels (172, 190) to (196, 214), never seen.
constexpr float LabelLeft = 2580, LabelTop = 2850, LabelWidth = 375, LabelHeight = 375;
constexpr std::uint32_t LabelBackColor = 0x0000C000;

// The eyes, in client pixels.
constexpr std::int32_t Eye1X = 68, Eye2X = 140, EyeY = 118;
constexpr float EyeRadius = 10;
constexpr float PupilRadius = 5;
constexpr double PupilOffset = 5;            // pixels from the eye's centre towards the pointer
constexpr std::uint32_t EyeColour = 0x8080;  // olive: red 128, green 128, blue 0
constexpr std::uint32_t PupilColour = 0;

}  // namespace design
