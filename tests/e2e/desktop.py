"""A throwaway X desktop for end-to-end tests: Xvfb, the openbox window
manager and a tray, driven with xdotool and read with xwininfo. The tray is
trayer (XEmbed), or xfce4-panel's, which is also a StatusNotifier host and
draws an icon's menu from what the program exports over D-Bus. Every process
started here is stopped by close().

Tests wait for the state they need (a window managed, a menu mapped, a
dialog focused) and never for a fixed time: on a loaded machine any fixed
time is too short."""

import ctypes
import glob
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


def wait_until(predicate, what, timeout=20.0):
    """As wait_for, but a state that never comes fails with its name."""
    value = wait_for(predicate, timeout)
    if not value:
        raise AssertionError(f"timed out after {timeout:g} s waiting for {what}")
    return value


class _Selections:
    """Who owns an X selection: the window manager holds WM_S0 and the tray
    _NET_SYSTEM_TRAY_S0. No command-line tool tells, so libX11 is asked."""

    def __init__(self, display):
        self.x11 = ctypes.CDLL("libX11.so.6")
        self.x11.XOpenDisplay.restype = ctypes.c_void_p
        self.x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
        self.x11.XInternAtom.restype = ctypes.c_ulong
        self.x11.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
        self.x11.XGetSelectionOwner.restype = ctypes.c_ulong
        self.x11.XGetSelectionOwner.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
        self.x11.XCloseDisplay.argtypes = [ctypes.c_void_p]
        self.display = self.x11.XOpenDisplay(display.encode())
        if not self.display:
            raise RuntimeError(f"cannot open display {display}")

    def owned(self, selection):
        atom = self.x11.XInternAtom(self.display, selection.encode(), 0)
        return self.x11.XGetSelectionOwner(self.display, atom) != 0

    def close(self):
        if self.display:
            self.x11.XCloseDisplay(self.display)
            self.display = None


# xfce4-panel's settings: one panel at the bottom, no longer than its one
# plugin, the tray.
PANEL_SETTINGS = """<?xml version="1.0" encoding="UTF-8"?>
<channel name="xfce4-panel" version="1.0">
  <property name="configver" type="int" value="2"/>
  <property name="panels" type="array">
    <value type="int" value="1"/>
    <property name="panel-1" type="empty">
      <property name="position" type="string" value="p=8;x=512;y=756"/>
      <property name="position-locked" type="bool" value="true"/>
      <property name="length" type="uint" value="1"/>
      <property name="length-adjust" type="bool" value="true"/>
      <property name="size" type="uint" value="24"/>
      <property name="plugin-ids" type="array">
        <value type="int" value="1"/>
      </property>
    </property>
  </property>
  <property name="plugins" type="empty">
    <property name="plugin-1" type="string" value="systray"/>
  </property>
</channel>
"""


class Desktop:
    def __init__(self, width=1024, height=768, session_bus=False, panel=False, tray=True):
        """panel: xfce4-panel's tray instead of trayer; it needs a session bus.
        tray: False starts no tray; start_panel() starts one later."""
        self.processes = []
        self.folder = None
        self.env = dict(os.environ)
        # No session bus: the tray icon docks the classic X way, into trayer.
        # A screen reader needs one (it finds the accessibility bus through
        # it); without a tray watcher on it the icon still docks into trayer.
        if not session_bus and not panel:
            self.env.pop("DBUS_SESSION_BUS_ADDRESS", None)
        self.selections = None
        read_end, write_end = os.pipe()
        # -noreset: by default the server resets when its last client leaves
        # and drops a client that connects meanwhile. When a short-lived probe
        # left just as openbox connected, the desktop ran without a window
        # manager, and closing a window did nothing.
        xvfb = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_end), "-screen", "0", f"{width}x{height}x24",
             "-nolisten", "tcp", "-noreset"],
            pass_fds=[write_end], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write_end)
        self.processes.append(xvfb)
        with os.fdopen(read_end) as pipe:
            number = pipe.readline().strip()
        if not number:
            self.close()
            raise RuntimeError("Xvfb did not start")
        self.env["DISPLAY"] = ":" + number
        try:
            self.selections = _Selections(self.env["DISPLAY"])
            self.window_manager = self.start(["openbox", "--sm-disable"])
            wait_until(self.window_manager_running, "the window manager")
            if not tray:
                pass
            elif panel:
                self.start_panel()
            else:
                self.tray = self.start(["trayer", "--edge", "bottom", "--align", "right",
                                        "--widthtype", "request", "--height", "24",
                                        "--SetDockType", "true", "--transparent", "false"])
                wait_until(self.tray_running, "the tray")
        except BaseException:
            self.close()
            raise

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

    def start_panel(self):
        """xfce4-panel with its tray, and the settings daemon it reads them
        from; ready once its tray is the bus's StatusNotifier host."""
        from statusnotifier import StatusNotifierBus  # python3-gi: only with a panel

        self.folder = tempfile.mkdtemp(prefix="ventrel-panel-")
        channels = os.path.join(self.folder, "xfce4", "xfconf", "xfce-perchannel-xml")
        os.makedirs(channels)
        with open(os.path.join(channels, "xfce4-panel.xml"), "w") as settings:
            settings.write(PANEL_SETTINGS)
        env = dict(self.env, XDG_CONFIG_HOME=self.folder)
        self.start(glob.glob("/usr/lib/*/xfce4/xfconf/xfconfd")[:1], env=env)
        self.start(["xfce4-panel", "--disable-wm-check"], env=env)
        wait_until(StatusNotifierBus().host_running, "xfce4-panel's tray on the session bus")

    def panel(self):
        """xfce4-panel's window, once mapped."""
        for window in self.windows(classname="xfce4-panel"):
            if "DOCK" in self.run(["xprop", "-id", str(window), "_NET_WM_WINDOW_TYPE"]):
                return window
        return None

    def close(self):
        if self.selections:
            self.selections.close()
        for process in reversed(self.processes):
            if process.poll() is None:
                process.terminate()
                try:
                    process.wait(timeout=5)
                except subprocess.TimeoutExpired:
                    process.kill()
                    process.wait()
        if self.folder:
            remove(self.folder)

    # --- reading the screen -------------------------------------------------

    def window_manager_running(self):
        if self.window_manager.poll() is not None:
            raise RuntimeError(f"openbox ended with status {self.window_manager.returncode}")
        # The check window is set once openbox manages new windows.
        return self.selections.owned("WM_S0") and "window id" in self.run(
            ["xprop", "-root", "_NET_SUPPORTING_WM_CHECK"])

    def tray_running(self):
        if self.tray.poll() is not None:
            raise RuntimeError(f"trayer ended with status {self.tray.returncode}")
        return self.selections.owned("_NET_SYSTEM_TRAY_S0")

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

    def managed(self, window):
        """Mapped, and framed by the window manager: closing it now reaches it."""
        return self.viewable(window) and "Normal" in self.run(["xprop", "-id", str(window), "WM_STATE"])

    def focused(self, window):
        """True when `window` has the keyboard focus, so typed keys reach it."""
        return self.run(["xdotool", "getwindowfocus"]).strip() == str(window)

    def menu(self, classname):
        """The popup menu that the program (or xfce4-panel's tray, whose
        class is wrapper-2.0) shows now, or None: a window of its own on the
        root that bypasses the window manager and is no tool tip (the docked
        icon bypasses it too, but lives inside the tray)."""
        for window in self.windows(classname=classname):
            if not self.on_root(window) or "Override Redirect State: yes" not in self.run(
                    ["xwininfo", "-id", str(window)]):
                continue
            kind = self.run(["xprop", "-id", str(window), "_NET_WM_WINDOW_TYPE"])
            if "TOOLTIP" not in kind:
                return window
        return None

    def at(self, window, x, y, tolerance=40):
        """True when the window's frame has reached (x, y), give or take its border."""
        left, top, _, _, _ = self.geometry(window)
        return abs(left - x) < tolerance and abs(top - y) < tolerance

    def type_into(self, window, *keys, text=None):
        """Types `text`, then presses `keys`, once `window` has the focus."""
        wait_until(lambda: self.focused(window), "the keyboard focus on the dialog")
        if text is not None:
            self.type(text)
        if keys:
            self.keys(*keys)

    def move_to(self, window, x, y):
        self.run(["xdotool", "windowmove", str(window), str(x), str(y)], check=True)
        wait_until(lambda: self.at(window, x, y), "the window to move")

    def open_menu(self, window, classname, x_offset, *keys):
        """Clicks the window's menu bar at x_offset and, once the menu is
        mapped, presses keys in it."""
        x, y, _, _, _ = self.geometry(window)
        self.click(x + x_offset, y + 10)
        wait_until(lambda: self.menu(classname), "the menu to open")
        self.keys(*keys)

    def restore_with_password(self, click_icon, window, password):
        """Asks for the window back through the icon (`click_icon`) with a
        wrong password, which must be refused with the window left hidden,
        then with `password` in another letter case, which must restore it."""
        click_icon()
        dialog = wait_until(lambda: self.windows(name="Restore Program"),
                            "the password to be asked for")
        self.type_into(dialog[0], "Return", text="wrong")
        message = wait_until(lambda: self.windows(name="Invalid Password"),
                             "a wrong password to be refused")
        self.type_into(message[0], "Return")
        wait_until(lambda: not self.windows(name="Invalid Password"), "the message to close")
        if self.viewable(window):
            raise AssertionError("the window showed after a wrong password")

        click_icon()
        dialog = wait_until(lambda: self.windows(name="Restore Program"), "the dialog again")
        self.type_into(dialog[0], "Return", text=password.swapcase())
        wait_until(lambda: self.viewable(window),
                   "the password in another letter case to restore the window")

    def tray_icon(self, classname):
        """The window of the program's icon docked in trayer, or None."""
        for window in self.windows(classname=classname, visible=False):
            x, y, width, height, mapped = self.geometry(window)
            if mapped and width <= 64 and height <= 64 and not self.on_root(window):
                return window
        return None

    def on_root(self, window):
        """True when the window's parent is the root: neither framed by the
        window manager nor docked in the tray."""
        info = self.run(["xwininfo", "-children", "-id", str(window)])
        parent = info.split("Parent window id:", 1)[1].splitlines()[0] if "Parent window id:" in info else ""
        return "(the root window)" in parent

    # --- driving ------------------------------------------------------------

    def pointer(self):
        values = dict(line.split("=", 1) for line in
                      self.run(["xdotool", "getmouselocation", "--shell"]).split() if "=" in line)
        return int(values.get("X", -1)), int(values.get("Y", -1))

    def click(self, x, y, button=1):
        # The pointer is there before the button goes down. (xdotool's own
        # --sync waits some fifteen seconds when the pointer is there already.)
        self.run(["xdotool", "mousemove", str(x), str(y)], check=True)
        wait_until(lambda: self.pointer() == (x, y), "the pointer to move")
        self.run(["xdotool", "click", str(button)], check=True)

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
