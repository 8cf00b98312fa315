// The eye tracking: every tick paints both eyes afresh, each pupil 5 pixels from its
// eye's centre towards the pointer. Directions are worked out in screen pixels, the
// drawing is done at fixed client positions. Each step is one statement: a step that
// fails leaves its field at the previous tick's value, and the tick goes on.
// NOTE: the window has no frame, so its client area starts at its outer rectangle's
// corner; a window manager that frames it anyway (X11) moves the client area inward,
// and the eyes count from the client area's corner as the system reports it.
#include <cmath>

#include "runtime/Arith.h"
#include "runtime/Errors.h"
#include "window/FormDesign.h"
#include "window/fVellory.h"

namespace {

using runtime::AddLong;
using runtime::CheckedDouble;
using runtime::SubLong;

// Distance from the pointer to an eye, from 32-bit differences.
double Distance(const winapi::POINT& eye, const winapi::POINT& pointer) {
    const double dx = SubLong(eye.x, pointer.x);
    const double dy = SubLong(eye.y, pointer.y);
    return CheckedDouble(std::sqrt(CheckedDouble(dx * dx + dy * dy)));
}

}  // namespace

void fVellory::tmr_Timer() {
    runtime::ResumeNext step;
    step([&] { winapi::GetWindowRect(winapi::AsHWND(hWnd()), &WinRect); });
    winapi::POINT client{WinRect.Left, WinRect.Top};
    step([&] {
        winapi::POINT corner{0, 0};
        if (winapi::ClientToScreen(winapi::AsHWND(hWnd()), &corner)) client = corner;
    });
    step([&] { Eye1.x = AddLong(client.x, design::Eye1X); });
    step([&] { Eye1.y = AddLong(client.y, design::EyeY); });
    step([&] { Eye2.x = AddLong(client.x, design::Eye2X); });
    step([&] { Eye2.y = AddLong(client.y, design::EyeY); });

    step([&] { winapi::GetCursorPos(&CursorPos); });
    step([&] { Dist1 = Distance(Eye1, CursorPos); });
    step([&] { Dist2 = Distance(Eye2, CursorPos); });
    step([&] {
        if (Dist1 == 0.0) Dist1 = 1.0;
    });  // the pointer on the eye's centre
    step([&] {
        if (Dist2 == 0.0) Dist2 = 1.0;
    });
    step([&] { Dir1Y = SubLong(Eye1.y, CursorPos.y) / Dist1; });
    step([&] { Dir1X = SubLong(Eye1.x, CursorPos.x) / Dist1; });
    step([&] { Dir2Y = SubLong(Eye2.y, CursorPos.y) / Dist2; });
    step([&] { Dir2X = SubLong(Eye2.x, CursorPos.x) / Dist2; });

    step([&] { SetFillColor(design::EyeColour); });
    step([&] { Circle(design::Eye1X, design::EyeY, design::EyeRadius, design::EyeColour); });
    step([&] { Circle(design::Eye2X, design::EyeY, design::EyeRadius, design::EyeColour); });
    step([&] { SetFillColor(design::PupilColour); });
    step([&] {
        Circle(runtime::CSng(design::Eye1X - design::PupilOffset * Dir1X),
               runtime::CSng(design::EyeY - design::PupilOffset * Dir1Y), design::PupilRadius,
               design::PupilColour);
    });
    step([&] {
        Circle(runtime::CSng(design::Eye2X - design::PupilOffset * Dir2X),
               runtime::CSng(design::EyeY - design::PupilOffset * Dir2Y), design::PupilRadius,
               design::PupilColour);
    });
}
