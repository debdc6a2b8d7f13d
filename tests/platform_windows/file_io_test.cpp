// Whole-file saves on Windows: the old file stays whole when the new one
// cannot take its place, and no temporary file is left behind.
#include <gtest/gtest.h>
#include <windows.h>

#include "platform/file_io.h"
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

TEST(WindowsFileIo, AReplaceThatFailsKeepsTheOldFileWhole) {
    testing::WindowsTempFolder temp;
    const fs::path file = temp.path() / L"pro.data";
    ASSERT_TRUE(writeFileAtomically(file, bytesOf("old profiles")));
    // Another program reads the file and lets nobody delete or rename it meanwhile.
    HANDLE reader = ::CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(reader, INVALID_HANDLE_VALUE);
    FileError error;
    EXPECT_FALSE(writeFileAtomically(file, bytesOf("new"), &error));
    EXPECT_NE(error.message.find("pro.data: cannot be replaced: "), std::string::npos)
        << error.message;
    ::CloseHandle(reader);
    EXPECT_EQ(contentOf(file), "old profiles");
    EXPECT_EQ(namesIn(temp.path()), std::vector<std::wstring>{L"pro.data"});
    ASSERT_TRUE(writeFileAtomically(file, bytesOf("new")));
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
