// The executable's entry point: the runtime starts the program at Main.
#include "runtime/Start.h"
#include "startup/AppModul.h"

int main() {
    return runtime::Run(AppModul::Main);
}
