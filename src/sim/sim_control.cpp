#include "sim/sim_control.h"

#include <charconv>
#include <sstream>
#include <vector>

namespace velor::sim {

namespace {

std::optional<long> number(std::string_view text) {
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        text.remove_prefix(2);
    }
    long value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

}  // namespace

std::string runSimCommand(SimBackend& backend, std::string_view line) {
    std::vector<std::string> words;
    std::istringstream in{std::string(line)};
    for (std::string w; in >> w;) words.push_back(std::move(w));
    if (words.empty()) return {};
    if (words.size() < 2) return "missing slot:link in \"" + std::string(line) + "\"";
    const std::string& verb = words[0];
    const std::size_t colon = words[1].find(':');
    const auto slot = number(std::string_view(words[1]).substr(0, colon));
    if (colon == std::string::npos || !slot) return "not a slot:link: " + words[1];
    const std::string link = words[1].substr(colon + 1);
    SimMouse* mouse = backend.mouseAt(static_cast<int>(*slot), link);
    if (mouse == nullptr) return "no simulated mouse at " + words[1];

    const auto arguments = [&](std::size_t n) { return words.size() == 2 + n; };
    if (verb == "unplug" && arguments(0)) {
        backend.unplug(*mouse);
    } else if (verb == "plug" && arguments(0)) {
        backend.plugBack(*mouse);
    } else if (verb == "status" && arguments(2)) {
        const auto type = number(words[2]);
        const auto value = number(words[3]);
        if (!type || !value || *type < 0 || *type > 0xFF || *value < 0 || *value > 0xFFFF)
            return "status needs a type (0..255) and a value (0..65535)";
        mouse->emitStatus(static_cast<std::uint8_t>(*type), static_cast<std::uint16_t>(*value));
    } else if (verb == "silent" && arguments(1) && (words[2] == "on" || words[2] == "off")) {
        mouse->setSilent(words[2] == "on");
    } else if (verb == "battery" && arguments(1)) {
        const auto percent = number(words[2]);
        if (!percent || *percent < 1 || *percent > 100) return "battery needs a percent (1..100)";
        mouse->setBattery(static_cast<int>(*percent));
    } else if (verb == "charge" && arguments(1) &&
               (words[2] == "on" || words[2] == "off" || words[2] == "full")) {
        mouse->setCharger(words[2] == "on"     ? SimMouse::Charger::Charging
                          : words[2] == "full" ? SimMouse::Charger::Full
                                               : SimMouse::Charger::Off);
    } else {
        return "unknown command: \"" + std::string(line) + "\"";
    }
    return {};
}

}  // namespace velor::sim
