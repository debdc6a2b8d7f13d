// The lock on one slot's stores: the program holds it while it runs, and
// velorctl takes it when it works on the stores without the program, so two
// processes never write one store. The kernel drops it when the process ends.
#pragma once

#include <memory>
#include <string>

#include "util/clock.h"

namespace velor {

class StoreLock {
  public:
    ~StoreLock();
    StoreLock(const StoreLock&) = delete;
    StoreLock& operator=(const StoreLock&) = delete;

    // The lock of the folder (created when missing), or nullptr with the
    // reason when another process holds it (held set) or it cannot be taken.
    static std::unique_ptr<StoreLock> acquire(const std::string& folder, std::string* error,
                                              bool* held = nullptr);

    // As acquire, but while another process holds the lock it is tried again
    // every little while for up to `patience` on `clock`: velorctl runs
    // started together then take turns instead of refusing each other.
    static std::unique_ptr<StoreLock> acquireWaiting(const std::string& folder, Clock& clock,
                                                     Millis patience, std::string* error);

    // Who holds the folder's lock, as a person reads it ("velorctl (process
    // 1234)"); empty when nobody does or the system cannot tell (always so on
    // Windows, whose file locks name no holder).
    static std::string holderOf(const std::string& folder);

  private:
    struct Held;  // the open lock file, as the system has it
    explicit StoreLock(std::unique_ptr<Held> held);
    std::unique_ptr<Held> held_;
};

}  // namespace velor
