"""A throwaway Wayland desktop for end-to-end tests: a headless sway and,
when asked, waybar with its tray, a StatusNotifier host. Read with swaymsg
and over the session bus; every process started here is stopped by close().

sway refuses to run as root, so tests run it under tests/e2e/wayland-session:
a user namespace where they are a plain user, with a session bus and a
runtime folder of their own."""

import json
import os
import subprocess

from desktop import temporary_home, remove, wait_until
from statusnotifier import StatusNotifierBus

SWAY_CONFIG = """output HEADLESS-1 resolution 1024x768
xwayland disable
"""

WAYBAR_CONFIG = """{"layer": "top", "position": "bottom", "height": 24,
 "modules-left": [], "modules-center": [], "modules-right": ["tray"],
 "tray": {"icon-size": 16, "spacing": 4}}
"""


class SwayDesktop:
    def __init__(self, tray=True):
        self.processes = []
        self.folder = temporary_home()
        self.runtime = os.environ["XDG_RUNTIME_DIR"]
        self.env = dict(os.environ, HOME=self.folder, WLR_BACKENDS="headless",
                        WLR_LIBINPUT_NO_DEVICES="1", WLR_RENDERER="pixman")
        for name in ("DISPLAY", "WAYLAND_DISPLAY", "SWAYSOCK", "QT_QPA_PLATFORM"):
            self.env.pop(name, None)
        self.bus = StatusNotifierBus()
        try:
            config = self.write("sway.conf", SWAY_CONFIG)
            self.log = open(os.path.join(self.folder, "sway.log"), "w")
            self.sway = self.start(["sway", "-c", config], stdout=self.log, stderr=subprocess.STDOUT)
            self.env["WAYLAND_DISPLAY"] = wait_until(self.display, "sway's display")
            self.env["SWAYSOCK"] = wait_until(self.ipc_socket, "sway's IPC socket")
            wait_until(lambda: self.run(["swaymsg", "-t", "get_outputs"]).startswith("["),
                       "sway to answer")
            if tray:
                self.start_tray()
        except BaseException:
            self.close()
            raise

    def write(self, name, text):
        path = os.path.join(self.folder, name)
        with open(path, "w") as file:
            file.write(text)
        return path

    def display(self):
        if self.sway.poll() is not None:
            raise RuntimeError(f"sway ended with status {self.sway.returncode}")
        names = [n for n in os.listdir(self.runtime) if n.startswith("wayland-") and not n.endswith(".lock")]
        return names[0] if names else None

    def ipc_socket(self):
        names = [n for n in os.listdir(self.runtime) if n.startswith("sway-ipc.")]
        return os.path.join(self.runtime, names[0]) if names else None

    def start(self, command, env=None, **kwargs):
        process = subprocess.Popen(command, env=env or self.env,
                                   stdout=kwargs.pop("stdout", subprocess.DEVNULL),
                                   stderr=kwargs.pop("stderr", subprocess.DEVNULL), **kwargs)
        self.processes.append(process)
        return process

    def start_tray(self):
        """waybar with its tray: it starts the StatusNotifierWatcher and
        registers itself as the host."""
        self.start(["waybar", "-c", self.write("waybar.json", WAYBAR_CONFIG)])
        wait_until(self.bus.host_running, "waybar's tray on the session bus")

    def run(self, command):
        result = subprocess.run(command, env=self.env, capture_output=True, text=True, timeout=20)
        return result.stdout

    def close(self):
        for process in reversed(self.processes):
            if process.poll() is None:
                process.terminate()
                try:
                    process.wait(timeout=5)
                except subprocess.TimeoutExpired:
                    process.kill()
                    process.wait()
        remove(self.folder)

    # --- reading the screen -------------------------------------------------

    def windows(self, name=None):
        """The mapped windows (sway's views), each a dict of sway's tree."""
        try:
            tree = json.loads(self.run(["swaymsg", "-t", "get_tree"]))
        except ValueError:
            return []
        found = []

        def walk(node):
            if node.get("type") in ("con", "floating_con") and node.get("pid") and (
                    name is None or node.get("name") == name):
                found.append(node)
            for child in node.get("nodes", []) + node.get("floating_nodes", []):
                walk(child)

        walk(tree)
        return found

    def focused(self, name):
        """True when the window called `name` has the keyboard focus."""
        return any(window.get("focused") for window in self.windows(name))

    # --- driving ------------------------------------------------------------

    def close_window(self, window):
        """Asks the window to close, as its close button does."""
        self.run(["swaymsg", f"[con_id={window['id']}]", "kill"])

    def type(self, text, *keys):
        """Types `text`, then presses `keys`, into the focused window."""
        command = ["wtype", text]
        for key in keys:
            command += ["-k", key]
        subprocess.run(command, env=self.env, check=True, timeout=20)
