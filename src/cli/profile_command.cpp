#include <filesystem>

#include "cli/command.h"
#include "platform/file_io.h"
#include "profile/record_defaults.h"
#include "util/utf16.h"
#include "util/utf8_path.h"

namespace velor::cli {

namespace {

constexpr OptionSpec kNewOptions[] = {
    {"slot", true}, {"name", true}, {"out", true}, {"force", false}};

int runNew(std::span<const std::string_view> args, const Io& io) {
    const auto options = Options::parse(args, kNewOptions);
    if (!options) return io.fail(options.error());
    const auto model = slotOption(*options);
    if (!model) return io.fail(model.error());
    const auto nameText = options->value("name");
    const auto out = options->value("out");
    if (!nameText) return io.fail("--name is required");
    if (!out) return io.fail("--out is required");

    const auto name = utf8ToUtf16(*nameText);
    if (!name) return io.fail("--name is not valid UTF-8");
    if (name->empty()) return io.fail("--name must not be empty");
    if (name->find(u'\0') != std::u16string::npos) return io.fail("--name must not contain NUL");
    if (name->size() >= kProfileNameUnits)
        return io.fail("--name is " + std::to_string(name->size()) +
                       " UTF-16 code units long; a profile name holds at most " +
                       std::to_string(kProfileNameUnits - 1));

    const std::filesystem::path path = pathFromUtf8(*out);
    std::error_code ec;
    if (std::filesystem::exists(path, ec) && !options->has("force"))
        return io.fail(utf8FromPath(path) + " exists; add --force to replace it");

    const ProfileRecord record = newRecord((*model)->record, *name);
    FileError error;
    if (!writeFileAtomically(path, record.bytes(), &error, NewFileAccess::asUmaskAllows))
        return io.fail(error.message);
    return kExitOk;
}

}  // namespace

int runProfile(std::span<const std::string_view> args, const Io& io) {
    if (args.empty()) return io.fail("profile needs a subcommand: new or use");
    if (args.front() == "new") return runNew(args.subspan(1), io);
    if (args.front() == "use") return runDeviceCommandLine("profile", args, io);
    return io.fail("unknown profile subcommand '" + std::string(args.front()) + "'");
}

}  // namespace velor::cli
