// Makes the mouse match the current profile: compares it with the copy last
// sent, sends the reports of the groups that changed in their fixed order,
// then stores the profile list and keeps what was sent as the new copy. A
// report that failed or was never acknowledged leaves its group due, so the
// next apply sends it again.
#pragma once

#include <atomic>
#include <functional>
#include <optional>
#include <span>
#include <utility>
#include <vector>

#include "protocol/upload_plan.h"
#include "store/profile_list.h"

namespace velor {

struct ApplyHooks {
    std::function<bool()> offline;
    std::function<int(std::span<const std::uint8_t>)> send;  // the device link's send
    // Requests to the UI thread, which owns the watchdog timer and the controls.
    std::function<void()> stopWatchdog;
    std::function<void()> startWatchdog;
    std::function<void(bool shown)> showApplyRing;
    // Stores the list with its current index (on the worker, after an apply,
    // or instead of one while the mouse is offline).
    std::function<void()> saveStore;
};

class ApplyEngine {
  public:
    ApplyEngine(ProfileList& list, ApplyHooks hooks);

    // The worker's handler of the apply command.
    void apply();
    // The next apply sends everything (load, profile switch, restore, import).
    void markAllForUpload() { fullUpload_ = true; }
    bool fullUploadPending() const { return fullUpload_; }
    // A field the mouse itself changed and reported: already on the mouse, so
    // that field (and nothing else) is taken into the applied copy rather than
    // sent back. Storing the list is the caller's.
    void acceptDeviceChange(Field field);
    // At page load: the current record as the applied copy, everything due.
    void startFromCurrent();
    // The mouse is taken to hold the current record already: only what
    // changes from here goes out.
    void assumeCurrentApplied();

    // Whether an apply since the last call took back a value the mouse had
    // reported, because a report of that apply replaced it on the mouse (the
    // page then shows the profile again).
    bool takeTookBackReported() { return tookBackReported_.exchange(false); }

    ProfileRecord appliedCopy() const;
    // What the next apply would send besides the opening report (a full upload
    // aside): changed groups and groups whose last send failed.
    ReportGroups pending() const;

    // Which groups differ between two records of the same slot.
    static ReportGroups changedGroups(const ProfileRecord& current, const ProfileRecord& applied);

  private:
    ProfileList& list_;
    ApplyHooks hooks_;
    std::atomic<bool> fullUpload_{true};
    std::optional<ProfileRecord> applied_;  // under the list's lock
    ReportGroups due_;                      // failed sends, under the list's lock
    // Fields the mouse reported while an apply was sending, with their bytes
    // then: the copy that apply keeps must hold them too. Under the list's lock.
    bool applying_ = false;
    std::vector<std::pair<Field, std::vector<std::uint8_t>>> acceptedDuringApply_;
    std::atomic<bool> tookBackReported_{false};
};

}  // namespace velor
