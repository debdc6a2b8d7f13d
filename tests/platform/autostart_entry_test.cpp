// The autostart entry as a Linux session reads it: a desktop file whose Exec
// line the session splits and expands by its own rules.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <tuple>

#include "../support/file_text.h"
#include "../support/settings_fixture.h"
#include "../support/temp_folder.h"
#include "platform/autostart.h"
#include "store/app_settings.h"
#include "store/autostart_setting.h"

namespace velor {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using testing::readText;
using testing::writeText;

class AutostartEntryTest : public testing::SettingsFixture {};

TEST_F(AutostartEntryTest, StartupIsStoredFirstThenTheEntryWithItsExecLine) {
    const std::string entry = (temp.path() / "autostart" / "velor.desktop").string();
    const DebugSink log = [this](std::string_view l) { lines.emplace_back(l); };
    SetAutostart(true, settings, entry, "/opt/VELOR Driver/velor", log);
    EXPECT_EQ(settings.startup(), 1);
    EXPECT_THAT(readText(entry), ::testing::HasSubstr("Exec=\"/opt/VELOR Driver/velor\" -auto\n"));
    EXPECT_THAT(lines, ElementsAre("startup success!!!!!!!!!!!!"));

    SetAutostart(false, settings, entry, "/opt/velor", [](std::string_view) {});
    EXPECT_EQ(settings.startup(), 0);
    EXPECT_FALSE(fs::exists(entry));

    // An entry that cannot be written: Startup is still stored, the failure only logged.
    lines.clear();
    const std::string blocked = settings.path() + "/velor.desktop";  // under a file
    SetAutostart(true, settings, blocked, "/opt/velor", log);
    EXPECT_EQ(settings.startup(), 1);
    EXPECT_THAT(lines, ElementsAre("startup fail!!!!!!!!!!!!"));
    SetAutostart(false, settings, blocked, "/opt/velor", [](std::string_view) {});
    EXPECT_EQ(settings.startup(), 0);
    // The Exec line as the session reads it: quoted where the shell or the
    // entry's own rules would split or expand the path, a % not a field code,
    // and every backslash of the quoting doubled once more in the file.
    // TryExec (the entry is skipped once the program is gone) is the bare
    // path with only the file's own escapes: quotes there would be taken as
    // part of the name.
    const std::tuple<const char*, const char*, const char*> commands[] = {
        {"/usr/bin/velor", "/usr/bin/velor -auto", "/usr/bin/velor"},
        {"/opt/100%/velor", "/opt/100%%/velor -auto", "/opt/100%/velor"},
        {"/opt/my 100%/velor", "\"/opt/my 100%%/velor\" -auto", "/opt/my 100%/velor"},
        {"/opt/a`id`/velor", "\"/opt/a\\\\`id\\\\`/velor\" -auto", "/opt/a`id`/velor"},
        {"/opt/$HOME/velor", "\"/opt/\\\\$HOME/velor\" -auto", "/opt/$HOME/velor"},
        {"/opt/say \"hi\"/velor", "\"/opt/say \\\\\"hi\\\\\"/velor\" -auto",
         "/opt/say \"hi\"/velor"},
        {"/opt/back\\slash/velor", "\"/opt/back\\\\\\\\slash/velor\" -auto",
         "/opt/back\\\\slash/velor"},
        {"/opt/new\nline/velor", "\"/opt/new\\nline/velor\" -auto",  // one line still
         "/opt/new\\nline/velor"},
    };
    for (const auto& [program, exec, tryExec] : commands) {
        ASSERT_TRUE(writeAutostartEntry(entry, program));
        std::map<std::string, std::string> keys;
        std::ifstream in(entry);
        for (std::string line; std::getline(in, line);)
            if (const auto eq = line.find('='); eq != std::string::npos)
                keys[line.substr(0, eq)] = line.substr(eq + 1);
        EXPECT_EQ(keys["Exec"], exec) << program;
        EXPECT_EQ(keys["TryExec"], tryExec) << program;
    }
}

}  // namespace
}  // namespace velor
