"""A Wine prefix of a test's own, for end-to-end tests of the Windows build.

It is copied from the template that tests/wine-netns keeps for the build
tree (made there on first use), as tests/wine-netns copies it for every run.
Wine makes every socket in its server process, so the test must run inside
a private network namespace (tests/netns), where the server then starts.
close() stops the server and every Windows process of the prefix, and
removes the copy."""

import glob
import os
import re
import shutil
import subprocess
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
WINE_NETNS = os.path.join(HERE, "..", "wine-netns")


class WinePrefix:
    def __init__(self, template, env):
        # The template, made by tests/wine-netns if it is not there yet.
        if not os.path.exists(os.path.join(template, ".ventrel-ready")):
            subprocess.run([WINE_NETNS, template, "cmd", "/c", "exit"], check=True,
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=300)
        self.folder = tempfile.mkdtemp(prefix=os.path.basename(template) + "-run.",
                                       dir=os.path.dirname(template))
        self.path = os.path.join(self.folder, "prefix")
        # Hard links for the files Wine only reads; real copies of the
        # registry, which its server rewrites in place.
        subprocess.run(["cp", "-al", template, self.path], check=True)
        for hive in glob.glob(os.path.join(template, "*.reg")):
            target = os.path.join(self.path, os.path.basename(hive))
            os.unlink(target)
            shutil.copy(hive, target)
        self.env = dict(env, WINEPREFIX=self.path, WINEDEBUG="-all",
                        WINEDLLOVERRIDES="mscoree,mshtml=")

    def run(self, *args, env=None, timeout=60):
        """Runs a Windows program to its end; returns the finished process."""
        return subprocess.run(["wine", *args], env=env or self.env, capture_output=True,
                              timeout=timeout)

    def reg_query(self, key):
        """The values under a registry key as {name: value}: texts as they
        are, numbers as ints; {} when the key does not exist."""
        result = self.run("reg", "query", key)
        values = {}
        for line in result.stdout.decode("utf-8", "replace").splitlines():
            match = re.match(r"^ {4}(\S.*?) {4}(REG_\w+) {4}(.*)$", line.rstrip("\r"))
            if not match:
                continue
            name, kind, data = match.groups()
            values[name] = int(data, 16) if kind == "REG_DWORD" else data
        return values

    def reg_add(self, key, name, value):
        """Sets a value; the name "" is the key's default value."""
        kind = "REG_DWORD" if isinstance(value, int) else "REG_SZ"
        which = ["/v", name] if name else ["/ve"]
        result = self.run("reg", "add", key, *which, "/t", kind, "/d", str(value), "/f")
        if result.returncode != 0:
            raise RuntimeError(f"reg add {key} {name}: {result.stdout!r} {result.stderr!r}")

    def windows_path(self, path):
        """The name a Windows program of this prefix gives a Unix path."""
        return self.run("winepath", "-w", path).stdout.decode().strip()

    def drive_c(self, *parts):
        return os.path.join(self.path, "drive_c", *parts)

    def close(self):
        subprocess.run(["wineserver", "-k"], env=self.env, stderr=subprocess.DEVNULL)
        subprocess.run(["wineserver", "-w"], env=self.env, stderr=subprocess.DEVNULL)
        shutil.rmtree(self.folder, ignore_errors=True)
