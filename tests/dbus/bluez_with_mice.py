'''BlueZ for the tests: python-dbusmock's bluez5 template plus our mice, each a
device with a vendor GATT service holding the command characteristic (0xFEE3,
writable) and the status characteristic (0xFEE4, notifiable).

Extra methods on org.bluez.Mock at /:
  AddMouse(adapter, address, product, paired) -> device path
  AddStatusCharacteristic(device) -> path of a second status characteristic
  SetWriteFlags(device, flags) the command characteristic's Flags from now on
  RemoveMouse(device)
  SetPowered(adapter, powered)
  FailWrites(error)            every WriteValue answers this D-Bus error ('' for none)
  Writes(device) -> aay        the values written to the device so far, in order
  Notify(device, value)        the mouse sends value on its status characteristics
  Subscribed(device) -> i      how many of its status characteristics notify now
'''

import dbus

from dbusmock import OBJECT_MANAGER_IFACE, mockobject
from dbusmock.templates import bluez5
from dbusmock.templates.bluez5 import *  # noqa: F401,F403  (the template's own methods)

BUS_NAME = 'org.bluez'
MAIN_OBJ = '/'
SYSTEM_BUS = True
IS_OBJECT_MANAGER = True

MOCK = 'org.bluez.Mock'
DEVICE = 'org.bluez.Device1'
ADAPTER = 'org.bluez.Adapter1'
SERVICE = 'org.bluez.GattService1'
CHARACTERISTIC = 'org.bluez.GattCharacteristic1'


def uuid(short):
    return f'0000{short:04x}-0000-1000-8000-00805f9b34fb'


def load(mock, parameters):
    bluez5.load(mock, parameters)
    mock.velor_writes = []
    mock.velor_fail = ''



def manager():
    return mockobject.objects['/']


def added(path):
    obj = mockobject.objects[path]
    manager().EmitSignal(OBJECT_MANAGER_IFACE, 'InterfacesAdded', 'oa{sa{sv}}',
                         [dbus.ObjectPath(path), dbus.Dictionary(obj.props, signature='sa{sv}')])


def write_value(characteristic, value, options):
    if manager().velor_fail:
        raise dbus.exceptions.DBusException('write refused', name=manager().velor_fail)
    # As bluetoothd: a write of a kind the characteristic does not offer is refused.
    kind = str(options.get('type', 'request'))
    needed = 'write-without-response' if kind == 'command' else 'write'
    if needed not in [str(f) for f in characteristic.props[CHARACTERISTIC]['Flags']]:
        raise dbus.exceptions.DBusException(f'no {needed} here',
                                            name='org.bluez.Error.NotPermitted')
    manager().velor_writes.append((characteristic.path, bytes(value)))


def set_notifying(characteristic, on):
    characteristic.props[CHARACTERISTIC]['Notifying'] = dbus.Boolean(on, variant_level=1)


def add_characteristic(service, number, short, flags):
    path = f'{service}/char{number:04x}'
    manager().AddObject(path, CHARACTERISTIC, {
        'UUID': dbus.String(uuid(short), variant_level=1),
        'Service': dbus.ObjectPath(service, variant_level=1),
        'Flags': dbus.Array(flags, signature='s', variant_level=1),
        'Value': dbus.Array([], signature='y', variant_level=1),
        'Notifying': dbus.Boolean(False, variant_level=1),
    }, [
        ('WriteValue', 'aya{sv}', '', write_value),
        ('StartNotify', '', '', lambda c: set_notifying(c, True)),
        ('StopNotify', '', '', lambda c: set_notifying(c, False)),
    ])
    added(path)
    return path


@dbus.service.method(MOCK, in_signature='ssqb', out_signature='s')
def AddMouse(self, adapter, address, product, paired):
    adapter_path = '/org/bluez/' + adapter
    path = adapter_path + '/dev_' + address.replace(':', '_').upper()
    self.AddObject(path, DEVICE, {
        'Address': dbus.String(address, variant_level=1),
        'Name': dbus.String('VELOR mouse', variant_level=1),
        'Alias': dbus.String('VELOR mouse', variant_level=1),
        'Adapter': dbus.ObjectPath(adapter_path, variant_level=1),
        'Modalias': dbus.String(f'usb:v045Ep{product:04X}d0001', variant_level=1),
        'Paired': dbus.Boolean(paired, variant_level=1),
        'Connected': dbus.Boolean(False, variant_level=1),
        'ServicesResolved': dbus.Boolean(False, variant_level=1),
    }, [])
    added(path)
    service = path + '/service0010'
    self.AddObject(service, SERVICE, {
        'UUID': dbus.String(uuid(0xFEE0), variant_level=1),
        'Device': dbus.ObjectPath(path, variant_level=1),
        'Primary': dbus.Boolean(True, variant_level=1),
    }, [])
    added(service)
    add_characteristic(service, 0x11, 0xFEE3, ['write', 'write-without-response'])
    add_characteristic(service, 0x14, 0xFEE4, ['notify'])
    return path


@dbus.service.method(MOCK, in_signature='s', out_signature='s')
def AddStatusCharacteristic(self, device):
    return add_characteristic(device + '/service0010', 0x17, 0xFEE4, ['notify'])


@dbus.service.method(MOCK, in_signature='sas', out_signature='')
def SetWriteFlags(self, device, flags):
    mockobject.objects[device + '/service0010/char0011'].UpdateProperties(
        CHARACTERISTIC, {'Flags': dbus.Array(flags, signature='s', variant_level=1)})


def children(device):
    return sorted((p for p in mockobject.objects if p.startswith(device + '/')), reverse=True)


@dbus.service.method(MOCK, in_signature='s', out_signature='')
def RemoveMouse(self, device):
    for path in children(device) + [device]:
        interfaces = list(mockobject.objects[path].props.keys())
        self.RemoveObject(path)
        self.EmitSignal(OBJECT_MANAGER_IFACE, 'InterfacesRemoved', 'oas',
                        [dbus.ObjectPath(path), dbus.Array(interfaces, signature='s')])


@dbus.service.method(MOCK, in_signature='sb', out_signature='')
def SetPowered(self, adapter, powered):
    mockobject.objects['/org/bluez/' + adapter].UpdateProperties(
        ADAPTER, {'Powered': dbus.Boolean(powered, variant_level=1)})


@dbus.service.method(MOCK, in_signature='s', out_signature='')
def FailWrites(self, error):
    self.velor_fail = str(error)


@dbus.service.method(MOCK, in_signature='s', out_signature='aay')
def Writes(self, device):
    return dbus.Array([dbus.ByteArray(value) for path, value in self.velor_writes
                       if path.startswith(device + '/')], signature='ay')


def status_characteristics(device):
    for path in children(device):
        props = mockobject.objects[path].props.get(CHARACTERISTIC)
        if props and str(props['UUID']) == uuid(0xFEE4):
            yield mockobject.objects[path]


@dbus.service.method(MOCK, in_signature='say', out_signature='')
def Notify(self, device, value):
    for c in status_characteristics(device):
        if c.props[CHARACTERISTIC]['Notifying']:
            c.UpdateProperties(CHARACTERISTIC, {'Value': dbus.Array(value, signature='y')})


@dbus.service.method(MOCK, in_signature='s', out_signature='i')
def Subscribed(self, device):
    return sum(1 for c in status_characteristics(device) if c.props[CHARACTERISTIC]['Notifying'])
