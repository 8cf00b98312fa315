// The program's start procedure.
#pragma once

namespace AppModul {
// Keeps the program to one running copy, reads the saved place, then loads, places and
// shows the watcher window. Called once by the runtime, before any window exists.
void Main();
}  // namespace AppModul
