#include "bluez/bluez_mice.h"

#include <QDBusArgument>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <vector>

#include "device/ble_ids.h"
#include "models/model_descriptor.h"

using BluezInterfaces = QMap<QString, QVariantMap>;
using BluezObjects = QMap<QDBusObjectPath, BluezInterfaces>;

namespace velor {

namespace {

const QString kService = QStringLiteral("org.bluez");
const QString kAdapter = QStringLiteral("org.bluez.Adapter1");
const QString kDevice = QStringLiteral("org.bluez.Device1");
const QString kCharacteristic = QStringLiteral("org.bluez.GattCharacteristic1");
const QString kObjectManager = QStringLiteral("org.freedesktop.DBus.ObjectManager");
const QString kProperties = QStringLiteral("org.freedesktop.DBus.Properties");
const QString kAccessDenied = QStringLiteral("org.freedesktop.DBus.Error.AccessDenied");
// A write waits this long for the mouse before it counts as failed.
constexpr int kWriteTimeoutMs = 2000;

std::uint32_t keyOf(BleIds ids) {
    return static_cast<std::uint32_t>(ids.vendor) << 16 | ids.product;
}

struct Device {
    QString adapter;
    std::optional<BleIds> ids;
    bool paired = false;
    bool connected = false;
};

struct Characteristic {
    std::uint16_t uuid = 0;  // 0xFEE3, 0xFEE4, or 0 for any other
    bool writes = false;     // with a response
    bool writesCommand = false;  // without one
    bool notifies = false;
};

struct Subscription {
    BleIds ids{};
    BleGattLink::OnValue onValue;
    std::set<QString> started;  // characteristics StartNotify was asked of
};

bool isUnder(const QString& path, const QString& parent) {
    return path.size() > parent.size() && path.startsWith(parent) && path[parent.size()] == '/';
}

}  // namespace

struct BluezMice::State : std::enable_shared_from_this<BluezMice::State> {
    QDBusConnection bus;
    DebugSink debug;
    std::mutex mutex;
    std::map<QString, bool> adapters;  // path -> powered
    std::map<QString, Device> devices;
    std::map<QString, Characteristic> characteristics;
    std::map<std::uint32_t, Subscription> subscriptions;  // by ids
    std::map<std::uint32_t, bool> reportedUp;              // by ids
    std::function<void(BleProblem, std::uint16_t)> problem;

    explicit State(QDBusConnection b, DebugSink d) : bus(std::move(b)), debug(std::move(d)) {}

    // Called with mutex held: the characteristics of a connected mouse with
    // these ids that carry uuid and can do what is asked.
    std::vector<QString> characteristicsOf(BleIds ids, std::uint16_t uuid) const {
        std::vector<QString> found;
        for (const auto& [devicePath, device] : devices) {
            if (!device.connected || !device.ids || keyOf(*device.ids) != keyOf(ids)) continue;
            for (const auto& [path, c] : characteristics) {
                const bool able = uuid == kBleWriteUuid ? (c.writes || c.writesCommand) : c.notifies;
                if (c.uuid == uuid && able && isUnder(path, devicePath)) found.push_back(path);
            }
        }
        return found;
    }

    void tellDenied(const QDBusError& error) {
        if (error.name() != kAccessDenied) return;
        std::function<void(BleProblem, std::uint16_t)> tell;
        {
            const std::lock_guard guard(mutex);
            tell = problem;
        }
        if (tell) tell(BleProblem::NoPermission, 0);
    }

    // Asynchronous, so the UI thread never waits on the mouse.
    void callCharacteristic(const QString& path, const QString& method) {
        const QDBusMessage call = QDBusMessage::createMethodCall(kService, path, kCharacteristic, method);
        auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call));
        // The state lives on until the answer is in.
        QObject::connect(watcher, &QDBusPendingCallWatcher::finished,
                         [self = shared_from_this(), path, method](QDBusPendingCallWatcher* w) {
                             w->deleteLater();
                             if (!w->isError()) return;
                             self->debug(
                                 (method + " " + path + ": " + w->error().message()).toStdString());
                             self->tellDenied(w->error());
                         });
    }

    // Subscribes every subscription to the status characteristics it lacks,
    // and forgets those that went away (UI thread).
    void startNotifications() {
        std::vector<QString> toStart;
        {
            const std::lock_guard guard(mutex);
            for (auto& [key, s] : subscriptions) {
                const std::vector<QString> now = characteristicsOf(s.ids, kBleNotifyUuid);
                std::erase_if(s.started, [&](const QString& p) {
                    return std::find(now.begin(), now.end(), p) == now.end();
                });
                for (const QString& path : now)
                    if (s.started.insert(path).second) toStart.push_back(path);
            }
        }
        for (const QString& path : toStart) {
            debug(("StartNotify " + path).toStdString());
            callCharacteristic(path, QStringLiteral("StartNotify"));
        }
    }
};

namespace {

class BluezGattLink final : public BleGattLink {
  public:
    BluezGattLink(std::shared_ptr<BluezMice::State> state, BleIds ids)
        : state_(std::move(state)), ids_(ids) {}
    ~BluezGattLink() override { unregister(); }

    void registerNotifications(OnValue onValue) override {
        {
            const std::lock_guard guard(state_->mutex);
            state_->subscriptions[keyOf(ids_)] = Subscription{ids_, std::move(onValue), {}};
        }
        state_->startNotifications();
    }

    void unregister() override {
        std::set<QString> started;
        {
            const std::lock_guard guard(state_->mutex);
            const auto found = state_->subscriptions.find(keyOf(ids_));
            if (found == state_->subscriptions.end()) return;
            started = std::move(found->second.started);
            state_->subscriptions.erase(found);
        }
        for (const QString& path : started)
            state_->callCharacteristic(path, QStringLiteral("StopNotify"));
    }

    // Tries each command characteristic of the connected mouse until one
    // takes the report.
    int write(std::span<const std::uint8_t> report) override {
        std::vector<std::pair<QString, bool>> targets;
        {
            const std::lock_guard guard(state_->mutex);
            for (const QString& path : state_->characteristicsOf(ids_, kBleWriteUuid))
                targets.emplace_back(path, state_->characteristics.at(path).writes);
        }
        const QByteArray bytes(reinterpret_cast<const char*>(report.data()),
                               static_cast<qsizetype>(report.size()));
        for (const auto& [path, withResponse] : targets) {
            QDBusMessage call =
                QDBusMessage::createMethodCall(kService, path, kCharacteristic, "WriteValue");
            QVariantMap options;
            options.insert(QStringLiteral("type"),
                           withResponse ? QStringLiteral("request") : QStringLiteral("command"));
            call << bytes << options;
            const QDBusMessage reply = state_->bus.call(call, QDBus::Block, kWriteTimeoutMs);
            if (reply.type() == QDBusMessage::ReplyMessage) {
                state_->debug("Write Success");
                return 1;
            }
            state_->debug(("Write fail: " + reply.errorMessage()).toStdString());
            state_->tellDenied(QDBusError(reply));
        }
        return 0;
    }

  private:
    std::shared_ptr<BluezMice::State> state_;
    BleIds ids_;
};

}  // namespace

BluezMice::BluezMice(DebugSink debug, QDBusConnection bus)
    : state_(std::make_shared<State>(std::move(bus), std::move(debug))) {
    qDBusRegisterMetaType<BluezInterfaces>();
    qDBusRegisterMetaType<BluezObjects>();
}

BluezMice::~BluezMice() {
    const std::lock_guard guard(state_->mutex);
    state_->problem = {};
}

std::unique_ptr<BleGattLink> BluezMice::linkFor(std::uint16_t vendor, std::uint16_t product) {
    return std::make_unique<BluezGattLink>(state_, BleIds{vendor, product});
}

void BluezMice::watch(Events events) {
    events_ = std::move(events);
    {
        const std::lock_guard guard(state_->mutex);
        state_->problem = events_.problem;
    }
    QDBusConnection& bus = state_->bus;
    if (!bus.isConnected()) {
        state_->debug("no system bus: Bluetooth mice cannot be reached");
        return;
    }
    bus.connect(kService, "/", kObjectManager, "InterfacesAdded", this,
                SLOT(onInterfacesAdded(QDBusMessage)));
    bus.connect(kService, "/", kObjectManager, "InterfacesRemoved", this,
                SLOT(onInterfacesRemoved(QDBusMessage)));
    bus.connect(kService, QString(), kProperties, "PropertiesChanged", this,
                SLOT(onPropertiesChanged(QDBusMessage)));
    loadManagedObjects();
}

void BluezMice::loadManagedObjects() {
    const QDBusMessage call =
        QDBusMessage::createMethodCall(kService, "/", kObjectManager, "GetManagedObjects");
    auto* watcher = new QDBusPendingCallWatcher(state_->bus.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* w) {
        w->deleteLater();
        const QDBusPendingReply<BluezObjects> reply = *w;
        if (reply.isError()) {
            state_->debug(("Bluetooth: " + reply.error().message()).toStdString());
            state_->tellDenied(reply.error());
            return;
        }
        const BluezObjects objects = reply.value();
        for (auto it = objects.begin(); it != objects.end(); ++it)
            takeInterfaces(it.key().path(), it.value());
        reconsider();
    });
}

// Records what an object's interfaces say about adapters, our devices and
// characteristics; properties absent from the map keep their values.
void BluezMice::takeInterfaces(const QString& path, const QMap<QString, QVariantMap>& interfaces) {
    const std::lock_guard guard(state_->mutex);
    if (const auto a = interfaces.find(kAdapter); a != interfaces.end()) {
        bool& powered = state_->adapters[path];
        if (a->contains("Powered")) powered = a->value("Powered").toBool();
    }
    if (const auto d = interfaces.find(kDevice); d != interfaces.end()) {
        Device& device = state_->devices[path];
        if (d->contains("Adapter"))
            device.adapter = qvariant_cast<QDBusObjectPath>(d->value("Adapter")).path();
        if (d->contains("Modalias"))
            device.ids = idsFromModalias(d->value("Modalias").toString().toStdString());
        if (d->contains("Paired")) device.paired = d->value("Paired").toBool();
        if (d->contains("Connected")) device.connected = d->value("Connected").toBool();
    }
    if (const auto c = interfaces.find(kCharacteristic); c != interfaces.end()) {
        Characteristic& ch = state_->characteristics[path];
        if (c->contains("UUID")) {
            const std::string uuid = c->value("UUID").toString().toStdString();
            ch.uuid = uuidIs(uuid, kBleWriteUuid)    ? kBleWriteUuid
                      : uuidIs(uuid, kBleNotifyUuid) ? kBleNotifyUuid
                                                     : 0;
        }
        if (c->contains("Flags")) {
            const QStringList flags = c->value("Flags").toStringList();
            ch.writes = flags.contains("write");
            ch.writesCommand = flags.contains("write-without-response");
            ch.notifies = flags.contains("notify") || flags.contains("indicate");
        }
    }
}

void BluezMice::onInterfacesAdded(const QDBusMessage& message) {
    const QList<QVariant> args = message.arguments();
    if (args.size() < 2) return;
    takeInterfaces(qvariant_cast<QDBusObjectPath>(args[0]).path(),
                   qdbus_cast<BluezInterfaces>(args[1]));
    reconsider();
}

void BluezMice::onInterfacesRemoved(const QDBusMessage& message) {
    const QList<QVariant> args = message.arguments();
    if (args.size() < 2) return;
    const QString path = qvariant_cast<QDBusObjectPath>(args[0]).path();
    const QStringList gone = args[1].toStringList();
    {
        const std::lock_guard guard(state_->mutex);
        if (gone.contains(kAdapter)) state_->adapters.erase(path);
        if (gone.contains(kDevice)) state_->devices.erase(path);
        if (gone.contains(kCharacteristic)) state_->characteristics.erase(path);
    }
    reconsider();
}

void BluezMice::onPropertiesChanged(const QDBusMessage& message) {
    const QList<QVariant> args = message.arguments();
    if (args.size() < 2) return;
    const QString interface = args[0].toString();
    const QVariantMap changed = qdbus_cast<QVariantMap>(args[1]);
    const QString path = message.path();
    if (interface == kCharacteristic && changed.contains("Value")) {
        BleGattLink::OnValue onValue;
        {
            const std::lock_guard guard(state_->mutex);
            for (const auto& [key, s] : state_->subscriptions)
                if (s.started.count(path) != 0) onValue = s.onValue;
        }
        const QByteArray value = changed.value("Value").toByteArray();
        if (onValue)
            onValue(std::span(reinterpret_cast<const std::uint8_t*>(value.constData()),
                              static_cast<std::size_t>(value.size())));
        if (changed.size() == 1) return;
    }
    if (interface != kAdapter && interface != kDevice && interface != kCharacteristic) return;
    {
        const std::lock_guard guard(state_->mutex);
        // Only objects already known: a property of a removed one brings nothing back.
        const bool known = interface == kAdapter  ? state_->adapters.count(path) != 0
                           : interface == kDevice ? state_->devices.count(path) != 0
                                                  : state_->characteristics.count(path) != 0;
        if (!known) return;
    }
    takeInterfaces(path, BluezInterfaces{{interface, changed}});
    reconsider();
}

void BluezMice::reconsider() {
    struct Change {
        BleIds ids;
        bool up;
    };
    std::vector<Change> changes;
    std::vector<std::pair<BleProblem, std::uint16_t>> problems;
    {
        const std::lock_guard guard(state_->mutex);
        std::map<std::uint32_t, bool> up;
        for (const auto& [path, device] : state_->devices) {
            if (!device.ids || descriptorForBle(device.ids->vendor, device.ids->product) == nullptr)
                continue;
            const std::uint32_t key = keyOf(*device.ids);
            bool& isUp = up[key];
            isUp = isUp || !state_->characteristicsOf(*device.ids, kBleWriteUuid).empty();
            if (device.paired && !device.connected) {
                const auto adapter = state_->adapters.find(device.adapter);
                const bool powered = adapter == state_->adapters.end() || adapter->second;
                problems.emplace_back(powered ? BleProblem::NotConnected : BleProblem::AdapterOff,
                                      device.ids->product);
            }
        }
        for (auto& [key, reported] : state_->reportedUp) up.try_emplace(key, false);
        for (const auto& [key, isUp] : up) {
            bool& reported = state_->reportedUp[key];
            if (reported == isUp) continue;
            reported = isUp;
            changes.push_back({BleIds{static_cast<std::uint16_t>(key >> 16),
                                      static_cast<std::uint16_t>(key & 0xFFFF)},
                               isUp});
        }
    }
    state_->startNotifications();
    for (const Change& c : changes)
        if (events_.presence) events_.presence(c.ids.vendor, c.ids.product, c.up);
    for (const auto& [problem, product] : problems)
        if (events_.problem) events_.problem(problem, product);
}

}  // namespace velor
