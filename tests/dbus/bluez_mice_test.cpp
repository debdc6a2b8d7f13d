// BlueZ as the program meets it, on a real D-Bus: python-dbusmock plays
// bluetoothd with our mice (tests/dbus/bluez_with_mice.py), so every method
// call, signal and error goes over the bus.
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusReply>
#include <QProcess>
#include <QTest>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <future>
#include <thread>

#include "../support/link_fakes.h"
#include "bluez/bluez_mice.h"
#include "device/device_link.h"

namespace velor {
namespace {

using ::testing::ElementsAre;

constexpr std::uint16_t kVendor = 0x045E;
constexpr std::uint16_t kSlot7 = 0x0033;
constexpr std::uint16_t kSlot9 = 0x0035;
const QString kMouse7 = "AA:BB:CC:00:00:07";
// Its path begins with the other's: what is under one is not under the other.
const QString kMouse9 = "AA:BB:CC:00:00:07:09";

class BluezMock {
  public:
    BluezMock() {
        process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process_.start(VELOR_SYSTEM_PYTHON, {"-m", "dbusmock", "--system", "--template",
                                             VELOR_SOURCE_DIR "/tests/dbus/bluez_with_mice.py"});
        running_ = QTest::qWaitFor(
            [] {
                return QDBusConnection::systemBus().interface()->isServiceRegistered("org.bluez");
            },
            10000);
    }
    ~BluezMock() {
        process_.terminate();
        process_.waitForFinished(3000);
    }
    bool running() const { return running_; }

    // A method of the mock's own interface at "/".
    QDBusMessage call(const QString& method, const QVariantList& args = {},
                      const QString& interface = "org.bluez.Mock") {
        QDBusMessage m = QDBusMessage::createMethodCall("org.bluez", "/", interface, method);
        m.setArguments(args);
        const QDBusMessage reply = QDBusConnection::systemBus().call(m);
        EXPECT_EQ(reply.type(), QDBusMessage::ReplyMessage)
            << method.toStdString() << ": " << reply.errorMessage().toStdString();
        return reply;
    }
    QString addMouse(const QString& address, std::uint16_t product, bool paired = true,
                     const QString& adapter = "hci0") {
        const QDBusMessage r =
            call("AddMouse", {adapter, address, QVariant::fromValue<quint16>(product), paired});
        return r.arguments().value(0).toString();
    }
    void connectMouse(const QString& address) { call("ConnectDevice", {"hci0", address}); }
    void disconnectMouse(const QString& address) { call("DisconnectDevice", {"hci0", address}); }
    void notify(const QString& device, const QByteArray& value) { call("Notify", {device, value}); }
    int subscribed(const QString& device) {
        return call("Subscribed", {device}).arguments().value(0).toInt();
    }
    std::vector<std::vector<std::uint8_t>> writes(const QString& device) {
        std::vector<std::vector<std::uint8_t>> all;
        for (const QByteArray& w : qdbus_cast<QList<QByteArray>>(
                 call("Writes", {device}).arguments().value(0)))
            all.emplace_back(reinterpret_cast<const std::uint8_t*>(w.constData()),
                             reinterpret_cast<const std::uint8_t*>(w.constData()) + w.size());
        return all;
    }

  private:
    QProcess process_;
    bool running_ = false;
};

// One mock for the whole run (starting Python costs); each test starts from
// the template again.
BluezMock* mock = nullptr;

class BluezMiceTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { mock = new BluezMock; }
    static void TearDownTestSuite() {
        delete mock;
        mock = nullptr;
    }
    void SetUp() override {
        ASSERT_TRUE(mock->running()) << "python3-dbusmock did not come up on the private bus";
        mock->call("Reset", {}, "org.freedesktop.DBus.Mock");
        mock->call("AddAdapter", {"hci0", "velor-test"});
        bluez = std::make_unique<BluezMice>([this](std::string_view l) { debug.emplace_back(l); });
    }
    void watch() {
        bluez->watch(BluetoothMice::Events{
            [this](std::uint16_t vendor, std::uint16_t product, bool connected) {
                char text[32];
                std::snprintf(text, sizeof text, "%04x:%04x %s", vendor, product,
                              connected ? "up" : "down");
                presence.emplace_back(text);
            },
            [this](BleProblem problem, std::uint16_t product) {
                problems.emplace_back(problem, product);
            }});
    }
    // Waits (running the event loop) until the predicate holds.
    static bool eventually(const std::function<bool()>& what) { return QTest::qWaitFor(what, 5000); }
    // A write as the worker thread makes it: off the UI thread, while the UI
    // thread's loop runs.
    static int writeFromWorker(BleGattLink& link, std::vector<std::uint8_t> report) {
        auto result = std::async(std::launch::async, [&] { return link.write(report); });
        eventually([&] { return result.wait_for(std::chrono::seconds(0)) == std::future_status::ready; });
        return result.get();
    }

    // Slot 7's mouse connected and seen, and a page's device link up on it.
    struct Slot7Page {
        QString device;
        std::unique_ptr<BleGattLink> link;
        VirtualClock clock;
        testing::RecordingPoster poster;
        testing::RecordingView view;
        std::unique_ptr<DeviceLink> page;
    };
    std::unique_ptr<Slot7Page> slot7Page() {
        auto p = std::make_unique<Slot7Page>();
        p->device = mock->addMouse(kMouse7, kSlot7);
        mock->connectMouse(kMouse7);
        watch();
        EXPECT_TRUE(eventually([&] { return !presence.empty(); }));
        p->link = bluez->linkFor(kVendor, kSlot7);
        p->page = std::make_unique<DeviceLink>(DeviceLink::Wiring{
            *descriptorFor(7), p->clock, p->poster, p->view, [](std::string_view) {}, p->link.get()});
        p->page->open(nullptr);
        p->page->bleConnect();
        return p;
    }

    std::unique_ptr<BluezMice> bluez;
    std::vector<std::string> presence;
    std::vector<std::pair<BleProblem, std::uint16_t>> problems;
    std::vector<std::string> debug;
};

TEST_F(BluezMiceTest, AConnectedMouseComesUpAndTakesWritesFromAnotherThread) {
    const QString device = mock->addMouse(kMouse7, kSlot7);
    watch();
    // Paired, not connected: the user is told, and writes go nowhere.
    ASSERT_TRUE(eventually([&] { return !problems.empty(); }));
    EXPECT_EQ(problems[0], (std::pair{BleProblem::NotConnected, kSlot7}));
    const auto link = bluez->linkFor(kVendor, kSlot7);
    EXPECT_EQ(writeFromWorker(*link, {0x0C, 0x0A, 0x01}), 0);

    mock->connectMouse(kMouse7);
    ASSERT_TRUE(eventually([&] { return !presence.empty(); }));
    EXPECT_THAT(presence, ElementsAre("045e:0033 up"));
    EXPECT_EQ(writeFromWorker(*link, {0x0C, 0x0A, 0x01, 0xFE}), 1);
    EXPECT_THAT(mock->writes(device), ElementsAre(ElementsAre(0x0C, 0x0A, 0x01, 0xFE)));

    mock->disconnectMouse(kMouse7);
    ASSERT_TRUE(eventually([&] { return presence.size() == 2; }));
    EXPECT_EQ(presence[1], "045e:0033 down");
    EXPECT_EQ(writeFromWorker(*link, {0x06, 0x09}), 0);
    EXPECT_EQ(mock->writes(device).size(), 1u);
}

TEST_F(BluezMiceTest, NotificationsReachThePageOnlyWithAWholeReportOfItsModel) {
    const auto p = slot7Page();
    DeviceLink& page = *p->page;
    const std::uint32_t message = descriptorFor(7)->messageBase + kBleStatusMessage;
    ASSERT_TRUE(eventually([&] { return mock->subscribed(p->device) == 1; }));

    p->poster.take();
    mock->notify(p->device, QByteArray("\x33\x40\x00\x32", 4));  // on battery, 50 %
    mock->notify(p->device, QByteArray("\x33\x40", 2));          // too short
    mock->notify(p->device, QByteArray("\x35\x10\x02\x00", 4));  // slot 9's model code
    ASSERT_TRUE(eventually([&] { return p->poster.count(message) == 2; }));
    QTest::qWait(50);
    const auto posted = p->poster.take();
    ASSERT_EQ(posted.size(), 2u);
    EXPECT_EQ(posted[0].wParam, 0x4033u);
    EXPECT_EQ(posted[0].lParam, 0x3200);
    // On the UI thread the page takes its own model's report only.
    for (const auto& m : posted)
        page.onBleStatus(static_cast<std::uint16_t>(m.wParam), static_cast<std::uint16_t>(m.lParam));
    EXPECT_THAT(p->view.bleReports,
                ElementsAre(std::pair<std::uint16_t, std::uint16_t>{0x4033, 0x3200}));

    page.bleDisconnect();
    EXPECT_TRUE(eventually([&] { return mock->subscribed(p->device) == 0; }));
    page.close();
}

TEST_F(BluezMiceTest, AFailedWriteFailsTheSendAndAMouseGoneDuringAnApplyTakesNoMore) {
    const auto p = slot7Page();
    DeviceLink& page = *p->page;
    BleGattLink& link = *p->link;

    const std::vector<std::uint8_t> opening = {0x0C, 0x0A, 0x01, 0xFE, 0x01, 0xFE, 0, 0, 0, 0};
    mock->call("FailWrites", {"org.bluez.Error.Failed"});
    auto sent = std::async(std::launch::async, [&] { return page.send(opening); });
    eventually([&] { return sent.wait_for(std::chrono::seconds(0)) == std::future_status::ready; });
    EXPECT_EQ(sent.get(), 0);
    EXPECT_EQ(p->clock.now().count(), 500);  // the pause follows a failed send too
    EXPECT_TRUE(problems.empty());        // a refused write is not a permission problem

    mock->call("FailWrites", {""});
    EXPECT_EQ(writeFromWorker(link, opening), 1);
    mock->disconnectMouse(kMouse7);
    ASSERT_TRUE(eventually([&] { return presence.size() == 2; }));
    EXPECT_EQ(writeFromWorker(link, opening), 0);
    EXPECT_EQ(mock->writes(p->device).size(), 1u);
    page.close();
}

TEST_F(BluezMiceTest, TwoMiceOfDifferentSlotsKeepTheirWritesAndReportsApart) {
    const QString seven = mock->addMouse(kMouse7, kSlot7);
    const QString nine = mock->addMouse(kMouse9, kSlot9);
    mock->connectMouse(kMouse7);
    mock->connectMouse(kMouse9);
    watch();
    ASSERT_TRUE(eventually([&] { return presence.size() == 2; }));
    EXPECT_THAT(presence, ElementsAre("045e:0033 up", "045e:0035 up"));

    const auto link7 = bluez->linkFor(kVendor, kSlot7);
    const auto link9 = bluez->linkFor(kVendor, kSlot9);
    std::vector<int> got7, got9;
    link7->registerNotifications([&](auto v) { got7.push_back(v[1]); });
    ASSERT_TRUE(eventually([&] { return mock->subscribed(seven) == 1; }));
    EXPECT_EQ(mock->subscribed(nine), 0);  // under slot 7's path only by its name's prefix
    link9->registerNotifications([&](auto v) { got9.push_back(v[1]); });
    ASSERT_TRUE(eventually([&] { return mock->subscribed(nine) == 1; }));
    EXPECT_EQ(writeFromWorker(*link9, {0x05, 0x0F}), 1);
    mock->notify(seven, QByteArray("\x33\x10\x01\x00", 4));
    mock->notify(nine, QByteArray("\x35\x40\x00\x10", 4));
    ASSERT_TRUE(eventually([&] { return got7.size() == 1 && got9.size() == 1; }));
    EXPECT_EQ(got7[0], 0x10);
    EXPECT_EQ(got9[0], 0x40);
    EXPECT_TRUE(mock->writes(seven).empty());
    EXPECT_EQ(mock->writes(nine).size(), 1u);
}

// A command characteristic that takes only writes without a response
// (bluetoothd refuses any other kind) still carries the reports.
TEST_F(BluezMiceTest, ACharacteristicWritableOnlyWithoutResponseTakesTheReports) {
    const QString device = mock->addMouse(kMouse7, kSlot7);
    mock->call("SetWriteFlags", {device, QStringList{"write-without-response"}});
    mock->connectMouse(kMouse7);
    watch();
    ASSERT_TRUE(eventually([&] { return !presence.empty(); }));
    EXPECT_THAT(presence, ElementsAre("045e:0033 up"));
    const auto link = bluez->linkFor(kVendor, kSlot7);
    EXPECT_EQ(writeFromWorker(*link, {0x05, 0x0F}), 1);
    EXPECT_THAT(mock->writes(device), ElementsAre(ElementsAre(0x05, 0x0F)));
}

TEST_F(BluezMiceTest, EveryStatusCharacteristicIsSubscribedAndReleased) {
    const QString device = mock->addMouse(kMouse7, kSlot7);
    mock->call("AddStatusCharacteristic", {device});
    mock->connectMouse(kMouse7);
    watch();
    ASSERT_TRUE(eventually([&] { return !presence.empty(); }));
    const auto link = bluez->linkFor(kVendor, kSlot7);
    link->registerNotifications([](auto) {});
    EXPECT_TRUE(eventually([&] { return mock->subscribed(device) == 2; }));
    link->unregister();
    EXPECT_TRUE(eventually([&] { return mock->subscribed(device) == 0; }));
}

TEST_F(BluezMiceTest, WhatKeepsAMouseAwayIsToldInWords) {
    mock->addMouse(kMouse7, kSlot7);
    mock->call("SetPowered", {"hci0", false});
    mock->addMouse("AA:BB:CC:00:00:99", 0x0099);  // not one of ours: never told
    // On an adapter BlueZ does not list: not known to be off, so simply not connected.
    mock->addMouse(kMouse9, kSlot9, true, "hci9");
    watch();
    const auto told = [&](BleProblem problem, std::uint16_t product) {
        return std::count(problems.begin(), problems.end(), std::pair{problem, product});
    };
    ASSERT_TRUE(eventually([&] {
        return told(BleProblem::AdapterOff, kSlot7) && told(BleProblem::NotConnected, kSlot9);
    }));
    EXPECT_EQ(told(BleProblem::NotConnected, kSlot7), 0);
    EXPECT_EQ(told(BleProblem::AdapterOff, kSlot9), 0);

    problems.clear();
    mock->call("SetPowered", {"hci0", true});
    ASSERT_TRUE(eventually([&] { return told(BleProblem::NotConnected, kSlot7) != 0; }));
    EXPECT_EQ(told(BleProblem::AdapterOff, kSlot7), 0);
    for (const auto& p : problems) EXPECT_NE(p.second, 0x0099);

    // A bus that refuses us: the write fails and the user is told why.
    mock->connectMouse(kMouse7);
    ASSERT_TRUE(eventually([&] { return !presence.empty(); }));
    mock->call("FailWrites", {"org.freedesktop.DBus.Error.AccessDenied"});
    const auto link = bluez->linkFor(kVendor, kSlot7);
    EXPECT_EQ(writeFromWorker(*link, {0x0C}), 0);
    EXPECT_EQ(problems.back(), (std::pair{BleProblem::NoPermission, std::uint16_t{0}}));
}

TEST_F(BluezMiceTest, AMouseRemovedFromBluezGoesDown) {
    const QString device = mock->addMouse(kMouse7, kSlot7);
    mock->connectMouse(kMouse7);
    watch();
    ASSERT_TRUE(eventually([&] { return !presence.empty(); }));
    mock->call("RemoveMouse", {device});
    ASSERT_TRUE(eventually([&] { return presence.size() == 2; }));
    EXPECT_EQ(presence[1], "045e:0033 down");
}

}  // namespace
}  // namespace velor
