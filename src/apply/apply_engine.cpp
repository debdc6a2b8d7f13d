#include "apply/apply_engine.h"

#include <algorithm>
#include <utility>

namespace velor {

namespace {

// Fields whose change re-sends a group. Some are not carried by this slot's
// report; a change still marks the group, so the report goes out again.
constexpr Field kDpiFields[] = {Field::dpiLevel,      Field::sensorOption0, Field::liftOffDistance,
                                Field::sensorOption1, Field::rippleControl, Field::angleSnap,
                                Field::motionSync,    Field::dpiX,          Field::dpiY,
                                Field::dpiEnabled,    Field::dpiColour};
constexpr Field kLightingFields[] = {Field::lightMode,  Field::lightOption, Field::breathSpeed,
                                     Field::brightness, Field::keyDebounce, Field::lightColour,
                                     Field::sleepTimer, Field::lightParam,  Field::lightOffTimer};
constexpr Field kPollingFields[] = {Field::pollingRate, Field::pollingRateHs};
constexpr SlotField kMacroFields[] = {SlotField::macroLoopTimes, SlotField::macroRepeatMode,
                                      SlotField::macroExtra, SlotField::macroActions};

bool differs(const ProfileRecord& a, const ProfileRecord& b, std::span<const Field> fields) {
    return std::any_of(fields.begin(), fields.end(), [&](Field f) {
        const auto* row = a.layout().find(f);
        if (row == nullptr) return false;
        const auto x = fieldBytes(a.bytes(), *row);
        const auto y = fieldBytes(b.bytes(), *row);
        return !std::equal(x.begin(), x.end(), y.begin(), y.end());
    });
}

bool macroDiffers(ConstButtonSlot a, ConstButtonSlot b) {
    return std::any_of(std::begin(kMacroFields), std::end(kMacroFields), [&](SlotField f) {
        const auto& row = *buttonSlotLayout().find(f);
        const auto x = fieldBytes(std::span<const std::uint8_t>(a.bytes()), row);
        const auto y = fieldBytes(std::span<const std::uint8_t>(b.bytes()), row);
        return !std::equal(x.begin(), x.end(), y.begin(), y.end());
    });
}

// The group whose report carries a field the mouse reports by itself.
std::optional<ReportGroup> groupCarrying(Field field) {
    const auto in = [field](std::span<const Field> fields) {
        return std::find(fields.begin(), fields.end(), field) != fields.end();
    };
    if (in(kDpiFields)) return ReportGroup::Dpi;
    if (in(kLightingFields)) return ReportGroup::Lighting;
    if (in(kPollingFields)) return ReportGroup::Polling;
    return std::nullopt;
}

}  // namespace

ApplyEngine::ApplyEngine(ProfileList& list, ApplyHooks hooks)
    : list_(list), hooks_(std::move(hooks)) {}

ReportGroups ApplyEngine::changedGroups(const ProfileRecord& current,
                                        const ProfileRecord& applied) {
    ReportGroups g;
    g.dpi = differs(current, applied, kDpiFields);
    g.lighting = differs(current, applied, kLightingFields);
    g.polling = differs(current, applied, kPollingFields);
    const Field buttons[] = {Field::buttons};
    g.buttons = differs(current, applied, buttons);
    for (int k = 0; k < kButtonCount; ++k)
        g.macro[static_cast<std::size_t>(k)] = macroDiffers(current.button(k), applied.button(k));
    return g;
}

void ApplyEngine::startFromCurrent() {
    const std::lock_guard guard(list_.lock());
    applied_ = std::as_const(list_).current();
    fullUpload_ = true;
}

void ApplyEngine::assumeCurrentApplied() {
    const std::lock_guard guard(list_.lock());
    applied_ = std::as_const(list_).current();
    fullUpload_ = false;
}

void ApplyEngine::acceptDeviceChange(Field field) {
    const std::lock_guard guard(list_.lock());
    const auto* row = std::as_const(list_).current().layout().find(field);
    if (!applied_ || row == nullptr) return;
    const auto from = fieldBytes(std::as_const(list_).current().bytes(), *row);
    const auto to = fieldBytes(applied_->bytes(), *row);
    std::copy(from.begin(), from.end(), to.begin());
    if (applying_) acceptedDuringApply_.emplace_back(field, std::vector(from.begin(), from.end()));
}

ReportGroups ApplyEngine::pending() const {
    const std::lock_guard guard(list_.lock());
    ReportGroups groups =
        applied_ ? changedGroups(std::as_const(list_).current(), *applied_) : ReportGroups::all();
    groups |= due_;
    return groups;
}

ProfileRecord ApplyEngine::appliedCopy() const {
    const std::lock_guard guard(list_.lock());
    return applied_ ? *applied_ : std::as_const(list_).current();
}

void ApplyEngine::apply() {
    {
        // Profiles not loaded yet (the store is waited for): nothing to send.
        const std::lock_guard guard(list_.lock());
        if (list_.size() == 0) return;
    }
    // Nothing can reach the mouse; the pending changes stay due, and what the
    // user changed is stored so that no exit loses it.
    if (hooks_.offline()) return hooks_.saveStore();
    hooks_.stopWatchdog();
    hooks_.showApplyRing(true);

    // One consistent state is sent and then kept as the applied copy. The
    // full-upload request is taken here, so one made while this apply runs
    // (a profile switch) is kept for the next apply instead of being lost.
    std::optional<ProfileRecord> snapshot;
    ReportGroups groups;
    {
        const std::lock_guard guard(list_.lock());
        snapshot = std::as_const(list_).current();
        const bool full = fullUpload_.exchange(false);
        groups = (full || !applied_) ? ReportGroups::all() : changedGroups(*snapshot, *applied_);
        groups |= std::exchange(due_, {});
        applying_ = true;
    }
    ReportGroups failed;
    // Fields the mouse reported before a report of this apply carried them:
    // that report replaced them on the mouse, with what it is sent.
    std::vector<std::pair<Field, std::vector<std::uint8_t>>> replaced;
    for (const PlannedReport& report : planUpload(*snapshot, groups)) {
        {
            const std::lock_guard guard(list_.lock());
            std::erase_if(acceptedDuringApply_, [&](const auto& accepted) {
                if (groupCarrying(accepted.first) != report.group) return false;
                replaced.push_back(accepted);
                return true;
            });
        }
        if (hooks_.send(report.report.bytes()) == 0) failed.add(report);
    }

    hooks_.startWatchdog();
    {
        const std::lock_guard guard(list_.lock());
        applied_ = std::move(snapshot);
        // What the mouse reported after its report went is on the mouse, not
        // to be sent back.
        for (const auto& [field, bytes] : std::exchange(acceptedDuringApply_, {})) {
            const auto to = fieldBytes(applied_->bytes(), *applied_->layout().find(field));
            std::copy(bytes.begin(), bytes.end(), to.begin());
        }
        // What it reported before is gone from the mouse: the profile takes
        // back what was sent (unless the user has changed it since), so the
        // mouse, the window and the store agree.
        for (const auto& [field, bytes] : replaced) {
            const auto& row = *applied_->layout().find(field);
            const auto now = fieldBytes(std::as_const(list_).current().bytes(), row);
            if (!std::equal(now.begin(), now.end(), bytes.begin(), bytes.end())) continue;
            const auto sent = fieldBytes(applied_->bytes(), row);
            std::copy(sent.begin(), sent.end(), fieldBytes(list_.current().bytes(), row).begin());
            tookBackReported_ = true;
        }
        applying_ = false;
        due_ |= failed;
    }
    hooks_.saveStore();
    hooks_.showApplyRing(false);
}

}  // namespace velor
