// A user's settings file, read or read for a write: see ProfileAccess.h.
#include "platform/posix/ProfileAccess.h"

#include "platform/SettingsPlace.h"
#include "platform/posix/ProfileLock.h"

namespace profile {
namespace {

// A read under the shared side of the writers' lock: never of a file half-written.
ReadOutcome ReadLocked(const std::string& file, std::string& bytes) {
    const ReadLock lock(file);
    return ReadWhole(file, bytes);
}

ReadOutcome ReadThrough(const settingsplace::Place& place, std::string& bytes) {
    const ReadOutcome outcome = ReadLocked(place.file, bytes);
    if (outcome != ReadOutcome::Missing || place.fallback.empty()) return outcome;
    return ReadLocked(place.fallback, bytes);
}

}  // namespace

ReadOutcome ReadSettings(const std::string& file, std::string& bytes) {
    return ReadThrough(settingsplace::Locate(file, false), bytes);
}

ReadOutcome BeginWrite(const std::string& file, std::string& target, std::string& bytes) {
    const settingsplace::Place place = settingsplace::Locate(file, true);
    target = place.file;
    bytes.clear();
    // Read under the lock: another copy may have written, or made the per-user copy,
    // since this one last looked.
    if (!TakeWriteLock(place.file)) return ReadOutcome::Failed;
    return ReadThrough(place, bytes);
}

}  // namespace profile
