#include "store/profile_store.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "../support/fixed_texts.h"
#include "../support/temp_folder.h"
#include "../support/test_records.h"
#include "platform/file_io.h"
#include "profile/function_table.h"
#include "store/store_journal.h"
#include "util/le_bytes.h"

namespace velor {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using testing::ms10;

constexpr std::size_t kHeader = 164964;
constexpr std::size_t kRecord = 32992;

std::vector<std::uint8_t> fileBytes(const fs::path& p) {
    return *readWholeFile(p, 1 << 30);
}

std::vector<std::uint8_t> storeOf(int index, const std::vector<ProfileRecord>& records,
                                  std::uint8_t reservedFill = 0) {
    std::vector<std::uint8_t> bytes(kHeader, reservedFill);
    storeLe32(bytes, 0, static_cast<std::uint32_t>(index));
    for (const ProfileRecord& r : records)
        bytes.insert(bytes.end(), r.bytes().begin(), r.bytes().end());
    return bytes;
}

class ProfileStoreTest : public ::testing::Test {
  protected:
    fs::path storePath() const { return temp.path() / "ms_10" / "pro.data"; }
    void writeStore(const std::vector<std::uint8_t>& bytes) {
        fs::create_directories(storePath().parent_path());
        ASSERT_TRUE(writeFileAtomically(storePath(), bytes));
    }
    std::vector<fs::path> keptAside() const {
        std::vector<fs::path> found;
        for (const auto& e : fs::directory_iterator(storePath().parent_path()))
            if (e.path().filename().string().starts_with("pro.data.")) found.push_back(e.path());
        return found;
    }

    testing::TempFolder temp;
    testing::FixedTexts texts;
    ProfileList list{ms10()};
};

TEST_F(ProfileStoreTest, FirstStartCreatesTheFolderAndTheDefaultStore) {
    const LoadReport report = loadProfiles(list, temp.folder(), texts);
    EXPECT_TRUE(report.created);
    EXPECT_TRUE(report.problems.empty());
    ASSERT_TRUE(fs::exists(storePath()));
    EXPECT_EQ(fs::file_size(storePath()), kHeader + kRecord);
    const auto bytes = fileBytes(storePath());
    EXPECT_EQ(loadLe32(bytes, 0), 0u);
    EXPECT_TRUE(
        std::all_of(bytes.begin() + 4, bytes.begin() + kHeader, [](auto b) { return b == 0; }));
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list.current(), newRecord(ms10().record, u"Profile1"));
}

TEST_F(ProfileStoreTest, ThreeProfilesOpenAtTheStoredIndexAndReservedBytesSurviveASave) {
    const std::vector<ProfileRecord> records = {newRecord(ms10().record, u"A"),
                                                newRecord(ms10().record, u"B"),
                                                newRecord(ms10().record, u"C")};
    auto original = storeOf(2, records, 0x00);
    for (std::size_t i = 4; i < kHeader; i += 97) original[i] = static_cast<std::uint8_t>(i);
    writeStore(original);

    const LoadReport report = loadProfiles(list, temp.folder(), texts);
    EXPECT_FALSE(report.created);
    EXPECT_TRUE(report.problems.empty());
    EXPECT_EQ(list.currentIndex(), 2);
    EXPECT_EQ(*list.current().name(), u"C");
    EXPECT_EQ(fileBytes(storePath()), original);  // a sound store is not rewritten

    ASSERT_TRUE(saveProfiles(list, temp.folder()));
    EXPECT_EQ(fileBytes(storePath()), original);  // reserved bytes kept byte for byte
}

// Profiles that are not current are read from the store file where they
// lie; edits, renames and removals reach the next save wherever they were made,
// and the saved file is where the list reads from afterwards.
TEST_F(ProfileStoreTest, ProfilesReadWhereTheyLieKeepEveryChangeAcrossSaves) {
    std::vector<ProfileRecord> r;
    for (const char16_t* name : {u"A", u"B", u"C", u"D"})
        r.push_back(newRecord(ms10().record, name));
    for (std::size_t i = 0; i < r.size(); ++i) r[i].set(Field::dpiLevel, static_cast<int>(i) + 1);
    writeStore(storeOf(0, r));
    loadProfiles(list, temp.folder(), texts);
    EXPECT_EQ(list.names(), (std::vector<std::u16string>{u"A", u"B", u"C", u"D"}));
    EXPECT_EQ(list.record(3), r[3]);

    ASSERT_TRUE(list.select(2));
    list.current().set(Field::dpiLevel, 5);  // edited, then left unsaved
    ASSERT_TRUE(list.select(3));
    ASSERT_TRUE(list.renameCurrent(u"Dee"));
    ASSERT_TRUE(list.select(1));
    ASSERT_TRUE(list.removeCurrent());  // B goes; C is current
    r[2].set(Field::dpiLevel, 5);
    r[3].setName(u"Dee");
    ASSERT_TRUE(saveProfiles(list, temp.folder()));
    EXPECT_EQ(fileBytes(storePath()), storeOf(1, {r[0], r[2], r[3]}));
    EXPECT_EQ(list.record(2), r[3]);  // read from the saved file
    EXPECT_EQ(list.names(), (std::vector<std::u16string>{u"A", u"C", u"Dee"}));

    // The file cut short under the program: what can no longer be read shows
    // its defaults, and no save writes them over the user's file.
    fs::resize_file(storePath(), kHeader + kRecord);
    EXPECT_EQ(list.record(2), newRecord(ms10().record, u"Dee"));
    std::string error;
    EXPECT_FALSE(saveProfiles(list, temp.folder(), &error));
    EXPECT_THAT(error, HasSubstr("can no longer be read"));
    EXPECT_EQ(fs::file_size(storePath()), kHeader + kRecord);
}

TEST_F(ProfileStoreTest, ADamagedStoreIsKeptAsideAndWhatCanBeReadIsLoaded) {
    ProfileRecord unterminated = newRecord(ms10().record, u"X");
    std::fill_n(unterminated.bytes().begin(), 200, 0x41);
    auto damaged = storeOf(7, {newRecord(ms10().record, u"A"), unterminated});
    damaged.resize(damaged.size() + 1000, 0xEE);  // a torn third record
    writeStore(damaged);

    std::vector<std::string> debugLines;
    const LoadReport report = loadProfiles(list, temp.folder(), texts,
                                           [&](std::string_view l) { debugLines.emplace_back(l); });
    EXPECT_EQ(report.problems.size(), 3u);  // length, name, index
    EXPECT_EQ(debugLines.size(), 4u);       // each problem, and where the file went
    EXPECT_THAT(report.problems[0], HasSubstr("1000 trailing bytes"));
    ASSERT_EQ(keptAside().size(), 1u);
    EXPECT_EQ(report.keptAside, keptAside()[0]);
    EXPECT_EQ(fileBytes(keptAside()[0]), damaged);  // the original, untouched
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list.currentIndex(), 1);              // clamped
    EXPECT_EQ(list.record(1).name()->size(), 99u);  // cut at its limit
    // The repaired store is written and is sound.
    EXPECT_EQ(fs::file_size(storePath()), kHeader + 2 * kRecord);
    EXPECT_TRUE(readProfileStore(ms10(), storePath())->problems.empty());
}

TEST_F(ProfileStoreTest, AStoreWithoutProfilesGivesTheDefaultAndAnUnreadableOneIsLeftAlone) {
    writeStore(storeOf(0, {}));
    LoadReport report = loadProfiles(list, temp.folder(), texts);
    EXPECT_THAT(report.problems, ::testing::Contains(HasSubstr("no profile")));
    EXPECT_EQ(keptAside().size(), 1u);
    EXPECT_EQ(list.size(), 1u);
    EXPECT_EQ(fs::file_size(storePath()), kHeader + kRecord);

    // Something we cannot read where the file should be (a pipe): defaults in
    // memory, and no save of this list ever replaces it.
    fs::remove(storePath());
    ASSERT_EQ(::mkfifo(storePath().c_str(), 0600), 0);
    ProfileList other(ms10());
    report = loadProfiles(other, temp.folder(), texts);
    EXPECT_TRUE(report.problems.empty());  // not damaged: unreadable, and told so
    EXPECT_EQ(report.unreadable, "it is not a regular file");
    EXPECT_EQ(other.size(), 1u);
    std::string error;
    EXPECT_FALSE(saveProfiles(other, temp.folder(), &error));
    EXPECT_THAT(error, HasSubstr("not replaced"));
    EXPECT_TRUE(fs::is_fifo(storePath()));

    // A file far larger than any store is not read whole, nor replaced.
    fs::remove(storePath());
    { std::ofstream(storePath()).put('x'); }
    fs::resize_file(storePath(), std::uintmax_t{1} << 30);  // sparse: no disk used
    ProfileList third(ms10());
    report = loadProfiles(third, temp.folder(), texts);
    EXPECT_EQ(report.unreadable,
              "it is 1073741824 bytes, larger than any profile store (536870912 bytes)");
    EXPECT_FALSE(saveProfiles(third, temp.folder(), &error));
    EXPECT_EQ(fs::file_size(storePath()), std::uintmax_t{1} << 30);
}

// Saves interrupted anywhere leave the old or the new file, whole.
TEST_F(ProfileStoreTest, AFailedWriteLeavesTheOldStore) {
    ASSERT_TRUE(loadProfiles(list, temp.folder(), texts).created);
    const auto before = fileBytes(storePath());
    for (int i = 0; i < 30; ++i)
        list.add(u"P" + std::u16string(1, static_cast<char16_t>(u'a' + i)));

    const pid_t child = ::fork();
    if (child == 0) {
        // The file system refuses anything past 64 KB, mid-write.
        ::signal(SIGXFSZ, SIG_IGN);
        rlimit limit{64 * 1024, 64 * 1024};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        ::_exit(saveProfiles(list, temp.folder()) ? 0 : 1);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_EQ(WEXITSTATUS(status), 1);
    EXPECT_EQ(fileBytes(storePath()), before);
    EXPECT_TRUE(keptAside().empty());
}

TEST_F(ProfileStoreTest, AKilledSaveLeavesTheOldOrTheNewStoreNeverAMix) {
    ProfileList a(ms10()), b(ms10());
    a.reset({}, {newRecord(ms10().record, u"A")}, 0);
    std::vector<ProfileRecord> many;
    for (int i = 0; i < 200; ++i)
        many.push_back(newRecord(ms10().record, u"B" + std::u16string(1, char16_t(0x4E00 + i))));
    b.reset({}, std::move(many), 199);
    testing::TempFolder other;
    ASSERT_TRUE(saveProfiles(b, other.folder()));
    const auto bytesB = fileBytes(other.path() / "ms_10" / "pro.data");
    ASSERT_TRUE(saveProfiles(a, temp.folder()));
    const auto bytesA = fileBytes(storePath());

    for (int round = 0; round < 12; ++round) {
        const pid_t child = ::fork();
        if (child == 0) {
            for (;;) {
                saveProfiles(b, temp.folder());
                saveProfiles(a, temp.folder());
            }
        }
        ::usleep(static_cast<useconds_t>(3000 + 7919 * round % 40000));
        ::kill(child, SIGKILL);
        ::waitpid(child, nullptr, 0);
        ASSERT_TRUE(fs::exists(storePath()));
        const auto now = fileBytes(storePath());
        EXPECT_TRUE(now == bytesA || now == bytesB) << "round " << round << ": " << now.size();
    }
    // Loading clears what the killed saves left behind, and nothing else.
    ProfileList loaded(ms10());
    loadProfiles(loaded, temp.folder(), texts);
    std::vector<std::string> left;
    for (const auto& e : fs::directory_iterator(storePath().parent_path()))
        left.push_back(e.path().filename().string());
    EXPECT_EQ(left, std::vector<std::string>{"pro.data"});
}

}  // namespace
}  // namespace velor

namespace velor {
namespace {

TEST_F(ProfileStoreTest, ACurrentIndexEqualToTheCountIsDamage) {
    writeStore(storeOf(2, {newRecord(ms10().record, u"A"), newRecord(ms10().record, u"B")}));
    const LoadReport report = loadProfiles(list, temp.folder(), texts);
    EXPECT_EQ(report.problems.size(), 1u);
    EXPECT_EQ(list.currentIndex(), 1);
    writeStore(storeOf(1, {newRecord(ms10().record, u"A"), newRecord(ms10().record, u"B")}));
    EXPECT_TRUE(loadProfiles(list, temp.folder(), texts).problems.empty());
}

}  // namespace
}  // namespace velor

namespace velor {
namespace {

std::uint64_t bytesWrittenSoFar() {
    std::ifstream io("/proc/self/io");
    std::string key;
    std::uint64_t value = 0;
    while (io >> key >> value)
        if (key == "wchar:") return value;
    return 0;
}

// A change of a few bytes (a DPI level, the current profile) is written where
// it lies, whatever the number of profiles; the store stays the same file.
TEST_F(ProfileStoreTest, AFewChangedBytesAreWrittenWhereTheyLie) {
    std::vector<ProfileRecord> records;
    for (int i = 0; i < 40; ++i)
        records.push_back(newRecord(ms10().record, u"P" + std::u16string(1, char16_t(u'A' + i))));
    writeStore(storeOf(0, records));
    ASSERT_TRUE(loadProfiles(list, temp.folder(), texts).problems.empty());
    const auto inode = [&] {
        struct stat st {};
        ::stat(storePath().c_str(), &st);
        return st.st_ino;
    };
    const ino_t before = inode();

    {
        const std::lock_guard guard(list.lock());
        list.current().set(Field::dpiLevel, 5);
    }
    std::uint64_t written = bytesWrittenSoFar();
    ASSERT_TRUE(saveProfiles(list, temp.folder()));
    EXPECT_LT(bytesWrittenSoFar() - written, 200u);  // the whole store is 1,484,644 bytes
    records[0].set(Field::dpiLevel, 5);
    EXPECT_EQ(fileBytes(storePath()), storeOf(0, records));

    ASSERT_TRUE(list.select(7));
    written = bytesWrittenSoFar();
    ASSERT_TRUE(saveProfiles(list, temp.folder()));
    EXPECT_LT(bytesWrittenSoFar() - written, 200u);
    EXPECT_EQ(fileBytes(storePath()), storeOf(7, records));
    EXPECT_EQ(inode(), before);
    EXPECT_EQ(keptAside(), std::vector<fs::path>{});  // no journal left

    // An added profile is written whole, in a new file.
    ASSERT_TRUE(list.add(u"New"));
    ASSERT_TRUE(saveProfiles(list, temp.folder()));
    EXPECT_NE(inode(), before);
    EXPECT_EQ(fs::file_size(storePath()), kHeader + 41 * kRecord);
}

// A patch killed at any moment leaves, once the store is read again, the
// profile as it was or as it became, never a mix, and no journal.
TEST_F(ProfileStoreTest, AKilledPatchIsFinishedOrUndoneByTheNextLoad) {
    writeStore(storeOf(0, {newRecord(ms10().record, u"One"), newRecord(ms10().record, u"Two")}));
    ASSERT_TRUE(loadProfiles(list, temp.folder(), texts).problems.empty());
    const std::u16string a(20, u'a'), b(20, u'b');
    for (int round = 0; round < 12; ++round) {
        const pid_t child = ::fork();
        if (child == 0) {
            for (int n = 0;; ++n) {
                {
                    const std::lock_guard guard(list.lock());
                    list.current().setName(n % 2 ? a : b);
                    list.current().set(Field::dpiLevel, n % 2 ? 6 : 2);
                }
                saveProfiles(list, temp.folder());
            }
        }
        ::usleep(static_cast<useconds_t>(2000 + 7919 * round % 30000));
        ::kill(child, SIGKILL);
        ::waitpid(child, nullptr, 0);
        ProfileList loaded(ms10());
        const LoadReport report = loadProfiles(loaded, temp.folder(), texts);
        EXPECT_TRUE(report.problems.empty()) << round;
        const std::lock_guard guard(loaded.lock());
        const ProfileRecord first = loaded.record(0);
        const std::u16string name = first.name().value_or(u"");
        EXPECT_TRUE(name == u"One" || name == a || name == b) << round;
        if (name != u"One") {
            EXPECT_EQ(first.get(Field::dpiLevel), name == a ? 6 : 2) << round;
        }
        EXPECT_FALSE(fs::exists(storePath().string() + ".journal")) << round;
    }
}

// A journal found at load is put in; a damaged one is only removed.
TEST_F(ProfileStoreTest, AJournalLeftBehindIsFinishedAndADamagedOneRemoved) {
    const auto bytes = storeOf(0, {newRecord(ms10().record, u"One")});
    writeStore(bytes);
    const fs::path journal = storePath().string() + ".journal";
    const FilePatch patch{kHeader + 3, {0x42, 0x43}};
    auto encoded = encodeJournal(bytes.size(), std::span(&patch, 1));
    ASSERT_EQ(encoded.size(), 50u);
    // "VELORJN1", the store's size, one patch at kHeader + 3 of two bytes.
    EXPECT_EQ(std::vector<std::uint8_t>(encoded.begin(), encoded.begin() + 8),
              (std::vector<std::uint8_t>{'V', 'E', 'L', 'O', 'R', 'J', 'N', '1'}));
    EXPECT_EQ(loadLe32(encoded, 8), kHeader + kRecord);
    EXPECT_EQ(loadLe32(encoded, 16), 1u);
    EXPECT_EQ(loadLe32(encoded, 24), kHeader + 3);
    EXPECT_EQ(loadLe32(encoded, 32), 2u);

    for (const bool damaged : {true, false}) {
        auto written = encoded;
        if (damaged) written[41] ^= 1;  // a bit of the patch's bytes
        ASSERT_TRUE(writeFileAtomically(journal, written));
        ProfileList loaded(ms10());
        loadProfiles(loaded, temp.folder(), texts);
        auto expected = bytes;
        if (!damaged) {
            expected[kHeader + 3] = 0x42;
            expected[kHeader + 4] = 0x43;
        }
        EXPECT_EQ(fileBytes(storePath()), expected) << damaged;
        EXPECT_FALSE(fs::exists(journal)) << damaged;
    }
}

}  // namespace
}  // namespace velor

namespace velor {
namespace {

// A store opened by its names is checked a budget at a time, and damage found
// late is dealt with as a load deals with it: kept aside, the repair written.
TEST_F(ProfileStoreTest, ProfilesOpenedByNameAreCheckedABudgetAtATime) {
    std::vector<ProfileRecord> records{newRecord(ms10().record, u"A"),
                                       newRecord(ms10().record, u"B"),
                                       newRecord(ms10().record, u"C")};
    {  // button 3 plays a macro of more steps than a slot holds
        ButtonSlot slot = records[2].button(2);
        slot.set(SlotField::function, function::kMacro);
        slot.set(SlotField::macroActionCount, 47);
    }
    writeStore(storeOf(0, records));
    EXPECT_TRUE(loadProfiles(list, temp.folder(), texts, {}, true).problems.empty());
    bool done = true;
    EXPECT_TRUE(checkLoadedProfiles(list, temp.folder(), 1, &done).problems.empty());
    EXPECT_FALSE(done);  // one of the two left was checked
    EXPECT_TRUE(keptAside().empty());
    const LoadReport late = checkLoadedProfiles(list, temp.folder(), 1, &done);
    EXPECT_TRUE(done);
    ASSERT_EQ(late.problems.size(), 1u);
    EXPECT_THAT(late.problems[0], HasSubstr("profile 3"));
    EXPECT_FALSE(late.keptAside.empty());
}

}  // namespace
}  // namespace velor
