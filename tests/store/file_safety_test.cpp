// Saves that keep what the user set up around the stores: the umask, the
// file's mode, symlinks; leftovers of cut-off saves; one copy per damage.
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <new>
#include <thread>

#include "../support/fixed_texts.h"
#include "../support/temp_folder.h"
#include "../support/test_records.h"
#include "platform/app_folders.h"
#include "platform/file_io.h"
#include "store/app_rules_edit.h"
#include "store/app_settings.h"
#include "store/macro_store.h"
#include "store/profile_follower.h"
#include "store/profile_store.h"
#include "store/profile_transfer.h"
#include "util/virtual_clock.h"

// Every call of umask() in this test program is counted: a save must not
// change the process umask, not even for a moment, as another thread may be
// creating files meanwhile.
static std::atomic<int> umaskCalls{0};
extern "C" mode_t umask(mode_t mask) {
    ++umaskCalls;
    return static_cast<mode_t>(::syscall(SYS_umask, mask));
}

// The largest single allocation and the bytes allocated while
// `watchAllocations` is set: a store is never held whole in memory. The replacements allocate
// with malloc and free with free, which the compiler cannot see through.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
static std::atomic<bool> watchAllocations{false};
static std::atomic<std::size_t> largestAllocation{0};
static std::atomic<std::size_t> bytesAllocated{0};
void* operator new(std::size_t size) {
    if (watchAllocations && size > largestAllocation) largestAllocation = size;
    if (watchAllocations) bytesAllocated += size;
    if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}

namespace velor {
namespace {

namespace fs = std::filesystem;

mode_t modeOf(const fs::path& p) {
    struct stat st {};
    ::stat(p.c_str(), &st);
    return st.st_mode & 07777;
}

const std::uint8_t kBytes[] = {1, 2, 3, 4, 5};

// Application rules in something that is not a file we can read or copy
// aside: left alone, and no save replaces it.
TEST(FileSafety, AnUnreadableRulesFileIsNeverReplaced) {
    testing::TempFolder temp;
    const std::filesystem::path fifo = temp.path() / "app_rules.txt";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    ProfileFollower follower;
    ASSERT_TRUE(follower.load(fifo, true));
    std::string error;
    EXPECT_FALSE(follower.save(&error));
    EXPECT_NE(error.find("left as it is"), std::string::npos) << error;
    EXPECT_TRUE(std::filesystem::is_fifo(fifo));
}

TEST(FileSafety, ASaveNeverTouchesTheUmaskAndANewFileIsTheUsersAlone) {
    testing::TempFolder temp;
    const mode_t before = static_cast<mode_t>(::syscall(SYS_umask, 027));
    umaskCalls = 0;
    std::thread other([&] {
        for (int i = 0; i < 20; ++i) writeFileAtomically(temp.path() / "b", kBytes);
    });
    for (int i = 0; i < 20; ++i) writeFileAtomically(temp.path() / "a", kBytes);
    other.join();
    EXPECT_EQ(umaskCalls, 0);
    EXPECT_EQ(modeOf(temp.path() / "a"), 0600u);
    EXPECT_EQ(static_cast<mode_t>(::syscall(SYS_umask, before)), 027u);
}

// Under the common umask 022, the data folder and every store in it are the
// user's alone (they hold typed text and which programs the user runs), and
// so is a save's temporary; a file the user exports is as readable as the
// umask allows; a mode the user gave a store stays through its saves.
TEST(FileSafety, StoresAreTheUsersAloneAndKeepAModeTheUserChose) {
    testing::TempFolder temp;
    const mode_t before = static_cast<mode_t>(::syscall(SYS_umask, 022));
    const std::string data = appDataFolderFor(temp.folder() + "config", "", "/nonexistent");
    ASSERT_EQ(data, temp.folder() + "config/VELOR Gaming Driver/");
    const fs::path folder = fs::path(data) / "ms_10";
    const auto saveAll = [&] {
        ProfileList profiles(testing::ms10());
        profiles.reset({}, {testing::defaultRecord()}, 0);
        EXPECT_TRUE(saveProfiles(profiles, data));
        MacroList macros;
        macros.records.push_back(MacroRecord::named(u"M"));
        EXPECT_TRUE(saveMacros(macros, testing::ms10(), data, nullptr));
        AppRules rules;
        EXPECT_FALSE(rules.add("xterm", u"Default"));
        EXPECT_TRUE(saveAppRules(rules, appRulesPath(testing::ms10(), data), nullptr));
        EXPECT_TRUE(AppSettings([&] { return data; }, {}).SaveLanguage(1));
        EXPECT_TRUE(exportProfile(profiles, temp.path() / "game.pro", nullptr));
    };
    saveAll();
    const std::pair<fs::path, mode_t> made[] = {
        {temp.path() / "config", 0700},
        {data, 0700},
        {folder, 0700},
        {folder / "pro.data", 0600},
        {folder / "macro.data", 0600},
        {folder / "app_rules.txt", 0600},
        {fs::path(data) / "CONFIG.ini", 0600},
        {temp.path() / "game.pro", 0644},
    };
    for (const auto& [path, mode] : made) EXPECT_EQ(modeOf(path), mode) << path;

    // A temporary, as it is renamed into place.
    mode_t tempMode = 0;
    ASSERT_TRUE(writeFileAtomically(
        folder / "new.data", [](const ByteWriter& write) { return write(kBytes); },
        [&](const ReplaceStep& replace) {
            for (const auto& e : fs::directory_iterator(folder))
                if (e.path().filename().string().starts_with(".new.data."))
                    tempMode = modeOf(e.path());
            return replace();
        }));
    EXPECT_EQ(tempMode, 0600u);

    // The user opens the stores to their group: saves keep it so.
    for (const char* name : {"pro.data", "macro.data", "app_rules.txt", "../CONFIG.ini"})
        ::chmod((folder / name).c_str(), 0640);
    saveAll();
    for (const char* name : {"pro.data", "macro.data", "app_rules.txt", "../CONFIG.ini"})
        EXPECT_EQ(modeOf(folder / name), 0640u) << name;
    ::syscall(SYS_umask, before);
}

TEST(FileSafety, ASaveKeepsTheModeAndWritesThroughASymlink) {
    testing::TempFolder temp;
    const fs::path file = temp.path() / "pro.data";
    ASSERT_TRUE(writeFileAtomically(file, kBytes));
    ::chmod(file.c_str(), 0600);
    ASSERT_TRUE(writeFileAtomically(file, kBytes));
    EXPECT_EQ(modeOf(file), 0600u);

    // A synced dotfile: the store is a link into another folder.
    fs::create_directories(temp.path() / "synced");
    ASSERT_TRUE(writeFileAtomically(temp.path() / "synced" / "CONFIG.ini", kBytes));
    fs::create_symlink("synced/CONFIG.ini", temp.path() / "CONFIG.ini");
    const std::uint8_t changed[] = {9, 9};
    ASSERT_TRUE(writeFileAtomically(temp.path() / "CONFIG.ini", changed));
    EXPECT_TRUE(fs::is_symlink(temp.path() / "CONFIG.ini"));
    EXPECT_EQ(fs::file_size(temp.path() / "synced" / "CONFIG.ini"), 2u);
}

TEST(FileSafety, LeftoversOfCutOffSavesGoAtLoadForEveryStore) {
    testing::TempFolder temp;
    testing::FixedTexts texts;
    const fs::path folder = temp.path() / "ms_10";
    fs::create_directories(folder);
    // Fresh leftovers, as a save killed a moment ago leaves them.
    for (const char* name : {".pro.data.Ab12Cd", ".macro.data.Xy98Zw", ".app_rules.txt.Mn56Op",
                             ".app_rules.txt.Gh78Jk", ".CONFIG.ini.Qw34Er"})
        std::ofstream(name[1] == 'C' ? temp.path() / name : folder / name) << "half";
    std::ofstream(folder / ".pro.data.notes") << "not ours";  // another name: kept

    // Rules read without the store's lock leave them: the holder may be saving.
    ProfileFollower follower;
    follower.load(folder / "app_rules.txt", false);
    EXPECT_TRUE(fs::exists(folder / ".app_rules.txt.Mn56Op"));
    follower.load(folder / "app_rules.txt", true);
    EXPECT_FALSE(fs::exists(folder / ".app_rules.txt.Mn56Op"));
    std::ofstream(folder / ".app_rules.txt.Mn56Op") << "half";
    // velorctl's rule commands take the lock and clean up as well.
    VirtualClock clock;
    const RulesOutcome listed =
        editRulesFile(testing::ms10(), temp.folder(), clock,
                      [](AppRules&, const std::vector<std::u16string>&) { return RulesOutcome{}; });
    EXPECT_EQ(listed.exitCode, 0) << listed.reason;
    EXPECT_FALSE(fs::exists(folder / ".app_rules.txt.Mn56Op"));
    EXPECT_FALSE(fs::exists(folder / ".app_rules.txt.Gh78Jk"));

    ProfileList profiles(testing::ms10());
    loadProfiles(profiles, temp.folder(), texts);
    MacroList macros;
    std::ofstream(folder / "macro.data");  // an empty store: read, not repaired
    loadMacros(macros, testing::ms10(), temp.folder(), [](std::string_view) {});
    removeCutOffSaves(temp.path() / "CONFIG.ini");

    EXPECT_FALSE(fs::exists(folder / ".pro.data.Ab12Cd"));
    EXPECT_FALSE(fs::exists(folder / ".macro.data.Xy98Zw"));
    EXPECT_FALSE(fs::exists(temp.path() / ".CONFIG.ini.Qw34Er"));
    EXPECT_TRUE(fs::exists(folder / ".pro.data.notes"));
}

// 100 profiles are 3.3 MB of store: loading keeps names and the current
// record; a save copies what lies in the file through a 1 MB buffer, and
// writes it back byte for byte.
TEST(FileSafety, AStoreIsLoadedAndSavedWithoutBeingHeldInMemory) {
    testing::TempFolder temp;
    const fs::path store = temp.path() / "ms_10" / "pro.data";
    {
        ProfileList list(testing::ms10());
        std::vector<ProfileRecord> records(100, testing::defaultRecord());
        records[7].set(Field::dpiLevel, 3);
        list.reset({}, std::move(records), 42);
        ASSERT_TRUE(saveProfiles(list, temp.folder()));
    }
    const auto written = readWholeFile(store, 1 << 30);
    ASSERT_EQ(written->size(), 164964u + 100u * 32992u);
    const auto watch = [](const auto& run) {
        largestAllocation = 0;
        bytesAllocated = 0;
        watchAllocations = true;
        run();
        watchAllocations = false;
    };

    ProfileList list(testing::ms10());
    watch([&] { loadProfiles(list, temp.folder(), testing::FixedTexts()); });
    EXPECT_LT(bytesAllocated.load(), 512u * 1024u);
    EXPECT_EQ(list.currentIndex(), 42);
    EXPECT_EQ(list.record(7).get(Field::dpiLevel), 3);  // read where it lies

    bool saved = false;
    watch([&] { saved = saveProfiles(list, temp.folder()); });
    EXPECT_TRUE(saved);
    EXPECT_LE(largestAllocation.load(), 1u << 20);
    EXPECT_LT(bytesAllocated.load(), 1536u * 1024u);
    EXPECT_EQ(readWholeFile(store, 1 << 30), written);
}

TEST(FileSafety, ADamagedStoreIsKeptAsideOnceHoweverOftenItIsLoaded) {
    testing::TempFolder temp;
    testing::FixedTexts texts;
    const fs::path folder = temp.path() / "ms_10";
    fs::create_directories(folder);
    std::vector<std::uint8_t> damaged(1000, 0xEE);
    damaged.back() = 0x01;
    const auto copies = [&] {
        int n = 0;
        for (const auto& e : fs::directory_iterator(folder))
            n += e.path().filename().string().starts_with("pro.data.damaged-");
        return n;
    };
    for (int load = 0; load < 3; ++load) {
        // The same damage each time (say the repair cannot be written).
        ASSERT_TRUE(writeFileAtomically(folder / "pro.data", damaged));
        ProfileList profiles(testing::ms10());
        const LoadReport report = loadProfiles(profiles, temp.folder(), texts);
        EXPECT_FALSE(report.keptAside.empty()) << load;
    }
    EXPECT_EQ(copies(), 1);
    damaged.back() = 0x02;  // other damage: its own copy
    ASSERT_TRUE(writeFileAtomically(folder / "pro.data", damaged));
    ProfileList profiles(testing::ms10());
    loadProfiles(profiles, temp.folder(), texts);
    EXPECT_EQ(copies(), 2);
}

}  // namespace
}  // namespace velor
