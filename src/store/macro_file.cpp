#include "store/macro_file.h"

#include "platform/file_io.h"
#include "profile/record_layout.h"
#include "store/name_rules.h"
#include "util/utf8_path.h"

namespace velor {

bool exportMacro(const MacroRecord& macro, const std::filesystem::path& file, std::string* error) {
    FileError writeError;
    if (writeFileAtomically(file, macro.bytes(), &writeError, NewFileAccess::asUmaskAllows))
        return true;
    if (error) *error = writeError.message;
    return false;
}

Result<int> importMacro(MacroList& macros, const std::filesystem::path& file) {
    using R = Result<int>;
    constexpr std::uintmax_t kReadLimit = 1 << 16;
    FileError readError;
    const auto bytes = readWholeFile(file, kReadLimit, &readError);
    if (!bytes) return R::failure(readError.message);
    auto macro = MacroRecord::fromBytes(*bytes);
    if (!macro)
        return R::failure(utf8FromPath(file) + ": is " + std::to_string(bytes->size()) +
                          " bytes, but a macro is " + std::to_string(kMacroRecordSize));
    if (!macro->name())
        return R::failure(utf8FromPath(file) + ": the macro name has no terminator");
    if (macro->actionCount() < 0 || macro->actionCount() > kMacroActionCapacity)
        return R::failure(utf8FromPath(file) + ": action count " +
                          std::to_string(macro->actionCount()) + " is outside 0.." +
                          std::to_string(kMacroActionCapacity));
    std::vector<MacroAction> actions;
    for (int i = 0; i < macro->actionCount(); ++i) actions.push_back(macro->action(i));
    // Renaming or keeping it later would fail where the user no longer sees why.
    if (const auto tooLong = macroTooLong(actions))
        return R::failure(utf8FromPath(file) + ": " + *tooLong);
    macro->setName(uniqueName(macros.names(), *macro->name(), kMacroNameLimit));
    macros.records.push_back(std::move(*macro));
    return static_cast<int>(macros.records.size()) - 1;
}

}  // namespace velor
