// velorctl's device commands through the running program: its control socket,
// its pages, its stores and its link to a simulated mouse on the cable.
#include <future>

#include <gmock/gmock.h>

#include "app/control_server.h"
#include "app/pages_host.h"
#include "page_fixture.h"
#include "platform/control_client.h"
#include "platform/file_io.h"
#include "profile/record_defaults.h"

namespace velor {
namespace {

class ControlTest : public PageTest {
  protected:
    std::optional<ControlAnswer> ask(std::vector<std::string> args) {
        // velorctl waits in its own process; the program's loop runs meanwhile.
        auto asked = std::async(std::launch::async, [&] { return askRunningProgram(socket, args); });
        waitFor([&] { return asked.wait_for(std::chrono::seconds(0)) == std::future_status::ready; });
        return asked.get();
    }
    const std::string socket = temp.folder() + "control";
};

TEST_F(ControlTest, DeviceCommandsRunInTheProgramAndAnswerWhenDone) {
    EXPECT_FALSE(askRunningProgram(socket, {"devices"}).has_value());  // nobody listens yet
    PagesHost host(*window);
    ControlServer server(QString::fromStdString(socket), host);
    ASSERT_TRUE(server.listening());

    const auto devices = ask({"devices", "--json"});
    ASSERT_TRUE(devices.has_value());
    EXPECT_EQ(devices->exitCode, 0);
    EXPECT_EQ(devices->out, "[{\"slot\":10,\"model\":\"MS-10\",\"links\":[\"wired\"],"
                            "\"battery\":null,\"charging\":true}]\n");

    ProfileRecord game = newRecord(model.record, u"Game");
    game.set(Field::dpiLevel, 6);
    const std::string gameFile = temp.folder() + "game.pro";
    ASSERT_TRUE(writeFileAtomically(gameFile, game.bytes()));
    const std::size_t before = mouse->trace().size();
    const auto applied = ask({"apply", "--slot", "10", "--profile", gameFile});
    ASSERT_TRUE(applied.has_value());
    EXPECT_EQ(applied->exitCode, 0) << applied->err;
    EXPECT_EQ(applied->out, "slot 10 holds profile 1 (Game)\n");
    // The whole profile went to the mouse, and the window shows it.
    EXPECT_EQ(mouse->trace().size() - before, 5u);
    EXPECT_EQ(mouse->settings().dpi->currentLevel, 7);
    EXPECT_EQ(page->profiles().size(), 2u);
    EXPECT_EQ(current().i32(Field::dpiLevel), 6);

    const auto set = ask({"set", "--slot", "10", "--dpi-level", "2"});
    EXPECT_EQ(set->exitCode, 0);
    EXPECT_EQ(mouse->settings().dpi->currentLevel, 2);

    EXPECT_EQ(ask({"status", "--slot", "3"})->exitCode, 1);
    EXPECT_EQ(ask({"set", "--slot", "10", "--polling", "300"})->exitCode, 2);
    const auto notOurs = ask({"reports", "--slot", "10", "--defaults"});
    EXPECT_EQ(notOurs->exitCode, 2);
    EXPECT_EQ(notOurs->err, "velorctl: the program runs only device commands\n");
}

}  // namespace
}  // namespace velor
