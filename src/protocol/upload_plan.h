// Which reports an apply sends and in what order: opening first, then DPI,
// lighting, polling rate, buttons, and one macro report per macro button.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "profile/profile_record.h"
#include "protocol/report.h"

namespace velor {

enum class ReportGroup : std::uint8_t { Opening, Dpi, Lighting, Polling, Buttons, Macro };

struct PlannedReport {
    std::string name;  // "opening", "dpi", "lighting", "polling", "buttons", "macro:J"
    Report report;
    ReportGroup group;
    int button = 0;  // 1..18 for a macro report
};

struct ReportGroups {
    bool dpi = false;
    bool lighting = false;
    bool polling = false;
    bool buttons = false;
    std::array<bool, kButtonCount> macro{};  // button j at index j - 1

    static ReportGroups all();
    // Marks the group a planned report belongs to (the opening belongs to none).
    void add(const PlannedReport& report);
    bool any() const;
    ReportGroups& operator|=(const ReportGroups& other);
};

// Macro reports go out only for buttons that play a macro (function 17).
std::vector<PlannedReport> planUpload(const ProfileRecord& record, const ReportGroups& groups);

}  // namespace velor
