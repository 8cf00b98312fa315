// Loading a system library at run time: see SharedLibrary.h.
#include "platform/posix/SharedLibrary.h"

#include <dlfcn.h>

namespace sharedlibrary {

Loader::Loader(const char* file) : file_(file) {
    // NOTE: RTLD_LOCAL keeps its symbols out of the way of anything loaded later.
    handle_ = dlopen(file, RTLD_NOW | RTLD_LOCAL);
    if (handle_ == nullptr) {
        const char* error = dlerror();
        whyNot_ = error != nullptr ? error : std::string("cannot load ") + file;
    }
}

void* Loader::Symbol(const char* name) {
    if (handle_ == nullptr) return nullptr;
    void* symbol = dlsym(handle_, name);
    if (symbol == nullptr && whyNot_.empty()) whyNot_ = std::string(file_) + " lacks " + name;
    return symbol;
}

std::string Loader::Finish() {
    if (handle_ != nullptr && !whyNot_.empty()) {
        dlclose(handle_);
        handle_ = nullptr;
    }
    return whyNot_;
}

}  // namespace sharedlibrary
