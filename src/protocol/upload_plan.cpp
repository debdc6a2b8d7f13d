#include "protocol/upload_plan.h"

#include "profile/function_table.h"
#include "protocol/report_builders.h"

namespace velor {

ReportGroups ReportGroups::all() {
    ReportGroups g{true, true, true, true, {}};
    g.macro.fill(true);
    return g;
}

std::vector<PlannedReport> planUpload(const ProfileRecord& record, const ReportGroups& groups) {
    std::vector<PlannedReport> plan;
    plan.push_back({"opening", buildOpening()});
    if (groups.dpi) plan.push_back({"dpi", buildDpi(record)});
    if (groups.lighting) plan.push_back({"lighting", buildLighting(record)});
    if (groups.polling) plan.push_back({"polling", buildPolling(record)});
    if (groups.buttons) plan.push_back({"buttons", buildButtons(record)});
    for (int j = 1; j <= kButtonCount; ++j) {
        if (groups.macro[static_cast<std::size_t>(j - 1)] &&
            record.button(j - 1).function() == function::kMacro)
            plan.push_back({"macro:" + std::to_string(j), buildMacro(record, j)});
    }
    return plan;
}

}  // namespace velor
