#include "protocol/upload_plan.h"

#include "profile/function_table.h"
#include "protocol/report_builders.h"

namespace velor {

ReportGroups ReportGroups::all() {
    ReportGroups g{true, true, true, true, {}};
    g.macro.fill(true);
    return g;
}

void ReportGroups::add(const PlannedReport& report) {
    switch (report.group) {
        case ReportGroup::Opening:
            return;
        case ReportGroup::Dpi:
            dpi = true;
            return;
        case ReportGroup::Lighting:
            lighting = true;
            return;
        case ReportGroup::Polling:
            polling = true;
            return;
        case ReportGroup::Buttons:
            buttons = true;
            return;
        case ReportGroup::Macro:
            if (report.button >= 1 && report.button <= kButtonCount)
                macro[static_cast<std::size_t>(report.button - 1)] = true;
            return;
    }
}

bool ReportGroups::any() const {
    bool some = dpi || lighting || polling || buttons;
    for (const bool m : macro) some |= m;
    return some;
}

ReportGroups& ReportGroups::operator|=(const ReportGroups& other) {
    dpi |= other.dpi;
    lighting |= other.lighting;
    polling |= other.polling;
    buttons |= other.buttons;
    for (std::size_t i = 0; i < macro.size(); ++i) macro[i] = macro[i] || other.macro[i];
    return *this;
}

std::vector<PlannedReport> planUpload(const ProfileRecord& record, const ReportGroups& groups) {
    std::vector<PlannedReport> plan;
    plan.push_back({"opening", buildOpening(), ReportGroup::Opening});
    if (groups.dpi) plan.push_back({"dpi", buildDpi(record), ReportGroup::Dpi});
    if (groups.lighting) plan.push_back({"lighting", buildLighting(record), ReportGroup::Lighting});
    if (groups.polling) plan.push_back({"polling", buildPolling(record), ReportGroup::Polling});
    if (groups.buttons) plan.push_back({"buttons", buildButtons(record), ReportGroup::Buttons});
    for (int j = 1; j <= kButtonCount; ++j) {
        if (groups.macro[static_cast<std::size_t>(j - 1)] &&
            record.button(j - 1).function() == function::kMacro)
            plan.push_back(
                {"macro:" + std::to_string(j), buildMacro(record, j), ReportGroup::Macro, j});
    }
    return plan;
}

}  // namespace velor
