#include "platform/shared_library.h"

#include <dlfcn.h>

namespace velor {

namespace {

class DlLibrary final : public SharedLibrary {
  public:
    DlLibrary(void* handle, std::string path) : handle_(handle), path_(std::move(path)) {}
    ~DlLibrary() override { ::dlclose(handle_); }
    void* symbol(const char* name) const override { return ::dlsym(handle_, name); }
    const std::string& path() const override { return path_; }

  private:
    void* handle_;
    std::string path_;
};

}  // namespace

Result<std::unique_ptr<SharedLibrary>> SharedLibrary::open(const std::string& folder,
                                                           std::string_view name) {
    using R = Result<std::unique_ptr<SharedLibrary>>;
    std::string path = folder + std::string(name) + ".so";
    void* handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        const char* why = ::dlerror();
        return R::failure("cannot load " + path + ": " + (why ? why : "unknown error"));
    }
    return std::unique_ptr<SharedLibrary>(std::make_unique<DlLibrary>(handle, std::move(path)));
}

}  // namespace velor
