#include "device/feature_library.h"

#include <dlfcn.h>

namespace velor {

namespace {

class FeatureLibrary final : public FeatureDevice {
  public:
    struct Entries {
        Set_VIDPID_fn setVidPid;
        Open_DevMonitor_fn openDevMonitor;
        Open_FeatureDevice_fn openFeatureDevice;
        SetFeature_fn setFeature;
        GetFeature_fn getFeature;
        Close_FeatureDevice_fn closeFeatureDevice;
        Close_DevMonitor_fn closeDevMonitor;
    };

    FeatureLibrary(void* handle, const Entries& e) : handle_(handle), e_(e) {}
    ~FeatureLibrary() override { ::dlclose(handle_); }

    void setVidPid(std::uint16_t vendorId, std::uint16_t productId) override {
        e_.setVidPid(vendorId, productId);
    }
    void openDevMonitor(const VelorPoster* window, std::uint32_t messageA,
                        std::uint32_t messageB) override {
        e_.openDevMonitor(const_cast<VelorPoster*>(window), messageA, messageB);
    }
    int openFeatureDevice() override { return e_.openFeatureDevice(); }
    int setFeature(std::span<const std::uint8_t> report) override {
        return e_.setFeature(report.data(), static_cast<std::int32_t>(report.size()));
    }
    void closeFeatureDevice() override { e_.closeFeatureDevice(); }
    void closeDevMonitor() override { e_.closeDevMonitor(); }

  private:
    void* handle_;
    Entries e_;
};

template <typename Fn>
bool resolve(void* handle, const char* name, Fn& out, std::string& missing) {
    out = reinterpret_cast<Fn>(::dlsym(handle, name));
    if (out == nullptr) missing += missing.empty() ? name : std::string(", ") + name;
    return out != nullptr;
}

}  // namespace

Result<std::unique_ptr<FeatureDevice>> loadFeatureLibrary(const std::string& folder,
                                                          std::string_view libraryName,
                                                          HidBackend* shareBackend) {
    using R = Result<std::unique_ptr<FeatureDevice>>;
    const std::string path = folder + std::string(libraryName) + ".so";
    void* handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        const char* why = ::dlerror();
        return R::failure("cannot load " + path + ": " + (why ? why : "unknown error"));
    }
    FeatureLibrary::Entries e{};
    std::string missing;
    resolve(handle, "Set_VIDPID", e.setVidPid, missing);
    resolve(handle, "Open_DevMonitor", e.openDevMonitor, missing);
    resolve(handle, "Open_FeatureDevice", e.openFeatureDevice, missing);
    resolve(handle, "SetFeature", e.setFeature, missing);
    resolve(handle, "GetFeature", e.getFeature, missing);
    resolve(handle, "Close_FeatureDevice", e.closeFeatureDevice, missing);
    resolve(handle, "Close_DevMonitor", e.closeDevMonitor, missing);
    if (!missing.empty()) {
        ::dlclose(handle);
        return R::failure(path + " lacks " + missing);
    }
    if (shareBackend != nullptr) {
        if (auto use =
                reinterpret_cast<Velor_UseHidBackend_fn>(::dlsym(handle, "Velor_UseHidBackend")))
            use(shareBackend);
    }
    return std::unique_ptr<FeatureDevice>(std::make_unique<FeatureLibrary>(handle, e));
}

}  // namespace velor
