// The program's main window with a real slot-10 page, for the page's tests.
#pragma once

#include <QCoreApplication>

#include <chrono>
#include <functional>
#include <mutex>
#include <thread>

#include <gtest/gtest.h>

#include "../support/link_fakes.h"
#include "../support/temp_folder.h"
#include "keys/key_tables.h"
#include "sim/sim_backend.h"
#include "sim/sim_bluetooth.h"
#include "ui/main_window.h"
#include "ui/ms_page.h"

namespace velor {

// The application in front as a test says it.
class FakeFrontWatch final : public FrontApplicationWatch {
  public:
    FakeFrontWatch(const FrontApplication& now, const std::vector<FrontApplication>& running)
        : now_(now), running_(running) {}
    FrontApplication current() override { return now_; }
    std::vector<FrontApplication> runningApplications() override { return running_; }

  private:
    const FrontApplication& now_;
    const std::vector<FrontApplication>& running_;
};

// The program's main window with a real slot-10 page, its library working on
// a simulated wired mouse (or none), and waits in virtual time.
class PageTest : public ::testing::Test {
  protected:
    PageTest() : PageTest(true) {}
    // before: what is on disk (or holds the stores' lock) when the program starts.
    // before may also point the program at other skins. realNotices: the
    // page's notices are its own windows, not recorded in told.
    explicit PageTest(bool plugMouse, int pageSlot = 10,
                      const std::function<void(testing::TempFolder&, QString& skins)>& before = {},
                      bool realNotices = false)
        : model(*descriptorFor(pageSlot)), realNotices_(realNotices) {
        QString skins = QStringLiteral(VELOR_PROGRAM_DIR "/res/");
        if (before) before(temp, skins);
        if (plugMouse) mouse = &backend.plugWiredMouse(model);
        skins_ = skins;
        window = std::make_unique<CMainWnd>(services());
        window->init();
        window->show();
        pump();
    }
    ~PageTest() override { window.reset(); }
    // What the program hands its window: slot 10's page is real, with test hooks.
    MainWindowServices services() {
        const QString skins = skins_;
        return MainWindowServices{
            skins,
            "/opt/velor/velor",
            temp.folder() + "autostart/velor.desktop",
            "en_US",
            [this] { return temp.folder(); },
            [](std::string_view) {},
            [](std::string_view) {},
            [this, skins](int slot) -> std::unique_ptr<DevicePage> {
                if (slot != model.slot) return std::make_unique<DevicePage>(slot);
                CMS_Page::Services p;
                p.model = &model;
                p.skinFolder = skins;
                p.dataFolder = [this] {
                    const std::lock_guard guard(foldersMutex);
                    folderThreads.push_back(std::this_thread::get_id());
                    return temp.folder();
                };
                p.keyboard = &keyboard;
                p.clock = &clock;
                p.debug = [](std::string_view) {};
                p.openLibrary = [this] {
                    return std::make_unique<testing::InProcessLibrary>(backend);
                };
                if (model.hasBle) {
                    p.openBle = [this] {
                        return bluetooth.linkFor(*model.bleHidVid, *model.bleHidPid);
                    };
                    p.blePresent = [this] {
                        return !backend.enumerate(*model.bleHidVid, *model.bleHidPid).empty();
                    };
                }
                p.ask = [this](const QString& id) {
                    told.push_back(id);
                    return answer;
                };
                if (!realNotices_)
                    p.tell = [this](const QString& id, const QString& detail) {
                        told.push_back(id);
                        details.push_back(detail);
                    };
                p.showWaiting = [this](const QString& id, const QString&) {
                    waiting.push_back(id);
                };
                p.chooseFile = [this](bool) { return file; };
                auto made = std::make_unique<CMS_Page>(std::move(p));
                page = made.get();
                return made;
            },
            {},
            &keyboard,
            nullptr,
            &bluetooth,
            nullptr,
            [this](FrontApplicationWatch::OnChange onChange, std::string*) {
                frontChanged = std::move(onChange);
                return std::make_unique<FakeFrontWatch>(frontAtStart, runningApps);
            }};
    }
    // A report through a receiver, as its monitor hands it over.
    void report(std::uint16_t word, std::uint16_t value, bool fourK = false) {
        page->onReceiverReport(word, value, (word & 0xFF) == model.receiverCode, fourK);
    }

    void pump() {
        for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();
        page->link().waitForWorker();
        for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();
    }
    template <typename T>
    T* find(const QString& suffix) {
        return qobject_cast<T*>(page->control(suffix));
    }
    // The last report of this type (its first byte) the mouse took; empty
    // when none came.
    std::vector<std::uint8_t> lastSent(std::uint8_t type) const {
        const auto trace = mouse->trace();
        for (auto r = trace.rbegin(); r != trace.rend(); ++r)
            if (!r->empty() && (*r)[0] == type) return *r;
        return {};
    }
    // The deferred apply a slider or the effect box starts, run at once.
    void runDeferredApply() {
        page->onTimer(static_cast<int>(model.timerBase) + page_timer::kDeferredApply);
        pump();
    }
    ProfileRecord current() {
        const std::lock_guard guard(page->profiles().lock());
        return page->profiles().current();
    }

    // Waits (pumping events) until done() holds or two seconds have passed.
    template <typename Done>
    bool waitFor(Done done) {
        for (int i = 0; i < 400 && !done(); ++i) {
            QCoreApplication::processEvents();
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        pump();
        return done();
    }
    // The threads that asked for the data folder: those that read or wrote the stores.
    std::vector<std::thread::id> storeThreads() {
        const std::lock_guard guard(foldersMutex);
        return std::exchange(folderThreads, {});
    }

    const ModelDescriptor& model;
    const bool realNotices_;
    testing::TempFolder temp;
    std::mutex foldersMutex;
    std::vector<std::thread::id> folderThreads;
    sim::SimBackend backend;
    sim::SimBluetooth bluetooth{backend};
    sim::SimMouse* mouse = nullptr;
    UsKeyboardLayout keyboard;
    VirtualClock clock;
    std::vector<QString> told;
    std::vector<QString> details;  // beside each notice told
    std::vector<QString> waiting;  // the waiting notice shown (an id), taken down (empty)
    bool answer = true;
    QString file;
    // What the program's watch of the application in front tells it.
    FrontApplicationWatch::OnChange frontChanged;
    FrontApplication frontAtStart;  // in front when the watch starts
    std::vector<FrontApplication> runningApps;
    CMS_Page* page = nullptr;
    QString skins_;
    std::unique_ptr<CMainWnd> window;
};

// The same window with no mouse of slot 10 anywhere.
class AbsentMouseTest : public PageTest {
  protected:
    AbsentMouseTest() : PageTest(false) {}
};

}  // namespace velor
