// App, Screen and End, answered from the native backend.
#include "runtime/App.h"

#include <cstdlib>
#include <optional>

#include "platform/Native.h"
#include "platform/Scaling.h"
#include "runtime/Units.h"

namespace runtime {

Application App;
ScreenObject Screen;

bool Application::PrevInstance() {
    return native::AnotherCopyRuns();
}

std::string Application::Path() {
    const std::string path = native::ExecutablePath();
    const auto slash = path.rfind('\\');
    if (slash == std::string::npos) return "";
    // A file in a root folder keeps the root's backslash ("C:\", "\").
    if (slash == 0 || (slash == 2 && path[1] == ':')) return path.substr(0, slash + 1);
    return path.substr(0, slash);
}

std::string Application::EXEName() {
    const std::string path = native::ExecutablePath();
    std::string name = path.substr(path.rfind('\\') + 1);
#ifdef _WIN32
    const auto dot = name.rfind('.');
    if (dot != std::string::npos) name.erase(dot);
#endif
    // NOTE: POSIX executables carry no extension, so the whole file name is the name
    // ("vellory"); a dot in it belongs to the name.
    return name;
}

// In the program's pixels: the primary monitor's device width over its scale.
float ScreenObject::Width() {
    const auto areas = native::ScreenAreas();
    const native::ScaledArea* primary = scaling::AreaOfDevice({0, 0}, areas);
    const double scale = primary != nullptr ? primary->scale : 1;
    return static_cast<float>(native::PrimaryScreenSize().x / scale * TwipsPerPixel);
}

void End(int status) {
    native::Close();
    std::exit(status);
}

}  // namespace runtime
