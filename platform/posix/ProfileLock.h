// The lock that writers of a settings file take, so that two copies of the program that
// end at the same moment never mix their entries: the file holds one copy's Top and Left.
#pragma once

#include <chrono>
#include <string>

namespace profile {

// How long a write waits for another process that holds the lock before it fails.
constexpr std::chrono::milliseconds LockWait{2000};

// Takes this process's write lock for `file`: an advisory lock on the folder that holds
// it (symlinks followed), which stays with the file through its replacement by rename.
// The lock is kept until the process ends or takes the lock for another folder, so the
// entries that one process writes one after the other (Top, then Left) reach the file
// together. False when another process still holds it after LockWait. A folder that
// cannot be locked (unreadable, missing, a file system without locks) is written
// without one, as before.
bool TakeWriteLock(const std::string& file);

}  // namespace profile
