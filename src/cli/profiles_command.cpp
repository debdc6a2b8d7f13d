#include <charconv>
#include <filesystem>

#include "cli/command.h"
#include "platform/app_folders.h"
#include "platform/file_io.h"
#include "store/profile_store.h"
#include "util/printable.h"
#include "util/utf16.h"
#include "util/utf8_path.h"

namespace velor::cli {

namespace {

constexpr OptionSpec kListOptions[] = {{"slot", true}, {"data", true}};
constexpr OptionSpec kExportOptions[] = {
    {"slot", true}, {"data", true}, {"index", true}, {"out", true}, {"force", false}};

struct Store {
    const ModelDescriptor* model;
    std::filesystem::path path;
    StoreContents contents;
};

// Reads the store named by --slot and --data; on failure prints the error and
// sets the exit code.
std::optional<Store> openStore(const Options& options, const Io& io, int& exitCode) {
    exitCode = kExitBadInput;
    const auto model = slotOption(options);
    if (!model) {
        io.fail(model.error());
        return std::nullopt;
    }
    std::string folder =
        options.value("data") ? std::string(*options.value("data")) : existingAppDataFolder();
    if (folder.empty() || folder.back() != '/') folder += '/';
    const auto path = profileStorePath(**model, folder);
    StoreReadError error = StoreReadError::None;
    auto contents = readProfileStore(**model, path, &error);
    if (!contents) {
        io.fail(utf8FromPath(path) + (error == StoreReadError::Missing ? ": no profile store here"
                                                                       : ": cannot be read"));
        return std::nullopt;
    }
    exitCode = kExitOk;
    return Store{*model, path, std::move(*contents)};
}

int runList(std::span<const std::string_view> args, const Io& io) {
    const auto options = Options::parse(args, kListOptions);
    if (!options) return io.fail(options.error());
    int code = kExitOk;
    const auto store = openStore(*options, io, code);
    if (!store) return code;
    for (const std::string& p : store->contents.problems) io.err << errorLine("warning: " + p);
    for (std::size_t i = 0; i < store->contents.records.size(); ++i) {
        io.out << i << ' ' << (static_cast<int>(i) == store->contents.currentIndex ? '*' : '-')
               << ' ' << printableText(utf16ToUtf8(store->contents.records[i].name().value_or(u"")))
               << '\n';
    }
    return kExitOk;
}

int runExport(std::span<const std::string_view> args, const Io& io) {
    const auto options = Options::parse(args, kExportOptions);
    if (!options) return io.fail(options.error());
    const auto indexText = options->value("index");
    const auto out = options->value("out");
    if (!indexText) return io.fail("--index is required");
    if (!out) return io.fail("--out is required");
    int code = kExitOk;
    const auto store = openStore(*options, io, code);
    if (!store) return code;
    if (store->contents.records.empty())
        return io.fail(utf8FromPath(store->path) + ": holds no profile");
    std::size_t index = 0;
    const auto [end, ec] =
        std::from_chars(indexText->data(), indexText->data() + indexText->size(), index);
    if (ec != std::errc() || end != indexText->data() + indexText->size() ||
        index >= store->contents.records.size())
        return io.fail("--index must be 0 to " +
                       std::to_string(store->contents.records.size() - 1) + ", not '" +
                       std::string(*indexText) + "'");
    const std::filesystem::path file = pathFromUtf8(*out);
    std::error_code exists;
    if (std::filesystem::exists(file, exists) && !options->has("force"))
        return io.fail(std::string(*out) + " exists; add --force to replace it");
    FileError error;
    if (!writeFileAtomically(file, store->contents.records[index].bytes(), &error,
                             NewFileAccess::asUmaskAllows))
        return io.fail(error.message);
    return kExitOk;
}

int runCheck(std::span<const std::string_view> args, const Io& io) {
    const auto options = Options::parse(args, kListOptions);
    if (!options) return io.fail(options.error());
    int code = kExitOk;
    const auto store = openStore(*options, io, code);
    if (!store) return code;
    if (store->contents.problems.empty()) {
        io.out << "ok\n";
        return kExitOk;
    }
    for (const std::string& p : store->contents.problems) io.out << printableText(p) << '\n';
    return 1;
}

}  // namespace

int runProfiles(std::span<const std::string_view> args, const Io& io) {
    if (args.empty()) return io.fail("profiles needs a subcommand: list, export or check");
    const auto rest = args.subspan(1);
    if (args.front() == "list") return runList(rest, io);
    if (args.front() == "export") return runExport(rest, io);
    if (args.front() == "check") return runCheck(rest, io);
    return io.fail("unknown profiles subcommand '" + std::string(args.front()) + "'");
}

}  // namespace velor::cli
