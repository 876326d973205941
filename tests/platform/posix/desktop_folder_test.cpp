// File: tests/platform/posix/desktop_folder_test.cpp
// The desktop folder: the user's configured one, else $HOME/Desktop.
#include "platform/posix/desktop_folder.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "support/temp_folder.h"

namespace quillmax::util {
namespace {

// Sets an environment variable for one scope.
class EnvVar {
public:
    EnvVar(const char* name, const std::string& value) : name_(name) {
        const char* old = std::getenv(name);
        had_ = old != nullptr;
        if (had_) old_ = old;
        ::setenv(name, value.c_str(), 1);
    }
    ~EnvVar() {
        if (had_) ::setenv(name_, old_.c_str(), 1);
        else ::unsetenv(name_);
    }

private:
    const char* name_;
    bool had_ = false;
    std::string old_;
};

TEST(DesktopFolder, FollowsTheUsersDirectoriesFile) {
    test::TempFolder dir;
    EnvVar home("HOME", dir.path());
    EnvVar config("XDG_CONFIG_HOME", dir / "cfg");
    std::filesystem::create_directories(dir / "cfg");
    test::WriteAll(dir / "cfg/user-dirs.dirs", "XDG_DESKTOP_DIR=\"$HOME/Schreibtisch\"\n");
    std::string got = DesktopFolder();
    if (std::system("command -v xdg-user-dir >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "xdg-user-dir is not installed";
    EXPECT_EQ(got, dir / "Schreibtisch");
}

TEST(DesktopFolder, FallsBackToHomeDesktopWithoutTheTool) {
    test::TempFolder dir;
    EnvVar home("HOME", dir.path().string() + "/");
    EnvVar path("PATH", dir / "empty-bin");
    EXPECT_EQ(DesktopFolder(), dir / "Desktop");
}

} // namespace
} // namespace quillmax::util
