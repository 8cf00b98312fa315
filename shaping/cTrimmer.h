// The window trimmer: cuts a window to its picture by colour key (TrimForm) and starts
// the windowing system's interactive move of a window (GrabForm). Errors pass to the
// caller; neither method has a resume-next mode.
#pragma once

#include <cstdint>

#include "platform/WinApi.h"
#include "runtime/Form.h"

class cTrimmer {
  public:
    void GrabForm(runtime::Form& form);
    void TrimForm(runtime::Form& form);

    winapi::HRGN hRgnShape = nullptr;  // the shape being built; the window's once applied
    winapi::HRGN hRgnRun = nullptr;    // one run's rectangle, for the length of one union

  private:
    void AddRun(std::int32_t& runStart, std::int32_t top, std::int32_t right, std::int32_t bottom);
};
