#include "cli/velorctl.h"

#include "cli/options.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "../support/test_records.h"
#include "../support/velorctl_run.h"
#include "platform/file_io.h"

namespace velor::cli {
namespace {

namespace fs = std::filesystem;
using testing::CliRun;
using ::testing::HasSubstr;
using ::testing::StartsWith;
using testing::velorctl;

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> result;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) result.push_back(line);
    return result;
}

class VelorctlTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("velorctl-" + std::to_string(::getpid()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::string path(const std::string& name) const { return (dir_ / name).string(); }

    std::string writeProfile(const std::string& name, const ProfileRecord& record) const {
        EXPECT_TRUE(writeFileAtomically(path(name), record.bytes()));
        return path(name);
    }

    // Bad input: one line on stderr, nothing on stdout, exit code 2.
    void expectRefused(const std::vector<std::string>& args, const std::string& says) const {
        const CliRun r = velorctl(args);
        EXPECT_EQ(r.code, kExitBadInput) << says;
        EXPECT_EQ(r.out, "") << says;
        EXPECT_EQ(lines(r.err).size(), 1u) << r.err;
        EXPECT_THAT(r.err, HasSubstr(says));
    }

    fs::path dir_;
};

TEST_F(VelorctlTest, DefaultsPrintTheFiveReportsOfAFullUploadInOrder) {
    const CliRun r = velorctl({"reports", "--slot", "10", "--defaults"});
    ASSERT_EQ(r.code, kExitOk) << r.err;
    const auto l = lines(r.out);
    ASSERT_EQ(l.size(), 5u);
    EXPECT_EQ(l[0], "opening 0c0a01fe01fe00000000");
    EXPECT_THAT(l[1], StartsWith("dpi 0438010000"));
    EXPECT_EQ(l[1].size(), 4 + 56 * 2u);
    EXPECT_EQ(l[2], "lighting 050f010003a80000ff020301af0000");
    EXPECT_EQ(l[3], "polling 06090101fe00000000");
    EXPECT_THAT(l[4], StartsWith("buttons 083b01020000"));
}

TEST_F(VelorctlTest, ProfileFileGivesMacroReportsAfterTheButtonsInButtonOrder) {
    ProfileRecord record = testing::defaultRecord();
    const MacroAction a{0x04, MacroAction::kPress, 10};
    testing::assignMacro(record, 12, std::span(&a, 1));
    testing::assignMacro(record, 3, std::span(&a, 1));
    const CliRun r =
        velorctl({"reports", "--slot", "10", "--profile", writeProfile("m.pro", record)});
    ASSERT_EQ(r.code, kExitOk) << r.err;
    const auto l = lines(r.out);
    ASSERT_EQ(l.size(), 7u);
    EXPECT_THAT(l[5], StartsWith("macro:3 098303"));
    EXPECT_THAT(l[6], StartsWith("macro:12 09830c"));
    EXPECT_EQ(l[5].size(), 8 + 131 * 2u);
}

TEST_F(VelorctlTest, ProfileNewWritesARecordThatReportsLikeTheDefaults) {
    const std::string out = path("new.pro");
    const CliRun made =
        velorctl({"profile", "new", "--slot", "10", "--name", "Profile1", "--out", out});
    ASSERT_EQ(made.code, kExitOk) << made.err;
    EXPECT_EQ(fs::file_size(out), 32992u);
    EXPECT_EQ(velorctl({"reports", "--slot", "10", "--profile", out}).out,
              velorctl({"reports", "--slot", "10", "--defaults"}).out);

    // An existing file is kept unless --force is given.
    expectRefused({"profile", "new", "--slot", "10", "--name", "Other", "--out", out}, "exists");
    EXPECT_EQ(
        velorctl({"profile", "new", "--slot", "10", "--name", "Other", "--out", out, "--force"})
            .code,
        kExitOk);
}

// Options as people type them: "--name value", "--name=value", the short
// form, and "--" ending the options.
TEST_F(VelorctlTest, EveryFormOfAnOptionGivesTheSameAnswer) {
    const std::string expected = velorctl({"reports", "--slot", "10", "--defaults"}).out;
    ASSERT_THAT(expected, HasSubstr("dpi "));
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"reports", "--slot=10", "--defaults"},
          {"reports", "-s", "10", "--defaults"},
          {"reports", "-s10", "--defaults", "--"},
          {"reports", "--defaults", "--slot", "10"}}) {
        const CliRun r = velorctl(args);
        EXPECT_EQ(r.code, kExitOk) << args[1] << r.err;
        EXPECT_EQ(r.out, expected) << args[1];
    }
}

// An option with no short form before ones with it: the short ones still read.
TEST(Options, ShortFormsReadWhateverTheOrderOfTheOptions) {
    constexpr OptionSpec accepted[] = {{"dpi-level", true}, {"slot", true}, {"json", false}};
    const std::vector<std::string_view> args{"--dpi-level=3", "-s", "7", "-j"};
    const auto o = Options::parse(args, accepted);
    ASSERT_TRUE(o) << o.error();
    EXPECT_EQ(*o->value("slot"), "7");
    EXPECT_EQ(*o->value("dpi-level"), "3");
    EXPECT_TRUE(o->has("json"));
}

TEST_F(VelorctlTest, BadInputIsRefusedWithOneLineAndNothingWritten) {
    expectRefused({"frobnicate"}, "unknown command");
    expectRefused({"reports", "--slot", "11", "--defaults"}, "slot");
    expectRefused({"reports", "--slot", "11", "--defaults"}, "--slot must be a number");
    expectRefused({"reports", "--slot", "10x", "--defaults"}, "--slot must be a number");
    expectRefused({"reports", "--defaults"}, "--slot is required");
    expectRefused({"reports", "--slot", "10"}, "either --profile FILE or --defaults");
    expectRefused({"reports", "--slot", "10", "--bogus"}, "unknown option");
    expectRefused({"reports", "--slot", "10", "--slot", "3", "--defaults"},
                  "option '--slot' given twice");
    expectRefused({"reports", "--slot", "10", "--defaults", "--", "10"},
                  "unexpected argument '10'");
    expectRefused({"reports", "10", "--defaults"}, "unexpected argument '10'");
    expectRefused({"reports", "--defaults", "--slot"}, "option '--slot' needs a value");
    expectRefused({"reports", "--sl", "10", "--defaults"}, "unknown option '--sl'");
    expectRefused({"reports", "--slot=10", "--defaults=yes"}, "option '--defaults' takes no value");
    expectRefused({"reports", "--slot=10", "-s", "3", "--defaults"}, "option '--slot' given twice");
    expectRefused({"reports", "--slot=", "--defaults"}, "--slot must be a number");
    expectRefused({"reports", "-x", "--defaults"}, "unknown option '-x'");
    expectRefused({"reports", "--slot", "10", "--profile", path("missing.pro")}, "missing.pro");

    std::vector<std::uint8_t> shortFile(32991);
    writeFileAtomically(path("short.pro"), shortFile);
    expectRefused({"reports", "--slot", "10", "--profile", path("short.pro")}, "32991 bytes");

    ProfileRecord unterminated = testing::defaultRecord();
    std::fill_n(unterminated.bytes().begin(), 200, 0x41);
    expectRefused({"reports", "--slot", "10", "--profile", writeProfile("n.pro", unterminated)},
                  "no terminator");

    ProfileRecord tooMany = testing::defaultRecord();
    testing::assignMacro(tooMany, 4, {});
    tooMany.button(3).set(SlotField::macroActionCount, 47);
    expectRefused({"reports", "--slot", "10", "--profile", writeProfile("c.pro", tooMany)},
                  "macro action count 47 is above 46");

    const std::string out = path("never.pro");
    expectRefused({"profile", "new", "--slot", "10", "--name", std::string(100, 'x'), "--out", out},
                  "at most 99");
    expectRefused({"profile", "new", "--slot", "10", "--name", "\xC3", "--out", out}, "UTF-8");
    expectRefused({"profile", "new", "--slot", "0", "--name", "A", "--out", out}, "slot");
    expectRefused(
        {"profile", "new", "--slot", "10", "--name", "A", "--out", path("no/such/folder/x.pro")},
        "x.pro");
    EXPECT_FALSE(fs::exists(out));
}

TEST_F(VelorctlTest, HelpExplainsEveryCommand) {
    const CliRun all = velorctl({"--help"});
    EXPECT_EQ(all.code, kExitOk);
    EXPECT_THAT(all.out, HasSubstr("usage: velorctl"));
    EXPECT_EQ(velorctl({"help"}).out, all.out);
    for (const char* command : {"reports", "profile", "help"}) {
        EXPECT_THAT(all.out, HasSubstr(command));
        const CliRun one = velorctl({"help", command});
        EXPECT_EQ(one.code, kExitOk) << command;
        EXPECT_THAT(one.out, HasSubstr("usage: velorctl " + std::string(command)));
    }
    expectRefused({"help", "nope"}, "unknown command 'nope'");
    expectRefused({"help", "reports", "profile"}, "help takes one command name");
}

}  // namespace
}  // namespace velor::cli

namespace velor::cli {
namespace {

class VelorctlProfilesTest : public VelorctlTest {
  protected:
    std::string data() const { return dir_.string(); }
    fs::path store() const { return dir_ / "ms_10" / "pro.data"; }
    void makeStore(int index, std::initializer_list<const char16_t*> names, std::size_t extra = 0) {
        std::vector<std::uint8_t> bytes(164964, 0);
        bytes[0] = static_cast<std::uint8_t>(index);
        for (const char16_t* n : names) {
            const ProfileRecord r = newRecord(testing::ms10().record, n);
            bytes.insert(bytes.end(), r.bytes().begin(), r.bytes().end());
        }
        bytes.resize(bytes.size() + extra, 0);
        fs::create_directories(store().parent_path());
        ASSERT_TRUE(writeFileAtomically(store(), bytes));
    }
};

TEST_F(VelorctlProfilesTest, ListExportAndCheckReadWithoutChangingAnything) {
    makeStore(1, {u"Game", u"Wörk", u"Aim"});
    const auto before = fs::last_write_time(store());
    const auto sizeBefore = fs::file_size(store());

    const CliRun list = velorctl({"profiles", "list", "--slot", "10", "--data", data()});
    EXPECT_EQ(list.code, kExitOk) << list.err;
    EXPECT_EQ(list.out, "0 - Game\n1 * Wörk\n2 - Aim\n");

    const std::string out = path("aim.pro");
    EXPECT_EQ(velorctl({"profiles", "export", "--slot", "10", "--data", data(), "--index", "2",
                        "--out", out})
                  .code,
              kExitOk);
    EXPECT_EQ(fs::file_size(out), 32992u);
    EXPECT_EQ(velorctl({"reports", "--slot", "10", "--profile", out}).code, kExitOk);
    expectRefused({"profiles", "export", "--slot", "10", "--data", data(), "--index", "3", "--out",
                   path("x.pro")},
                  "--index must be 0 to 2");

    const CliRun check = velorctl({"profiles", "check", "--slot", "10", "--data", data()});
    EXPECT_EQ(check.code, kExitOk);
    EXPECT_EQ(check.out, "ok\n");
    EXPECT_EQ(fs::last_write_time(store()), before);
    EXPECT_EQ(fs::file_size(store()), sizeBefore);
}

TEST_F(VelorctlProfilesTest, CheckReportsDamageAndAMissingStore) {
    const CliRun none = velorctl({"profiles", "check", "--slot", "10", "--data", data()});
    EXPECT_EQ(none.code, kExitBadInput);
    EXPECT_THAT(none.err, HasSubstr("no profile store"));

    makeStore(5, {u"Only"}, 10);
    const CliRun damaged = velorctl({"profiles", "check", "--slot", "10", "--data", data()});
    EXPECT_EQ(damaged.code, 1);
    EXPECT_EQ(lines(damaged.out).size(), 2u);  // trailing bytes, index
    const CliRun list = velorctl({"profiles", "list", "--slot", "10", "--data", data()});
    EXPECT_EQ(list.out, "0 * Only\n");
    EXPECT_EQ(lines(list.err).size(), 2u);
    EXPECT_EQ(fs::file_size(store()), 164964u + 32992u + 10u);
}

}  // namespace
}  // namespace velor::cli

namespace velor::cli {
namespace {

// The frames a run writes, one per line; the run must succeed.
std::vector<std::string> framesOf(std::vector<std::string> args) {
    args.insert(args.begin(), "frames");
    const CliRun r = velorctl(args);
    EXPECT_EQ(r.code, 0) << r.err;
    return lines(r.out);
}

TEST_F(VelorctlTest, FramesShowsWhatEachLinkWrites) {
    // Over the 2.4 GHz receiver the mouse acknowledges: one copy of each report.
    const auto sent = framesOf({"--slot", "10", "--link", "24g", "--defaults"});
    ASSERT_EQ(sent.size(), 5u);
    EXPECT_EQ(sent[0], "0c0a01fe01fe00000000");
    EXPECT_EQ(sent[3], "06090101fe00000000");

    // A macro on the cable goes in three 64-byte chunks.
    ProfileRecord withMacro = testing::defaultRecord();
    const MacroAction a{0x04, MacroAction::kPress, 10};
    testing::assignMacro(withMacro, 5, std::span(&a, 1));
    const std::string file = writeProfile("macro.pro", withMacro);
    const auto frames = framesOf({"--slot", "10", "--link", "wired", "--profile", file});
    ASSERT_EQ(frames.size(), 8u);
    for (std::size_t i = 5; i < 8; ++i) {
        EXPECT_EQ(frames[i].size(), 128u);
        EXPECT_THAT(frames[i], StartsWith("0940050" + std::to_string(i - 5)));
    }

    // Over Bluetooth no polling rate goes; the light-off slot's lighting
    // carries its default light-off time in the nibble.
    const auto written = framesOf({"--slot", "7", "--link", "ble", "--defaults"});
    ASSERT_EQ(written.size(), 4u);
    EXPECT_EQ(written[0], "0c0a01fe01fe00000000");
    EXPECT_EQ(written[2], "050f017003280000ff0a0301a70000");
    EXPECT_THAT(written[3], StartsWith("083b"));
}

// The default reports of one slot of each record shape and DPI variant,
// checked byte by byte against the tables (codes, nibbles, sums).
TEST_F(VelorctlTest, ReportsOfEveryRecordShapeAndDpiVariant) {
    const std::map<std::string, std::vector<std::string>> expected = {
        // short record, table DPI, classic lighting
        {"1",
         {"dpi "
          "04380100003f000009121c254b750000000000000000000002ff000000ff000000ffff00ffffff00ffffffff"
          "4000ffffff030f9200000000",
          "lighting 050f010003080000ff0b0301180000", "polling 06090101fe00000000"}},
        // short record, wide DPI
        {"2",
         {"dpi "
          "04380100003f0000070f171f3f630000000000000000000002ff000000ff000000ffff00ffffff00ffffffff"
          "4000ffffff030f6400000000",
          "lighting 050f010003080000ff0b0301180000", "polling 06090101fe00000000"}},
        // swapped record, wide DPI, seven rates
        {"3",
         {"dpi "
          "04380100003f0001070f171f3f630000000000000000000002ff000000ff000000ffff00ffffff00ffffffff"
          "4000ffffff030f6500000000",
          "lighting 050f010003280000ff0a0301370000", "polling 06090140bf00000000"}},
        // long record, two polling settings
        {"6",
         {"dpi "
          "04380100003f0001070f171f3f630000000000000000000002ff000000ff000000ffff00ffffff00ffffffff"
          "4000ffffff030f6500000000",
          "lighting 050f010003a80000ff020301af0000", "polling 060901748b00000000"}},
        // light-off record, table DPI
        {"7",
         {"dpi "
          "04380100003f000009121c254b750000000000000000000002ff000000ff000000ffff00ffffff00ffffffff"
          "4000ffffff030f9200000000",
          "lighting 050f017003280000ff0a0301a70000", "polling 06090101fe00000000"}},
        // light-off record, offset DPI
        {"9",
         {"dpi "
          "04380100003f0000070f171f3f630000000000000000000002ff000000ff000000ffff00ffffff00ffffffff"
          "4000ffffff030f6400000000",
          "lighting 050f017003280000ff0a0301a70000", "polling 06090101fe00000000"}},
    };
    for (const auto& [slot, reports] : expected) {
        const CliRun r = velorctl({"reports", "--slot", slot, "--defaults"});
        ASSERT_EQ(r.code, 0) << r.err;
        std::vector<std::string> got;
        for (const std::string& line : lines(r.out))
            if (!line.starts_with("opening") && !line.starts_with("buttons")) got.push_back(line);
        EXPECT_EQ(got, reports) << "slot " << slot;
    }
}

TEST_F(VelorctlTest, FramesRefusesALinkTheSlotDoesNotHave) {
    expectRefused({"frames", "--slot", "10", "--link", "4k", "--defaults"}, "has no link '4k'");
    expectRefused({"frames", "--slot", "3", "--link", "ble", "--defaults"}, "has no link 'ble'");
    expectRefused({"frames", "--slot", "10", "--link", "carrier-pigeon", "--defaults"},
                  "has no link");
    expectRefused({"frames", "--slot", "10", "--link", "24g"}, "--profile FILE or --defaults");
}

}  // namespace
}  // namespace velor::cli
