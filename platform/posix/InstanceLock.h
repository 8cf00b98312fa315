// The single-instance lock on POSIX hosts: a file lock (flock) in a folder that only this
// user can reach, so that no other account can take it or plant one in our way, and the
// kernel lets go of it when the process ends, however it ends.
#pragma once

#include <string>

namespace instancelock {

enum class Outcome {
    Ours,           // this process holds the lock until it ends
    HeldByAnother,  // another copy of this user holds it
    Unavailable,    // no private folder could hold it
};

// Takes the lock named after `server` (the X server reached, e.g. "local:0") in each
// private folder there is, always in the same order: $XDG_RUNTIME_DIR when it is ours and
// closed to others, then /tmp/vellory-<uid>, made for the purpose. Copies that see
// different folders still meet in the second one, and of copies started at the same
// instant exactly one takes them all.
Outcome Take(const std::string& server);

}  // namespace instancelock
