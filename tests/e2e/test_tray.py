"""End-to-end tests of the real program: a desktop with a tray, the simulated
router at 192.168.0.1:161 and default settings. Run inside tests/netns, so
that the router's default address is on the namespace's own loopback and
nothing can leave the machine.

VENTREL and SIMROUTER name the programs under test."""

import configparser
import os
import shutil
import stat
import subprocess
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from desktop import Desktop, remove, temporary_home, wait_for, wait_until  # noqa: E402

VENTREL = os.path.abspath(os.environ.get("VENTREL", "build/bin/ventrel"))
SIMROUTER = os.path.abspath(os.environ.get("SIMROUTER", "build/bin/simrouter"))
MANUAL = os.path.join(os.path.dirname(os.path.abspath(VENTREL)), "ventrel.html")


class DesktopCase(unittest.TestCase):
    """A desktop, the simulated router, a settings folder and an opener of
    our own; the tests below share them."""

    def setUp(self):
        self.home = temporary_home()
        self.config = os.path.join(self.home, "config")
        self.desktop = self.make_desktop()
        self.addCleanup(remove, self.home)
        self.addCleanup(self.desktop.close)
        self.router_log = os.path.join(self.home, "router.log")
        with open(self.router_log, "w") as log:
            self.desktop.start([SIMROUTER, "--bind", "192.168.0.1", "--port", "161",
                                "--seconds", "120", "--log"], stdout=log)
        # The shell's opener is replaced: it records what it was asked to
        # open instead of starting a browser.
        self.opened = os.path.join(self.home, "opened")
        bin_dir = os.path.join(self.home, "bin")
        os.mkdir(bin_dir)
        opener = os.path.join(bin_dir, "xdg-open")
        with open(opener, "w") as script:
            script.write(f'#!/bin/sh\necho "$@" >> "{self.opened}"\n')
        os.chmod(opener, stat.S_IRWXU)
        self.env = dict(self.desktop.env, XDG_CONFIG_HOME=self.config,
                        PATH=bin_dir + os.pathsep + os.environ["PATH"])
        self.env.pop("QT_QPA_PLATFORM", None)

    # --- helpers ------------------------------------------------------------

    def make_desktop(self):
        return Desktop()

    def icon_in_tray(self):
        """The icon's window docked in trayer."""
        return self.desktop.tray_icon("ventrel")

    def start_ventrel(self, program=VENTREL, cwd=None):
        """Starts the program and waits until its window is managed by the
        window manager and its icon docked: only then does closing the
        window hide it (without a tray it minimises)."""
        self.ventrel = self.desktop.start([program], env=self.env, cwd=cwd or self.home)
        self.window = wait_until(lambda: self.desktop.windows(name="Ventrel"), "the main window",
                                 timeout=30)[0]
        wait_until(lambda: self.desktop.managed(self.window), "the window manager to frame the window")
        self.icon = wait_until(self.icon_in_tray, "the icon in the tray")

    def requests_so_far(self):
        with open(self.router_log) as log:
            return sum(1 for line in log if "1.3.6.1" in line)

    def settings(self):
        parser = configparser.ConfigParser()
        parser.read(os.path.join(self.config, "Quillot", "ventrel.conf"))
        return parser["General"] if parser.has_section("General") else {}

    def add_settings(self, **values):
        path = os.path.join(self.config, "Quillot", "ventrel.conf")
        with open(path, "a") as settings:
            for name, value in values.items():
                settings.write(f"{name}={value}\n")

    def hide(self):
        self.desktop.close_window(self.window)
        wait_until(lambda: not self.desktop.viewable(self.window), "the window to hide")

    def ended(self):
        try:
            self.ventrel.wait(timeout=10)
        except subprocess.TimeoutExpired:
            return False
        return True

    def assertSavedNear(self, left, top):
        """The saved position is where the window was moved to; the window
        manager's frame may shift it by its border."""
        saved = self.settings()
        self.assertLess(abs(int(saved.get("left", -999)) - left), 40, dict(saved))
        self.assertLess(abs(int(saved.get("top", -999)) - top), 40, dict(saved))



class VentrelOnADesktop(DesktopCase):
    def test_icon_is_in_the_tray_at_start(self):
        self.start_ventrel()
        self.assertIsNotNone(self.icon, "the icon docks in the tray")
        self.assertTrue(wait_for(lambda: self.settings().get("community") == "kelpie"),
                        "first start writes the default settings")

    def test_closing_hides_and_polling_goes_on_then_a_click_restores(self):
        self.start_ventrel()
        wait_until(lambda: self.requests_so_far() > 0, "the first requests")
        self.hide()
        asked = self.requests_so_far()
        self.assertTrue(wait_for(lambda: self.requests_so_far() >= asked + 14, timeout=6),
                        "the router keeps being asked while hidden")
        self.assertIsNone(self.ventrel.poll(), "still running")
        self.desktop.click_window(self.icon)
        self.assertTrue(wait_for(lambda: self.desktop.viewable(self.window)), "a left click restores")
        self.assertIsNotNone(self.desktop.tray_icon("ventrel"), "the icon stays in the tray")

    def test_restore_password(self):
        self.start_ventrel()
        wait_until(lambda: self.settings().get("community"), "the first start's settings")
        self.add_settings(hidetask_usepassword=1, hidetask_password="Blue-Heron")
        self.hide()

        self.desktop.restore_with_password(lambda: self.desktop.click_window(self.icon),
                                           self.window, "Blue-Heron")

    def test_a_guarded_window_mapped_from_outside_hides_again(self):
        self.start_ventrel()
        wait_until(lambda: self.settings().get("community"), "the first start's settings")
        self.add_settings(hidetask_usepassword="yes", hidetask_password="Blue;Heron")
        self.hide()
        # Every change of the window's WM_STATE prints a report: the window
        # manager taking the window and letting it go show even when both
        # come faster than a look at the screen could tell.
        spy_log = os.path.join(self.home, "wm_state")
        with open(spy_log, "w") as out:
            self.desktop.start(["xprop", "-spy", "-id", str(self.window), "WM_STATE"], stdout=out)

        def reports():
            with open(spy_log) as log:
                return sum(1 for line in log if line.startswith("WM_STATE"))

        self.assertTrue(wait_for(lambda: reports() >= 1), "xprop watches the window")
        self.desktop.run(["xdotool", "windowmap", str(self.window)], check=True)
        self.assertTrue(wait_for(lambda: reports() >= 3),
                        "the window manager maps the window, and lets it go again")
        self.assertTrue(wait_for(lambda: not self.desktop.viewable(self.window)), "it hides again")
        self.assertFalse(self.desktop.windows(name="Configuration"), "nothing of it can be used")

        self.desktop.click_window(self.icon)
        dialog = wait_until(lambda: self.desktop.windows(name="Restore Program"),
                            "the password dialog: the way back is the password")
        self.desktop.type_into(dialog[0], "Return", text="blue;heron")
        self.assertTrue(wait_for(lambda: self.desktop.viewable(self.window)),
                        "the whole password, semicolon and all, restores the window")

    def test_tray_menu_quit_saves_the_position(self):
        self.start_ventrel()
        self.desktop.move_to(self.window, 140, 120)
        self.desktop.click_window(self.icon, button=3)
        wait_until(lambda: self.desktop.menu("ventrel"), "the tray menu to open")
        self.desktop.keys("Down", "Down", "Return")  # Open Window, (separator), Quit
        self.assertTrue(self.ended(), "Quit ends the program")
        self.assertSavedNear(140, 120)
        self.assertEqual(self.settings().get("hostname"), "192.168.0.1")

    def test_file_exit_saves_the_position(self):
        self.start_ventrel()
        self.desktop.move_to(self.window, 200, 150)
        self.desktop.open_menu(self.window, "ventrel", 14, "Down", "Return")  # File > Exit
        self.assertTrue(self.ended(), "Exit ends the program")
        self.assertSavedNear(200, 150)

    def test_users_manual_opens_the_manual_beside_the_program(self):
        self.start_ventrel()
        self.desktop.open_menu(self.window, "ventrel", 45, "Down", "Return")  # Help > User's Manual
        self.assertTrue(wait_for(lambda: os.path.exists(self.opened)), "the opener was called")
        with open(self.opened) as opened:
            self.assertIn("ventrel.html", opened.read())

    def test_users_manual_missing_everywhere(self):
        # A copy of the program in a folder without a manual, started there.
        alone = os.path.join(self.home, "alone")
        os.mkdir(alone)
        program = os.path.join(alone, "ventrel")
        shutil.copy(VENTREL, program)
        self.start_ventrel(program, cwd=alone)
        self.desktop.open_menu(self.window, "ventrel", 45, "Down", "Return")
        self.assertTrue(wait_for(lambda: self.desktop.windows(name="error")),
                        "Unable to find documentation is shown")
        self.assertFalse(os.path.exists(self.opened), "nothing was opened")


class VentrelOnAStatusNotifierPanel(DesktopCase):
    """The program on xfce4-panel's tray, a StatusNotifier host, which draws
    the icon and its menu itself from what the program exports over D-Bus.
    Runs under tests/e2e/private-session (a session bus of its own) with the
    system's /usr/bin/python3, for which python3-gi is built."""

    def make_desktop(self):
        return Desktop(panel=True)

    def icon_in_tray(self):
        from statusnotifier import StatusNotifierBus

        return next(iter(StatusNotifierBus().items()), None)

    def test_the_panel_draws_the_menu_and_quit_saves_the_position(self):
        self.start_ventrel()
        self.desktop.move_to(self.window, 140, 120)
        self.desktop.click_window(self.desktop.panel(), button=3)
        wait_until(lambda: self.desktop.menu("wrapper-2.0"), "the panel's menu for the icon")
        self.assertIsNone(self.desktop.menu("ventrel"), "a menu popped by the program itself")
        self.desktop.keys("Down", "Down", "Return")  # Open Window, (separator), Quit
        self.assertTrue(self.ended(), "Quit ends the program")
        self.assertSavedNear(140, 120)
        self.assertEqual(self.settings().get("hostname"), "192.168.0.1")


class VentrelBeforeAStatusNotifierPanel(DesktopCase):
    """The panel starts after the program. On X11 Qt decides at the first
    icon whether a StatusNotifier host runs, and falls back to XEmbed for
    good; it watches for an XEmbed tray itself, which xfce4-panel's is too."""

    def make_desktop(self):
        return Desktop(panel=True, tray=False)

    def test_a_panel_that_starts_late_gets_the_icon(self):
        started = time.monotonic()
        self.ventrel = self.desktop.start([VENTREL], env=self.env, cwd=self.home)
        self.window = wait_until(lambda: self.desktop.windows(name="Ventrel"), "the main window",
                                 timeout=30)[0]
        wait_until(lambda: self.desktop.managed(self.window), "the window manager to frame the window")
        # The panel comes five seconds after the program; what is checked is
        # the icon docking, however long it takes.
        time.sleep(max(0.0, started + 5 - time.monotonic()))
        self.desktop.start_panel()
        self.icon = wait_until(lambda: self.desktop.tray_icon("ventrel"), "the icon in the panel's tray")
        self.hide()
        self.desktop.click_window(self.icon)
        self.assertTrue(wait_for(lambda: self.desktop.viewable(self.window)), "a left click restores")


if __name__ == "__main__":
    unittest.main(verbosity=2)
