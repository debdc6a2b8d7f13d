#include "ui/page/store_keeper.h"
#include "util/utf8_path.h"

#include <utility>

namespace velor {

namespace {

// How long the page waits for a lock another program holds (velorctl's
// longest upload takes well under this), and how often it looks.
constexpr Millis kLockPatience{30000};
constexpr int kRetryMs = 200;
constexpr int kLateRetryMs = 1000;
// Profiles checked in one turn of the event loop: half a megabyte read.
constexpr std::size_t kChecksPerTurn = 16;

QString keptAsideText(const LoadReport& profiles, const MacroLoadReport& macros) {
    QStringList kept;
    for (const auto& path : {profiles.keptAside, macros.keptAside})
        if (!path.empty()) kept << QString::fromStdString(utf8FromPath(path));
    return kept.join(QLatin1Char('\n'));
}

}  // namespace

StoreKeeper::StoreKeeper(PageEnv& env, Hooks hooks) : env_(env), hooks_(std::move(hooks)) {
    retry_.setInterval(kRetryMs);
    QObject::connect(&retry_, &QTimer::timeout, [this] { tryLock(); });
    checking_.setInterval(0);
    QObject::connect(&checking_, &QTimer::timeout, [this] { checkSome(); });
}

StoreKeeper::~StoreKeeper() = default;

std::string StoreKeeper::folder() const {
    return env_.services.dataFolder() + std::string(env_.model.dataFolder);
}

void StoreKeeper::start() {
    lock_ = StoreLock::acquire(folder(), &lockError_, &heldByOther_);
    // A lock that cannot be had at all (no access to the folder) is not
    // waited for: the stores are read, and never written.
    if (lock_ || !heldByOther_) return load(false);
    env_.services.debug(lockError_ + "; waiting for it");
    waitStart_ = env_.services.clock->now();
    env_.services.showWaiting("store_waiting_text", QString::fromStdString(lockError_));
    retry_.start();
}

void StoreKeeper::tryLock() {
    lock_ = StoreLock::acquire(folder(), &lockError_);
    if (lock_) {
        retry_.stop();
        if (!loaded_) {
            env_.services.showWaiting({}, {});
            return load(true);
        }
        // Loaded read-only while the other program held on: what it stored is
        // read again, and from now on saved. No save of the read-only list
        // runs meanwhile.
        const std::lock_guard turn(saveTurn_);
        env_.profiles.blockSaves({});
        return load(true, true);
    }
    if (loaded_) {
        // Still read-only: a failed save names the holder of now, or why
        // the lock cannot be had any more.
        env_.profiles.blockSaves(lockError_);
        return;
    }
    if (env_.services.clock->now() - waitStart_ >= kLockPatience) {
        env_.services.showWaiting({}, {});
        load(true);
        // Looked for again, less often, for as long as the program runs.
        retry_.setInterval(kLateRetryMs);
    }
}

void StoreKeeper::load(bool waited, bool writableAgain) {
    const std::string data = env_.services.dataFolder();
    // Without the lock the stores are read, never written: not a default
    // store, not a repaired one, not a later save.
    const std::string unlocked = lock_ ? std::string() : lockError_;
    if (!lock_) env_.profiles.blockSaves(unlocked);
    const LoadReport report =
        loadProfiles(env_.profiles, data, env_.context.texts, env_.services.debug, true);
    const MacroLoadReport macros =
        loadMacros(env_.macros, env_.model, data, env_.services.debug, unlocked);
    loaded_ = true;

    QString id;
    QString detail;
    if (writableAgain && lock_) {
        id = QStringLiteral("store_writable_text");
    } else if (!lock_) {
        id = heldByOther_ ? QStringLiteral("store_in_use_text")
                          : QStringLiteral("store_not_saved_text");
        detail = QString::fromStdString(lockError_);
    } else if (!report.unreadable.empty() || !macros.unreadable.empty()) {
        id = QStringLiteral("store_unreadable_text");
        const std::string path = utf8FromPath(profileStorePath(env_.model, data));
        detail = QString::fromStdString(!report.unreadable.empty() ? path + ": " + report.unreadable
                                                                   : macros.unreadable);
    } else if (!report.problems.empty() || !macros.problems.empty()) {
        id = QStringLiteral("store_damaged_text");
        detail = keptAsideText(report, macros);
    }
    {
        // Saves held back for what was just told are not told again.
        const std::lock_guard guard(env_.profiles.lock());
        const std::lock_guard saving(saveMutex_);
        failureTold_ = !env_.profiles.savesBlocked().empty();
    }
    macrosUnsaved_ = false;  // what is stored was just read
    macroFailureTold_ = !env_.macros.savesBlocked.empty();
    hooks_.loaded(waited);
    if (windowPainted_) checking_.start();
    // Told once the window is up, not in the middle of starting.
    if (!id.isEmpty())
        QTimer::singleShot(0, env_.context.window,
                           [this, id, detail] { env_.services.tell(id, detail); });
}

void StoreKeeper::windowPainted() {
    windowPainted_ = true;
    if (loaded_) checking_.start();
}

void StoreKeeper::checkSome() {
    bool done = false;
    const LoadReport late = checkLoadedProfiles(env_.profiles, env_.services.dataFolder(),
                                                kChecksPerTurn, &done, env_.services.debug);
    if (!done) return;
    checking_.stop();
    if (!late.problems.empty())
        env_.services.tell("store_damaged_text",
                           QString::fromStdString(utf8FromPath(late.keptAside)));
}

bool StoreKeeper::save() {
    if (!loaded_) return false;
    const std::lock_guard turn(saveTurn_);
    std::string error;
    const bool saved = saveProfiles(env_.profiles, env_.services.dataFolder(), &error);
    bool tell = false;
    {
        const std::lock_guard guard(saveMutex_);
        saveError_ = error;
        if (saved) failureTold_ = false;
        tell = !saved && !failureTold_;
    }
    if (!saved) env_.services.debug("profile store not saved: " + error);
    if (tell) hooks_.saveFailed();
    // The disk takes writes again: the macros waiting in memory go too.
    if (saved && macrosUnsaved_) hooks_.macrosDue();
    return saved;
}

void StoreKeeper::saveIfUnsaved() {
    std::string error;
    if (macrosUnsaved_ && !storeMacros(env_.macros, &error))
        env_.services.debug("macro store not saved at the end: " + error);
    {
        const std::lock_guard guard(env_.profiles.lock());
        if (!env_.profiles.unsaved()) return;
    }
    save();
}

bool StoreKeeper::storeMacros(const MacroList& list, std::string* error) {
    if (!loaded_) {
        if (error) *error = "the stores are not loaded yet";
        return false;
    }
    if (!velor::saveMacros(list, env_.model, env_.services.dataFolder(), error)) return false;
    macrosUnsaved_ = false;
    macroFailureTold_ = false;
    return true;
}

bool StoreKeeper::saveMacros() {
    std::string error;
    if (storeMacros(env_.macros, &error)) return true;
    macrosUnsaved_ = loaded_.load();
    env_.services.debug("macro store not saved: " + error);
    if (!std::exchange(macroFailureTold_, true))
        env_.services.tell("store_not_saved_text", QString::fromStdString(error));
    return false;
}

std::string StoreKeeper::lastSaveError() const {
    const std::lock_guard guard(saveMutex_);
    return saveError_;
}

void StoreKeeper::tellSaveFailure() {
    QString detail;
    {
        const std::lock_guard guard(saveMutex_);
        if (failureTold_ || saveError_.empty()) return;
        failureTold_ = true;
        detail = QString::fromStdString(saveError_);
    }
    env_.services.tell("store_not_saved_text", detail);
}

}  // namespace velor
