#!/usr/bin/python3
"""A StatusNotifierWatcher that is also the host, as a desktop panel runs it, for the tests.

Serves org.kde.StatusNotifierWatcher on the session bus and says a host is registered.
Prints "ready" once it owns the name, then "item SERVICE" for each item that registers,
"shows SERVICE SIZES TIP" once it has read the item's pictures (their sizes, as 32x32,16x16)
and tooltip as a host shows them, and "gone SERVICE" when an item leaves the bus.

With --host-later it starts as a watcher without a host, as a desktop's watcher runs before
its panel: SIGUSR1 then registers the host, SIGUSR2 unregisters it, each announced by the
watcher's signal and followed by "host yes" or "host no". Each question whether a host is
registered prints "asked yes" or "asked no".
"""

import signal
import sys

import dbus
import dbus.service
from dbus.mainloop.glib import DBusGMainLoop
from gi.repository import GLib

WATCHER = "org.kde.StatusNotifierWatcher"
PATH = "/StatusNotifierWatcher"
PROPERTIES = "org.freedesktop.DBus.Properties"
ITEM = "org.kde.StatusNotifierItem"

INTROSPECTION = f"""<node>
 <interface name="{WATCHER}">
  <method name="RegisterStatusNotifierItem"><arg name="service" type="s" direction="in"/></method>
  <method name="RegisterStatusNotifierHost"><arg name="service" type="s" direction="in"/></method>
  <property name="RegisteredStatusNotifierItems" type="as" access="read"/>
  <property name="IsStatusNotifierHostRegistered" type="b" access="read"/>
  <property name="ProtocolVersion" type="i" access="read"/>
  <signal name="StatusNotifierItemRegistered"><arg type="s"/></signal>
  <signal name="StatusNotifierItemUnregistered"><arg type="s"/></signal>
  <signal name="StatusNotifierHostRegistered"/>
  <signal name="StatusNotifierHostUnregistered"/>
 </interface>
 <interface name="{PROPERTIES}">
  <method name="Get"><arg type="s" direction="in"/><arg type="s" direction="in"/>
   <arg type="v" direction="out"/></method>
  <method name="GetAll"><arg type="s" direction="in"/><arg type="a{{sv}}" direction="out"/></method>
 </interface>
 <interface name="org.freedesktop.DBus.Introspectable">
  <method name="Introspect"><arg type="s" direction="out"/></method>
 </interface>
</node>"""


def say(line):
    print(line, flush=True)


class Watcher(dbus.service.Object):
    def __init__(self, bus, host):
        super().__init__(bus, PATH)
        self.bus = bus
        self.items = []
        self.host = host
        bus.add_signal_receiver(self.owner_changed, "NameOwnerChanged",
                                "org.freedesktop.DBus")

    @dbus.service.method("org.freedesktop.DBus.Introspectable", out_signature="s")
    def Introspect(self):
        return INTROSPECTION

    @dbus.service.method(WATCHER, in_signature="s", sender_keyword="sender")
    def RegisterStatusNotifierItem(self, service, sender=None):
        # An item names either its own bus name or only its object path.
        name = service if not service.startswith("/") else sender
        if name not in self.items:
            self.items.append(name)
        say(f"item {name}")
        self.StatusNotifierItemRegistered(name)
        self.read_item(name)

    def read_item(self, name):
        def show(properties):
            sizes = ",".join(f"{width}x{height}" for width, height, pixels
                             in properties["IconPixmap"] if len(pixels) == width * height * 4)
            tip = properties["ToolTip"][2]
            say(f"shows {name} {sizes or '-'} {tip}")

        self.bus.get_object(name, "/StatusNotifierItem").GetAll(
            ITEM, dbus_interface=PROPERTIES, reply_handler=show,
            error_handler=lambda error: say(f"unreadable {name} {error}"))

    @dbus.service.method(WATCHER, in_signature="s")
    def RegisterStatusNotifierHost(self, service):
        pass

    @dbus.service.signal(WATCHER, signature="s")
    def StatusNotifierItemRegistered(self, service):
        pass

    @dbus.service.signal(WATCHER, signature="s")
    def StatusNotifierItemUnregistered(self, service):
        pass

    def properties(self):
        return {
            "RegisteredStatusNotifierItems": dbus.Array(self.items, signature="s"),
            "IsStatusNotifierHostRegistered": dbus.Boolean(self.host),
            "ProtocolVersion": dbus.Int32(0),
        }

    @dbus.service.signal(WATCHER)
    def StatusNotifierHostRegistered(self):
        pass

    @dbus.service.signal(WATCHER)
    def StatusNotifierHostUnregistered(self):
        pass

    def set_host(self, host):
        self.host = host
        if host:
            self.StatusNotifierHostRegistered()
        else:
            self.StatusNotifierHostUnregistered()
        say("host yes" if host else "host no")
        return GLib.SOURCE_CONTINUE

    @dbus.service.method(PROPERTIES, in_signature="ss", out_signature="v")
    def Get(self, interface, name):
        if name == "IsStatusNotifierHostRegistered":
            say("asked " + ("yes" if self.host else "no"))
        return self.properties()[name]

    @dbus.service.method(PROPERTIES, in_signature="s", out_signature="a{sv}")
    def GetAll(self, interface):
        return self.properties()

    def owner_changed(self, name, old, new):
        if name in self.items and not new:
            self.items.remove(name)
            say(f"gone {name}")
            self.StatusNotifierItemUnregistered(name)


def main():
    DBusGMainLoop(set_as_default=True)
    bus = dbus.SessionBus()
    watcher = Watcher(bus, "--host-later" not in sys.argv[1:])
    GLib.unix_signal_add(GLib.PRIORITY_DEFAULT, signal.SIGUSR1, watcher.set_host, True)
    GLib.unix_signal_add(GLib.PRIORITY_DEFAULT, signal.SIGUSR2, watcher.set_host, False)
    if bus.request_name(WATCHER) != dbus.bus.REQUEST_NAME_REPLY_PRIMARY_OWNER:
        sys.exit("cannot own " + WATCHER)
    say("ready")
    GLib.MainLoop().run()
    del watcher


if __name__ == "__main__":
    main()
