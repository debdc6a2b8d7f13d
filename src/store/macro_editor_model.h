// What the macro editor does to a slot's macros, apart from showing them:
// the working copy of the current macro's steps, recording from hook events
// with measured, default or fixed delays, inserting clicks, moving, deleting
// and editing steps, and committing every change that the mouse can hold
// (a change it cannot hold is undone by reloading the stored macro).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "keys/keyboard_layout.h"
#include "platform/debug_output.h"
#include "profile/macro_action.h"
#include "store/macro_store.h"
#include "util/clock.h"

namespace velor {

enum class DelayMode : std::uint8_t { Recorded = 0, Default = 1, None = 2 };

class MacroEditorModel {
  public:
    struct Wiring {
        MacroList& macros;
        // Saves the macro list (the store's file); false when it failed.
        std::function<bool()> save;
        const TextLookup& texts;
        const KeyboardLayout& keyboard;
        Clock& clock;
        DebugSink debug;
    };

    explicit MacroEditorModel(Wiring wiring);

    // Macros.
    void load(int index);  // -1 or an index outside the list: no current macro
    // The step editor's Cancel: the stored macro again, with the step where
    // the last inserting recording began selected (else as a load selects).
    void cancelEdits();
    int currentIndex() const { return current_; }
    bool hasCurrent() const { return current_ >= 0; }
    int addMacro();        // appended, saved and loaded; its index
    void deleteCurrent();  // saved; the neighbour is loaded
    // False (the old name stays) when another macro has the name.
    bool rename(std::u16string_view name);

    // Steps of the working copy.
    const std::vector<MacroAction>& steps() const { return steps_; }
    int selected() const { return selected_; }
    void select(int step);  // -1 for none
    // Saves the working copy when the mouse can hold it; otherwise reloads
    // the stored macro and returns false.
    bool commit();
    void moveUp();
    void moveDown();
    void deleteStep();
    void clearSteps();
    // A press and a release of a mouse button code after the selected step.
    bool insertClick(std::uint8_t code, DelayMode mode, std::uint16_t defaultDelay);
    void setStepCode(std::uint8_t code);
    // Clamped to 10..65535; the last step keeps 10.
    void setStepDelay(long long delay);

    // Recording.
    void startRecording(DelayMode mode, std::uint16_t defaultDelay);
    void stopRecording();
    // Ends a recording without keeping it: the stored macro comes back.
    void discardRecording();
    bool recording() const { return recording_; }
    // A hook event: a virtual key (state 0 press, else release) or a mouse
    // message number (state 1 or 2 for the side buttons).
    void recordEvent(std::uint32_t message, std::intptr_t state);

    static constexpr std::uint16_t kMinDelay = 10;

  private:
    void rebuildSelection();
    int slotCount() const;

    Wiring w_;
    int current_ = -1;
    std::vector<MacroAction> steps_;
    int selected_ = -1;
    int insertPos_ = -1;
    int insertStart_ = -1;
    bool inserting_ = false;
    bool recording_ = false;
    DelayMode mode_ = DelayMode::Default;
    std::uint16_t defaultDelay_ = kMinDelay;
};

}  // namespace velor
