#!/usr/bin/env python3
"""A polkit authority for a private test bus that allows every request.

ModemManager asks polkit before every call from a client (mmcli, the program); on a private bus
there is no polkitd, so this stands in: CheckAuthorization answers (allowed, no challenge).
Prints "ready" once the name is owned; runs until killed or its standard input closes.
"""

import sys

from gi.repository import Gio, GLib

INTERFACE = "org.freedesktop.PolicyKit1.Authority"
XML = """
<node>
  <interface name="org.freedesktop.PolicyKit1.Authority">
    <method name="CheckAuthorization">
      <arg type="(sa{sv})" name="subject" direction="in"/>
      <arg type="s" name="action_id" direction="in"/>
      <arg type="a{ss}" name="details" direction="in"/>
      <arg type="u" name="flags" direction="in"/>
      <arg type="s" name="cancellation_id" direction="in"/>
      <arg type="(bba{ss})" name="result" direction="out"/>
    </method>
    <method name="CancelCheckAuthorization">
      <arg type="s" name="cancellation_id" direction="in"/>
    </method>
    <property name="BackendName" type="s" access="read"/>
    <property name="BackendVersion" type="s" access="read"/>
    <property name="BackendFeatures" type="u" access="read"/>
    <signal name="Changed"/>
  </interface>
</node>
"""


def main():
    loop = GLib.MainLoop()
    bus = Gio.bus_get_sync(Gio.BusType.SESSION, None)
    asked = []

    def on_call(connection, sender, path, interface, method, params, invocation):
        if method == "CheckAuthorization":
            asked.append(params.unpack()[1])
            invocation.return_value(GLib.Variant("((bba{ss}))", ((True, False, {}),)))
        else:
            invocation.return_value(None)

    def on_get(connection, sender, path, interface, name):
        return {"BackendName": GLib.Variant("s", "parlowen-test"),
                "BackendVersion": GLib.Variant("s", "1"),
                "BackendFeatures": GLib.Variant("u", 0)}.get(name)

    info = Gio.DBusNodeInfo.new_for_xml(XML).interfaces[0]
    bus.register_object("/org/freedesktop/PolicyKit1/Authority", info, on_call, on_get, None)

    def acquired(*_):
        print("ready", flush=True)

    def lost(*_):
        print("could not own org.freedesktop.PolicyKit1", file=sys.stderr, flush=True)
        loop.quit()

    Gio.bus_own_name_on_connection(bus, "org.freedesktop.PolicyKit1", Gio.BusNameOwnerFlags.NONE, acquired, lost)
    # Ends with its parent: the driver holds the other end of standard input.
    GLib.io_add_watch(GLib.IOChannel.unix_new(0), GLib.PRIORITY_DEFAULT, GLib.IO_IN | GLib.IO_HUP,
                      lambda *_: (loop.quit(), False)[1])
    loop.run()


if __name__ == "__main__":
    main()
