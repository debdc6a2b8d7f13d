// The Run value, the data folder by a name no code page spells, libraries,
// the keyboard layout and thread names, read back from the system.
#include <gtest/gtest.h>
#include <windows.h>

#include "platform/app_folders.h"
#include "platform/autostart.h"
#include "platform/keyboard_layout.h"
#include "platform/shared_library.h"
#include "platform/thread_name.h"
#include "platform/windows/language_name.h"
#include "windows_test_support.h"

namespace velor {
namespace {

// The value as the system stores it: type and every byte, the zero included.
std::optional<std::wstring> readRunValue(const std::wstring& key, const std::wstring& name) {
    wchar_t data[512] = {};
    DWORD type = 0;
    DWORD size = sizeof data;
    if (::RegGetValueW(HKEY_CURRENT_USER, key.c_str(), name.c_str(), RRF_RT_ANY, &type, data,
                       &size) != ERROR_SUCCESS ||
        type != REG_SZ)
        return std::nullopt;
    return std::wstring(data, size / sizeof(wchar_t));
}

TEST(WindowsAutostart, TheRunValueIsWrittenReadBackAndRemoved) {
    EXPECT_EQ(autostartEntryPath(),
              "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run\\"
              "VELOR Gaming Driver");
    const std::wstring key = L"Software\\VelorTest-" + std::to_wstring(::GetCurrentProcessId());
    const std::string entry =
        "HKEY_CURRENT_USER\\" + std::string(key.begin(), key.end()) + "\\VELOR Gaming Driver";
    struct Case {
        std::string program;
        std::wstring stored;
    };
    const Case cases[] = {
        {"C:\\Program Files\\VELOR\\velor.exe",
         std::wstring(L"\"C:\\Program Files\\VELOR\\velor.exe\" -auto") + L'\0'},
        {"C:\\VELOR\\velor.exe", std::wstring(L"C:\\VELOR\\velor.exe -auto") + L'\0'},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(writeAutostartEntry(entry, c.program));
        EXPECT_EQ(readRunValue(key, L"VELOR Gaming Driver"), c.stored) << c.program;
        EXPECT_TRUE(autostartEntryPresent(entry));
    }
    EXPECT_TRUE(removeAutostartEntry(entry));
    EXPECT_FALSE(readRunValue(key, L"VELOR Gaming Driver"));
    EXPECT_FALSE(autostartEntryPresent(entry));
    EXPECT_TRUE(removeAutostartEntry(entry));  // gone already: still gone
    ::RegDeleteKeyW(HKEY_CURRENT_USER, key.c_str());
    // Never the machine's key, nor a path that names no value.
    EXPECT_FALSE(writeAutostartEntry(
        "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Run\\VELOR Gaming "
        "Driver",
        "C:\\velor.exe"));
    EXPECT_FALSE(writeAutostartEntry("HKEY_CURRENT_USER\\", "C:\\velor.exe"));
}

TEST(WindowsAppFolders, ANonAsciiFolderIsMadeAndNamedInUtf8) {
    // The user's roaming folder, as the known-folder call names it.
    const std::string roaming = configHomeFolder();
    EXPECT_TRUE(roaming.ends_with("\\AppData\\Roaming\\")) << roaming;
    testing::WindowsTempFolder temp;
    const std::string base = temp.folder() + testing::kNonAsciiArgument + "\\";
    const std::string program = temp.folder() + "program\\";
    EXPECT_EQ(appDataFolderFor(base, "", program), base + "VELOR Gaming Driver\\");
    const std::wstring wide =
        temp.path().native() + L"\\\u6570\u636E Bj\u00F8rk\\VELOR Gaming Driver";
    const DWORD attributes = ::GetFileAttributesW(wide.c_str());
    ASSERT_NE(attributes, INVALID_FILE_ATTRIBUTES);
    EXPECT_TRUE(attributes & FILE_ATTRIBUTE_DIRECTORY);
    // A data folder that cannot be made (under a file): "Data" beside the program.
    ::CloseHandle(::CreateFileW((temp.path().native() + L"\\file").c_str(), GENERIC_WRITE, 0,
                                nullptr, CREATE_NEW, 0, nullptr));
    EXPECT_EQ(appDataFolderFor(temp.folder() + "file\\", "", program), program + "Data\\");
}

TEST(WindowsSharedLibrary, SymbolsOfALoadedDllAndTheReasonOneIsMissing) {
    wchar_t system[MAX_PATH] = {};
    ::GetSystemDirectoryW(system, MAX_PATH);
    char narrowSystem[MAX_PATH * 3] = {};
    ::WideCharToMultiByte(CP_UTF8, 0, system, -1, narrowSystem, sizeof narrowSystem, nullptr,
                          nullptr);
    const std::string folder = std::string(narrowSystem) + "\\";
    auto kernel = SharedLibrary::open(folder, "kernel32");
    ASSERT_TRUE(kernel) << kernel.error();
    EXPECT_EQ((*kernel)->path(), folder + "kernel32.dll");
    EXPECT_NE((*kernel)->symbol("GetTickCount"), nullptr);
    EXPECT_EQ((*kernel)->symbol("NoSuchEntryPoint"), nullptr);
    auto missing = SharedLibrary::open(folder, "devport_99");
    ASSERT_FALSE(missing);
    EXPECT_TRUE(missing.error().starts_with("cannot load " + folder + "devport_99.dll: "))
        << missing.error();
}

TEST(WindowsKeyboardLayout, TheUsLayoutAsTheSystemMapsIt) {
    auto layout = systemKeyboardLayout();
    ASSERT_TRUE(layout);
    struct Case {
        std::uint32_t virtualKey;
        std::uint32_t scanCode;
        std::u16string character;
    };
    const Case cases[] = {
        {'A', 0x1E, u"a"},  {'Q', 0x10, u"q"},  {'1', 0x02, u"1"},
        {0xBD, 0x0C, u"-"}, {0xDE, 0x28, u"'"}, {VK_RETURN, 0x1C, u""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(layout->scanCodeOfVirtualKey(c.virtualKey), c.scanCode) << c.virtualKey;
        EXPECT_EQ(layout->virtualKeyOfScanCode(c.scanCode), c.virtualKey) << c.virtualKey;
        EXPECT_EQ(layout->characterOfVirtualKey(c.virtualKey), c.character) << c.virtualKey;
    }
    EXPECT_EQ(layout->scanCodeOfVirtualKey(0x1000), 0u);
}

TEST(WindowsSystemLanguage, LanguageIdsAreNamedWithTheirRegion) {
    struct Case {
        unsigned short id;
        const char* name;
    };
    const Case cases[] = {{0x0804, "zh_CN"}, {0x0404, "zh_TW"}, {0x0C04, "zh_HK"},
                          {0x042A, "vi_VN"}, {0x0409, "en_US"}, {0x0407, "de_DE"}};
    for (const Case& c : cases) EXPECT_EQ(win32::localeNameOfLanguage(c.id), c.name) << c.id;
}

TEST(WindowsThreadName, TheFirstFifteenCharactersNameTheThread) {
    using GetDescription = HRESULT(WINAPI*)(HANDLE, PWSTR*);
    const auto getDescription = reinterpret_cast<GetDescription>(reinterpret_cast<void*>(
        ::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "GetThreadDescription")));
    if (getDescription == nullptr) GTEST_SKIP() << "no thread descriptions on this system";
    nameThisThread("receiver4k-read-and-more");
    wchar_t* name = nullptr;
    ASSERT_TRUE(SUCCEEDED(getDescription(::GetCurrentThread(), &name)));
    EXPECT_EQ(std::wstring(name), L"receiver4k-read");
    ::LocalFree(name);
}

}  // namespace
}  // namespace velor
