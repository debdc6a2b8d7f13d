#include "store/profile_transfer.h"

#include <utility>

#include "platform/file_io.h"
#include "profile/function_table.h"
#include "store/name_rules.h"
#include "store/profile_file.h"
#include "store/profile_fit.h"
#include "util/utf8_path.h"

namespace velor {

bool exportProfile(const ProfileList& profiles, const std::filesystem::path& file,
                   std::string* error) {
    std::vector<std::uint8_t> bytes;
    {
        const std::lock_guard guard(profiles.lock());
        bytes.assign(std::as_const(profiles).current().bytes().begin(),
                     std::as_const(profiles).current().bytes().end());
    }
    FileError writeError;
    if (writeFileAtomically(file, bytes, &writeError, NewFileAccess::asUmaskAllows)) return true;
    if (error) *error = writeError.message;
    return false;
}

Result<ProfileImport> readProfileImport(const ProfileList& profiles, const MacroList& macros,
                                        const std::filesystem::path& file) {
    {
        const std::lock_guard guard(profiles.lock());
        if (profiles.full()) return Result<ProfileImport>::failure(profiles.fullReason());
    }
    auto read = readProfileFile(profiles.model(), file);
    if (!read) return Result<ProfileImport>::failure(read.error());
    ProfileRecord record = std::move(*read);
    // Every macro the file carries must fit the mouse before anything changes.
    for (int k = 0; k < kButtonCount; ++k) {
        const ConstButtonSlot slot = std::as_const(record).button(k);
        if (slot.function() != function::kMacro) continue;
        std::vector<MacroAction> actions;
        for (int i = 0; i < slot.macroActionCount(); ++i) actions.push_back(slot.action(i));
        if (const auto tooLong = macroTooLong(actions))
            return Result<ProfileImport>::failure(utf8FromPath(file) + ": button " +
                                                  std::to_string(k + 1) + ": " + *tooLong);
    }

    std::vector<std::string> notes = mendEmptyLevels(profiles.model(), record);
    for (std::string& line : outsideTheWindow(profiles.model(), record))
        notes.push_back(std::move(line));

    std::vector<std::u16string> names;
    {
        const std::lock_guard guard(profiles.lock());
        names = profiles.names();
    }
    record.setName(uniqueName(names, *record.name(), kProfileNameLimit));

    MacroList after = macros;
    int created = 0;
    for (int k = 0; k < kButtonCount; ++k) {
        ButtonSlot slot = record.button(k);
        if (slot.function() != function::kMacro) continue;
        const std::u16string name = uniqueName(after.names(), *slot.macroName(), kMacroNameLimit);
        after.records.push_back(macroFromSlot(slot, name));
        slot.setMacroName(name);
        slot.set(SlotField::macroIndex, static_cast<std::int64_t>(after.records.size()) - 1);
        ++created;
    }
    return ProfileImport{std::move(record), std::move(after), created, std::move(notes)};
}

ImportOutcome takeProfileImport(ProfileList& profiles, MacroList& macros, ProfileImport taken) {
    macros = std::move(taken.macros);
    return {profiles.append(std::move(taken.record)), taken.macrosCreated, std::move(taken.notes)};
}

Result<ImportOutcome> importProfile(ProfileList& profiles, MacroList& macros,
                                    const std::filesystem::path& file) {
    auto read = readProfileImport(profiles, macros, file);
    if (!read) return Result<ImportOutcome>::failure(read.error());
    return takeProfileImport(profiles, macros, std::move(*read));
}

}  // namespace velor
