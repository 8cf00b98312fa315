// A system library loaded at run time, by the one path of the program that uses it, so
// that no other path maps it (libdbus-1 for the pointer relay, libwayland-client for the
// Wayland backend), as GLFW 3.4 and SDL 3 load theirs. A table of the library's functions
// is filled all or nothing: a library that lacks one is as good as none.
#pragma once

#include <string>

namespace sharedlibrary {

class Loader {
  public:
    explicit Loader(const char* file);
    Loader(const Loader&) = delete;
    Loader& operator=(const Loader&) = delete;
    ~Loader() = default;  // NOTE: a library once loaded stays, as its functions may be kept

    // Sets `function` to the library's `name`, or to nullptr when it lacks it.
    template <typename Function>
    void Find(const char* name, Function& function) {
        function = reinterpret_cast<Function>(Symbol(name));
    }

    // Empty when the library was loaded and had every function asked for; else why not,
    // in a few words ("libfoo.so.1: cannot open shared object file: ...", "libfoo.so.1
    // lacks foo_bar"), and the library is let go again.
    std::string Finish();

  private:
    void* Symbol(const char* name);

    const char* file_;
    void* handle_ = nullptr;
    std::string whyNot_;
};

// A library's table as loaded: every function, or why not.
template <typename Table>
struct Loaded {
    Table table{};
    std::string whyNot;  // empty when the library and all its functions were found
};

// Loads `file` and fills a Table with `fill(loader, table)`, all or nothing.
template <typename Table, typename Fill>
Loaded<Table> Load(const char* file, Fill fill) {
    Loaded<Table> loaded;
    Loader library(file);
    fill(library, loaded.table);
    loaded.whyNot = library.Finish();
    return loaded;
}

}  // namespace sharedlibrary
