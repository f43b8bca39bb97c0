"""End-to-end tests of the real program on a native Wayland desktop: a
headless sway with waybar's tray, a StatusNotifier host that draws the
icon's menu from what the program exports over D-Bus. The simulated router
answers on 127.0.0.1:16161 inside tests/netns; everything runs under
tests/e2e/wayland-session with the system's /usr/bin/python3, for which
python3-gi is built. VENTREL and SIMROUTER name the programs under test."""

import configparser
import os
import subprocess
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from desktop import remove, temporary_home, wait_for, wait_until  # noqa: E402
from wayland import SwayDesktop  # noqa: E402

VENTREL = os.path.abspath(os.environ.get("VENTREL", "build/bin/ventrel"))
SIMROUTER = os.path.abspath(os.environ.get("SIMROUTER", "build/bin/simrouter"))


class VentrelOnWayland(unittest.TestCase):
    def setUp(self):
        if "DBUS_SESSION_BUS_ADDRESS" not in os.environ:
            self.fail("run under tests/e2e/wayland-session: the tray needs a session bus")
        self.home = temporary_home()
        self.addCleanup(remove, self.home)
        self.config = os.path.join(self.home, "config")
        os.makedirs(os.path.join(self.config, "Quillot"))
        self.write_settings(top=300, left=400)

    def open_desktop(self, tray=True):
        self.desktop = SwayDesktop(tray=tray)
        self.addCleanup(self.desktop.close)
        self.bus = self.desktop.bus
        self.desktop.start([SIMROUTER, "--seconds", "120"])

    # --- helpers ------------------------------------------------------------

    def write_settings(self, **values):
        lines = ["[General]", "hostname=127.0.0.1:16161", "community=kelpie", "interface=6"]
        lines += [f"{name}={value}" for name, value in values.items()]
        with open(os.path.join(self.config, "Quillot", "ventrel.conf"), "w") as settings:
            settings.write("\n".join(lines) + "\n")

    def settings(self):
        parser = configparser.ConfigParser()
        parser.read(os.path.join(self.config, "Quillot", "ventrel.conf"))
        return parser["General"] if parser.has_section("General") else {}

    def start_ventrel(self):
        """Starts the program natively on Wayland and waits for its window."""
        env = dict(self.desktop.env, XDG_CONFIG_HOME=self.config, QT_QPA_PLATFORM="wayland")
        self.ventrel = self.desktop.start([VENTREL], env=env, cwd=self.home)
        wait_until(lambda: self.desktop.windows("Ventrel"), "the main window", timeout=30)

    def item(self):
        """The program's icon as the host knows it, once registered."""
        return wait_until(lambda: next(iter(self.bus.items()), None), "the icon's registration")

    def hide(self):
        self.desktop.close_window(self.desktop.windows("Ventrel")[0])
        wait_until(lambda: not self.desktop.windows("Ventrel"), "the window to hide")

    def ended(self):
        try:
            self.ventrel.wait(timeout=10)
        except subprocess.TimeoutExpired:
            return False
        return True

    # --- tests --------------------------------------------------------------

    def test_the_host_draws_the_menu_and_quit_keeps_the_stored_place(self):
        self.open_desktop()
        self.start_ventrel()
        item = self.item()
        self.assertFalse(self.bus.item_property(item, "ItemIsMenu"))
        self.assertEqual([text for _, text in self.bus.menu(item)], ["Open Window", "-", "Quit"])

        self.hide()
        self.bus.click_menu(item, "Open Window")
        self.assertTrue(wait_for(lambda: self.desktop.windows("Ventrel")), "Open Window restores")

        self.bus.click_menu(item, "Quit")
        self.assertTrue(self.ended(), "Quit ends the program")
        saved = self.settings()
        # Wayland tells no program where its window is: the place an X11
        # session stored stays.
        self.assertEqual((saved.get("top"), saved.get("left")), ("300", "400"), dict(saved))
        self.assertEqual(saved.get("hostname"), "127.0.0.1:16161")

    def test_a_host_that_starts_late_gets_the_icon(self):
        self.open_desktop(tray=False)
        started = time.monotonic()
        self.start_ventrel()
        # No tray and no minimised state under sway: a close leaves the
        # window up and says, once, how to end the program.
        self.desktop.close_window(self.desktop.windows("Ventrel")[0])
        wait_until(lambda: len(self.desktop.windows("Ventrel")) == 2, "the message beside the window")
        message = next(w for w in self.desktop.windows("Ventrel") if w.get("focused"))
        self.desktop.close_window(message)
        wait_until(lambda: len(self.desktop.windows("Ventrel")) == 1, "the message to close")

        # The host comes five seconds after the program; what is checked is
        # the icon's registration, however long it takes.
        time.sleep(max(0.0, started + 5 - time.monotonic()))
        self.desktop.start_tray()
        item = self.item()
        self.assertEqual([text for _, text in self.bus.menu(item)], ["Open Window", "-", "Quit"])
        self.hide()
        self.assertIsNone(self.ventrel.poll(), "hidden in the tray, still running")

    def test_a_second_click_brings_the_covered_password_dialog_forward(self):
        self.write_settings(top=300, left=400, hidetask_usepassword=1, hidetask_password="Heron")
        self.open_desktop()
        self.start_ventrel()
        item = self.item()
        self.hide()
        self.bus.activate(item)
        wait_until(lambda: self.desktop.focused("Restore Program"), "the password dialog")
        self.desktop.start(["foot", "--title", "Cover", "sleep", "120"])
        wait_until(lambda: self.desktop.focused("Cover"), "another window over the dialog")
        self.bus.activate(item)
        wait_until(lambda: self.desktop.focused("Restore Program"), "the dialog to come forward")
        self.assertEqual(len(self.desktop.windows("Restore Program")), 1, "still one dialog")
        # The keys reach the dialog brought forward: the password restores
        # the window, or, where the virtual keyboard lost a first key, Enter
        # still answers the dialog.
        self.desktop.type("heron", "Return")
        wait_until(lambda: self.desktop.windows("Ventrel") or self.desktop.windows("Invalid Password"),
                   "the dialog brought forward to take the keys")

if __name__ == "__main__":
    unittest.main(verbosity=2)
