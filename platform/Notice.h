// The lines the program writes on stderr, all of one form: "vellory: <effect>: <detail>".
// The effect comes first, in plain words (what the user sees: the kitten cannot start, the
// eyes follow the pointer only over the kitten), then why, as precisely as the program
// knows it, and what to do where there is something to do.
#pragma once

#include <string>

namespace notice {

void Say(const std::string& effect, const std::string& detail);

}  // namespace notice
