// Our Bluetooth LE mice through BlueZ on the system bus: the adapters,
// devices and GATT characteristics BlueZ exports, followed through its object
// manager and property signals; a mouse counts as connected once BlueZ says
// so and its command characteristic is known.
#pragma once

#include <QDBusConnection>
#include <QDBusMessage>
#include <QObject>
#include <QVariantMap>

#include <memory>

#include "device/bluetooth_mice.h"
#include "util/debug_sink.h"

namespace velor {

class BluezMice final : public QObject, public BluetoothMice {
    Q_OBJECT
  public:
    explicit BluezMice(DebugSink debug, QDBusConnection bus = QDBusConnection::systemBus());
    ~BluezMice() override;

    void watch(Events events) override;
    std::unique_ptr<BleGattLink> linkFor(std::uint16_t vendor, std::uint16_t product) override;

    struct State;  // shared with the links, which write from worker threads

  private slots:
    void onInterfacesAdded(const QDBusMessage& message);
    void onInterfacesRemoved(const QDBusMessage& message);
    void onPropertiesChanged(const QDBusMessage& message);

  private:
    void loadManagedObjects();
    void takeInterfaces(const QString& path, const QMap<QString, QVariantMap>& interfaces);
    // After any change: presence, problems and subscriptions follow.
    void reconsider();

    std::shared_ptr<State> state_;
    Events events_;
};

}  // namespace velor
