"""A tray host's view of the session bus: the StatusNotifierWatcher, the
items registered with it, and an item's menu as exported over dbusmenu.
Read and driven the way a host such as waybar or xfce4-panel reads and
drives them. Needs the system's python3-gi (Gio)."""

from gi.repository import Gio, GLib

WATCHER = "org.kde.StatusNotifierWatcher"
WATCHER_PATH = "/StatusNotifierWatcher"
ITEM = "org.kde.StatusNotifierItem"
MENU = "com.canonical.dbusmenu"


class StatusNotifierBus:
    def __init__(self):
        self.bus = Gio.bus_get_sync(Gio.BusType.SESSION, None)

    def call(self, service, path, interface, method, signature=None, args=None):
        body = GLib.Variant(signature, args) if signature else None
        reply = self.bus.call_sync(service, path, interface, method, body, None,
                                   Gio.DBusCallFlags.NONE, 5000, None)
        return reply.unpack() if reply else ()

    def send(self, service, path, interface, method, signature, args):
        """A call whose answer nobody waits for, as hosts make them: the
        program may answer a click only after a dialog it opened is closed,
        or end before it answers."""
        message = Gio.DBusMessage.new_method_call(service, path, interface, method)
        message.set_body(GLib.Variant(signature, args))
        message.set_flags(Gio.DBusMessageFlags.NO_REPLY_EXPECTED)
        self.bus.send_message(message, Gio.DBusSendMessageFlags.NONE)
        self.bus.flush_sync(None)

    def owned(self, name):
        return self.call("org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
                         "NameHasOwner", "(s)", (name,))[0]

    def property(self, service, path, interface, name):
        return self.call(service, path, "org.freedesktop.DBus.Properties", "Get", "(ss)",
                         (interface, name))[0]

    def host_running(self):
        return self.owned(WATCHER) and self.property(WATCHER, WATCHER_PATH, WATCHER,
                                                     "IsStatusNotifierHostRegistered")

    def items(self):
        """(service, object path) of each registered item. Watchers keep
        either a bus name alone or a name with the item's path after it."""
        if not self.owned(WATCHER):
            return []
        found = []
        for entry in self.property(WATCHER, WATCHER_PATH, WATCHER, "RegisteredStatusNotifierItems"):
            service, slash, path = entry.partition("/")
            found.append((service, slash + path if slash else "/StatusNotifierItem"))
        return found

    def item_property(self, item, name):
        return self.property(item[0], item[1], ITEM, name)

    def menu(self, item):
        """The item's menu as a host lays it out: (id, label) for each
        entry, "-" for a separator."""
        path = self.item_property(item, "Menu")
        _, (_, _, children) = self.call(item[0], path, MENU, "GetLayout", "(iias)", (0, -1, []))
        return [(entry_id, "-" if properties.get("type") == "separator" else properties.get("label", ""))
                for entry_id, properties, _ in children]

    def click_menu(self, item, label):
        """Chooses the entry `label` of the item's menu, as a host does when
        the user clicks it in the menu it drew."""
        entry = next(entry_id for entry_id, text in self.menu(item) if text == label)
        self.send(item[0], self.item_property(item, "Menu"), MENU, "Event", "(isvu)",
                  (entry, "clicked", GLib.Variant("i", 0), 0))

    def activate(self, item):
        """A left click on the icon, as a host reports it."""
        self.send(item[0], item[1], ITEM, "Activate", "(ii)", (0, 0))
