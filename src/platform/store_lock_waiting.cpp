// The parts of the store lock that need nothing of the system: waiting for a
// held lock and saying who holds it.
#include <algorithm>

#include "platform/store_lock.h"
#include "platform/store_lock_text.h"

namespace velor {

namespace {

// How often a held lock is tried again while waiting for it.
constexpr Millis kRetryEvery{50};

}  // namespace

std::string storeInUseText(const std::string& folder) {
    const std::string holder = StoreLock::holderOf(folder);
    return "the profiles in " + folder + " are in use by " +
           (holder.empty() ? std::string("another program") : holder);
}

std::unique_ptr<StoreLock> StoreLock::acquireWaiting(const std::string& folder, Clock& clock,
                                                     Millis patience, std::string* error) {
    const Millis giveUpAt = clock.now() + patience;
    for (;;) {
        bool held = false;
        auto lock = acquire(folder, error, &held);
        if (lock || !held || clock.now() >= giveUpAt) return lock;
        clock.sleepFor(std::min(kRetryEvery, giveUpAt - clock.now()));
    }
}

}  // namespace velor
