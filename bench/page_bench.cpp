// What the page costs the UI thread for one status report from the mouse:
// the real main window and slot-10 page on Qt's offscreen platform, reports
// handed over as the receiver monitor hands them.
#include <QApplication>

#include <benchmark/benchmark.h>

#include <filesystem>

#include "sim/sim_backend.h"
#include "ui/main_window.h"
#include "ui/ms_page.h"
#include "util/virtual_clock.h"

namespace velor {
namespace {

class PageFixture {
  public:
    PageFixture() {
        folder_ = std::filesystem::temp_directory_path() /
                  ("velor-page-bench-" + std::to_string(::getpid()));
        std::filesystem::create_directories(folder_);
        const std::string data = folder_.string() + "/";
        const QString skins = QStringLiteral(VELOR_SOURCE_DIR "/res/");
        MainWindowServices s{skins,
                             "/opt/velor/velor",
                             data + "autostart/velor.desktop",
                             "en_US",
                             [data] { return data; },
                             [](std::string_view) {},
                             [this, skins, data](int slot) -> std::unique_ptr<DevicePage> {
                                 if (slot != 10) return std::make_unique<DevicePage>(slot);
                                 CMS_Page::Services p;
                                 p.model = descriptorFor(10);
                                 p.skinFolder = skins;
                                 p.dataFolder = [data] { return data; };
                                 p.clock = &clock_;
                                 p.debug = [](std::string_view) {};
                                 auto made = std::make_unique<CMS_Page>(std::move(p));
                                 page = made.get();
                                 return made;
                             },
                             {},
                             nullptr};
        window_ = std::make_unique<CMainWnd>(std::move(s));
        window_->init();
        page->build();  // as when the mouse first shows up
    }
    ~PageFixture() {
        window_.reset();
        std::filesystem::remove_all(folder_);
    }

    CMS_Page* page = nullptr;

  private:
    std::filesystem::path folder_;
    VirtualClock clock_;
    std::unique_ptr<CMainWnd> window_;
};

// A power report on battery (s = 1, 80 %): battery bar, label, link state.
void PowerReport(benchmark::State& state) {
    PageFixture f;
    const std::uint16_t word = 0x40 << 8 | descriptorFor(10)->receiverCode;
    for (auto _ : state) f.page->onReceiverReport(word, 80 << 8 | 1, true, false);
}
BENCHMARK(PowerReport);

// An acknowledgement, the most frequent report during an apply.
void AcknowledgementReport(benchmark::State& state) {
    PageFixture f;
    const std::uint16_t word = 0x50 << 8 | descriptorFor(10)->receiverCode;
    for (auto _ : state) f.page->onReceiverReport(word, 0, true, false);
}
BENCHMARK(AcknowledgementReport);

}  // namespace
}  // namespace velor

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
