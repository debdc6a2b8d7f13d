// The Bluetooth tests run against python-dbusmock's BlueZ on a private bus:
// scripts run this binary under dbus-run-session, and that session bus
// stands in for the system bus.
#include <QCoreApplication>

#include <gtest/gtest.h>

#include <cstdio>

int main(int argc, char** argv) {
    const QByteArray bus = qgetenv("DBUS_SESSION_BUS_ADDRESS");
    if (bus.isEmpty()) {
        std::fputs("run under dbus-run-session: the tests need a private bus\n", stderr);
        return 1;
    }
    qputenv("DBUS_SYSTEM_BUS_ADDRESS", bus);
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
