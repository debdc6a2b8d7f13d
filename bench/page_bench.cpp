// What the page costs the UI thread for one status report from the mouse:
// the real main window and slot-10 page on Qt's offscreen platform, reports
// handed over as the receiver monitor hands them. Run under callgrind with
// --dpi-instructions N PROFILES, it counts the instructions of N DPI-level
// reports and their repaints, and of N repaints of a label, the floor.
#include <QApplication>
#include <QLabel>

#include <valgrind/callgrind.h>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "profile/record_defaults.h"
#include "sim/sim_backend.h"
#include "store/profile_store.h"
#include "ui/main_window.h"
#include "ui/ms_page.h"
#include "util/virtual_clock.h"

namespace velor {
namespace {

class PageFixture {
  public:
    explicit PageFixture(int profiles = 1) {
        folder_ = std::filesystem::temp_directory_path() /
                  ("velor-page-bench-" + std::to_string(::getpid()));
        std::filesystem::create_directories(folder_);
        const std::string data = folder_.string() + "/";
        writeStore(profiles, data);
        const QString skins = QStringLiteral(VELOR_PROGRAM_DIR "/res/");
        MainWindowServices s{skins,
                             "/opt/velor/velor",
                             data + "autostart/velor.desktop",
                             "en_US",
                             [data] { return data; },
                             [](std::string_view) {},
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
        window_->show();
        // As when the mouse first shows up: the page is built and its stores read.
        page->build();
        page->load();
        // Settled: the stores are read and the profiles the load only named
        // have been checked, so no reading or checking falls into a measure.
        const auto settled = [this] {
            if (!page->storesLoaded()) return false;
            const std::lock_guard guard(page->profiles().lock());
            return page->profiles().allChecked();
        };
        while (!settled()) QCoreApplication::processEvents();
        QCoreApplication::processEvents();
    }
    ~PageFixture() {
        window_.reset();
        std::filesystem::remove_all(folder_);
    }

    CMS_Page* page = nullptr;

  private:
    static void writeStore(int count, const std::string& data) {
        ProfileList list(*descriptorFor(10));
        std::vector<ProfileRecord> records;
        for (int i = 0; i < count; ++i)
            records.push_back(newRecord(descriptorFor(10)->record,
                                        u"P" + std::u16string(1, char16_t(0x4E00 + i))));
        list.reset({}, std::move(records), 0);
        saveProfiles(list, data, nullptr);
    }

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

// p50 and p99 of the runs' times, in microseconds.
void percentiles(benchmark::State& state, std::vector<double> micros) {
    std::sort(micros.begin(), micros.end());
    state.counters["p50_us"] = micros[micros.size() / 2];
    state.counters["p99_us"] = micros[micros.size() * 99 / 100];
}

// The next DPI level a report from the mouse's button announces.
struct DpiReports {
    std::uint16_t word = 0x10 << 8 | descriptorFor(10)->receiverCode;
    int level = 1;
    void next(CMS_Page& page) {
        page.onReceiverReport(word, static_cast<std::uint16_t>(level), true, false);
        QCoreApplication::processEvents();  // the repaint
        level = level % 6 + 1;
    }
};

// A DPI-level report from the mouse's own button, from its arrival on the UI
// thread until the page has repainted: p50 and p99 over the runs, with 1 and
// 1000 stored profiles (each report saves the store).
void DpiReportToScreen(benchmark::State& state) {
    PageFixture f(static_cast<int>(state.range(0)));
    DpiReports reports;
    std::vector<double> micros;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        reports.next(*f.page);
        micros.push_back(
            std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start)
                .count());
    }
    percentiles(state, std::move(micros));
}
BENCHMARK(DpiReportToScreen)->Arg(1)->Arg(1000)->Iterations(300)->UseRealTime();

// The floor: a label's new text, repainted.
struct LabelRepaints {
    QLabel label{QStringLiteral("800")};
    int n = 0;
    LabelRepaints() {
        label.show();
        QCoreApplication::processEvents();
    }
    void next() {
        label.setText(QString::number(400 * (++n % 6 + 1)));
        QCoreApplication::processEvents();
    }
};

void LabelRepaintFloor(benchmark::State& state) {
    LabelRepaints floor;
    std::vector<double> micros;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        floor.next();
        micros.push_back(
            std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start)
                .count());
    }
    percentiles(state, std::move(micros));
}
BENCHMARK(LabelRepaintFloor)->Iterations(300)->UseRealTime();

// Instructions of `count` DPI reports with their repaints, then of `count`
// label repaints; callgrind (--collect-atstart=no) counts only these.
int countDpiInstructions(int count, int profiles) {
    PageFixture f(profiles);
    DpiReports reports;
    for (int i = 0; i < 12; ++i) reports.next(*f.page);  // every level seen once
    CALLGRIND_TOGGLE_COLLECT;
    for (int i = 0; i < count; ++i) reports.next(*f.page);
    CALLGRIND_TOGGLE_COLLECT;
    CALLGRIND_DUMP_STATS_AT("dpi reports");
    LabelRepaints floor;
    CALLGRIND_TOGGLE_COLLECT;
    for (int i = 0; i < count; ++i) floor.next();
    CALLGRIND_TOGGLE_COLLECT;
    CALLGRIND_DUMP_STATS_AT("label repaints");
    return 0;
}

}  // namespace
}  // namespace velor

int main(int argc, char** argv) {
    // Offscreen unless told otherwise (the instruction count runs on X11).
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc == 4 && std::string(argv[1]) == "--dpi-instructions")
        return velor::countDpiInstructions(std::stoi(argv[2]), std::stoi(argv[3]));
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
