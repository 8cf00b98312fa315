// The native backend's harness: see NativeSession.h.
#include "NativeSession.h"

#include <cmath>
#include <cstdlib>
#include <stdexcept>

#include "tests/support/EyeCheck.h"

namespace wltest {

namespace {

double Variable(const char* name, double otherwise) {
    const char* value = std::getenv(name);
    return value == nullptr || *value == '\0' ? otherwise : std::atof(value);
}

Point Times(Point logical, double scale) {
    return {Scaled(logical.x, scale), Scaled(logical.y, scale)};
}

}  // namespace

bool CursorSessions() {
    return Variable("VELLORY_TEST_CURSOR_SESSIONS", 1) != 0;
}

double SessionScale() {
    return Variable("VELLORY_TEST_SCALE", 1);
}

double OutputScale(int output) {
    return output == 0 ? SessionScale() : Variable("VELLORY_TEST_SCALE2", 1);
}

int SessionOutputs() {
    return static_cast<int>(Variable("VELLORY_TEST_OUTPUTS", 1));
}

Shot Screenshot(Point at, Point size, double scale) {
    TempFolder folder;
    Launch grim;
    // NOTE: grim's scale sets the picture's resolution; a logical area at scale 2 comes
    // out in the output's own device pixels.
    grim.argv = {"grim",
                 "-t",
                 "ppm",
                 "-s",
                 std::to_string(scale),
                 "-g",
                 std::to_string(at.x) + "," + std::to_string(at.y) + " " + std::to_string(size.x) +
                     "x" + std::to_string(size.y),
                 (folder.Path() / "shot.ppm").string()};
    grim.output = folder.Path() / "grim.log";
    Child child(grim);
    const auto status = child.Wait(milliseconds(10000));
    Shot shot = DecodePpm(ReadFile(folder.Path() / "shot.ppm"), Times(at, scale));
    if (!ExitedWith(status, 0) || shot.pixels.empty())
        throw std::runtime_error("grim " + DescribeStatus(status) + ": " +
                                 ReadFile(folder.Path() / "grim.log"));
    return shot;
}

void SetOutputs(const std::vector<bool>& on) {
    std::string switches, places;
    for (std::size_t i = 0; i < on.size(); ++i) {
        const std::string output = " --output HEADLESS-" + std::to_string(i + 1);
        switches += output + (on[i] ? " --on" : " --off");
        if (on[i])
            places += output + " --pos " + std::to_string(i * OutputSize.x) + ",0 --scale " +
                      std::to_string(OutputScale(static_cast<int>(i)));
    }
    // NOTE: labwc lays out what stays after an output went; the places come in a second go.
    for (const std::string& arguments : {switches, places}) {
        if (arguments.empty()) continue;
        const auto [said, status] = Run("wlr-randr" + arguments + " 2>&1");
        if (status != 0) throw std::runtime_error("wlr-randr" + arguments + ": " + said);
    }
}

std::uint32_t ColourAt(Point at) {
    return Screenshot(at, {1, 1}, 1).pixels[0];
}

NativeKitten::NativeKitten(Point saved) : scale_(SessionScale()), at_(saved) {
    copy_.Save(SavedPlace(saved));
}

void NativeKitten::Start() {
    copy_.Launch({});
    const bool shown = WaitUntil(
        [&] {
            if (!Process().Running()) return true;
            if (!Find()) return false;
            const Shot shot = Look();
            const double area = scale_ * scale_;
            return ReadPupil(shot, Eye1, scale_).blackPixels > 40 * area &&
                   ReadPupil(shot, Eye2, scale_).blackPixels > 40 * area;
        },
        milliseconds(10000), milliseconds(100));
    if (!Process().Running())
        throw std::runtime_error(
            "the kitten ended: " + DescribeStatus(Process().Wait(milliseconds(0))) +
            "; stderr: " + Errors());
    if (!shown)
        throw std::runtime_error("the kitten's picture for scale " + std::to_string(scale_) +
                                 " with painted eyes did not show; stderr: " + Errors());
}

std::optional<Point> NativeKitten::Find(int output) {
    const double scale = OutputScale(output);
    const Point origin{output * OutputSize.x, 0};
    const std::optional<Point> device = FindKitten(Screenshot(origin, OutputSize, scale), scale);
    if (!device) return std::nullopt;
    scale_ = scale;
    at_ = {static_cast<int>(std::lround(device->x / scale_)),
           static_cast<int>(std::lround(device->y / scale_))};
    return at_;
}

Shot NativeKitten::Look() const {
    return Screenshot(at_, {KittenWidth, KittenHeight}, scale_);
}

testing::AssertionResult NativeKitten::LooksAt(Point pointer, milliseconds deadline) const {
    // NOTE: the eyes and the pointer in the first output's device pixels (logical times
    // its scale), also where the pointer is on another output: the direction is the same.
    return PupilsLookAt([&] { return Look(); }, Times(pointer, scale_), deadline, scale_);
}

}  // namespace wltest
