// A page's hold on its slot's stores: the lock that keeps every other program
// from writing them (waited for, with a notice, while another program holds
// it; after that the stores are read-only until the lock comes, then read
// again), loading them under that lock (profiles other than the current one
// checked afterwards, a few at a time), saving the profiles, and telling the
// user once when saves fail. No store is written without the lock.
#pragma once

#include <QTimer>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "platform/store_lock.h"
#include "store/macro_store.h"
#include "store/profile_store.h"
#include "ui/page/page_env.h"

namespace velor {

class StoreKeeper {
  public:
    struct Hooks {
        // UI thread: the profiles and macros are in (read-only when the lock
        // never came); waited: not at once, but after waiting for the lock.
        std::function<void(bool waited)> loaded;
        // Any thread: have tellSaveFailure() run on the UI thread.
        std::function<void()> saveFailed;
        // Any thread: have saveMacros() run on the UI thread (a save worked
        // while macros wait to be stored).
        std::function<void()> macrosDue;
    };

    StoreKeeper(PageEnv& env, Hooks hooks);
    ~StoreKeeper();

    // UI thread: takes the lock and loads; while another program holds the
    // lock, waits for it (a notice up meanwhile), for a bounded time.
    void start();
    bool loaded() const { return loaded_; }
    // UI thread: why the stores are not loaded yet (who holds them, as of the
    // last look); empty once they are.
    std::string awaited() const { return loaded_ ? std::string() : lockError_; }
    // UI thread: the window has painted; the profiles a load only named are
    // checked from then on (a few at a time between events).
    void windowPainted();

    // Stores the profiles (the worker's saves, and the UI thread's); a
    // failure is remembered until a save works again. Before the stores are
    // loaded there is nothing to store.
    bool save();
    // At the end, with the worker gone: stores what no save has stored yet
    // (an edit whose apply the window had not handed on).
    void saveIfUnsaved();
    // Why the last save failed; empty when it worked.
    std::string lastSaveError() const;
    // UI thread: the failed save told, once until a save works again.
    void tellSaveFailure();

    // UI thread: stores the page's macros. Macros that cannot be stored stay
    // in memory, and a later save (of the macros or the profiles) or the end
    // writes them; the failure is told once until a save of them works.
    bool saveMacros();
    // UI thread: stores list in place of the page's macros (an import tried
    // before anything changes), telling nothing: the caller answers. When it
    // works the page's macros, all in list, count as stored.
    bool storeMacros(const MacroList& list, std::string* error);

  private:
    void tryLock();
    // writableAgain: the stores were loaded read-only and the lock came since.
    void load(bool waited, bool writableAgain = false);
    void checkSome();
    std::string folder() const;

    PageEnv& env_;
    Hooks hooks_;
    std::unique_ptr<StoreLock> lock_;
    std::string lockError_;
    bool heldByOther_ = false;  // the lock is another program's, not out of reach
    QTimer retry_;
    QTimer checking_;  // the profiles a load only named, checked between events
    bool windowPainted_ = false;
    Millis waitStart_{0};
    std::atomic<bool> loaded_{false};  // read by the worker's saves

    // Held through each save, so that loading again never meets one.
    std::mutex saveTurn_;
    mutable std::mutex saveMutex_;
    std::string saveError_;     // under saveMutex_
    bool failureTold_ = false;  // under saveMutex_

    std::atomic<bool> macrosUnsaved_{false};  // read by the worker's saves
    bool macroFailureTold_ = false;
};

}  // namespace velor
