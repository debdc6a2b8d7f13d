#include "app/pages_host.h"

#include <utility>

#include "cli/velorctl.h"
#include "ui/main_window.h"
#include "ui/ms_page.h"
#include "util/utf16.h"

namespace velor {

namespace {

// A page whose mouse is here (its profiles loaded or not).
CMS_Page* connectedPage(CMainWnd& window, int slot) {
    auto* page = dynamic_cast<CMS_Page*>(&window.page(slot));
    return page != nullptr && page->connected() ? page : nullptr;
}

// A page whose mouse is here and whose profiles are loaded.
CMS_Page* pageOf(CMainWnd& window, int slot) {
    CMS_Page* page = connectedPage(window, slot);
    return page != nullptr && page->storesLoaded() ? page : nullptr;
}

cli::ProfileRef currentOf(CMS_Page& page) {
    const std::lock_guard guard(page.profiles().lock());
    return {page.profiles().currentIndex(),
            utf16ToUtf8(std::as_const(page.profiles()).current().name().value_or(u"")),
            std::as_const(page.profiles()).current()};
}

// Why a slot takes no command: no mouse, or its profiles still awaited.
cli::Outcome unreachable(CMainWnd& window, int slot) {
    CMS_Page* page = connectedPage(window, slot);
    if (page != nullptr && !page->storesLoaded()) {
        const std::string holder = page->storesAwaited();
        return {cli::kExitDevice,
                "slot " + std::to_string(slot) + ": its profiles are not loaded yet: " +
                    (holder.empty() ? std::string("another program holds them") : holder) +
                    "; try again once it is done",
                std::nullopt};
    }
    return {cli::kExitDevice, cli::noMouseConnected(slot), std::nullopt};
}

// The answer once the page's worker is through.
void sendAndAnswer(CMS_Page& page, bool whole, const cli::MiceHost::Done& done) {
    page.applyForOutside(whole, [&page, done](bool taken, const std::string& notStored) {
        if (!taken)
            return done({cli::kExitDevice,
                         "the mouse did not take every report; they go again with the next apply",
                         currentOf(page)});
        // The mouse and the disk must not silently disagree.
        if (!notStored.empty())
            return done({cli::kExitDevice,
                         "the mouse took the change, but it could not be stored: " + notStored,
                         currentOf(page)});
        done({cli::kExitOk, {}, currentOf(page)});
    });
}

}  // namespace

std::vector<cli::MouseState> PagesHost::devices() {
    std::vector<cli::MouseState> mice;
    // A mouse whose profiles are awaited is here all the same: its commands
    // then say what they wait for.
    for (int slot = 1; slot <= kPageCount; ++slot) {
        CMS_Page* page = connectedPage(window_, slot);
        if (page == nullptr) continue;
        const CMS_Page::OutsideState s = page->outsideState();
        cli::MouseState m;
        m.slot = slot;
        if (s.wired) m.links.emplace_back("wired");
        if (s.wireless) m.links.emplace_back("24g");
        if (s.wireless4k) m.links.emplace_back("4k");
        if (s.ble) m.links.emplace_back("ble");
        m.battery = s.battery;
        m.charging = s.charging;
        mice.push_back(std::move(m));
    }
    return mice;
}

void PagesHost::currentProfile(int slot, Done done) {
    CMS_Page* page = pageOf(window_, slot);
    if (page == nullptr) return done(unreachable(window_, slot));
    done({cli::kExitOk, {}, currentOf(*page)});
}

void PagesHost::applyProfile(int slot, const std::optional<std::filesystem::path>& file,
                             std::optional<int> index, Done done) {
    CMS_Page* page = pageOf(window_, slot);
    if (page == nullptr) return done(unreachable(window_, slot));
    if (file) {
        if (const auto refused = page->importForOutside(*file))
            return done({refused->notStored ? cli::kExitDevice : cli::kExitBadInput,
                         refused->reason, std::nullopt});
    } else if (!page->selectForOutside(*index)) {
        return done({cli::kExitBadInput,
                     "slot " + std::to_string(slot) + " has no profile " + std::to_string(*index),
                     std::nullopt});
    }
    sendAndAnswer(*page, true, done);
}

void PagesHost::useProfile(int slot, const std::u16string& name, Done done) {
    CMS_Page* page = pageOf(window_, slot);
    if (page == nullptr) return done(unreachable(window_, slot));
    if (!page->useProfileForOutside(name))
        return done({cli::kExitBadInput,
                     "slot " + std::to_string(slot) + " has no profile " + utf16ToUtf8(name),
                     std::nullopt});
    sendAndAnswer(*page, true, done);
}

void PagesHost::editRules(int slot, const RulesEdit& edit, std::function<void(RulesOutcome)> done) {
    auto* page = dynamic_cast<CMS_Page*>(&window_.page(slot));
    if (page == nullptr)
        return done({cli::kExitBadInput, "slot " + std::to_string(slot) + " has no page", {}});
    done(page->editRulesForOutside(edit));
}

void PagesHost::applySetting(int slot, cli::Setting setting, Done done) {
    CMS_Page* page = pageOf(window_, slot);
    if (page == nullptr) return done(unreachable(window_, slot));
    if (setting.kind == cli::Setting::Kind::DpiLevel) {
        page->setForOutside(Field::dpiLevel, setting.value - 1);
    } else {
        const auto choice = cli::pollingChoice(slot, setting.value);
        page->setForOutside(choice->highRateField ? Field::pollingRateHs : Field::pollingRate,
                            choice->index);
    }
    sendAndAnswer(*page, false, done);
}

}  // namespace velor
