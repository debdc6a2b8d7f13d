// One section of a device page: it owns its controls (found once when the
// page's skin is built), shows its part of the current profile and answers
// the notifications of its controls. Before the skin is built it has no
// controls and shows nothing; binding shows the current state.
#pragma once

#include <QAbstractButton>
#include <QAbstractSlider>
#include <QSignalBlocker>

#include "profile/profile_record.h"
#include "skin/notification.h"
#include "ui/page/control_index.h"
#include "ui/page/page_env.h"

namespace velor {

// Shows a value on a control without the notification a user's change raises.
inline void checkQuietly(QAbstractButton* option) {
    if (option == nullptr) return;
    const QSignalBlocker quiet(option);
    option->setChecked(true);
}
inline void setQuietly(QAbstractSlider* slider, int value) {
    if (slider == nullptr) return;
    const QSignalBlocker quiet(slider);
    slider->setValue(value);
}

class PageSection {
  public:
    explicit PageSection(PageEnv& env) : env_(env) {}
    virtual ~PageSection() = default;
    PageSection(const PageSection&) = delete;
    PageSection& operator=(const PageSection&) = delete;

    virtual void bind(const ControlIndex& controls) = 0;
    // Shows the current profile.
    virtual void refresh(const ProfileRecord&) {}
    // Texts the section composes itself (after a language change, or a refresh).
    virtual void refreshTexts(const ProfileRecord&) {}
    // A notification of one of the page's controls; true when it was this section's.
    virtual bool notify(const Notification&) { return false; }

  protected:
    PageEnv& env_;
};

}  // namespace velor
