// The pupil check: see EyeCheck.h.
#include "tests/support/EyeCheck.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "tests/support/KittenPicture.h"

namespace support {

testing::AssertionResult PupilsLookAt(const XClient& x, Window window, Point pointer,
                                      milliseconds deadline, double scale) {
    return PupilsLookAt([&] { return LookAt(x, window, scale); }, pointer, deadline, scale);
}

testing::AssertionResult PupilsLookAt(const std::function<Shot()>& look, Point pointer,
                                      milliseconds deadline, double scale) {
    std::string report;
    Point at;
    const bool right = WaitUntil(
        [&] {
            const Shot shot = look();
            at = {shot.left, shot.top};
            const int offScreen =
                static_cast<int>(std::count(shot.pixels.begin(), shot.pixels.end(), OffScreen));
            if (offScreen > 0) {
                report = std::to_string(offScreen) + " of the window's pixels lie off the screen";
                return false;
            }
            bool both = true;
            report.clear();
            for (const Point eye : {Eye1, Eye2}) {
                const PupilReading pupil = ReadPupil(shot, eye, scale);
                const Point centre = Scaled(eye, scale);
                const Centre expected =
                    ExpectedPupil(eye, {at.x + centre.x, at.y + centre.y}, pointer, scale);
                const double off = std::hypot(pupil.x - expected.x, pupil.y - expected.y);
                // One pupil: a radius-5 disc is about 80 pixels; the rest of the eye olive.
                const double area = scale * scale;
                const bool good = off <= PupilTolerance && pupil.blackPixels >= 60 * area &&
                                  pupil.blackPixels <= 100 * area &&
                                  pupil.blackPixels + pupil.olivePixels >= 300 * area;
                both = both && good;
                char text[200];
                std::snprintf(text, sizeof text,
                              "eye (%d, %d): pupil at (%.2f, %.2f), expected (%.2f, %.2f), "
                              "%d black, %d olive; ",
                              eye.x, eye.y, pupil.x, pupil.y, expected.x, expected.y,
                              pupil.blackPixels, pupil.olivePixels);
                report += text;
            }
            return both;
        },
        deadline, milliseconds(25));
    if (right) return testing::AssertionSuccess();
    return testing::AssertionFailure()
           << "pointer (" << pointer.x << ", " << pointer.y << "), window at (" << at.x << ", "
           << at.y << "): " << report;
}

}  // namespace support
