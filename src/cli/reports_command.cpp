#include <iomanip>

#include "cli/command.h"
#include "profile/record_defaults.h"
#include "protocol/upload_plan.h"
#include "store/profile_file.h"

namespace velor::cli {

namespace {

constexpr OptionSpec kOptions[] = {{"slot", true}, {"profile", true}, {"defaults", false}};

void printHex(std::ostream& out, std::span<const std::uint8_t> bytes) {
    static constexpr char kDigits[] = "0123456789abcdef";
    for (const std::uint8_t b : bytes) out << kDigits[b >> 4] << kDigits[b & 0x0F];
}

}  // namespace

int runReports(std::span<const std::string_view> args, const Io& io) {
    const auto options = Options::parse(args, kOptions);
    if (!options) return io.fail(options.error());
    const auto model = slotOption(*options);
    if (!model) return io.fail(model.error());
    if (options->has("profile") == options->has("defaults"))
        return io.fail("give either --profile FILE or --defaults");

    Result<ProfileRecord> record = newRecord((*model)->record, u"Profile1");
    if (const auto path = options->value("profile")) record = readProfileFile(**model, *path);
    if (!record) return io.fail(record.error());

    for (const PlannedReport& p : planUpload(*record, ReportGroups::all())) {
        io.out << p.name << ' ';
        printHex(io.out, p.report.bytes());
        io.out << '\n';
    }
    return kExitOk;
}

}  // namespace velor::cli
