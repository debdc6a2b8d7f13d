#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "../support/temp_folder.h"
#include "platform/app_folders.h"
#include "platform/instance_lock.h"
#include "platform/instance_notify.h"

namespace velor {
namespace {

namespace fs = std::filesystem;

TEST(AppFolders, ConfigHomeThenHomeThenTheProgramsDataFolder) {
    testing::TempFolder temp;
    const std::string program = temp.folder() + "program/";
    EXPECT_EQ(appDataFolderFor(temp.folder() + "config", "/nonexistent", program),
              temp.folder() + "config/VELOR Gaming Driver/");
    EXPECT_TRUE(fs::is_directory(temp.path() / "config" / "VELOR Gaming Driver"));
    EXPECT_EQ(appDataFolderFor("relative/ignored", temp.folder() + "home", program),
              temp.folder() + "home/.config/VELOR Gaming Driver/");

    // A config folder that cannot be made (its parent is a file): Data/ beside the program.
    std::ofstream(temp.path() / "file") << "x";
    EXPECT_EQ(appDataFolderFor(temp.folder() + "file/config", "", program), program + "Data/");
    EXPECT_TRUE(fs::is_directory(program + "Data"));
    EXPECT_EQ(appDataFolderFor("", "", program), program + "Data/");
}

TEST(InstanceLock, OneHolderAtATimeAndFreeAgainWhenReleased) {
    testing::TempFolder temp;
    ::chmod(temp.path().c_str(), 0700);
    auto first = InstanceLock::acquire(temp.path().string());
    ASSERT_TRUE(first);
    std::string error;
    EXPECT_FALSE(InstanceLock::acquire(temp.path().string(), &error));
    EXPECT_TRUE(error.empty());  // held, not broken
    first.reset();
    EXPECT_TRUE(InstanceLock::acquire(temp.path().string()));
}

TEST(InstanceLock, RuntimeFolderMustBeOursAndClosed) {
    testing::TempFolder open;
    ::chmod(open.path().c_str(), 0755);
    const char* saved = std::getenv("XDG_RUNTIME_DIR");
    const std::string restore = saved ? saved : "";
    ::setenv("XDG_RUNTIME_DIR", open.path().c_str(), 1);
    const std::string chosen = instanceRuntimeFolder();
    EXPECT_NE(chosen, open.path().string());  // others could reach a socket there
    struct stat st {};
    ASSERT_EQ(::stat(chosen.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0077, 0u);
    ::chmod(open.path().c_str(), 0700);
    EXPECT_EQ(instanceRuntimeFolder(), open.path().string());
    if (saved)
        ::setenv("XDG_RUNTIME_DIR", restore.c_str(), 1);
    else
        ::unsetenv("XDG_RUNTIME_DIR");
}

TEST(InstanceNotify, NobodyListeningIsAFailureNotAHang) {
    testing::TempFolder temp;
    EXPECT_FALSE(notifyFirstInstance(temp.folder() + "none.sock", 2));
}

}  // namespace
}  // namespace velor
