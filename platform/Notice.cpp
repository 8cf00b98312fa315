// The program's lines on stderr: see Notice.h.
#include "platform/Notice.h"

#include <cstdio>

namespace notice {

void Say(const std::string& effect, const std::string& detail) {
    std::fprintf(stderr, "vellory: %s: %s\n", effect.c_str(), detail.c_str());
    std::fflush(stderr);
}

}  // namespace notice
