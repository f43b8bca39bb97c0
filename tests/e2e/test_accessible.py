"""The real program as a screen reader finds it: on a desktop with a session
bus, through AT-SPI, as Orca would read it. Default settings, the simulated
router at 192.168.0.1:161 inside tests/netns.

Runs under tests/e2e/private-session (a session bus and runtime folders of
its own) with the system's /usr/bin/python3, the one Debian's
python3-pyatspi is installed for. VENTREL and SIMROUTER name the
programs under test."""

import os
import re
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from desktop import Desktop, remove, temporary_home, wait_until  # noqa: E402

try:
    import pyatspi
    from gi.repository import GLib
except ImportError as error:  # pragma: no cover - says what to install
    sys.exit(f"{error}: this test needs python3-pyatspi (scripts/deps installs it)")

VENTREL = os.path.abspath(os.environ.get("VENTREL", "build/bin/ventrel"))
SIMROUTER = os.path.abspath(os.environ.get("SIMROUTER", "build/bin/simrouter"))

WAITING_TEXT = ("Waiting for SNMP packets to be received...\n\nIf no SNMP packets are received, "
                "then use the <Setup> button to verify your router settings are correct.")


def pump():
    """Hands over the AT-SPI events that arrived: they come through GLib's
    main loop, which nothing else runs here."""
    context = GLib.MainContext.default()
    while context.iteration(False):
        pass


def find_all(node, role, name=None):
    """Every node below `node` (and itself) with `role` (and `name`), depth first."""
    if node is None:
        return []
    found = [node] if node.getRole() == role and name in (None, node.name) else []
    for i in range(node.childCount):
        found += find_all(node.getChildAtIndex(i), role, name)
    return found


def find(node, role, name=None):
    found = find_all(node, role, name)
    return found[0] if found else None


class ScreenReaderOnADesktop(unittest.TestCase):
    def setUp(self):
        if "DBUS_SESSION_BUS_ADDRESS" not in os.environ:
            self.fail("run under dbus-run-session: a screen reader needs a session bus")
        self.home = temporary_home()
        self.addCleanup(remove, self.home)
        self.desktop = Desktop(session_bus=True)
        self.addCleanup(self.desktop.close)
        self.desktop.start([SIMROUTER, "--bind", "192.168.0.1", "--port", "161",
                            "--seconds", "120"])
        self.values = []
        pyatspi.Registry.registerEventListener(self.heard, "object:property-change:accessible-value")
        self.addCleanup(pyatspi.Registry.deregisterEventListener, self.heard,
                        "object:property-change:accessible-value")
        env = dict(self.desktop.env, XDG_CONFIG_HOME=os.path.join(self.home, "config"),
                   QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1")
        env.pop("QT_QPA_PLATFORM", None)
        self.ventrel = self.desktop.start([VENTREL], env=env, cwd=self.home)
        self.app = wait_until(self.application, "the program on the accessibility bus", timeout=30)
        self.frame = wait_until(lambda: find(self.app, pyatspi.ROLE_FRAME, "Ventrel"),
                                "the main window")

    def heard(self, event):
        try:
            self.values.append(event.source.name)
        except Exception:  # a source gone meanwhile
            pass

    def application(self):
        pump()
        if self.ventrel.poll() is not None:
            raise AssertionError(f"ventrel ended with status {self.ventrel.returncode}")
        desktop = pyatspi.Registry.getDesktop(0)
        for i in range(desktop.childCount):
            app = desktop.getChildAtIndex(i)
            if app is not None and app.name == "ventrel":
                return app
        return None

    def focused(self, node):
        return node.getState().contains(pyatspi.STATE_FOCUSED)

    def test_names_values_and_their_changes(self):
        waiting = find(self.frame, pyatspi.ROLE_LABEL, WAITING_TEXT)
        self.assertIsNotNone(waiting, "the waiting text as plain text, tags removed")

        combo = find(self.frame, pyatspi.ROLE_COMBO_BOX)
        labels = [target.name for relation in combo.getRelationSet()
                  if relation.getRelationType() == pyatspi.RELATION_LABELLED_BY
                  for target in (relation.getTarget(i) for i in range(relation.getNTargets()))]
        self.assertEqual(labels, ["Interface"], "the list is labelled")
        setup = find(self.frame, pyatspi.ROLE_PUSH_BUTTON, "Setup")
        self.assertIsNotNone(setup)

        cpu = find(self.frame, pyatspi.ROLE_PROGRESS_BAR, "CPU load")
        self.assertIsNotNone(cpu)
        value = cpu.queryValue()
        self.assertEqual((value.minimumValue, value.maximumValue), (0, 100))
        self.assertTrue(cpu.getState().contains(pyatspi.STATE_READ_ONLY))

        # The router answers: each gauge tells its new figure, and reads it
        # with its unit.
        names = ["Packets received per second", "Packets sent per second", "Memory in use",
                 "CPU load"]

        def all_told():
            pump()
            return all(name in self.values for name in names)

        wait_until(all_told, "a value change from every gauge")
        for name in names:
            unit = "%" if name in ("Memory in use", "CPU load") else " pps"
            self.reads_as_printed(find(self.frame, pyatspi.ROLE_PROGRESS_BAR, name), unit)
        totals = [label.name for label in find_all(self.frame, pyatspi.ROLE_LABEL)]
        for words in ("Packets received in total", "Packets sent in total"):
            self.assertTrue(any(re.fullmatch(words + r": \d+", name) for name in totals),
                            f"{words} with its number: {totals}")

        # The CPU load moves every second: the next figure is told too.
        first = value.currentValue
        told = self.values.count("CPU load")

        def moved():
            pump()
            return self.values.count("CPU load") > told and value.currentValue != first

        wait_until(moved, "a new CPU figure told", timeout=30)
        self.reads_as_printed(cpu, "%")

    def reads_as_printed(self, bar, unit):
        """The bar's figure and its text agree: read again when a tick came
        between the two reads."""
        wait_until(lambda: bar.description == f"{bar.queryValue().currentValue:.0f}{unit}",
                   f"{bar.name} to read as it prints", timeout=5)

    def test_the_keyboard_reaches_the_list_setup_and_the_menus(self):
        combo = find(self.frame, pyatspi.ROLE_COMBO_BOX)
        setup = find(self.frame, pyatspi.ROLE_PUSH_BUTTON, "Setup")
        window = wait_until(lambda: self.desktop.windows(name="Ventrel"), "the X window")[0]
        wait_until(lambda: self.desktop.managed(window), "the window manager to frame the window")
        wait_until(lambda: self.desktop.focused(window), "the keyboard focus on the window")
        wait_until(lambda: self.focused(combo) or self.focused(setup), "a control with the focus")
        first, second = (combo, setup) if self.focused(combo) else (setup, combo)
        for expected in (second, first, second):
            self.desktop.keys("Tab")
            wait_until(lambda: self.focused(expected), f"Tab to reach {expected.name}")

        for key, menu in (("alt+f", "File"), ("alt+h", "Help")):
            self.desktop.keys(key)
            wait_until(lambda: self.desktop.menu("ventrel"), f"{key} to open {menu}")
            item = find(self.frame, pyatspi.ROLE_MENU_ITEM, menu)
            popup = find(item, pyatspi.ROLE_POPUP_MENU)
            self.assertTrue(popup.getState().contains(pyatspi.STATE_SHOWING), menu)
            self.desktop.keys("Escape")
            wait_until(lambda: not self.desktop.menu("ventrel"), f"Escape to close {menu}")

if __name__ == "__main__":
    unittest.main(verbosity=2)
