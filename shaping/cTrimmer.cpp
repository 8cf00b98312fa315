// TrimForm scans the picture row by row and unites one rectangle per run of pixels that
// differ from the key colour (the top-left pixel's); the union becomes the window's
// shape. GrabForm hands a left-button press to the system as a press on a caption bar.
#include "shaping/cTrimmer.h"

#include "runtime/Arith.h"

namespace {
constexpr std::int32_t NoRun = -1;
}

void cTrimmer::TrimForm(runtime::Form& form) {
    if (!form.Picture()) return;
    const std::int32_t savedScaleMode = form.ScaleMode();
    const bool savedAutoRedraw = form.AutoRedraw();
    form.SetAutoRedraw(true);
    form.SetScaleMode(runtime::ScalePixels);
    const std::uint32_t keyColour = form.Point(0, 0);
    hRgnShape = winapi::CreateRectRgn(0, 0, 0, 0);
    std::int32_t runStart = NoRun;
    const std::int32_t lastRow = runtime::CLng(form.ScaleHeight() - 1);
    for (std::int32_t y = 0; y <= lastRow; ++y) {
        const std::int32_t lastColumn = runtime::CLng(form.ScaleWidth() - 1);
        for (std::int32_t x = 0; x <= lastColumn; ++x) {
            const std::uint32_t colour = form.Point(static_cast<float>(x), static_cast<float>(y));
            if (colour != keyColour) {
                if (runStart == NoRun) runStart = x;
            } else if (runStart > NoRun) {
                AddRun(runStart, y, x, y + 1);
            }
        }
        if (runStart > NoRun) AddRun(runStart, y, lastColumn + 1, y + 1);
    }
    winapi::SetWindowRgn(winapi::AsHWND(form.hWnd()), hRgnShape, -1);
    form.SetScaleMode(static_cast<std::int16_t>(savedScaleMode));
    form.SetAutoRedraw(savedAutoRedraw);
}

void cTrimmer::AddRun(std::int32_t& runStart, std::int32_t top, std::int32_t right,
                      std::int32_t bottom) {
    hRgnRun = winapi::CreateRectRgn(runStart, top, right, bottom);
    winapi::CombineRgn(hRgnShape, hRgnShape, hRgnRun, winapi::RGN_OR);
    winapi::DeleteObject(hRgnRun);
    runStart = NoRun;
}

void cTrimmer::GrabForm(runtime::Form& form) {
    winapi::ReleaseCapture();
    const winapi::HWND window = winapi::AsHWND(form.hWnd());
    winapi::SendMessageA(window, winapi::WM_NCLBUTTONDOWN, winapi::HTCAPTION, 0);
}
