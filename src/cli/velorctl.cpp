#include "cli/velorctl.h"

#include <charconv>

#include "cli/command.h"
#include "util/printable.h"

namespace velor::cli {

namespace {

constexpr std::string_view kProgramHelp =
    "velorctl: VELOR mice and their profiles from the command line.\n"
    "\n"
    "usage: velorctl [-v] COMMAND [OPTIONS]\n"
    "       velorctl help COMMAND\n"
    "       velorctl --version\n"
    "\n"
    "-v, --verbose prints velorctl's diagnostic lines on stderr (as VELOR_DEBUG=1\n"
    "does). Names are printed with control characters escaped (\\t, \\n, \\xHH...).\n"
    "Exit codes: 0 done, 1 a device or store failure, 2 bad input.\n"
    "\n"
    "commands:\n";

// How the device commands reach the mice.
#define DEVICE_NOTE                                                               \
    "\n"                                                                          \
    "While the program runs, the command goes through it (its control socket),\n" \
    "so the window, the stores and the mouse stay in step. Otherwise velorctl\n"  \
    "finds the mouse itself (cable and receivers; Bluetooth only through the\n"   \
    "program) and holds the slot's store lock while it works, waiting up to\n"    \
    "five seconds for another process to let go of it. The program is given\n"    \
    "two minutes to answer.\n"

const Command kCommands[] = {
    {"reports", "print the reports a full upload of a profile sends",
     "usage: velorctl reports --slot N --profile FILE.pro\n"
     "       velorctl reports --slot N --defaults\n"
     "\n"
     "Prints one line per report that a full upload of the profile sends to the\n"
     "mouse, in the order they are sent: opening, dpi, lighting, polling, buttons,\n"
     "then macro:J for every button J that plays a macro. Each line is the report's\n"
     "name, a space, and its bytes as lowercase hex.\n"
     "\n"
     "  --slot N          model slot (1..10)\n"
     "  --profile FILE    a profile file of that slot\n"
     "  --defaults        a new profile named Profile1 instead of a file\n",
     runReports},
    {"profile", "create a profile file, or choose a mouse's profile",
     "usage: velorctl profile new --slot N --name NAME --out FILE.pro [--force]\n"
     "       velorctl profile use --slot N --name NAME\n"
     "\n"
     "new writes a new profile with every setting at its default. The file\n"
     "holds exactly one record of the slot's record length.\n"
     "use makes the stored profile NAME current and sends it whole to the\n"
     "mouse, as choosing it in the window does; application rules go back to\n"
     "it when no rule's application is in front (for your own hooks where the\n"
     "desktop does not tell which application is in front).\n"
     "\n"
     "  --slot N      model slot (1..10)\n"
     "  --name NAME   profile name, 1 to 99 UTF-16 code units\n"
     "  --out FILE    file to write; an existing file is kept unless --force\n"
     "  --force       replace an existing file\n",
     runProfile},
    {"profiles", "look into a profile store (never changes it)",
     "usage: velorctl profiles list   --slot N [--data DIR]\n"
     "       velorctl profiles export --slot N [--data DIR] --index I --out FILE.pro [--force]\n"
     "       velorctl profiles check  --slot N [--data DIR]\n"
     "\n"
     "Reads the slot's profile store (DIR/ms_N/pro.data; DIR defaults to the\n"
     "program's data folder). None of these commands changes the store.\n"
     "\n"
     "  list     one line per profile: index, '*' for the current one or '-',\n"
     "           and the name\n"
     "  export   writes the record at index I as a profile file\n"
     "  check    prints 'ok' and exits 0 for a sound store; prints one line per\n"
     "           problem and exits 1 for a damaged one; exits 2 without a store\n",
     runProfiles},
    {"frames", "print every frame a full upload writes on one link",
     "usage: velorctl frames --slot N --link wired|24g|4k|ble --profile FILE.pro\n"
     "       velorctl frames --slot N --link wired|24g|4k|ble --defaults\n"
     "\n"
     "Runs a full upload of the profile through the program's own device link to\n"
     "a simulated mouse on that link, in virtual time, and prints every frame the\n"
     "mouse took, in send order, one per line as lowercase hex: a report as its\n"
     "bytes, a macro chunk as 64 bytes, a 4K receiver frame as 65 bytes; over\n"
     "Bluetooth a macro goes whole in one write and no polling rate is sent. The\n"
     "simulated mouse acknowledges, so nothing repeats. A link the slot does not\n"
     "have gives an error.\n"
     "\n"
     "  --slot N          model slot (1..10)\n"
     "  --link L          wired (cable), 24g (2.4 GHz receiver), 4k (4K receiver,\n"
     "                    slots 3, 4, 6, 8) or ble (Bluetooth LE, slots 6..9)\n"
     "  --profile FILE    a profile file of that slot\n"
     "  --defaults        a new profile named Profile1 instead of a file\n",
     runFrames},
    {"devices", "list the connected mice",
     "usage: velorctl devices [--json]\n"
     "\n"
     "One line per connected mouse: slot, model, the links it is reached by\n"
     "(wired, 24g, 4k, ble), battery percent ('-' until the mouse said) and\n"
     "whether it charges, separated by tabs; with --json an array of objects\n"
     "with slot, model, links, battery and charging.\n" DEVICE_NOTE,
     nullptr, true},
    {"status", "show one mouse and its current profile",
     "usage: velorctl status --slot N [--json]\n"
     "\n"
     "The line of the slot's mouse as devices prints it, then 'profile', the\n"
     "current profile's index and its name, then one line each for its DPI\n"
     "level and that level's DPI, polling rate in Hz (on slots with a 4K\n"
     "receiver also the 4K receiver's), lighting mode (0 off) and sleep time\n"
     "in minutes, name and value parted by a tab; with --json one object that\n"
     "also holds profile (index, name) and settings (dpi_level, dpi, polling,\n"
     "polling_4k, lighting, sleep_minutes).\n" DEVICE_NOTE,
     nullptr, true},
    {"apply", "make a mouse hold a profile",
     "usage: velorctl apply --slot N --profile FILE.pro\n"
     "       velorctl apply --slot N --index I\n"
     "\n"
     "Makes the profile current and sends it whole to the mouse, with the\n"
     "pacing and acknowledgements the window uses, then stores it. A file is\n"
     "first imported as a new profile (checked as the window checks it; a\n"
     "taken name gets a suffix); an index selects a stored profile. Exits 1\n"
     "when the mouse is not connected or did not take every report.\n" DEVICE_NOTE,
     nullptr, true},
    {"set", "change one setting of a mouse",
     "usage: velorctl set --slot N --dpi-level K\n"
     "       velorctl set --slot N --polling HZ\n"
     "\n"
     "Changes one setting of the current profile, sends what changed and\n"
     "stores it, as the window does. --dpi-level takes 1..8; --polling a rate\n"
     "the slot offers: 125, 250, 500 or 1000 Hz, and on slots 3, 4, 6 and 8\n"
     "also 2000, 4000 and 8000 (on 6 and 8 those are the 4K receiver's).\n" DEVICE_NOTE,
     nullptr, true},
    {"rules", "choose the profile each application gets",
     "usage: velorctl rules list   --slot N\n"
     "       velorctl rules add    --slot N --app APP --profile NAME\n"
     "       velorctl rules remove --slot N --app APP [--profile NAME]\n"
     "\n"
     "While an application a rule names is in front, the slot's mouse uses the\n"
     "rule's profile; when the application in front matches no rule, it goes\n"
     "back to the profile chosen before. APP is a window class or an\n"
     "executable's file name, matched without regard to case; one rule per\n"
     "application (add replaces its profile). list prints one rule a line:\n"
     "the application, a tab, the profile. No mouse needs to be connected.\n" DEVICE_NOTE,
     nullptr, true},
};
#undef DEVICE_NOTE

const Command* findCommand(std::string_view name) {
    for (const Command& c : kCommands)
        if (c.name == name) return &c;
    return nullptr;
}

void printProgramHelp(std::ostream& out) {
    out << kProgramHelp;
    for (const Command& c : kCommands) {
        out << "  " << c.name << std::string(10 - c.name.size(), ' ') << c.summary << "\n";
    }
    out << "  help      explain a command\n";
}

}  // namespace

std::string errorLine(std::string_view reason) {
    return "velorctl: " + printableText(reason) + "\n";
}

int Io::fail(std::string_view message) const {
    err << errorLine(message);
    return kExitBadInput;
}

Result<const ModelDescriptor*> slotOption(const Options& options) {
    using R = Result<const ModelDescriptor*>;
    const auto text = options.value("slot");
    if (!text) return R::failure("--slot is required");
    int slot = 0;
    const auto [end, ec] = std::from_chars(text->data(), text->data() + text->size(), slot);
    if (ec != std::errc() || end != text->data() + text->size() || slot < kFirstSlot ||
        slot > kLastSlot)
        return R::failure("--slot must be a number from 1 to 10, not '" + std::string(*text) + "'");
    const ModelDescriptor* model = supportedDescriptor(slot);
    if (!model) return R::failure("slot " + std::to_string(slot) + " is not supported yet");
    return model;
}

int runVelorctl(std::span<const std::string_view> args, std::ostream& out, std::ostream& err) {
    Io io{out, err};
    while (!args.empty() && (args.front() == "-v" || args.front() == "--verbose")) {
        io.verbose = true;
        args = args.subspan(1);
    }
    if (args.empty()) {
        printProgramHelp(err);
        return kExitBadInput;
    }
    const std::string_view name = args.front();
    if (name == "--version") {
        out << "velorctl " VELOR_VERSION_TEXT "\n";
        return kExitOk;
    }
    if (name == "--help" || name == "-h") {
        printProgramHelp(out);
        return kExitOk;
    }
    if (name == "help") {
        if (args.size() == 1) {
            printProgramHelp(out);
            return kExitOk;
        }
        if (args.size() > 2) return io.fail("help takes one command name");
        if (args[1] == "help") {
            out << "usage: velorctl help COMMAND\n\nExplains a command.\n";
            return kExitOk;
        }
        const Command* c = findCommand(args[1]);
        if (!c) return io.fail("unknown command '" + std::string(args[1]) + "'");
        out << c->help;
        return kExitOk;
    }
    const Command* c = findCommand(name);
    if (!c) return io.fail("unknown command '" + std::string(name) + "' (see velorctl --help)");
    const auto rest = args.subspan(1);
    for (const std::string_view a : rest) {
        if (a == "--help") {
            out << c->help;
            return kExitOk;
        }
    }
    if (c->device) return runDeviceCommandLine(name, rest, io);
    return c->run(rest, io);
}

}  // namespace velor::cli
