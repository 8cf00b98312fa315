// How the runtime starts a program: connect to the display, call the program's start
// procedure once, then deliver the loaded form's events until it ends.
#pragma once

namespace runtime {
int Run(void (*startProcedure)());
}
