#include "platform/shared_library.h"

#include <windows.h>

#include "platform/windows/win32_text.h"

namespace velor {

namespace {

class DllLibrary final : public SharedLibrary {
  public:
    DllLibrary(HMODULE module, std::string path) : module_(module), path_(std::move(path)) {}
    ~DllLibrary() override { ::FreeLibrary(module_); }
    void* symbol(const char* name) const override {
        return reinterpret_cast<void*>(::GetProcAddress(module_, name));
    }
    const std::string& path() const override { return path_; }

  private:
    HMODULE module_;
    std::string path_;
};

}  // namespace

Result<std::unique_ptr<SharedLibrary>> SharedLibrary::open(const std::string& folder,
                                                           std::string_view name) {
    using R = Result<std::unique_ptr<SharedLibrary>>;
    std::string path = folder + std::string(name) + ".dll";
    // The library's own folder resolves what it needs in turn, not the
    // current directory; no message box when it is missing or damaged.
    const std::wstring wide = win32::nativeSeparators(win32::widen(path));
    const UINT oldMode = ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    HMODULE module = ::LoadLibraryExW(wide.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    const DWORD why = ::GetLastError();
    ::SetErrorMode(oldMode);
    if (module == nullptr) return R::failure("cannot load " + path + ": " + win32::errorText(why));
    return std::unique_ptr<SharedLibrary>(std::make_unique<DllLibrary>(module, std::move(path)));
}

}  // namespace velor
