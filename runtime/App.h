// The runtime's global objects: App (the running program), Screen, and End.
#pragma once

#include <string>

namespace runtime {

class Application {
  public:
    // True when another copy of the program runs. The first call takes the
    // single-instance lock, which this copy then holds until it ends.
    bool PrevInstance();
    // The executable's folder, in the program's notation ("\" between folders).
    std::string Path();
    // The executable's file name without its extension.
    std::string EXEName();
};

class ScreenObject {
  public:
    float Width();  // the primary screen's width in twips
};

extern Application App;
extern ScreenObject Screen;

// Ends the program at once: no further code of the program runs.
[[noreturn]] void End(int status = 0);

}  // namespace runtime
