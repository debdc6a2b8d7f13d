// Paths arrive as UTF-8 (the command line, the data folder) and must reach
// the file system spelled as given: on Windows a path read through the ANSI
// code page lands in a differently named file or folder, so the store lock
// and the stores it guards part ways.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sstream>

#include "../support/standalone_commands.h"
#include "cli/standalone_host.h"
#include "cli/velorctl.h"

namespace velor::cli {
namespace {

namespace fs = std::filesystem;

// The names in a folder as the system lists them (wide on Windows), in UTF-8.
std::vector<std::string> namesIn(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        const std::u8string name = entry.path().filename().u8string();
        names.emplace_back(name.begin(), name.end());
    }
    std::sort(names.begin(), names.end());
    return names;
}

using NonAsciiPaths = testing::StandaloneCommandsTest;

TEST_F(NonAsciiPaths, TheStoreLockAndTheStoresShareTheUsersFolder) {
    sim::SimMouse& mouse = backend.plugReceiver(*descriptorFor(10));
    // A Polish user name, and one with a character outside the BMP (U+1F5B1,
    // a surrogate pair in UTF-16).
    for (const std::string user : {"\xC5\x81ukasz", "Maus \xF0\x9F\x96\xB1"}) {
        const std::string data = temp.folder() + user + "/VELOR Gaming Driver/";
        StandaloneHost host({backend, data, clock, 2000, {}});
        int code = -1;
        std::string err;
        ASSERT_TRUE(runDeviceCommand({"set", "--slot", "10", "--dpi-level", "3"}, host,
                                     [&](int c, std::string, std::string e) {
                                         code = c;
                                         err = std::move(e);
                                     }));
        EXPECT_EQ(code, 0) << err;
        ASSERT_TRUE(mouse.settings().dpi.has_value());
        EXPECT_EQ(mouse.settings().dpi->currentLevel, 3);
        EXPECT_THAT(
            namesIn(temp.path() /
                    std::u8string_view(reinterpret_cast<const char8_t*>(user.data()), user.size()) /
                    "VELOR Gaming Driver" / "ms_10"),
            ::testing::IsSupersetOf({"pro.data", "store.lock"}))
            << user;
    }
    // Nothing anywhere else: no folder under a misspelt name.
    EXPECT_EQ(namesIn(temp.path()),
              (std::vector<std::string>{"Maus \xF0\x9F\x96\xB1", "\xC5\x81ukasz"}));
}

TEST_F(NonAsciiPaths, ANewProfileFileHasExactlyTheNameGiven) {
    const std::string name =
        "Spiel-\xC5\x81\xC3\xB3"
        "d\xC5\xBA.pro";  // Spiel-Łódź.pro
    const std::string out = temp.folder() + name;
    const std::string_view args[] = {"profile", "new",  "--slot", "10",
                                     "--name",  "Game", "--out",  out};
    std::ostringstream printed, errors;
    EXPECT_EQ(runVelorctl(args, printed, errors), 0) << errors.str();
    EXPECT_EQ(namesIn(temp.path()), std::vector<std::string>{name});
    // Made again: refused, the name told in the same UTF-8.
    std::ostringstream again;
    EXPECT_EQ(runVelorctl(args, printed, again), kExitBadInput);
    EXPECT_EQ(again.str(), "velorctl: " + out + " exists; add --force to replace it\n");
}

}  // namespace
}  // namespace velor::cli
