// Finding the running executable without /proc (a chroot, a container that does not
// mount it): from the name that it was started by (argv[0]), as a shell found it.
#pragma once

#include <string>

namespace executablesearch {

// The executable file that `argument` names, symlinks resolved (host notation): a name
// with a "/" is taken from the working folder; one without is looked up on `searchPath`
// (PATH's value; the system's default path when null), an empty entry meaning the
// working folder, as execvp does. Empty when no such executable file is found.
std::string Find(const std::string& argument, const char* searchPath);

}  // namespace executablesearch
