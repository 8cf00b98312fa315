// The runtime's start and event loop.
#include "runtime/Start.h"

#include <exception>
#include <string>

#include "platform/Native.h"
#include "platform/Notice.h"
#include "runtime/Errors.h"
#include "runtime/Form.h"

namespace runtime {

namespace {

// One event for the loaded form. An error that leaves a handler without resume-next mode
// drops that one event; the program goes on with the next. The C++ library's failures
// (out of memory, a length or range error) are that handler's errors too.
void Deliver(const native::Event& event) {
    Form* form = Form::Current();
    if (form == nullptr) return;
    try {
        form->Dispatch(event);
    } catch (const std::exception&) {  // NOLINT(bugprone-empty-catch): the event is dropped
    }
    native::Flush();
}

}  // namespace

int Run(void (*startProcedure)()) {
    std::string whyNot;
    if (!native::Open(whyNot)) {
        notice::Say("the kitten cannot start", whyNot);
        return 1;
    }
    native::SetModalEventHandler(Deliver);
    startProcedure();
    while (Form* form = Form::Current()) {
        const native::Event event = native::WaitEvent();
        if (event.kind == native::EventKind::Closed) {
            // The system's close command unloads the form without any handler of the
            // program; with its only window gone, the program ends.
            form->Unload();
            break;
        }
        Deliver(event);
    }
    native::Close();
    return 0;
}

}  // namespace runtime
