"""A throwaway X desktop for end-to-end tests: Xvfb, the openbox window
manager and the trayer system tray, driven with xdotool and read with
xwininfo. Every process started here is stopped by close()."""

import os
import re
import shutil
import subprocess
import tempfile
import time


def wait_for(predicate, timeout=10.0, step=0.1):
    """Calls predicate until it returns something true, or the time is up."""
    end = time.monotonic() + timeout
    while True:
        value = predicate()
        if value or time.monotonic() > end:
            return value
        time.sleep(step)


class Desktop:
    def __init__(self, width=1024, height=768):
        self.processes = []
        self.env = dict(os.environ)
        # No session bus: the tray icon docks the classic X way, into trayer.
        self.env.pop("DBUS_SESSION_BUS_ADDRESS", None)
        read_end, write_end = os.pipe()
        xvfb = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_end), "-screen", "0", f"{width}x{height}x24",
             "-nolisten", "tcp"],
            pass_fds=[write_end], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write_end)
        self.processes.append(xvfb)
        with os.fdopen(read_end) as pipe:
            number = pipe.readline().strip()
        if not number:
            self.close()
            raise RuntimeError("Xvfb did not start")
        self.env["DISPLAY"] = ":" + number
        self.start(["openbox", "--sm-disable"])
        wait_for(lambda: self.run(["xprop", "-root", "_NET_SUPPORTING_WM_CHECK"]).find("window id") >= 0)
        self.start(["trayer", "--edge", "bottom", "--align", "right", "--widthtype", "request",
                    "--height", "24", "--SetDockType", "true", "--transparent", "false"])
        wait_for(self.tray_running)

    def start(self, command, env=None, **kwargs):
        process = subprocess.Popen(command, env=env or self.env, stdout=kwargs.pop("stdout", subprocess.DEVNULL),
                                   stderr=kwargs.pop("stderr", subprocess.DEVNULL), **kwargs)
        self.processes.append(process)
        return process

    def run(self, command, check=False):
        result = subprocess.run(command, env=self.env, capture_output=True, text=True, timeout=20)
        if check and result.returncode != 0:
            raise RuntimeError(f"{command}: {result.stderr}")
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

    # --- reading the screen -------------------------------------------------

    def tray_running(self):
        return "_NET_SYSTEM_TRAY" in self.run(["xprop", "-root"]) or bool(
            self.run(["xdotool", "search", "--classname", "trayer"]).strip())

    def windows(self, name=None, classname=None, visible=True):
        command = ["xdotool", "search"]
        if visible:
            command.append("--onlyvisible")
        if name is not None:
            command += ["--name", f"^{re.escape(name)}$"]
        else:
            command += ["--classname", classname]
        return [int(w) for w in self.run(command).split()]

    def geometry(self, window):
        """(x, y, width, height, mapped) of a window, absolute on the screen."""
        info = self.run(["xwininfo", "-id", str(window)])
        values = {}
        for key in ("Absolute upper-left X", "Absolute upper-left Y", "Width", "Height"):
            match = re.search(re.escape(key) + r":\s+(-?\d+)", info)
            values[key] = int(match.group(1)) if match else 0
        mapped = "IsViewable" in info
        return (values["Absolute upper-left X"], values["Absolute upper-left Y"],
                values["Width"], values["Height"], mapped)

    def viewable(self, window):
        return self.geometry(window)[4]

    def tray_icon(self, classname):
        """The window of the program's icon docked in trayer, or None."""
        for window in self.windows(classname=classname, visible=False):
            x, y, width, height, mapped = self.geometry(window)
            parent = self.run(["xwininfo", "-children", "-id", str(window)])
            if mapped and width <= 64 and height <= 64 and "Parent window id" in parent \
                    and "(the root window)" not in parent.split("Parent window id")[1].splitlines()[0]:
                return window
        return None

    # --- driving ------------------------------------------------------------

    def click(self, x, y, button=1):
        self.run(["xdotool", "mousemove", str(x), str(y), "sleep", "0.2", "click", str(button)], check=True)

    def click_window(self, window, button=1):
        x, y, width, height, _ = self.geometry(window)
        self.click(x + width // 2, y + height // 2, button)

    def keys(self, *keys):
        self.run(["xdotool", "key", "--delay", "80", *keys], check=True)

    def type(self, text):
        self.run(["xdotool", "type", "--delay", "40", text], check=True)

    def close_window(self, window):
        """Asks the window manager to close the window, as its close button does."""
        self.run(["wmctrl", "-i", "-c", hex(window)], check=True)

    def screenshot(self, path):
        self.run(["import", "-window", "root", path])


def temporary_home():
    """A fresh folder for settings and logs, removed by the caller."""
    return tempfile.mkdtemp(prefix="ventrel-e2e-")


def remove(path):
    shutil.rmtree(path, ignore_errors=True)
