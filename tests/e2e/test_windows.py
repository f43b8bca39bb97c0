"""End-to-end tests of the Windows build under Wine: the real ventrel.exe with
its Qt libraries on a desktop with a tray, simrouter.exe at 192.168.0.1:161,
and a Wine prefix of each case's own, whose registry holds the settings. Run
inside tests/netns, so that the router's default address is on the
namespace's own loopback and nothing can leave the machine.

VENTREL, SIMROUTER and TOOLTIP_TEXT name the Windows programs under test and
the tip reader, NO_SOCKETS a ws2_32.dll whose WSAStartup fails, SETUP the
installer; WINE_TEMPLATE the build tree's Wine prefix template."""

import glob
import os
import re
import shutil
import subprocess
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from desktop import Desktop, remove, temporary_home, wait_for, wait_until  # noqa: E402
from wineprefix import WinePrefix  # noqa: E402

VENTREL = os.path.abspath(os.environ.get("VENTREL", "build-windows-qt/bin/ventrel.exe"))
SIMROUTER = os.path.abspath(os.environ.get("SIMROUTER", "build-windows-qt/bin/simrouter.exe"))
TOOLTIP_TEXT = os.path.abspath(os.environ.get("TOOLTIP_TEXT",
                                              "build-windows-qt/bin/tooltip_text.exe"))
SETUP = os.path.abspath(os.environ.get("SETUP", "build-windows-qt/ventrel-1.0-setup.exe"))
NO_SOCKETS = os.path.abspath(os.environ.get("NO_SOCKETS", "build-windows-qt/no-sockets/ws2_32.dll"))
WINE_TEMPLATE = os.path.abspath(os.environ.get("WINE_TEMPLATE", "build-windows-qt/wine"))
MANUAL = os.path.join(os.path.dirname(VENTREL), "ventrel.html")
KEY = r"HKEY_CURRENT_USER\Software\Quillot\ventrel"
UNINSTALL_KEY = r"HKEY_LOCAL_MACHINE\Software\Microsoft\Windows\CurrentVersion\Uninstall\Ventrel"
# The tip as the Linux build writes it.
TIP = re.compile(r"^Ventrel \u00B7 .+ \u00B7 in \d+ pps \u00B7 out \d+ pps \u00B7 CPU \d+% "
                 r"\u00B7 mem \d+%$")


class WineCase(unittest.TestCase):
    """A desktop, a Wine prefix and the helpers the cases share."""

    # Windows windows in X carry their program's name as their class; the
    # tray icons are the desktop process's.
    WINDOWS = "ventrel.exe"
    ICONS = "explorer.exe"

    def setUp(self):
        self.home = temporary_home()
        self.addCleanup(remove, self.home)
        self.desktop = Desktop()
        self.addCleanup(self.desktop.close)
        self.wine = WinePrefix(WINE_TEMPLATE, self.desktop.env)
        self.addCleanup(self.wine.close)
        self.router_log = os.path.join(self.home, "router.log")

    # --- helpers ------------------------------------------------------------

    def start_router(self, community="kelpie"):
        with open(self.router_log, "w") as log:
            self.desktop.start(["wine", SIMROUTER, "--bind", "192.168.0.1", "--port", "161",
                                "--community", community, "--seconds", "180", "--log"],
                               env=self.wine.env, stdout=log)

    def start_ventrel(self, program=VENTREL, cwd=None):
        """Starts the program, from a folder other than its own unless told,
        and waits until its window is framed and its icon docked."""
        self.ventrel = self.desktop.start(["wine", program], env=self.wine.env,
                                          cwd=cwd or self.home)
        self.window = wait_until(lambda: self.desktop.windows(name="Ventrel"), "the main window",
                                 timeout=60)[0]
        wait_until(lambda: self.desktop.managed(self.window), "the window manager to frame the window")
        self.icon = wait_until(lambda: self.desktop.tray_icon(self.ICONS), "the icon in the tray")

    def replies(self, community="kelpie"):
        """The router's replies to the program's GetRequests (the walk's
        GetNextRequests left out)."""
        with open(self.router_log) as log:
            return sum(1 for line in log if f'community="{community}"' in line
                       and "reply=sent" in line and " getnext " not in line)

    def asked(self, *words):
        """Whether the router logged a request with all of `words`."""
        with open(self.router_log) as log:
            return any(all(word in line for word in words) for line in log)

    def settings(self):
        return self.wine.reg_query(KEY)

    def hide(self):
        self.desktop.close_window(self.window)
        wait_until(lambda: not self.desktop.viewable(self.window), "the window to hide")

    def icon_point(self):
        """Where the pointer reaches the icon. Wine keeps the tray's slot for
        an icon as narrow as trayer made it before the icon docked, and sends
        the pointer's events to the icon only over that slot: the icon's
        first column."""
        x, y, _, height, _ = self.desktop.geometry(self.icon)
        return x, y + height // 2

    def click_icon(self):
        self.desktop.click(*self.icon_point())

    def tip(self):
        """The icon's tip as the tray shows it when the pointer rests on the
        icon, or None: the pointer leaves and comes back, so that the tip is
        shown afresh."""
        x, y = self.icon_point()
        self.desktop.run(["xdotool", "mousemove", "0", "0"], check=True)
        self.desktop.run(["xdotool", "mousemove", str(x), str(y)], check=True)

        def shown():
            result = self.wine.run(TOOLTIP_TEXT)
            return result.stdout.decode("utf-8").splitlines() if result.returncode == 0 else None

        tips = wait_for(shown, timeout=5)
        return tips[0] if tips else None

    def exit_status(self):
        try:
            return self.ventrel.wait(timeout=20)
        except subprocess.TimeoutExpired:
            return None


class WindowsOnADesktop(WineCase):
    def test_first_start_seeds_the_registry_and_the_gauges_go_live(self):
        self.start_router()
        self.start_ventrel()
        def seeded():
            values = self.settings()
            return values if {"hostname", "community", "interface", "top", "left"} <= values.keys() else None

        values = wait_until(seeded, "the first start's values in the registry")
        self.assertEqual(values["hostname"], "192.168.0.1")
        self.assertEqual(values["community"], "kelpie")
        # The first round asks for all 21 objects, each later one for 9: once
        # the third is answered, replies have been filed and the tip shows
        # figures. Once Wine 8 has shown the docked icon's tip, the pointer no
        # longer reaches the icon, so the tip is read once it has them.
        wait_until(lambda: self.replies() >= 21 + 9 + 9, "the router to answer three rounds")
        seen = []

        def figures():
            seen.append(self.tip())
            return seen[-1] if seen[-1] and TIP.match(seen[-1]) else None

        self.assertTrue(wait_for(figures, timeout=30),
                        f"the tip shows the figures as on Linux; it showed {set(seen)!r}")

    def test_closing_hides_to_the_icon_polling_goes_on_and_a_click_restores(self):
        self.start_router()
        self.start_ventrel()
        wait_until(lambda: self.replies() > 0, "the first replies")
        self.hide()
        answered = self.replies()
        wait_until(lambda: self.replies() >= answered + 14, "the router to be asked while hidden")
        self.assertIsNone(self.ventrel.poll(), "still running")
        self.click_icon()
        wait_until(lambda: self.desktop.viewable(self.window), "a left click to restore the window")

    def test_values_set_in_the_registry_are_read_at_start(self):
        for name, value in (("hostname", "192.168.0.1"), ("community", "heron"), ("interface", 3),
                            ("top", 150), ("left", 200), ("hidetask_usepassword", 1),
                            ("hidetask_password", "Blue-Heron")):
            self.wine.reg_add(KEY, name, value)
        self.start_router(community="heron")
        self.start_ventrel()
        wait_until(lambda: self.desktop.at(self.window, 200, 150), "the window at the stored place")
        wait_until(lambda: self.asked('community="heron"', "oid=1.3.6.1.2.1.2.2.1.11.3 "),
                   "the stored interface polled with the stored community")

        self.hide()
        self.desktop.restore_with_password(self.click_icon, self.window, "Blue-Heron")

    def test_file_exit_writes_the_settings_back(self):
        self.start_router()
        self.start_ventrel()
        wait_until(lambda: self.settings().get("community"), "the first start's values")
        self.desktop.move_to(self.window, 220, 170)
        self.desktop.open_menu(self.window, self.WINDOWS, 14, "Down", "Return")  # File > Exit
        self.assertEqual(self.exit_status(), 0, "Exit ends the program")
        saved = self.settings()
        self.assertLess(abs(saved.get("left", -999) - 220), 40, saved)
        self.assertLess(abs(saved.get("top", -999) - 170), 40, saved)

    def test_users_manual_opens_the_manual_beside_the_program(self):
        # Web pages open with a handler of the test's own, which records
        # what it was asked to open instead of starting a browser.
        opened = os.path.join(self.home, "opened")
        record = f'cmd /c echo %1>"{self.wine.windows_path(opened)}"'
        self.wine.reg_add(r"HKEY_CLASSES_ROOT\.html", "", "ventrel.test.html")
        self.wine.reg_add(r"HKEY_CLASSES_ROOT\ventrel.test.html\shell\open\command", "", record)
        self.start_router()
        self.start_ventrel()
        self.desktop.open_menu(self.window, self.WINDOWS, 45, "Down", "Return")  # Help > User's Manual
        wait_until(lambda: os.path.exists(opened) and os.path.getsize(opened) > 0,
                   "the handler to be asked to open a page")
        self.assertFalse(self.desktop.windows(name="error"), "the manual was found")
        with open(opened, encoding="utf-8", errors="replace") as recorded:
            self.assertEqual(recorded.read().strip().strip('"').lower(),
                             self.wine.windows_path(MANUAL).lower())

    def test_exit_status_1_when_windows_sockets_do_not_start(self):
        # A copy of the program beside a ws2_32.dll whose WSAStartup fails,
        # loaded in place of Wine's own; Qt's libraries come from the build.
        alone = os.path.join(self.home, "no-sockets")
        os.mkdir(alone)
        program = os.path.join(alone, "ventrel.exe")
        shutil.copy(VENTREL, program)
        shutil.copy(NO_SOCKETS, alone)
        env = dict(self.wine.env, WINEDLLOVERRIDES=self.wine.env["WINEDLLOVERRIDES"] + ";ws2_32=n,b",
                   WINEPATH=self.wine.windows_path(os.path.dirname(VENTREL)))
        self.ventrel = self.desktop.start(["wine", program], env=env, cwd=self.home)
        self.assertEqual(self.exit_status(), 1)
        self.assertFalse(self.desktop.windows(name="Ventrel"), "no window was shown")


class InstallerUnderWine(WineCase):
    def installed(self, *parts):
        return self.wine.drive_c("Program Files", "Ventrel", *parts)

    def shortcuts(self):
        return glob.glob(self.wine.drive_c("**", "Start Menu", "Programs", "Ventrel.lnk"),
                         recursive=True)

    def test_installs_silently_starts_and_uninstalls_keeping_the_settings(self):
        self.assertEqual(self.wine.run(SETUP, "/S", timeout=120).returncode, 0)
        for name in ("ventrel.exe", "ventrel.html", "Qt6Core.dll", "Qt6Gui.dll", "Qt6Widgets.dll",
                     "libstdc++-6.dll", os.path.join("platforms", "qwindows.dll"),
                     os.path.join("styles", "qwindowsvistastyle.dll"), "uninstall.exe"):
            self.assertTrue(os.path.isfile(self.installed(name)), name)
        self.assertEqual(len(self.shortcuts()), 1, "a shortcut in the Start menu")
        self.assertEqual(self.wine.reg_query(UNINSTALL_KEY).get("DisplayName"), "Ventrel")

        self.start_router()
        self.start_ventrel(self.installed("ventrel.exe"))
        wait_until(lambda: self.settings().get("community"), "the first start's values")
        self.desktop.open_menu(self.window, self.WINDOWS, 14, "Down", "Return")  # File > Exit
        self.assertEqual(self.exit_status(), 0)

        # The uninstaller runs on from a copy of itself and returns at once.
        self.assertEqual(self.wine.run(self.installed("uninstall.exe"), "/S").returncode, 0)
        wait_until(lambda: not os.path.exists(self.installed()), "the program's folder to go")
        self.assertEqual(self.shortcuts(), [], "the shortcut goes")
        self.assertEqual(self.wine.reg_query(UNINSTALL_KEY), {}, "Apps and Features forgets it")
        self.assertEqual(self.settings().get("community"), "kelpie", "the user's settings stay")


if __name__ == "__main__":
    unittest.main(verbosity=2)
