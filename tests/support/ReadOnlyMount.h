// A file or folder made read-only for everyone, root included: the tests run as root in
// CI, and root writes past any mode bits (under Wine as well), so only a read-only bind
// mount of the path onto itself shows what a user meets in a folder or file they may not
// write. Needs the right to mount (CAP_SYS_ADMIN); without it, nothing is mounted.
#pragma once

#include <filesystem>
#include <string>

namespace support {

class ReadOnlyMount {
  public:
    explicit ReadOnlyMount(std::filesystem::path path);
    ~ReadOnlyMount();  // unmounts
    ReadOnlyMount(const ReadOnlyMount&) = delete;
    ReadOnlyMount& operator=(const ReadOnlyMount&) = delete;

    bool Mounted() const { return mounted_; }
    const std::string& Failure() const { return failure_; }  // why it is not mounted

  private:
    std::filesystem::path path_;
    bool mounted_ = false;
    std::string failure_;
};

}  // namespace support
