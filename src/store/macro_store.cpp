#include "store/macro_store.h"

#include "platform/file_io.h"
#include "profile/record_layout.h"
#include "store/damaged_file.h"
#include "store/name_rules.h"
#include "store/stored_texts.h"
#include "util/utf8_path.h"

namespace velor {

namespace {

// Far more macros than anyone keeps; refuses to read junk whole.
constexpr std::uintmax_t kMaxMacroBytes = std::uintmax_t{64} << 20;

// Problems of one record; mended in place so the rest of the program can
// rely on a terminated name and a count within the action block.
void checkAndRepair(MacroRecord& macro, std::size_t number, std::vector<std::string>& problems) {
    const std::string which = "macro " + std::to_string(number);
    if (!macro.name()) {
        problems.push_back(which + ": the name has no terminator in its array");
        macro.terminateName();
    }
    if (macro.actionCount() < 0 || macro.actionCount() > kMacroActionCapacity) {
        problems.push_back(which + ": action count " + std::to_string(macro.actionCount()) +
                           " is outside 0.." + std::to_string(kMacroActionCapacity));
        macro.setActionCount(std::clamp(macro.actionCount(), 0, kMacroActionCapacity));
    }
}

}  // namespace

std::vector<std::u16string> MacroList::names() const {
    std::vector<std::u16string> result;
    result.reserve(records.size());
    for (const MacroRecord& m : records) result.push_back(m.name().value_or(u""));
    return result;
}

int MacroList::find(std::u16string_view name) const {
    for (std::size_t i = 0; i < records.size(); ++i)
        if (sameNameIgnoringCase(records[i].name().value_or(u""), name)) return static_cast<int>(i);
    return -1;
}

std::filesystem::path macroStorePath(const ModelDescriptor& model, const std::string& dataFolder) {
    return pathFromUtf8(dataFolder) / pathFromUtf8(model.dataFolder) / kMacroStoreName;
}

MacroLoadReport loadMacros(MacroList& list, const ModelDescriptor& model,
                           const std::string& dataFolder, const DebugSink& debug,
                           const std::string& holdSaves) {
    MacroLoadReport report;
    list = MacroList{};
    list.savesBlocked = holdSaves;
    const std::filesystem::path path = macroStorePath(model, dataFolder);
    if (holdSaves.empty()) removeCutOffSaves(path);
    std::error_code ec;
    if (!std::filesystem::exists(path, ec)) return report;

    FileError error;
    const auto bytes = readWholeFile(path, kMaxMacroBytes, &error);
    if (!bytes) {
        report.unreadable = error.message;
        list.savesBlocked = error.message;
    } else {
        const std::span<const std::uint8_t> all(*bytes);
        if (all.size() % kMacroRecordSize != 0)
            report.problems.push_back(
                "the file is " + std::to_string(all.size()) + " bytes, not whole macros; " +
                std::to_string(all.size() % kMacroRecordSize) + " trailing bytes were left out");
        for (std::size_t at = 0; at + kMacroRecordSize <= all.size(); at += kMacroRecordSize) {
            MacroRecord macro = *MacroRecord::fromBytes(all.subspan(at, kMacroRecordSize));
            checkAndRepair(macro, list.records.size() + 1, report.problems);
            list.records.push_back(std::move(macro));
        }
        if (!report.problems.empty() && holdSaves.empty()) {
            std::string copyError;
            report.keptAside = keepDamagedCopy(path, &copyError);
            if (report.keptAside.empty()) {
                report.problems.push_back("the damaged file could not be kept aside: " + copyError);
                list.savesBlocked = report.problems.back();
            } else {
                saveMacros(list, model, dataFolder);
            }
        }
    }
    const DebugSink log = debug ? debug : defaultDebugSink();
    if (!report.unreadable.empty()) log(report.unreadable);
    for (const std::string& p : report.problems) log(utf8FromPath(path) + ": " + p);
    return report;
}

bool saveMacros(const MacroList& list, const ModelDescriptor& model, const std::string& dataFolder,
                std::string* error) {
    const std::filesystem::path path = macroStorePath(model, dataFolder);
    if (!list.savesBlocked.empty()) {
        if (error) *error = utf8FromPath(path) + " is not replaced: " + list.savesBlocked;
        return false;
    }
    std::vector<std::uint8_t> bytes;
    bytes.reserve(list.records.size() * kMacroRecordSize);
    for (const MacroRecord& m : list.records)
        bytes.insert(bytes.end(), m.bytes().begin(), m.bytes().end());
    makePrivateFolders(path.parent_path());
    FileError writeError;
    if (writeFileAtomically(path, bytes, &writeError)) return true;
    if (error) *error = writeError.message;
    return false;
}

MacroRecord& addMacro(MacroList& list, const TextLookup& texts) {
    std::u16string base = storedText(texts, "add_macro_text");
    for (const char c : std::to_string(list.records.size() + 1)) base += static_cast<char16_t>(c);
    list.records.push_back(MacroRecord::named(uniqueName(list.names(), base, kMacroNameLimit)));
    return list.records.back();
}

}  // namespace velor
