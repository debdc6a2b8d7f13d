#include "store/app_rules_edit.h"

#include "platform/file_io.h"
#include "platform/store_lock.h"
#include "store/name_rules.h"
#include "store/profile_store.h"

namespace velor {

namespace {

// As long as an apply waits for another process's lock.
constexpr Millis kLockPatience{5000};
constexpr int kStoreFailure = 1;

}  // namespace

std::optional<std::u16string> profileNamed(const std::vector<std::u16string>& profiles,
                                           std::u16string_view name) {
    for (const std::u16string& p : profiles)
        if (sameNameIgnoringCase(p, name)) return p;
    return std::nullopt;
}

RulesOutcome rulesUnreadable(const std::string& why) {
    return {kStoreFailure, "the rules cannot be read (" + why + "); they are left as they are", {}};
}

RulesOutcome editRulesFile(const ModelDescriptor& model, const std::string& dataFolder,
                           Clock& clock, const RulesEdit& edit) {
    std::string error;
    const auto lock = StoreLock::acquireWaiting(dataFolder + std::string(model.dataFolder), clock,
                                                kLockPatience, &error);
    if (!lock) return {kStoreFailure, error, {}};
    std::vector<std::u16string> profiles;
    if (const auto store = readProfileStore(model, profileStorePath(model, dataFolder)))
        for (const ProfileRecord& r : store->records) profiles.push_back(r.name().value_or(u""));
    const auto path = appRulesPath(model, dataFolder);
    removeCutOffSaves(path);
    auto rules = readAppRules(path);
    if (!rules) return rulesUnreadable(rules.error());
    const std::vector<AppRule> before = rules->all();
    const RulesOutcome outcome = edit(*rules, profiles);
    if (outcome.exitCode != 0) return {outcome.exitCode, outcome.reason, before};
    if (rules->all() != before && !saveAppRules(*rules, path, &error))
        return {kStoreFailure, error, before};
    return {0, {}, rules->all()};
}

}  // namespace velor
