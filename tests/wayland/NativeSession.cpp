// The native backend's harness: see NativeSession.h.
#include "NativeSession.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <sstream>
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

// NOTE: KWin's sessions list their outputs' scales in one variable ("2 2"); the wlroots
// ones name each.
std::vector<double> ListedScales() {
    std::istringstream words(SessionScales());
    std::vector<double> scales;
    for (double scale = 0; words >> scale;) scales.push_back(scale);
    return scales;
}

double SessionScale() {
    return OutputScale(0);
}

double OutputScale(int output) {
    const std::vector<double> listed = ListedScales();
    if (static_cast<std::size_t>(output) < listed.size()) return listed[output];
    return Variable(output == 0 ? "VELLORY_TEST_SCALE" : "VELLORY_TEST_SCALE2", 1);
}

int SessionOutputs() {
    const int listed = static_cast<int>(ListedScales().size());
    return static_cast<int>(Variable("VELLORY_TEST_OUTPUTS", std::max(listed, 1)));
}

Shot Screenshot(Point at, Point size, double scale) {
    TempFolder folder;
    const std::string file = (folder.Path() / "shot.ppm").string();
    Launch shooter;
    // NOTE: grim's scale sets the picture's resolution; a logical area at scale 2 comes
    // out in the output's own device pixels, as KWin's shots come at its outputs' scale.
    if (Desktop() == "kwin")
        shooter.argv = {std::string(VELLORY_SOURCE_DIR) + "/tests/wayland/kwin-shot.py",
                        std::to_string(at.x),
                        std::to_string(at.y),
                        std::to_string(size.x),
                        std::to_string(size.y),
                        file};
    else
        shooter.argv = {"grim",
                        "-t",
                        "ppm",
                        "-s",
                        std::to_string(scale),
                        "-g",
                        std::to_string(at.x) + "," + std::to_string(at.y) + " " +
                            std::to_string(size.x) + "x" + std::to_string(size.y),
                        file};
    shooter.output = folder.Path() / "shooter.log";
    Child child(shooter);
    const auto status = child.Wait(milliseconds(15000));
    Shot shot = DecodePpm(ReadFile(file), Times(at, scale));
    if (!ExitedWith(status, 0) || shot.pixels.empty())
        throw std::runtime_error(shooter.argv[0] + " " + DescribeStatus(status) + ": " +
                                 ReadFile(folder.Path() / "shooter.log"));
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

void SetKWinScale(double scale) {
    const auto [said, status] =
        Run(std::string(VELLORY_MOVERS_DIR) + "/kwin_output_scale Virtual-0 " +
            std::to_string(scale) + " 2>&1");
    if (status != 0) throw std::runtime_error("kwin_output_scale: " + said);
}

std::uint32_t ColourAt(Point at) {
    return Screenshot(at, {1, 1}, 1).pixels[0];
}

NativeKitten::NativeKitten(Point saved) : scale_(SessionScale()), at_(saved) {
    copy_.Save(SavedPlace(saved));
}

void NativeKitten::Start() {
    copy_.Launch(NativeBackendForced());
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

std::optional<Point> NativeKitten::Find(int output, double scale) {
    if (scale == 0) scale = OutputScale(output);
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
