#include "store/macro_editor_model.h"

#include <algorithm>

#include "keys/key_tables.h"
#include "profile/record_layout.h"
#include "store/name_rules.h"

namespace velor {

namespace {

constexpr int kSlotLimit = 48;      // a macro takes fewer slots than this
constexpr int kRecordingStop = 46;  // recording ends at this many slots or steps
constexpr int kClickRoom = 44;      // a click (two steps) fits up to this many steps

// The previous recorded event and its time, shared by the editors of every
// slot and kept from one opening to the next: a key still held when the
// editor opens again does not repeat.
struct LastEvent {
    std::uint32_t message = 0;
    std::intptr_t state = 0;
    long long time = 0;
};
LastEvent& lastEvent() {
    static LastEvent last;
    return last;
}

}  // namespace

MacroEditorModel::MacroEditorModel(Wiring wiring) : w_(std::move(wiring)) {
    if (!w_.debug) w_.debug = defaultDebugSink();
}

void MacroEditorModel::load(int index) {
    if (index < 0 || index >= static_cast<int>(w_.macros.records.size())) {
        current_ = -1;
        steps_.clear();
        selected_ = -1;
        return;
    }
    current_ = index;
    const MacroRecord& m = w_.macros.records[static_cast<std::size_t>(index)];
    steps_.clear();
    const int count = std::clamp(m.actionCount(), 0, kMacroActionCapacity);
    for (int i = 0; i < count; ++i) steps_.push_back(m.action(i));
    inserting_ = false;
    insertPos_ = -1;
    rebuildSelection();
}

void MacroEditorModel::cancelEdits() {
    const int start = insertStart_;
    load(current_);
    if (start >= 0 && !steps_.empty()) select(std::min(start, static_cast<int>(steps_.size()) - 1));
}

// After a rebuild: the step before the insertion point while inserting,
// else the last step (none for an empty macro).
void MacroEditorModel::rebuildSelection() {
    if (steps_.empty()) {
        selected_ = -1;
    } else if (inserting_ && insertPos_ > 0) {
        selected_ = std::min(insertPos_ - 1, static_cast<int>(steps_.size()) - 1);
    } else {
        selected_ = static_cast<int>(steps_.size()) - 1;
    }
    w_.debug("iActionIndex=" + std::to_string(selected_) + ", iNextActionIndex=-1");
}

void MacroEditorModel::select(int step) {
    selected_ = step >= 0 && step < static_cast<int>(steps_.size()) ? step : -1;
}

int MacroEditorModel::slotCount() const {
    const int count = macroSlotCount(steps_);
    w_.debug("iTotalNum = " + std::to_string(count));
    return count;
}

bool MacroEditorModel::commit() {
    if (slotCount() >= kSlotLimit) {
        load(current_);  // the change cannot be held: back to the stored macro
        return false;
    }
    if (!hasCurrent()) return true;
    MacroRecord& m = w_.macros.records[static_cast<std::size_t>(current_)];
    std::fill(m.actionBytes().begin(), m.actionBytes().end(), 0);
    for (std::size_t i = 0; i < steps_.size(); ++i) m.setAction(static_cast<int>(i), steps_[i]);
    m.setActionCount(static_cast<std::int32_t>(steps_.size()));
    w_.save();
    return true;
}

int MacroEditorModel::addMacro() {
    velor::addMacro(w_.macros, w_.texts);
    w_.save();
    load(static_cast<int>(w_.macros.records.size()) - 1);
    return current_;
}

void MacroEditorModel::deleteCurrent() {
    if (!hasCurrent()) return;
    const int at = current_;
    w_.macros.records.erase(w_.macros.records.begin() + at);
    w_.save();
    load(std::min(at, static_cast<int>(w_.macros.records.size()) - 1));
}

bool MacroEditorModel::rename(std::u16string_view name) {
    if (!hasCurrent()) return false;
    MacroRecord& m = w_.macros.records[static_cast<std::size_t>(current_)];
    const std::u16string old = m.name().value_or(u"");
    if (sameNameIgnoringCase(old, name)) return true;  // only the case changed: nothing to do
    if (nameTaken(w_.macros.names(), name)) return false;
    m.setName(cutName(name, kMacroNameUnits - 1));
    // A rename changes no step: it is stored as it is, whatever the steps hold.
    w_.save();
    return true;
}

void MacroEditorModel::moveUp() {
    if (selected_ < 1) return;
    std::swap(steps_[static_cast<std::size_t>(selected_ - 1)],
              steps_[static_cast<std::size_t>(selected_)]);
    --selected_;
    commit();
}

void MacroEditorModel::moveDown() {
    if (selected_ < 0 || selected_ >= static_cast<int>(steps_.size()) - 1) return;
    std::swap(steps_[static_cast<std::size_t>(selected_)],
              steps_[static_cast<std::size_t>(selected_ + 1)]);
    ++selected_;
    commit();
}

void MacroEditorModel::deleteStep() {
    if (selected_ < 0) return;
    steps_.erase(steps_.begin() + selected_);
    selected_ = std::min(selected_, static_cast<int>(steps_.size()) - 1);
    commit();
}

void MacroEditorModel::clearSteps() {
    if (!hasCurrent()) return;
    steps_.clear();
    inserting_ = false;
    insertPos_ = -1;
    selected_ = -1;
    commit();
}

bool MacroEditorModel::insertClick(std::uint8_t code, DelayMode mode, std::uint16_t defaultDelay) {
    if (!hasCurrent() || static_cast<int>(steps_.size()) > kClickRoom) return false;
    insertPos_ = selected_ + 1;
    inserting_ = true;
    const std::uint16_t d = mode == DelayMode::Default ? defaultDelay : kMinDelay;
    const auto at = steps_.begin() + insertPos_;
    steps_.insert(at, {MacroAction{code, MacroAction::kPress, d},
                       MacroAction{code, MacroAction::kRelease, d}});
    insertPos_ += 2;
    rebuildSelection();  // the release is selected
    commit();
    inserting_ = false;
    return true;
}

void MacroEditorModel::setStepCode(std::uint8_t code) {
    if (selected_ < 0) return;
    steps_[static_cast<std::size_t>(selected_)].code = code;
    commit();
}

void MacroEditorModel::setStepDelay(long long delay) {
    if (selected_ < 0 || selected_ == static_cast<int>(steps_.size()) - 1) return;
    steps_[static_cast<std::size_t>(selected_)].delay =
        static_cast<std::uint16_t>(std::clamp<long long>(delay, kMinDelay, 65535));
    commit();
}

void MacroEditorModel::startRecording(DelayMode mode, std::uint16_t defaultDelay) {
    if (!hasCurrent()) addMacro();
    if (selected_ < 0) {
        steps_.clear();
        insertPos_ = insertStart_ = -1;
        inserting_ = false;
    } else {
        insertPos_ = insertStart_ = selected_ + 1;
        inserting_ = true;
    }
    mode_ = mode;
    defaultDelay_ = defaultDelay;
    recording_ = true;
    lastEvent().time = w_.clock.now().count();
}

void MacroEditorModel::stopRecording() {
    if (!recording_) return;
    lastEvent().time = 0;
    recording_ = false;
    commit();  // undoes the whole recording when the mouse cannot hold it
    inserting_ = false;
}

void MacroEditorModel::discardRecording() {
    if (!recording_) return;
    lastEvent().time = 0;
    recording_ = false;
    load(current_);
}

void MacroEditorModel::recordEvent(std::uint32_t message, std::intptr_t state) {
    if (!recording_) return;
    LastEvent& last = lastEvent();
    // The same event again is a key's auto-repeat.
    if (message == last.message && state == last.state) return;
    last.message = message;
    last.state = state;
    if (slotCount() >= kRecordingStop) return stopRecording();

    std::uint8_t code = 0;
    bool press = state == 0;
    switch (message) {
        case 0x201:
        case 0x202:
            code = 0xF1;
            press = message == 0x201;
            break;
        case 0x204:
        case 0x205:
            code = 0xF2;
            press = message == 0x204;
            break;
        case 0x207:
        case 0x208:
            code = 0xF3;
            press = message == 0x207;
            break;
        case 0x20B:
        case 0x20C:
            code = state == 2 ? 0xF4 : 0xF5;
            press = message == 0x20B;
            break;
        default: {
            const KeyUsage usage = UsageOfVirtualKey(message, w_.keyboard);
            code = static_cast<std::uint8_t>(usage.found ? usage.usage : 0);
        }
    }
    const long long now = w_.clock.now().count();
    const std::uint16_t d =
        mode_ == DelayMode::Recorded
            ? static_cast<std::uint16_t>(std::clamp<long long>(now - last.time, 0, 65535))
        : mode_ == DelayMode::Default ? defaultDelay_
                                      : kMinDelay;
    // The measured delay belongs to the step before the new one.
    const int before = inserting_ ? insertPos_ - 1 : static_cast<int>(steps_.size()) - 1;
    if (before >= 0 && before < static_cast<int>(steps_.size()))
        steps_[static_cast<std::size_t>(before)].delay = d;
    if (static_cast<int>(steps_.size()) < kMacroActionCapacity) {
        const MacroAction step{code, press ? MacroAction::kPress : MacroAction::kRelease,
                               kMinDelay};
        if (inserting_) {
            steps_.insert(steps_.begin() + insertPos_, step);
            ++insertPos_;
        } else {
            steps_.push_back(step);
        }
    }
    last.time = now;
    rebuildSelection();
    if (static_cast<int>(steps_.size()) >= kMacroActionCapacity) stopRecording();
}

}  // namespace velor
