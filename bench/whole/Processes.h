// What the whole-program bench needs of processes: start one with a display of its own,
// stop it, and read what the kernel counts for it (CPU time, wake-ups, memory).
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace whole {

double NowMs();  // monotonic
void SleepMs(double ms);

// argv[0] is searched in PATH; DISPLAY is set to `display`. Output goes to /dev/null.
pid_t Start(const std::vector<std::string>& argv, const std::string& display);
void Stop(pid_t pid);  // SIGTERM, then reaped

double CpuNs(pid_t pid);            // on a CPU so far, all threads
long VoluntarySwitches(pid_t pid);  // all threads
long RssKb(pid_t pid);

}  // namespace whole
