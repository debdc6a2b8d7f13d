#include "device/feature_library.h"

#include "platform/shared_library.h"

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

    FeatureLibrary(std::unique_ptr<SharedLibrary> library, const Entries& e)
        : library_(std::move(library)), e_(e) {}

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
    std::unique_ptr<SharedLibrary> library_;
    Entries e_;
};

template <typename Fn>
void resolve(const SharedLibrary& library, const char* name, Fn& out, std::string& missing) {
    out = reinterpret_cast<Fn>(library.symbol(name));
    if (out == nullptr) missing += missing.empty() ? name : std::string(", ") + name;
}

}  // namespace

Result<std::unique_ptr<FeatureDevice>> loadFeatureLibrary(const std::string& folder,
                                                          std::string_view libraryName,
                                                          HidBackend* shareBackend) {
    using R = Result<std::unique_ptr<FeatureDevice>>;
    auto library = SharedLibrary::open(folder, libraryName);
    if (!library) return R::failure(library.error());
    FeatureLibrary::Entries e{};
    std::string missing;
    const SharedLibrary& l = **library;
    resolve(l, "Set_VIDPID", e.setVidPid, missing);
    resolve(l, "Open_DevMonitor", e.openDevMonitor, missing);
    resolve(l, "Open_FeatureDevice", e.openFeatureDevice, missing);
    resolve(l, "SetFeature", e.setFeature, missing);
    resolve(l, "GetFeature", e.getFeature, missing);
    resolve(l, "Close_FeatureDevice", e.closeFeatureDevice, missing);
    resolve(l, "Close_DevMonitor", e.closeDevMonitor, missing);
    if (!missing.empty()) return R::failure(l.path() + " lacks " + missing);
    if (shareBackend != nullptr) {
        if (auto use = reinterpret_cast<Velor_UseHidBackend_fn>(l.symbol("Velor_UseHidBackend")))
            use(shareBackend);
    }
    return std::unique_ptr<FeatureDevice>(std::make_unique<FeatureLibrary>(std::move(*library), e));
}

}  // namespace velor
