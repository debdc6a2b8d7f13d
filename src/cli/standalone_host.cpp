#include "cli/standalone_host.h"

#include <chrono>

#include "apply/apply_engine.h"
#include "cli/headless_link.h"
#include "cli/velorctl.h"
#include "device/receiver_monitor.h"
#include "devport/in_process_library.h"
#include "hid/interface_key.h"
#include "platform/store_lock.h"
#include "store/app_rules_edit.h"
#include "store/macro_store.h"
#include "store/profile_store.h"
#include "store/profile_transfer.h"
#include "store/users_profile.h"
#include "util/utf16.h"

namespace velor::cli {

namespace {

constexpr std::uint8_t kStatusReportId = 3;
constexpr std::uint8_t kPowerEvent = 0x40;
constexpr std::uint8_t kFull = 2;
constexpr std::uint8_t kCharging = 3;
// How long a report through the 2.4 GHz receiver may wait for its acknowledgement.
constexpr int kAckWaitMs = 100;
// How long a store lock held by another process is waited for: velorctl runs
// started together take turns, one apply after another.
constexpr Millis kLockPatience{5000};

// New profiles and macros are named as the English texts name them.
class EnglishNames final : public TextLookup {
  public:
    std::u16string text(std::string_view id) const override {
        if (id == "add_profile_text") return u"Profile ";
        if (id == "add_macro_text") return u"Macro ";
        return {};
    }
};

ProfileRef refOf(const ProfileList& list) {
    const std::lock_guard guard(list.lock());
    return {list.currentIndex(), utf16ToUtf8(list.current().name().value_or(u"")), list.current()};
}

void addLink(MouseState& state, const char* link) {
    state.links.emplace_back(link);
}

}  // namespace

struct StandaloneHost::Found {
    MouseState state;
    bool wired = false;
    std::shared_ptr<HidDevice> command24, report24, command4k;
};

StandaloneHost::StandaloneHost(Setup setup) : s_(std::move(setup)) {
    if (!s_.debug) s_.debug = [](std::string_view) {};
}

StandaloneHost::~StandaloneHost() = default;

// The mice on the cable, and behind each receiver the mouse its first
// report names (with its battery when it says).
void StandaloneHost::scan() {
    if (scanned_) return;
    scanned_ = true;
    const auto at = [this](int slot) -> Found& {
        for (auto& f : found_)
            if (f->state.slot == slot) return *f;
        found_.push_back(std::make_unique<Found>());
        found_.back()->state.slot = slot;
        return *found_.back();
    };
    for (int slot = kFirstSlot; slot <= kLastSlot; ++slot) {
        const ModelDescriptor* model = supportedDescriptor(slot);
        if (model == nullptr || s_.hid.enumerate(model->vid, model->pid).empty()) continue;
        Found& f = at(slot);
        f.wired = true;
        f.state.charging = true;  // a mouse on its cable charges
        addLink(f.state, "wired");
    }
    for (const ReceiverKind* kind : {&kReceiver24, &kReceiver4k}) {
        std::vector<HidDeviceInfo> all = s_.hid.enumerate(0x1D57, kind->productId);
        for (const HidDeviceInfo& report : all) {
            if (report.usagePage != kind->reportUsagePage || report.usage != kind->reportUsage)
                continue;
            const std::string key = hidInterfaceKey(report.path);
            std::shared_ptr<HidDevice> command;
            for (const HidDeviceInfo& c : all)
                if (c.usagePage == kind->commandUsagePage && c.usage == kind->commandUsage &&
                    hidInterfaceKey(c.path) == key)
                    command = s_.hid.open(c.path);
            std::shared_ptr<HidDevice> reports = s_.hid.open(report.path);
            if (!command || !reports) continue;
            std::optional<int> slot;
            std::optional<int> battery;
            bool charging = false;
            const auto end =
                std::chrono::steady_clock::now() + std::chrono::milliseconds(s_.listenMs);
            std::array<std::uint8_t, 64> in{};
            while (!battery && !charging) {
                const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                    end - std::chrono::steady_clock::now());
                // What already waits is taken even when the time is up.
                const int wait = static_cast<int>(std::max<long long>(0, left.count()));
                if (reports->readTimeout(in, wait) < 5) break;
                if (in[0] != kStatusReportId) continue;
                if (!slot) slot = slotOfModelCode(in[1], kind->fourK);
                if (in[2] != kPowerEvent) continue;
                if (in[3] == kFull) battery = 100;
                charging = in[3] == kCharging;
                if (in[3] != kFull && !charging && in[4] >= 1 && in[4] <= 100) battery = in[4];
            }
            if (!slot || supportedDescriptor(*slot) == nullptr) continue;
            Found& f = at(*slot);
            addLink(f.state, kind->fourK ? "4k" : "24g");
            if (battery) f.state.battery = battery;
            f.state.charging = f.state.charging || charging;
            (kind->fourK ? f.command4k : f.command24) = command;
            if (!kind->fourK) f.report24 = reports;
        }
    }
}

std::vector<MouseState> StandaloneHost::devices() {
    scan();
    std::vector<MouseState> all;
    for (const auto& f : found_) all.push_back(f->state);
    std::sort(all.begin(), all.end(), [](const auto& a, const auto& b) { return a.slot < b.slot; });
    return all;
}

void StandaloneHost::currentProfile(int slot, Done done) {
    const ModelDescriptor& model = *descriptorFor(slot);
    StoreReadError why = StoreReadError::None;
    const auto contents = readProfileStore(model, profileStorePath(model, s_.dataFolder), &why);
    if (!contents || contents->records.empty())
        return done({1, "slot " + std::to_string(slot) + " has no stored profiles", std::nullopt});
    const ProfileRecord& r = contents->records[static_cast<std::size_t>(contents->currentIndex)];
    done({0, {}, ProfileRef{contents->currentIndex, utf16ToUtf8(r.name().value_or(u"")), r}});
}

void StandaloneHost::applyProfile(int slot, const std::optional<std::filesystem::path>& file,
                                  std::optional<int> index, Done done) {
    done(upload(slot, true, [&](ProfileList& list, MacroList& macros) -> std::optional<Outcome> {
        if (file) {
            const auto imported = importProfile(list, macros, *file);
            if (!imported) return Outcome{kExitBadInput, imported.error(), std::nullopt};
            return chosenByHand(slot);
        }
        if (!list.select(*index))
            return Outcome{
                kExitBadInput,
                "slot " + std::to_string(slot) + " has no profile " + std::to_string(*index),
                std::nullopt};
        return chosenByHand(slot);
    }));
}

void StandaloneHost::applySetting(int slot, Setting setting, Done done) {
    done(upload(slot, false, [&](ProfileList& list, MacroList&) -> std::optional<Outcome> {
        const std::lock_guard guard(list.lock());
        ProfileRecord& r = list.current();
        if (setting.kind == Setting::Kind::DpiLevel) {
            r.set(Field::dpiLevel, setting.value - 1);
        } else {
            const auto choice = pollingChoice(slot, setting.value);
            r.set(choice->highRateField ? Field::pollingRateHs : Field::pollingRate, choice->index);
        }
        return std::nullopt;
    }));
}

void StandaloneHost::useProfile(int slot, const std::u16string& name, Done done) {
    done(upload(slot, true, [&](ProfileList& list, MacroList&) -> std::optional<Outcome> {
        if (list.select(list.indexOf(name))) return chosenByHand(slot);
        return Outcome{kExitBadInput,
                       "slot " + std::to_string(slot) + " has no profile " + utf16ToUtf8(name),
                       std::nullopt};
    }));
}

// The profile the user chose is theirs: no rule's profile is in force any
// more, so the user's own kept beside the stores for the program goes.
std::optional<Outcome> StandaloneHost::chosenByHand(int slot) {
    std::string error;
    if (saveUsersProfile(std::nullopt, usersProfilePath(*descriptorFor(slot), s_.dataFolder),
                         &error))
        return std::nullopt;
    return Outcome{1, error, std::nullopt};
}

void StandaloneHost::editRules(int slot, const RulesEdit& edit,
                               std::function<void(RulesOutcome)> done) {
    done(editRulesFile(*descriptorFor(slot), s_.dataFolder, s_.clock, edit));
}

// Under the slot's store lock: the stores are read, changed, sent (whole, or
// what changed) and stored again.
Outcome StandaloneHost::upload(int slot, bool whole, const Change& change) {
    scan();
    Found* found = nullptr;
    for (auto& f : found_)
        if (f->state.slot == slot) found = f.get();
    if (found == nullptr) return {kExitDevice, noMouseConnected(slot), {}};
    if (!found->wired && !found->command24 && !found->command4k)
        return {1,
                "slot " + std::to_string(slot) +
                    " is reached over Bluetooth only through the running program",
                {}};

    const ModelDescriptor& model = *descriptorFor(slot);
    std::string error;
    const auto lock = StoreLock::acquireWaiting(s_.dataFolder + std::string(model.dataFolder),
                                                s_.clock, kLockPatience, &error);
    if (!lock) return {1, error, {}};
    ProfileList list(model);
    MacroList macros;
    const EnglishNames names;
    loadProfiles(list, s_.dataFolder, names, s_.debug);
    loadMacros(macros, model, s_.dataFolder, s_.debug);
    const std::size_t macroCount = macros.records.size();

    NoWindow window;
    NoView view;
    DeviceLink link({model, s_.clock, window, view, s_.debug, nullptr});
    bool saved = true;
    ApplyEngine engine(
        list,
        ApplyHooks{[] { return false; },
                   [&](std::span<const std::uint8_t> r) { return link.send(r); }, [] {}, [] {},
                   [](bool) {}, [&] { saved = saveProfiles(list, s_.dataFolder, &error); }});
    // What the mouse holds is taken to be the stored current profile: a
    // setting changed below is what goes out.
    engine.assumeCurrentApplied();
    if (auto refused = change(list, macros)) return *refused;
    if (found->wired) {
        link.open(std::make_unique<InProcessLibrary>(s_.hid, std::chrono::hours(1)));
    } else {
        link.open(nullptr);
        if (found->command24) {
            link.setReceiver(std::make_shared<AcknowledgedReceiver>(
                                 found->command24, found->report24, link, kAckWaitMs),
                             nullptr);
            link.setWirelessOnline(true);
        } else {
            link.setReceiver4k(found->command4k, nullptr);
            link.setWireless4kOnline(true);
        }
    }
    if (whole) engine.markAllForUpload();
    engine.apply();
    link.close();
    if (macros.records.size() != macroCount && !saveMacros(macros, model, s_.dataFolder, &error))
        return {1, error, {}};
    if (!saved) return {1, error, {}};
    if (engine.pending().any())
        return {1, "the mouse did not take every report; they go again with the next apply", {}};
    return {0, {}, refOf(list)};
}

}  // namespace velor::cli
