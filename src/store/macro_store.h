// A slot's macros: the list in memory and its file "<data>/ms_<n>/macro.data"
// (240-byte records back to back, no header). Saves are atomic; a damaged
// file is kept aside, never overwritten. Used on the UI thread only.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "models/model_descriptor.h"
#include "platform/debug_output.h"
#include "store/macro_record.h"
#include "util/text_lookup.h"

namespace velor {

inline constexpr const char* kMacroStoreName = "macro.data";

struct MacroList {
    std::vector<MacroRecord> records;
    std::string savesBlocked;  // set when the file on disk must not be replaced

    std::vector<std::u16string> names() const;
    // The index of the first macro of that name (any case), or -1.
    int find(std::u16string_view name) const;
};

std::filesystem::path macroStorePath(const ModelDescriptor& model, const std::string& dataFolder);

struct MacroLoadReport {
    std::vector<std::string> problems;  // the file was damaged
    std::string unreadable;             // there is a file we could not read: why
    std::filesystem::path keptAside;
};

// A missing file gives an empty list and creates nothing. With holdSaves
// (the reason) the file is read only: nothing is written now or by a later
// save of the list.
MacroLoadReport loadMacros(MacroList& list, const ModelDescriptor& model,
                           const std::string& dataFolder, const DebugSink& debug = {},
                           const std::string& holdSaves = {});
bool saveMacros(const MacroList& list, const ModelDescriptor& model, const std::string& dataFolder,
                std::string* error = nullptr);

// Appends "add_macro_text" followed by N + 1, made unique (23 units at most);
// the caller saves the list.
MacroRecord& addMacro(MacroList& list, const TextLookup& texts);

}  // namespace velor
