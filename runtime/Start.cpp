// The runtime's start and event loop.
#include "runtime/Start.h"

#include <cstdio>
#include <string>

#include "platform/Native.h"
#include "runtime/Errors.h"
#include "runtime/Form.h"

namespace runtime {

int Run(void (*startProcedure)()) {
    std::string whyNot;
    if (!native::Open(whyNot)) {
        std::fprintf(stderr, "vellory: %s\n", whyNot.c_str());
        return 1;
    }
    startProcedure();
    while (Form* form = Form::Current()) {
        const native::Event event = native::WaitEvent();
        if (event.kind == native::EventKind::Closed) {
            // The system's close command unloads the form without any handler of the
            // program; with its only window gone, the program ends.
            form->Unload();
            break;
        }
        try {
            form->Dispatch(event);
        } catch (const RuntimeError&) {
            // NOTE: an error that leaves a handler without resume-next mode drops that one
            // event; the program goes on with the next.
        }
        native::Flush();
    }
    native::Close();
    return 0;
}

}  // namespace runtime
