// Whole-file saves on Windows: a store held open by another program is
// waited for a while, the old file stays whole when the new one cannot take
// its place, and no temporary file is left behind.
#include <gtest/gtest.h>
#include <windows.h>

#include "platform/file_io.h"
#include "platform/read_only_file.h"
#include "util/virtual_clock.h"
#include "windows_test_support.h"

namespace velor {
namespace {

namespace fs = std::filesystem;

std::span<const std::uint8_t> bytesOf(const std::string& text) {
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

std::string contentOf(const fs::path& path) {
    const auto bytes = readWholeFile(path, 1024);
    return bytes ? std::string(bytes->begin(), bytes->end()) : "<unreadable>";
}

std::vector<std::wstring> namesIn(const fs::path& folder) {
    std::vector<std::wstring> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename());
    return names;
}

TEST(WindowsFileIo, AStoreHeldOpenByAnotherProgramIsWaitedForAWhile) {
    testing::WindowsTempFolder temp;
    const fs::path file = temp.path() / L"pro.data";
    // Another program (a virus scanner, say) reads the file and lets nobody
    // delete or rename it, for 500 ms, for exactly the patience, for longer.
    struct Case {
        long long heldMs;
        bool saved;
        long long doneAtMs;  // when the save ended, on the save's clock
    };
    for (const Case c : {Case{500, true, 500}, Case{2000, true, 2000}, Case{2050, false, 2000}}) {
        ASSERT_TRUE(writeFileAtomically(file, bytesOf("old profiles")));
        HANDLE reader =
            ::CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                          OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(reader, INVALID_HANDLE_VALUE);
        VirtualClock clock;
        std::vector<long long> sleeps;
        clock.onSleep = [&](Millis step) {
            sleeps.push_back(step.count());
            if (clock.now().count() >= c.heldMs && reader != nullptr) {
                ::CloseHandle(reader);
                reader = nullptr;
            }
        };
        FileError error;
        EXPECT_EQ(
            writeFileAtomically(file, bytesOf("new"), &error, NewFileAccess::ownerOnly, clock),
            c.saved)
            << c.heldMs;
        if (reader != nullptr) ::CloseHandle(reader);
        EXPECT_EQ(clock.now().count(), c.doneAtMs) << c.heldMs;
        EXPECT_EQ(sleeps, std::vector<long long>(c.doneAtMs / 50, 50)) << c.heldMs;
        EXPECT_EQ(contentOf(file), c.saved ? "new" : "old profiles") << c.heldMs;
        if (!c.saved) {
            EXPECT_NE(error.message.find("pro.data: cannot be replaced: "), std::string::npos);
            EXPECT_NE(error.message.find(", still after 2 seconds: another program"),
                      std::string::npos)
                << error.message;
        }
        EXPECT_EQ(namesIn(temp.path()), std::vector<std::wstring>{L"pro.data"});
    }
}

TEST(WindowsFileIo, OurOwnReaderLetsTheFileBeMovedAndIsWaitedFor) {
    testing::WindowsTempFolder temp;
    const fs::path file = temp.path() / L"pro.data";
    const fs::path aside = temp.path() / L"pro.data.aside";
    ASSERT_TRUE(writeFileAtomically(file, bytesOf("old profiles")));
    auto reader = ReadOnlyFile::open(file);
    ASSERT_NE(reader, nullptr);
    // It shares deleting: the file can be moved away and back while it reads.
    EXPECT_TRUE(::MoveFileExW(file.c_str(), aside.c_str(), 0)) << ::GetLastError();
    EXPECT_TRUE(::MoveFileExW(aside.c_str(), file.c_str(), 0)) << ::GetLastError();
    // A reader of ours (velorctl listing the profiles) holds a save back only
    // until it is done.
    VirtualClock clock;
    clock.onSleep = [&](Millis) {
        if (clock.now().count() >= 100) reader.reset();
    };
    EXPECT_TRUE(
        writeFileAtomically(file, bytesOf("new"), nullptr, NewFileAccess::ownerOnly, clock));
    EXPECT_EQ(clock.now().count(), 100);
    EXPECT_EQ(contentOf(file), "new");
}

TEST(WindowsFileIo, CutOffSavesAreRemovedAndNothingElse) {
    testing::WindowsTempFolder temp;
    for (const wchar_t* name : {L".pro.data.a1B2c3", L".pro.data.toolong7", L".pro.data.ab",
                                L".macro.data.a1B2c3", L"pro.data"}) {
        ::CloseHandle(::CreateFileW((temp.path() / name).c_str(), GENERIC_WRITE, 0, nullptr,
                                    CREATE_NEW, 0, nullptr));
    }
    removeCutOffSaves(temp.path() / L"pro.data");
    auto names = namesIn(temp.path());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::wstring>{L".macro.data.a1B2c3", L".pro.data.ab",
                                                L".pro.data.toolong7", L"pro.data"}));
}

TEST(WindowsFileIo, ReadsRefuseFoldersAndFilesAboveTheLimit) {
    testing::WindowsTempFolder temp;
    const fs::path file = temp.path() / L"CONFIG.ini";
    ASSERT_TRUE(writeFileAtomically(file, bytesOf("12345")));
    FileError error;
    EXPECT_FALSE(readWholeFile(file, 4, &error));
    EXPECT_NE(error.message.find("file is too large (5 bytes)"), std::string::npos);
    EXPECT_FALSE(readWholeFile(temp.path(), 1024, &error));
    EXPECT_EQ(contentOf(file), "12345");
}

}  // namespace
}  // namespace velor
