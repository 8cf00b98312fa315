// The lock that writers of a settings file take, so that two copies of the program that
// end at the same moment never mix their entries: the file holds one copy's Top and Left;
// and its shared side, which readers take so that they never see a file half-written in
// place (a hard-linked file is written in place: ProfileStore.h).
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

// The shared side of the same lock, held for one read of `file`: it waits, up to
// LockWait, for a writer in another process to finish. A writer that keeps the lock
// longer, or a folder that cannot be locked, is read without it, as before there were
// locks; this process's own write lock lets it read at once.
class ReadLock {
  public:
    explicit ReadLock(const std::string& file);
    ~ReadLock();
    ReadLock(const ReadLock&) = delete;
    ReadLock& operator=(const ReadLock&) = delete;

  private:
    int fd_ = -1;
};

}  // namespace profile
