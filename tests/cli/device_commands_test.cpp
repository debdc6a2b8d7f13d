// velorctl's device commands on their own (no program running): simulated
// mice found on the cable and behind receivers, the slot's store lock, exit
// codes; the wire format of the program's control socket; battery notices.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <unistd.h>

#include <mutex>
#include <sstream>

#include "../support/standalone_commands.h"
#include "../support/temp_folder.h"
#include "../support/test_records.h"
#include "cli/standalone_host.h"
#include "cli/velorctl.h"
#include "device/battery_notices.h"
#include "platform/file_io.h"
#include "platform/store_lock.h"
#include "sim/sim_backend.h"
#include "store/profile_store.h"
#include "util/control_wire.h"
#include "util/virtual_clock.h"

namespace velor::cli {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

using testing::Answer;

class DeviceCommandsTest : public testing::StandaloneCommandsTest {
  protected:
    std::string profileFile(const char16_t* name) {
        const std::string path = temp.folder() + "p.pro";
        ProfileRecord r = newRecord(descriptorFor(10)->record, name);
        r.set(Field::dpiLevel, 4);
        EXPECT_TRUE(writeFileAtomically(path, r.bytes()));
        return path;
    }
};

TEST_F(DeviceCommandsTest, DevicesListsTheCableAndTheReceiversMice) {
    backend.plugWiredMouse(*descriptorFor(1));
    sim::SimMouse& wireless = backend.plugReceiver(*descriptorFor(10));
    wireless.setBattery(42);
    const Answer text = run({"devices"});
    EXPECT_EQ(text.code, 0);
    EXPECT_EQ(text.out, "1\tMS-1\twired\t-\tcharging\n10\tMS-10\t24g\t42%\t-\n");
    const Answer json = run({"devices", "--json"});
    EXPECT_EQ(
        json.out,
        "[{\"slot\":1,\"model\":\"MS-1\",\"links\":[\"wired\"],\"battery\":null,\"charging\":true},"
        "{\"slot\":10,\"model\":\"MS-10\",\"links\":[\"24g\"],\"battery\":42,\"charging\":false}]"
        "\n");
}

TEST_F(DeviceCommandsTest, ApplyImportsTheFileSendsItWholeAndStoresIt) {
    sim::SimMouse& mouse = backend.plugReceiver(*descriptorFor(10));
    std::vector<std::string> frames;
    backend.setTraceSink([&](std::string_view link, int slot, std::span<const std::uint8_t> f) {
        frames.push_back(std::string(link) + " " + std::to_string(slot) + " " +
                         std::to_string(f[0]));
    });
    const Answer r = run({"apply", "--slot", "10", "--profile", profileFile(u"Game")});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, "slot 10 holds profile 1 (Game)\n");
    // Opening, DPI, lighting, polling, buttons: each once, acknowledged.
    EXPECT_THAT(frames, ElementsAre("24g 10 12", "24g 10 4", "24g 10 5", "24g 10 6", "24g 10 8"));
    ASSERT_TRUE(mouse.settings().dpi.has_value());
    EXPECT_EQ(mouse.settings().dpi->currentLevel, 5);
    // Paced as the window paces: 500 ms for the acknowledgement, 500 ms after.
    EXPECT_EQ(clock.now().count(), 5 * 1000);

    const auto stored =
        readProfileStore(*descriptorFor(10), profileStorePath(*descriptorFor(10), temp.folder()));
    ASSERT_TRUE(stored.has_value());
    EXPECT_EQ(stored->records.size(), 2u);
    EXPECT_EQ(stored->currentIndex, 1);
    const Answer status = run({"status", "--slot", "10"});
    EXPECT_THAT(status.out, HasSubstr("profile\t1\tGame\n"));
    // The first profile again by its index, 0: the mouse holds its level again.
    const Answer first = run({"apply", "--slot", "10", "--index", "0"});
    EXPECT_EQ(first.code, 0) << first.err;
    EXPECT_THAT(first.out, HasSubstr("slot 10 holds profile 0 ("));
    EXPECT_EQ(mouse.settings().dpi->currentLevel, 2);

    // A name may hold anything (here a tab, a line end, a screen clear): the
    // JSON of it stays one valid string, and plain output one field that
    // acts on no terminal, in the apply's answer, the status and the list.
    const Answer odd = run({"apply", "--slot", "10", "--profile",
                            profileFile(u"q\"b\\t\t\x1b[2J\n\x1f\x7f\u00e9\u202e")});
    const std::string shown = "q\"b\\t\\t\\x1b[2J\\n\\x1f\\x7f\xc3\xa9\\u202e";
    EXPECT_EQ(odd.out, "slot 10 holds profile 2 (" + shown + ")\n");
    EXPECT_EQ(run({"status", "--slot", "10", "--json"}).out,
              "{\"slot\":10,\"model\":\"MS-10\",\"links\":[\"24g\"],\"battery\":80,"
              "\"charging\":false,\"profile\":{\"index\":2,"
              "\"name\":\"q\\\"b\\\\t\\u0009\\u001b[2J\\u000a\\u001f\x7f\xc3\xa9\xe2\x80\xae\"},"
              "\"settings\":{\"dpi_level\":5,\"dpi\":3200,\"polling\":1000,\"lighting\":0,"
              "\"sleep_minutes\":10}}\n");
    EXPECT_THAT(run({"status", "--slot", "10"}).out,
                HasSubstr("\nprofile\t2\t" + shown + "\ndpi_level\t5\n"));
    std::ostringstream listed, errors;
    const std::string data = temp.folder();
    const std::string_view list[] = {"profiles", "list", "--slot", "10", "--data", data};
    EXPECT_EQ(runVelorctl(list, listed, errors), 0) << errors.str();
    EXPECT_THAT(listed.str(), HasSubstr("\n2 * " + shown + "\n"));
}

TEST_F(DeviceCommandsTest, SetSendsOnlyWhatChanged) {
    backend.plugWiredMouse(*descriptorFor(3));
    std::vector<int> commands;
    backend.setTraceSink(
        [&](std::string_view, int, std::span<const std::uint8_t> f) { commands.push_back(f[0]); });
    EXPECT_EQ(run({"set", "--slot", "3", "--polling", "500"}).code, 0);
    EXPECT_THAT(commands, ElementsAre(0x0C, 0x06));  // opening, polling
}

TEST_F(DeviceCommandsTest, ExitCodesSayWhoseFaultItIs) {
    backend.plugReceiver(*descriptorFor(10));
    // Each setting's edges: the first and last value reach the mouse, one
    // past them is bad input (2) and leaves the mouse as it was.
    struct Edge {
        const char* option;
        const char* value;
        int code;
        int onMouse;  // the level, or the polling code, the mouse then holds
    };
    const Edge edges[] = {
        {"--dpi-level", "1", kExitOk, 1},     {"--dpi-level", "0", kExitBadInput, 1},
        {"--dpi-level", "8", kExitOk, 8},     {"--dpi-level", "9", kExitBadInput, 8},
        {"--polling", "125", kExitOk, 0x08},  {"--polling", "8000", kExitBadInput, 0x08},
        {"--polling", "1000", kExitOk, 0x01}, {"--polling", "2000", kExitBadInput, 0x01},
    };
    const sim::SimMouse& ten = *backend.mouseAt(10, "24g");
    for (const Edge& e : edges) {
        EXPECT_EQ(run({"set", "--slot", "10", e.option, e.value}).code, e.code) << e.value;
        if (std::string_view(e.option) == "--polling")
            EXPECT_EQ(ten.settings().pollingCode, e.onMouse) << e.value;
        else
            EXPECT_EQ(ten.settings().dpi->currentLevel, e.onMouse) << e.value;
    }
    EXPECT_EQ(run({"apply", "--slot", "10"}).code, kExitBadInput);
    EXPECT_EQ(run({"apply", "--slot", "10", "--index", "7"}).code, kExitBadInput);
    const std::string notAProfile = temp.folder() + "bad.pro";
    ASSERT_TRUE(writeFileAtomically(notAProfile, std::vector<std::uint8_t>(10, 1)));
    EXPECT_EQ(run({"apply", "--slot", "10", "--profile", notAProfile}).code, kExitBadInput);
    // A bare file name would be found in whatever folder the host runs in.
    const Answer relative = run({"apply", "--slot", "10", "--profile", "p.pro"});
    EXPECT_EQ(relative.code, kExitBadInput);
    EXPECT_EQ(relative.err, "velorctl: the profile file must be given by its full path\n");
    // A profile of slot 10 has the length of one of slot 3, not its values:
    // refused, naming what does not fit, and the mouse is sent nothing.
    const sim::SimMouse& three = backend.plugWiredMouse(*descriptorFor(3));
    const Answer other = run({"apply", "--slot", "3", "--profile", profileFile(u"Game")});
    EXPECT_EQ(other.code, kExitBadInput);
    EXPECT_THAT(other.err, HasSubstr("not a profile of slot 3: lightParam is 10"));
    EXPECT_FALSE(three.settings().dpi.has_value());
    // No such mouse: 1, with one line saying so.
    const Answer absent = run({"status", "--slot", "4"});
    EXPECT_EQ(absent.code, kExitDevice);
    EXPECT_EQ(absent.err, "velorctl: no mouse of slot 4 is connected\n");
    // A mouse that takes nothing: 1.
    backend.mouseAt(10, "24g")->rejectNext(100);
    backend.mouseAt(10, "24g")->setSilent(true);
    const Answer refused = run({"set", "--slot", "10", "--dpi-level", "3"});
    EXPECT_EQ(refused.code, kExitDevice);
    EXPECT_THAT(refused.err, HasSubstr("did not take every report"));
}

TEST_F(DeviceCommandsTest, AHeldStoreLockIsWaitedForAWhileAndItsHolderNamed) {
    backend.plugWiredMouse(*descriptorFor(10));
    const std::string folder = temp.folder() + "ms_10";
    std::string error;
    auto held = StoreLock::acquire(folder, &error);
    ASSERT_NE(held, nullptr) << error;
    // Held throughout: refused after five seconds, naming this test's process.
    const Answer blocked = run({"set", "--slot", "10", "--dpi-level", "2"});
    EXPECT_EQ(blocked.code, kExitDevice);
    // The program's name as the system keeps it (cut to 15 characters on Linux).
    EXPECT_THAT(blocked.err, ::testing::StartsWith("velorctl: the profiles in " + folder +
                                                   " are in use by velor_core_test"));
    EXPECT_THAT(blocked.err,
                ::testing::EndsWith(" (process " + std::to_string(::getpid()) + ")\n"));
    EXPECT_EQ(clock.now().count(), 5000);
    EXPECT_EQ(backend.mouseAt(10, "wired")->trace().size(), 0u);
    // Let go of two seconds into the wait: the command runs and the mouse has it.
    std::once_flag letGo;
    clock.onSleep = [&](Millis) {
        if (clock.now().count() >= 7000) std::call_once(letGo, [&] { held.reset(); });
    };
    const Answer waited = run({"set", "--slot", "10", "--dpi-level", "5"});
    EXPECT_EQ(waited.code, 0) << waited.err;
    ASSERT_TRUE(backend.mouseAt(10, "wired")->settings().dpi.has_value());
    EXPECT_EQ(backend.mouseAt(10, "wired")->settings().dpi->currentLevel, 5);
}

TEST(ControlWire, RequestsAndAnswersTravelWholeAndBadOnesAreRefused) {
    const std::string request = encodeRequest({"apply", "--slot", "10"});
    EXPECT_EQ(request.substr(0, 8), std::string("\x03\x00\x00\x00\x05\x00\x00\x00", 8));
    bool bad = false;
    EXPECT_FALSE(decodeRequest(request.substr(0, request.size() - 1), &bad).has_value());
    EXPECT_FALSE(bad);  // only short
    const auto whole = decodeRequest(request, &bad);
    ASSERT_TRUE(whole.has_value());
    EXPECT_THAT(whole->args, ElementsAre("apply", "--slot", "10"));
    EXPECT_EQ(whole->used, request.size());

    decodeRequest(std::string("\x41\x00\x00\x00", 4), &bad);  // 65 arguments
    EXPECT_TRUE(bad);
    bad = false;
    decodeRequest(std::string("\x01\x00\x00\x00\x01\x10\x00\x00", 8), &bad);  // 4097 bytes
    EXPECT_TRUE(bad);

    const std::string answer = encodeAnswer({1, "out", "err\n"});
    EXPECT_FALSE(decodeAnswer(answer.substr(0, 9)).has_value());
    const auto back = decodeAnswer(answer);
    ASSERT_TRUE(back.has_value());
    EXPECT_EQ(back->exitCode, 1);
    EXPECT_EQ(back->out, "out");
    EXPECT_EQ(back->err, "err\n");
}

TEST(BatteryNotices, LowAndVeryLowOncePerDischargeAndChargedAfterCharging) {
    BatteryNotices n;
    using P = PowerState;
    EXPECT_FALSE(n.onPower(10, P::OnBattery, 80));
    EXPECT_EQ(n.onPower(10, P::OnBattery, 15), BatteryNotice::Low);
    EXPECT_FALSE(n.onPower(10, P::OnBattery, 14));
    EXPECT_FALSE(n.onPower(10, P::OnBattery, 16));  // a wobble is not a new discharge
    EXPECT_FALSE(n.onPower(10, P::OnBattery, 15));
    EXPECT_EQ(n.onPower(10, P::OnBattery, 5), BatteryNotice::VeryLow);
    EXPECT_FALSE(n.onPower(10, P::OnBattery, 4));
    EXPECT_FALSE(n.onPower(3, P::OnBattery, 50));  // each slot its own
    EXPECT_FALSE(n.onPower(10, P::Charging, std::nullopt));
    EXPECT_EQ(n.onPower(10, P::Full, std::nullopt), BatteryNotice::Charged);
    EXPECT_FALSE(n.onPower(10, P::Full, std::nullopt));                 // told once
    EXPECT_EQ(n.onPower(10, P::OnBattery, 3), BatteryNotice::VeryLow);  // a new discharge
    EXPECT_FALSE(n.onPower(10, P::OnBattery, 12));
    EXPECT_FALSE(n.onPower(11, P::OnBattery, 1));
}

}  // namespace
}  // namespace velor::cli
