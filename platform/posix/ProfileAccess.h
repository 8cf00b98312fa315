// One read, or one read-modify-write, of a user's settings file: in its place
// (platform/SettingsPlace.h), under the writers' lock, shared for a read (ProfileLock.h),
// through the store (ProfileStore.h). platform/posix/ProfileFile.cpp calls these two.
#pragma once

#include <string>

#include "platform/posix/ProfileStore.h"

namespace profile {

// The settings file's bytes, from this user's copy or, until it exists, from the file
// beside the program.
ReadOutcome ReadSettings(const std::string& file, std::string& bytes);

// Starts a write: sets `target` to the file that ReplaceWhole must write, takes its lock
// and reads what it holds now into `bytes` (as ReadSettings). Failed when the lock stays
// taken, and as ReadWhole.
ReadOutcome BeginWrite(const std::string& file, std::string& target, std::string& bytes);

}  // namespace profile
