// One check shared by the tests of the eyes: both pupils, as painted on the screen,
// sit where the pointer says they should. Polls for a few ticks, since a reading may
// fall between two ticks or before the first tick after a move.
#pragma once

#include <functional>

#include "tests/support/XClient.h"

namespace support {

constexpr double PupilTolerance = 0.75;  // device pixels between measured and expected centre

// Success when, within the deadline, each eye shows one pupil (a black disc of about
// 80 s^2 pixels on an olive disc, at display scale s) whose centre is within
// PupilTolerance of the expected one; otherwise a failure that gives both centres.
testing::AssertionResult PupilsLookAt(const XClient& x, Window window, Point pointer,
                                      milliseconds deadline = milliseconds(2000), double scale = 1);
// The same over shots that `look` takes (LookAt's: the window's area, placed where the
// window is, in the units of `pointer`), for screens that X does not show.
testing::AssertionResult PupilsLookAt(const std::function<Shot()>& look, Point pointer,
                                      milliseconds deadline, double scale = 1);

}  // namespace support
