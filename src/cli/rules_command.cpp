// velorctl rules and profile use: which profile a slot uses while an
// application is in front, and the user's own choice of profile. Through the
// running program when it runs, as the device commands go.
#include "cli/command.h"
#include "store/app_rules_edit.h"
#include "util/printable.h"
#include "util/utf16.h"

namespace velor::cli {

namespace {

constexpr OptionSpec kRulesOptions[] = {{"slot", true}, {"app", true}, {"profile", true}};
constexpr OptionSpec kUseOptions[] = {{"slot", true}, {"name", true}};

void fail(const Answer& done, int code, const std::string& reason) {
    done(code, {}, errorLine(reason));
}

std::string listed(const std::vector<AppRule>& rules) {
    std::string out;
    for (const AppRule& r : rules)
        out += printableText(r.app) + "\t" + printableText(utf16ToUtf8(r.profile)) + "\n";
    return out;
}

}  // namespace

void runRules(std::span<const std::string_view> args, MiceHost& host, const Answer& done) {
    if (args.empty())
        return fail(done, kExitBadInput, "rules needs a subcommand: list, add or remove");
    const std::string_view sub = args.front();
    if (sub != "list" && sub != "add" && sub != "remove")
        return fail(done, kExitBadInput, "unknown rules subcommand '" + std::string(sub) + "'");
    const auto options = Options::parse(args.subspan(1), kRulesOptions);
    if (!options) return fail(done, kExitBadInput, options.error());
    const auto model = slotOption(*options);
    if (!model) return fail(done, kExitBadInput, model.error());
    const auto app = options->value("app");
    const auto profileText = options->value("profile");
    const auto profile = profileText ? utf8ToUtf16(*profileText) : std::nullopt;
    if (profileText && (!profile || profile->empty()))
        return fail(done, kExitBadInput, "--profile must be a profile's name in UTF-8");
    if (sub == "list" && (app || profile))
        return fail(done, kExitBadInput, "rules list takes only --slot");
    if (sub != "list" && !app) return fail(done, kExitBadInput, "--app is required");
    if (sub == "add" && !profile) return fail(done, kExitBadInput, "--profile is required");

    // Checked before any host is asked, so that a name no rule can hold gets
    // the same answer here as through the program (whose requests are bounded).
    // A rule written by hand with a control character can still be removed.
    const auto checkedApp = !app           ? Result<std::string>(std::string())
                            : sub == "add" ? newApplicationName(*app)
                                           : applicationName(*app);
    if (!checkedApp) return fail(done, kExitBadInput, checkedApp.error());

    const int slot = (*model)->slot;
    const std::string appName = *checkedApp;
    const std::string command(sub);
    const std::string profileShown(profileText.value_or(""));
    host.editRules(
        slot,
        [=](AppRules& rules, const std::vector<std::u16string>& profiles) -> RulesOutcome {
            if (command == "list") return {};
            if (command == "remove") {
                if (rules.remove(appName, profile)) return {};
                return {kExitBadInput,
                        "slot " + std::to_string(slot) + " has no rule for " + appName,
                        {}};
            }
            const auto named = profileNamed(profiles, *profile);
            if (!named)
                return {kExitBadInput,
                        "slot " + std::to_string(slot) + " has no profile " + profileShown,
                        {}};
            if (auto refused = rules.add(appName, *named)) return {kExitBadInput, *refused, {}};
            return {};
        },
        [done, command](RulesOutcome o) {
            if (o.exitCode != kExitOk) return fail(done, o.exitCode, o.reason);
            done(kExitOk, command == "list" ? listed(o.rules) : std::string(), {});
        });
}

void runProfileUse(std::span<const std::string_view> args, MiceHost& host, const Answer& done) {
    const auto options = Options::parse(args, kUseOptions);
    if (!options) return fail(done, kExitBadInput, options.error());
    const auto model = slotOption(*options);
    if (!model) return fail(done, kExitBadInput, model.error());
    const auto nameText = options->value("name");
    const auto name = nameText ? utf8ToUtf16(*nameText) : std::nullopt;
    if (!name || name->empty()) return fail(done, kExitBadInput, "--name must be a profile's name");
    const int slot = (*model)->slot;
    bool connected = false;
    for (const MouseState& m : host.devices()) connected = connected || m.slot == slot;
    if (!connected) return fail(done, kExitDevice, noMouseConnected(slot));
    host.useProfile(slot, *name, [slot, done](Outcome o) {
        if (o.exitCode != 0) return fail(done, o.exitCode, o.reason);
        std::string out = "slot " + std::to_string(slot) + " holds";
        if (o.profile)
            out += " profile " + std::to_string(o.profile->index) + " (" +
                   printableText(o.profile->name) + ")";
        done(kExitOk, out + "\n", {});
    });
}

}  // namespace velor::cli
