// Finding the executable by the name it was started by, as when /proc is not there: a
// path is taken as it is, a bare name from PATH's folders in order, as a shell runs it;
// only executable files count, and links lead to the real file.
#include "platform/posix/ExecutableSearch.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "TempFolder.h"

namespace {

class ExecutableSearch : public testing::Test {
  protected:
    void SetUp() override {
        for (const char* name : {"a", "b", "c", "linked"})
            std::filesystem::create_directory(root / name);
        MakeFile(root / "b" / "vellory", 0755);
        MakeFile(root / "a" / "vellory", 0644);                     // not executable: passed over
        std::filesystem::create_directory(root / "c" / "vellory");  // a folder: passed over
        std::filesystem::create_symlink(root / "b" / "vellory", root / "linked" / "kitten");
        real = std::filesystem::canonical(root / "b" / "vellory").string();
    }
    static void MakeFile(const std::filesystem::path& path, mode_t mode) {
        PutFile(path, "#!/bin/sh\n");
        chmod(path.c_str(), mode);
    }
    std::string Folders(std::initializer_list<const char*> names) const {
        std::string path;
        for (const char* name : names) {
            if (!path.empty()) path += ':';
            path += (root / name).string();
        }
        return path;
    }

    TempFolder temp;
    std::filesystem::path root = temp.Path();
    std::string real;
};

TEST_F(ExecutableSearch, ABareNameIsTheFirstExecutableFileOnThePath) {
    EXPECT_EQ(executablesearch::Find("vellory", Folders({"a", "c", "b"}).c_str()), real);
    EXPECT_EQ(executablesearch::Find("kitten", Folders({"a", "linked"}).c_str()), real);
    EXPECT_EQ(executablesearch::Find("vellory", Folders({"a", "c"}).c_str()), "");
    EXPECT_EQ(executablesearch::Find("", Folders({"b"}).c_str()), "");
}

TEST_F(ExecutableSearch, AnEmptyEntryIsTheWorkingFolder) {
    const auto before = std::filesystem::current_path();
    std::filesystem::current_path(root / "b");
    EXPECT_EQ(executablesearch::Find("vellory", (Folders({"a"}) + ":").c_str()), real);
    EXPECT_EQ(executablesearch::Find("vellory", ("::" + Folders({"a"})).c_str()), real);
    std::filesystem::current_path(root / "a");
    EXPECT_EQ(executablesearch::Find("vellory", ""), "");
    std::filesystem::current_path(before);
}

TEST_F(ExecutableSearch, APathIsTakenFromTheWorkingFolderNotThePath) {
    const auto before = std::filesystem::current_path();
    std::filesystem::current_path(root);
    EXPECT_EQ(executablesearch::Find("./b/vellory", Folders({"a"}).c_str()), real);
    EXPECT_EQ(executablesearch::Find("linked/kitten", nullptr), real);
    EXPECT_EQ(executablesearch::Find("a/vellory", Folders({"b"}).c_str()), "");
    EXPECT_EQ(executablesearch::Find((root / "b" / "vellory").string(), nullptr), real);
    std::filesystem::current_path(before);
}

}  // namespace
