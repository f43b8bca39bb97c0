"""The Debian package, end to end: CPack builds it from the build tree, it is
unpacked into a scratch root (the machine is left as it was), its layout,
dependencies and desktop entry are checked, and the installed program runs
from the scratch root: it polls the simulated router at the default address
and opens the manual that lies beside its real path.

Run inside tests/netns: 192.168.0.1 is on the namespace's own loopback.
VENTREL_BUILD names the build tree."""

import glob
import os
import shutil
import stat
import subprocess
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e"))
from desktop import Desktop, remove, wait_for, wait_until  # noqa: E402

BUILD = os.path.abspath(os.environ.get("VENTREL_BUILD", "build"))


def run(command, **kwargs):
    return subprocess.run(command, capture_output=True, text=True, timeout=240, **kwargs)


class DebianPackage(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.work = tempfile.mkdtemp(prefix="ventrel-package-")
        packed = run(["cpack", "-G", "DEB", "--config", os.path.join(BUILD, "CPackConfig.cmake"),
                      "-B", cls.work])
        debs = glob.glob(os.path.join(cls.work, "ventrel_1.0_*.deb"))
        if packed.returncode != 0 or len(debs) != 1:
            remove(cls.work)
            raise RuntimeError(f"cpack failed: {packed.stdout}{packed.stderr}")
        cls.deb = debs[0]
        cls.root = os.path.join(cls.work, "root")
        subprocess.run(["dpkg-deb", "-x", cls.deb, cls.root], check=True)

    @classmethod
    def tearDownClass(cls):
        remove(cls.work)

    def field(self, name):
        return run(["dpkg-deb", "-f", self.deb, name]).stdout.strip()

    def test_layout(self):
        link = os.path.join(self.root, "usr/bin/ventrel")
        self.assertTrue(os.path.islink(link))
        self.assertEqual(os.readlink(link), "../lib/ventrel/ventrel")
        for path in ("usr/lib/ventrel/ventrel", "usr/bin/simrouter", "usr/bin/berdump"):
            mode = os.stat(os.path.join(self.root, path)).st_mode
            self.assertTrue(stat.S_ISREG(mode) and mode & stat.S_IXOTH, path)
        for path in ("usr/lib/ventrel/ventrel.html", "usr/share/applications/ventrel.desktop",
                     "usr/share/icons/hicolor/scalable/apps/ventrel.svg",
                     "usr/share/doc/ventrel/copyright", "usr/share/doc/ventrel/changelog.gz",
                     "usr/share/man/man1/ventrel.1.gz"):
            self.assertTrue(os.path.isfile(os.path.join(self.root, path)), path)

    def test_dependencies_come_from_the_binaries_and_are_met_here(self):
        depends = self.field("Depends")
        for library in ("libqt6widgets6", "libqt6core6", "libstdc++6", "libc6"):
            self.assertIn(library, depends)
        met = run(["dpkg-checkbuilddeps", "-d", depends, "/dev/null"])
        self.assertEqual(met.returncode, 0, met.stderr)
        self.assertIn("qt6-wayland", self.field("Recommends"))

    def test_desktop_entry_and_lintian(self):
        entry = os.path.join(self.root, "usr/share/applications/ventrel.desktop")
        validated = run(["desktop-file-validate", entry])
        self.assertEqual(validated.returncode, 0, validated.stdout + validated.stderr)
        report = run(["lintian", "--fail-on", "error", self.deb])
        errors = [line for line in report.stdout.splitlines() if line.startswith("E:")]
        self.assertEqual(errors, [])
        self.assertEqual(report.returncode, 0, report.stdout + report.stderr)

    def test_the_installed_program_polls_and_finds_its_manual(self):
        home = tempfile.mkdtemp(prefix="ventrel-package-home-")
        self.addCleanup(remove, home)
        desktop = Desktop()
        self.addCleanup(desktop.close)
        log_path = os.path.join(home, "router.log")
        with open(log_path, "w") as log:
            desktop.start([os.path.join(self.root, "usr/bin/simrouter"), "--bind", "192.168.0.1",
                           "--port", "161", "--seconds", "120", "--log"], stdout=log)
        opened = os.path.join(home, "opened")
        bin_dir = os.path.join(home, "bin")
        os.mkdir(bin_dir)
        with open(os.path.join(bin_dir, "xdg-open"), "w") as opener:
            opener.write(f'#!/bin/sh\necho "$@" >> "{opened}"\n')
        os.chmod(os.path.join(bin_dir, "xdg-open"), stat.S_IRWXU)
        env = dict(desktop.env, XDG_CONFIG_HOME=os.path.join(home, "config"),
                   PATH=bin_dir + os.pathsep + os.environ["PATH"])
        env.pop("QT_QPA_PLATFORM", None)
        # Started by the link on the PATH, from a folder without a manual.
        program = desktop.start([os.path.join(self.root, "usr/bin/ventrel")], env=env, cwd=home)

        def polled():
            with open(log_path) as log:
                return sum(1 for line in log if "1.3.6.1.4.1.9.9.109" in line) >= 2
        self.assertTrue(wait_for(polled, timeout=30), "the installed program polls the router")

        window = wait_until(lambda: desktop.windows(name="Ventrel"), "the main window")[0]
        wait_until(lambda: desktop.managed(window), "the window framed")
        manual = os.path.realpath(os.path.join(self.root, "usr/lib/ventrel/ventrel.html"))
        x, y, _, _, _ = desktop.geometry(window)
        desktop.click(x + 45, y + 10)
        wait_until(lambda: desktop.menu("ventrel"), "the Help menu to open")
        desktop.keys("Down", "Return")  # User's Manual, the menu's first entry
        wait_until(lambda: os.path.exists(opened), "the opener to be called")
        with open(opened) as handle:
            self.assertIn(manual, handle.read())
        self.assertIsNone(program.poll(), "still running")


if __name__ == "__main__":
    unittest.main(verbosity=2)
