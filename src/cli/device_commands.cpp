// velorctl devices, status, apply and set (and the rules commands, through
// rules_command.cpp): parsed and printed here, carried
// out by a MiceHost (the running program, or velorctl on its own).
#include <algorithm>
#include <charconv>
#include <memory>
#include <sstream>

#include "cli/command.h"
#include "cli/mice_host.h"
#include "models/dpi_mapping.h"
#include "util/printable.h"
#include "util/utf8_path.h"

namespace velor::cli {

namespace {

constexpr OptionSpec kDevicesOptions[] = {{"json", false}};
constexpr OptionSpec kStatusOptions[] = {{"slot", true}, {"json", false}};
constexpr OptionSpec kApplyOptions[] = {{"slot", true}, {"profile", true}, {"index", true}};
constexpr OptionSpec kSetOptions[] = {{"slot", true}, {"dpi-level", true}, {"polling", true}};

std::string jsonText(std::string_view text) {
    std::string out = "\"";
    for (const char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (static_cast<unsigned char>(c) < 0x20) {
            static constexpr char kHex[] = "0123456789abcdef";
            out += "\\u00";
            out += kHex[(c >> 4) & 0x0F];
            out += kHex[c & 0x0F];
        } else {
            out += c;
        }
    }
    return out + "\"";
}

std::string modelName(int slot) {
    return "MS-" + std::to_string(slot);
}

std::string joined(const std::vector<std::string>& links, const char* separator) {
    std::string out;
    for (const std::string& l : links) out += (out.empty() ? "" : separator) + l;
    return out;
}

// What status tells of a profile's settings, by name.
std::vector<std::pair<std::string, std::optional<int>>> settingsOf(const ProfileRecord& r,
                                                                   int slot) {
    static constexpr int kRates[] = {125, 250, 500, 1000, 2000, 4000, 8000};
    const auto field = [&](Field f, std::uint32_t index = 0) -> std::optional<int> {
        if (!r.has(f)) return std::nullopt;
        return r.i32(f, index);
    };
    const auto rate = [&](Field f) -> std::optional<int> {
        const auto i = field(f);
        if (!i || *i < 0 || *i >= static_cast<int>(std::size(kRates))) return std::nullopt;
        return kRates[*i];
    };
    const auto level = field(Field::dpiLevel);
    const auto slider = level && *level >= 0 && *level < 8
                            ? field(Field::dpiX, static_cast<std::uint32_t>(*level))
                            : std::nullopt;
    std::vector<std::pair<std::string, std::optional<int>>> out{
        {"dpi_level", level ? std::optional(*level + 1) : std::nullopt},
        {"dpi",
         slider ? std::optional(dpiFromSlider(*descriptorFor(slot), *slider)) : std::nullopt},
        {"polling", rate(Field::pollingRate)}};
    if (descriptorFor(slot)->pollingOptions == PollingOptions::TwoSettings)
        out.emplace_back("polling_4k", rate(Field::pollingRateHs));
    out.emplace_back("lighting", field(Field::lightMode));
    out.emplace_back("sleep_minutes", field(Field::sleepTimer));
    return out;
}

std::string settingsJson(const ProfileRecord& r, int slot) {
    std::string out;
    for (const auto& [name, value] : settingsOf(r, slot))
        out += (out.empty() ? "" : ",") + jsonText(name) + ":" +
               (value ? std::to_string(*value) : "null");
    return "{" + out + "}";
}

std::string json(const MouseState& m, const std::optional<ProfileRef>& profile) {
    std::string links;
    for (const std::string& l : m.links) links += (links.empty() ? "" : ",") + jsonText(l);
    std::string out = "{\"slot\":" + std::to_string(m.slot) +
                      ",\"model\":" + jsonText(modelName(m.slot)) + ",\"links\":[" + links +
                      "],\"battery\":" + (m.battery ? std::to_string(*m.battery) : "null") +
                      ",\"charging\":" + (m.charging ? "true" : "false");
    if (profile)
        out += ",\"profile\":{\"index\":" + std::to_string(profile->index) +
               ",\"name\":" + jsonText(profile->name) + "}";
    if (profile && profile->record)
        out += ",\"settings\":" + settingsJson(*profile->record, m.slot);
    return out + "}";
}

// slot, model, links, battery, charging: one line, tab-separated.
std::string line(const MouseState& m) {
    return std::to_string(m.slot) + "\t" + modelName(m.slot) + "\t" + joined(m.links, ",") + "\t" +
           (m.battery ? std::to_string(*m.battery) + "%" : "-") + "\t" +
           (m.charging ? "charging" : "-") + "\n";
}

void fail(const Answer& done, int code, const std::string& reason) {
    done(code, {}, errorLine(reason));
}

std::optional<int> number(std::string_view text) {
    int v = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return v;
}

std::optional<MouseState> find(MiceHost& host, int slot) {
    for (const MouseState& m : host.devices())
        if (m.slot == slot) return m;
    return std::nullopt;
}

// The options of a command about one slot, and the slot; nothing once the
// bad input has been answered.
struct SlotCommand {
    Options options;
    int slot;
};
std::optional<SlotCommand> parseSlotCommand(std::span<const std::string_view> args,
                                            std::span<const OptionSpec> accepted,
                                            const Answer& done) {
    auto options = Options::parse(args, accepted);
    if (!options) {
        fail(done, kExitBadInput, options.error());
        return std::nullopt;
    }
    const auto model = slotOption(*options);
    if (!model) {
        fail(done, kExitBadInput, model.error());
        return std::nullopt;
    }
    return SlotCommand{std::move(*options), (*model)->slot};
}

// False once "no such mouse" has been answered.
bool connectedOrTold(MiceHost& host, int slot, const Answer& done) {
    if (find(host, slot)) return true;
    fail(done, kExitDevice, noMouseConnected(slot));
    return false;
}

void devices(std::span<const std::string_view> args, MiceHost& host, const Answer& done) {
    const auto options = Options::parse(args, kDevicesOptions);
    if (!options) return fail(done, kExitBadInput, options.error());
    std::string out;
    const auto mice = host.devices();
    if (options->has("json")) {
        out = "[";
        for (std::size_t i = 0; i < mice.size(); ++i) out += (i ? "," : "") + json(mice[i], {});
        out += "]\n";
    } else {
        for (const MouseState& m : mice) out += line(m);
    }
    done(kExitOk, out, {});
}

void status(std::span<const std::string_view> args, MiceHost& host, const Answer& done) {
    const auto command = parseSlotCommand(args, kStatusOptions, done);
    if (!command) return;
    const int slot = command->slot;
    const auto mouse = find(host, slot);
    if (!mouse) return fail(done, kExitDevice, noMouseConnected(slot));
    const bool asJson = command->options.has("json");
    host.currentProfile(slot, [mouse = *mouse, asJson, done](Outcome o) {
        if (o.exitCode != 0) return fail(done, o.exitCode, o.reason);
        if (asJson) return done(kExitOk, json(mouse, o.profile) + "\n", {});
        std::string out = line(mouse);
        if (o.profile)
            out += "profile\t" + std::to_string(o.profile->index) + "\t" +
                   printableText(o.profile->name) + "\n";
        if (o.profile && o.profile->record)
            for (const auto& [name, value] : settingsOf(*o.profile->record, mouse.slot))
                if (value) out += name + "\t" + std::to_string(*value) + "\n";
        done(kExitOk, out, {});
    });
}

void apply(std::span<const std::string_view> args, MiceHost& host, const Answer& done) {
    const auto command = parseSlotCommand(args, kApplyOptions, done);
    if (!command) return;
    const Options& options = command->options;
    if (options.has("profile") == options.has("index"))
        return fail(done, kExitBadInput, "give either --profile FILE or --index I");
    std::optional<std::filesystem::path> file;
    std::optional<int> index;
    if (const auto p = options.value("profile")) {
        file = pathFromUtf8(*p);
        // Whoever carries the command out may run in another folder than the
        // one velorctl was started in, which made the path whole beforehand.
        if (!file->is_absolute())
            return fail(done, kExitBadInput, "the profile file must be given by its full path");
    }
    if (const auto i = options.value("index")) {
        index = number(*i);
        if (!index || *index < 0)
            return fail(done, kExitBadInput, "--index must be a profile index");
    }
    const int slot = command->slot;
    if (!connectedOrTold(host, slot, done)) return;
    host.applyProfile(slot, file, index, [slot, done](Outcome o) {
        if (o.exitCode != 0) return fail(done, o.exitCode, o.reason);
        std::string out = "slot " + std::to_string(slot) + " holds";
        if (o.profile)
            out += " profile " + std::to_string(o.profile->index) + " (" +
                   printableText(o.profile->name) + ")";
        done(kExitOk, out + "\n", {});
    });
}

void set(std::span<const std::string_view> args, MiceHost& host, const Answer& done) {
    const auto command = parseSlotCommand(args, kSetOptions, done);
    if (!command) return;
    const Options& options = command->options;
    const int slot = command->slot;
    if (options.has("dpi-level") == options.has("polling"))
        return fail(done, kExitBadInput, "give one setting: --dpi-level K or --polling HZ");
    Setting setting{Setting::Kind::DpiLevel, 0};
    if (const auto k = options.value("dpi-level")) {
        const auto level = number(*k);
        if (!level || *level < 1 || *level > 8)
            return fail(done, kExitBadInput, "--dpi-level must be 1 to 8");
        setting = {Setting::Kind::DpiLevel, *level};
    } else {
        const auto hz = number(*options.value("polling"));
        if (!hz || !pollingChoice(slot, *hz))
            return fail(done, kExitBadInput,
                        "slot " + std::to_string(slot) + " has no polling rate of " +
                            std::string(*options.value("polling")) + " Hz");
        setting = {Setting::Kind::PollingHz, *hz};
    }
    if (!connectedOrTold(host, slot, done)) return;
    host.applySetting(slot, setting, [slot, done](Outcome o) {
        if (o.exitCode != 0) return fail(done, o.exitCode, o.reason);
        done(kExitOk, "slot " + std::to_string(slot) + " set\n", {});
    });
}

}  // namespace

std::string noMouseConnected(int slot) {
    return "no mouse of slot " + std::to_string(slot) + " is connected";
}

std::optional<PollingChoice> pollingChoice(int slot, int hz) {
    static constexpr int kRates[] = {125, 250, 500, 1000, 2000, 4000, 8000};
    const ModelDescriptor* model = descriptorFor(slot);
    if (model == nullptr) return std::nullopt;
    int index = -1;
    for (int i = 0; i < 7; ++i)
        if (kRates[i] == hz) index = i;
    if (index < 0) return std::nullopt;
    switch (model->pollingOptions) {
        case PollingOptions::FourRates:
            if (index > 3) return std::nullopt;
            return PollingChoice{false, index};
        case PollingOptions::SevenRates:
            return PollingChoice{false, index};
        case PollingOptions::TwoSettings:
            // Up to 1000 Hz the setting of the cable and the 2.4 GHz receiver,
            // above it the 4K receiver's.
            return index > 3 ? PollingChoice{true, index} : PollingChoice{false, index};
    }
    return std::nullopt;
}

void resolveFilesHere(std::vector<std::string>& args) {
    if (args.empty() || args.front() != "apply") return;
    // Read as the program will read it, whatever form each option took, and
    // sent on in one form with the file's whole path.
    const std::vector<std::string_view> rest(args.begin() + 1, args.end());
    const auto options = Options::parse(rest, kApplyOptions);
    if (!options) return;  // the program refuses it as velorctl would
    std::vector<std::string> sent{"apply"};
    for (const OptionSpec& option : kApplyOptions) {
        const auto value = options->value(option.name);
        if (!value) continue;
        sent.push_back("--" + std::string(option.name));
        std::string v(*value);
        std::error_code ec;
        if (option.name == "profile" && !v.empty()) {
            const auto whole = std::filesystem::absolute(pathFromUtf8(v), ec);
            if (!ec) v = utf8FromPath(whole);
        }
        sent.push_back(std::move(v));
    }
    args = std::move(sent);
}

bool runDeviceCommand(const std::vector<std::string>& args, MiceHost& host, Answer done) {
    if (args.empty()) return false;
    std::vector<std::string_view> views(args.begin() + 1, args.end());
    const std::string& name = args.front();
    if (name == "devices")
        devices(views, host, done);
    else if (name == "status")
        status(views, host, done);
    else if (name == "apply")
        apply(views, host, done);
    else if (name == "set")
        set(views, host, done);
    else if (name == "rules")
        runRules(views, host, done);
    else if (name == "profile" && !views.empty() && views.front() == "use")
        runProfileUse(std::span(views).subspan(1), host, done);
    else
        return false;
    return true;
}

}  // namespace velor::cli
