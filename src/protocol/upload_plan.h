// Which reports an apply sends and in what order: opening first, then DPI,
// lighting, polling rate, buttons, and one macro report per macro button.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "profile/profile_record.h"
#include "protocol/report.h"

namespace velor {

struct ReportGroups {
    bool dpi = false;
    bool lighting = false;
    bool polling = false;
    bool buttons = false;
    std::array<bool, kButtonCount> macro{};  // button j at index j - 1

    static ReportGroups all();
};

struct PlannedReport {
    std::string name;  // "opening", "dpi", "lighting", "polling", "buttons", "macro:J"
    Report report;
};

// Macro reports go out only for buttons that play a macro (function 17).
std::vector<PlannedReport> planUpload(const ProfileRecord& record, const ReportGroups& groups);

}  // namespace velor
