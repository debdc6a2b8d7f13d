// Standard output on Windows: a console is given UTF-16 (its OEM code page
// would garble UTF-8 bytes), a pipe the bytes unchanged. Wine runs no console
// here (AllocConsole gives handles WriteConsoleW refuses), so the console side
// is judged against a stand-in of the handle; the pipe side is a real pipe.
#include <gtest/gtest.h>
#include <windows.h>

#include <ostream>

#include "platform/windows/console_text.h"

namespace velor {
namespace {

struct ConsoleStandIn final : win32::StreamEnd {
    explicit ConsoleStandIn(std::vector<std::wstring>& writes) : writes(writes) {}
    bool isConsole() const override { return true; }
    bool writeBytes(std::string_view) override {
        ADD_FAILURE() << "bytes written to a console";
        return false;
    }
    bool writeText(std::wstring_view text) override {
        writes.emplace_back(text);
        return true;
    }
    std::vector<std::wstring>& writes;
};

TEST(WindowsConsoleText, AConsoleIsGivenWholeCharactersInUtf16) {
    std::vector<std::wstring> writes;
    {
        win32::Utf8StreamBuffer buffer(std::make_unique<ConsoleStandIn>(writes));
        std::ostream out(&buffer);
        // "Spiel-Łódź" and U+1F5B1, each flush cutting a character in two.
        out << "Spiel-\xC5" << std::flush;
        out << "\x81\xC3\xB3"
               "d\xC5\xBA \xF0\x9F"
            << std::flush;
        out << "\x96\xB1\n" << std::flush;
        out << "\xE2\x82";  // cut off by the end: what is whole was written
    }
    EXPECT_EQ(writes, (std::vector<std::wstring>{L"Spiel-", L"\u0141\u00F3d\u017A ",
                                                 L"\xD83D\xDDB1\n", L"\xFFFD"}));
}

TEST(WindowsConsoleText, APipeGetsTheBytesUnchanged) {
    HANDLE read = nullptr, write = nullptr;
    ASSERT_TRUE(::CreatePipe(&read, &write, nullptr, 1 << 16));
    const HANDLE saved = ::GetStdHandle(STD_OUTPUT_HANDLE);
    ::SetStdHandle(STD_OUTPUT_HANDLE, write);
    const std::string text =
        "Spiel-\xC5\x81\xC3\xB3"
        "d\xC5\xBA \xF0\x9F\x96\xB1\n\r\n\xFF";
    {
        win32::Utf8StreamBuffer buffer(win32::standardHandleEnd(STD_OUTPUT_HANDLE));
        std::ostream out(&buffer);
        out << text.substr(0, 7) << std::flush << text.substr(7);
    }
    ::SetStdHandle(STD_OUTPUT_HANDLE, saved);
    ::CloseHandle(write);
    std::string got(64, '\0');
    DWORD n = 0;
    ASSERT_TRUE(::ReadFile(read, got.data(), static_cast<DWORD>(got.size()), &n, nullptr));
    got.resize(n);
    ::CloseHandle(read);
    EXPECT_EQ(got, text);
}

}  // namespace
}  // namespace velor
