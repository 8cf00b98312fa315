// The watcher window: the kitten, its timer and label, and its four event handlers.
// The eye tracking (tmr_Timer) is in EyeTracking.cpp.
#pragma once

#include <memory>

#include "platform/WinApi.h"
#include "runtime/Controls.h"
#include "runtime/Form.h"
#include "shaping/cTrimmer.h"

class fVellory : public runtime::Form {
  public:
    // The single instance. Taking it creates no window: the first property use does.
    static fVellory& Instance();
    // Drops the single instance, for tests that start the program more than once.
    static void DropInstance();

    // Instance data, in this order.
    std::unique_ptr<cTrimmer> Trimmer;
    winapi::POINT CursorPos;
    winapi::RECT WinRect;
    winapi::POINT Eye1;
    winapi::POINT Eye2;
    double Dist1 = 0, Dist2 = 0;
    double Dir1Y = 0, Dir1X = 0;
    double Dir2Y = 0, Dir2X = 0;

    // Controls.
    runtime::Timer tmr;
    runtime::Label lblTestColor;

    void tmr_Timer();

    fVellory();
    ~fVellory() override;

  protected:
    void Form_Load() override;
    void Form_MouseDown(std::int16_t Button, std::int16_t Shift, float X, float Y) override;
    void Form_DblClick() override;
};
