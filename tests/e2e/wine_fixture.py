"""Wine + Xvfb fixture for Zorvane's end-to-end tests (Python 3, stdlib only).

One session per test run: a private Xvfb display (1024x768x24, on a free
display number) and the test Wine prefix build/e2e/wineprefix, created or
brought up to date by scripts/wine_prefix.sh. Everything is started lazily on
first use and stopped at exit, also on Ctrl+C or SIGTERM; the children get
SIGTERM should this process die without cleaning up.

    import wine_fixture as wf
    zorvane = wf.start_zorvane()          # Popen of wine64 zorvane.exe
    wf.driver("wait-main", "60000")       # zdriver.exe output; raises DriverError
    wf.try_driver("msgbox", "0")          # CompletedProcess, never raises
    wf.end_wine()                         # every Wine process of the prefix ends
    wf.stop_all()                         # ... and the display too

ZorvaneTestCase gives each test an empty settings key and ends Wine after it.
Waits poll: Wine's start-up time varies, so they are generous, and no test
asserts how long anything took.
"""

import atexit
import ctypes
import os
import random
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import unittest
from dataclasses import dataclass
from pathlib import Path

REPO = Path(__file__).resolve().parents[2]
BUILD = Path(os.environ.get("ZORVANE_BUILD_DIR", REPO / "build" / "windows"))
ZORVANE_EXE = BUILD / "zorvane.exe"
DRIVER_EXE = BUILD / "tests" / "e2e" / "zdriver.exe"
E2E_DIR = REPO / "build" / "e2e"
PREFIX = E2E_DIR / "wineprefix"
LOG_DIR = E2E_DIR / "logs"

# Seconds a single wine64 process (driver command, second start) may take.
WINE_PROCESS_TIMEOUT = 120
# Milliseconds the driver waits for a window to appear: Wine's first start
# in a prefix (wineserver, explorer) can take many seconds on a busy machine.
WINDOW_TIMEOUT_MS = 60000

# Driver commands that change nothing, or set something to a given value.
REPEATABLE_DRIVER_COMMANDS = {
    "wait-main", "windows", "dialog", "msgbox", "gone", "menu-open", "menu-resource", "tray-icons",
    "reg-dump", "reg-delete", "reg-set",
}

VK_RETURN = 13
VK_ESCAPE = 27
VK_UP = 38
VK_DOWN = 40
WM_LBUTTONDOWN = 513
WM_LBUTTONDBLCLK = 515
WM_RBUTTONDOWN = 516
WM_RBUTTONUP = 517


class DriverError(AssertionError):
    """zdriver.exe ended with a non-zero exit code: the awaited thing never came."""

    def __init__(self, args, completed):
        self.completed = completed
        super().__init__(
            f"zdriver {' '.join(args)} exited {completed.returncode}: {completed.stderr.strip()}"
        )


def _die_with_parent():
    # PR_SET_PDEATHSIG: the child gets SIGTERM when the test process dies.
    libc = ctypes.CDLL(None, use_errno=True)
    libc.prctl(1, signal.SIGTERM)


def wait_until(predicate, timeout, interval=0.2):
    """Polls predicate() until it returns a true value; returns that value, or
    the last false one after timeout seconds."""
    deadline = time.monotonic() + timeout
    while True:
        value = predicate()
        if value or time.monotonic() >= deadline:
            return value
        time.sleep(interval)


class Session:
    """The private display and the Wine prefix with everything started in it."""

    def __init__(self):
        self.display = None
        self.xvfb = None
        self.env = None
        self.processes = []
        self.holder = None
        self.log_count = 0

    # --- start-up -------------------------------------------------------

    def start(self):
        for exe in (ZORVANE_EXE, DRIVER_EXE):
            if not exe.is_file():
                raise RuntimeError(f"{exe} is missing: build with "
                                   "'cmake --preset windows && cmake --build build/windows'")
        LOG_DIR.mkdir(parents=True, exist_ok=True)
        for old_log in LOG_DIR.glob("*.log"):
            old_log.unlink()
        self._start_xvfb()
        self.env = self._wine_env()
        subprocess.run([str(REPO / "scripts" / "wine_prefix.sh"), str(PREFIX)], env=self.env,
                       check=True, stdout=subprocess.DEVNULL, timeout=600)
        self.end_wine()  # nothing of an earlier run survives

    def _start_xvfb(self):
        # Numbers from a random point, so that parallel runs rarely try the same one;
        # a number taken meanwhile makes Xvfb exit, and the next one is tried.
        first = random.randrange(100, 400)
        for number in range(first, first + 200):
            if (Path(f"/tmp/.X{number}-lock").exists()
                    or Path(f"/tmp/.X11-unix/X{number}").exists()):
                continue
            log = open(LOG_DIR / "xvfb.log", "ab")
            xvfb = subprocess.Popen(
                ["Xvfb", f":{number}", "-screen", "0", "1024x768x24", "-nolisten", "tcp"],
                stdin=subprocess.DEVNULL, stdout=log, stderr=log,
                start_new_session=True, preexec_fn=_die_with_parent)
            log.close()
            if wait_until(lambda: xvfb.poll() is not None or self._answers(number), 30):
                if xvfb.poll() is None:
                    self.display, self.xvfb = f":{number}", xvfb
                    return
            _stop_process(xvfb)
        raise RuntimeError("no free X display number for Xvfb")

    @staticmethod
    def _answers(number):
        if shutil.which("xdpyinfo") is None:  # x11-utils missing: the socket will do
            return Path(f"/tmp/.X11-unix/X{number}").exists()
        return subprocess.run(["xdpyinfo", "-display", f":{number}"], stdout=subprocess.DEVNULL,
                              stderr=subprocess.DEVNULL).returncode == 0

    def _wine_env(self):
        script = REPO / "scripts" / "wine_prefix.sh"
        listing = subprocess.run(
            ["bash", "-c", 'source "$1" && zorvane_wine_env "$2" && env -0', "_", str(script), str(PREFIX)],
            check=True, capture_output=True).stdout
        env = dict(item.split("=", 1) for item in listing.decode().split("\0") if "=" in item)
        env["DISPLAY"] = self.display
        env.pop("WAYLAND_DISPLAY", None)
        return env

    # --- Wine processes -------------------------------------------------

    def _log_file(self, name):
        self.log_count += 1
        return open(LOG_DIR / f"{self.log_count:03d}-{name}.log", "wb")

    def _ensure_holder(self):
        """Keeps "zdriver hold" running until end_wine(). A wineserver begins
        to shut down a few seconds after its last program has ended, and a
        test runs many short Wine programs one after the other; in such a run
        a driver once ended with exit code 1 without a word, which that
        shutdown racing its start would explain. With the holder running, the
        server never begins that shutdown."""
        if self.holder is not None and self.holder.poll() is None:
            return
        log = self._log_file("holder")
        log_path = Path(log.name)
        self.holder = subprocess.Popen([self.env["WINE"], str(DRIVER_EXE), "hold"], env=self.env,
                                       cwd=str(BUILD), stdin=subprocess.DEVNULL, stdout=log,
                                       stderr=log, preexec_fn=_die_with_parent)
        log.close()
        wait_until(lambda: self.holder.poll() is not None or b"holding" in log_path.read_bytes(),
                   WINE_PROCESS_TIMEOUT)
        if self.holder.poll() is not None or b"holding" not in log_path.read_bytes():
            raise RuntimeError(f"zdriver hold did not start (exit code {self.holder.poll()}), "
                               f"see {log_path}")

    def start_zorvane(self):
        """Starts zorvane.exe; its output (Wine's and ALSA's chatter) goes to a log file."""
        self._ensure_holder()
        log = self._log_file("zorvane")
        process = subprocess.Popen([self.env["WINE"], str(ZORVANE_EXE)], env=self.env, cwd=str(BUILD),
                                   stdin=subprocess.DEVNULL, stdout=log, stderr=log,
                                   preexec_fn=_die_with_parent)
        log.close()
        self.processes.append(process)
        return process

    def run_zorvane(self, timeout=WINE_PROCESS_TIMEOUT):
        """Runs another zorvane.exe to its end; returns its exit code."""
        process = self.start_zorvane()
        try:
            return process.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            raise AssertionError(f"zorvane.exe did not end within {timeout} s") from None

    def try_driver(self, *args, timeout=WINE_PROCESS_TIMEOUT):
        self._ensure_holder()
        args = [str(arg) for arg in args]
        completed = self._run_driver(args, timeout)
        # The driver gives a reason for every failure of its own; a silent
        # exit code 1 is Wine failing to run it. Commands that only read, or
        # set something to a value, are safe to run once more.
        if (completed.returncode == 1 and not completed.stdout and not completed.stderr
                and args and args[0] in REPEATABLE_DRIVER_COMMANDS):
            print(f"zdriver {' '.join(args)} ended with exit code 1 and no word; running it once more",
                  file=sys.stderr)
            completed = self._run_driver(args, timeout)
        return completed

    def _run_driver(self, args, timeout):
        # Files, not pipes: a Wine process that the driver happens to start
        # (explorer.exe, the first time a window is looked at) inherits its
        # output handles and would hold a pipe open long after the driver ended.
        with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
            code = subprocess.run([self.env["WINE"], str(DRIVER_EXE), *args], env=self.env, cwd=str(BUILD),
                                  stdin=subprocess.DEVNULL, stdout=out, stderr=err, timeout=timeout,
                                  preexec_fn=_die_with_parent).returncode
            out.seek(0)
            err.seek(0)
            return subprocess.CompletedProcess(args, code, out.read().decode("utf-8", "replace"),
                                               err.read().decode("utf-8", "replace"))

    def driver(self, *args, timeout=WINE_PROCESS_TIMEOUT):
        completed = self.try_driver(*args, timeout=timeout)
        if completed.returncode != 0:
            raise DriverError([str(arg) for arg in args], completed)
        return completed.stdout

    def end_wine(self):
        """Ends every Wine process of the prefix (Zorvane, explorer, ...)."""
        if self.env is None:
            return
        subprocess.run([self.env["WINESERVER"], "-k"], env=self.env,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=60)
        for process in self.processes:
            _stop_process(process)
        self.processes.clear()
        if self.holder is not None:
            _stop_process(self.holder)
            self.holder = None
        subprocess.run([self.env["WINESERVER"], "-w"], env=self.env,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=60)

    def stop(self):
        try:
            self.end_wine()
        finally:
            if self.xvfb is not None:
                _stop_process(self.xvfb)
                self.xvfb = None


def _stop_process(process):
    if process.poll() is None:
        process.terminate()
        try:
            process.wait(timeout=10)
        except subprocess.TimeoutExpired:
            process.kill()
            process.wait()


# --- the module-level helpers the tests use ---------------------------------

_session = None
_start_error = None


def session():
    """The running session, started on first use. A session that failed to
    start is not tried again: every later test fails at once with its error."""
    global _session, _start_error
    if _start_error is not None:
        raise _start_error
    if _session is None:
        _install_exit_handlers()
        _session = Session()
        try:
            _session.start()
        except BaseException as error:
            stop_all()
            _start_error = RuntimeError(f"the Wine session did not start: {error}")
            raise
    return _session


def _install_exit_handlers():
    atexit.register(stop_all)
    # SIGTERM would end the interpreter without running atexit handlers.
    if signal.getsignal(signal.SIGTERM) == signal.SIG_DFL:
        signal.signal(signal.SIGTERM, lambda signum, frame: sys.exit(128 + signum))


def stop_all():
    """wineserver -k for the prefix, then Xvfb; safe to call more than once."""
    global _session
    if _session is not None:
        stopping, _session = _session, None
        stopping.stop()


def start_zorvane():
    return session().start_zorvane()


def run_zorvane(timeout=WINE_PROCESS_TIMEOUT):
    return session().run_zorvane(timeout)


def driver(*args, timeout=WINE_PROCESS_TIMEOUT):
    return session().driver(*args, timeout=timeout)


def try_driver(*args, timeout=WINE_PROCESS_TIMEOUT):
    return session().try_driver(*args, timeout=timeout)


def end_wine():
    if _session is not None:
        _session.end_wine()


# --- reading the driver's output ----------------------------------------------

def unescape(field):
    """Undoes the driver's escaping of backslash, tab, CR and LF in a field."""
    out, chars = [], iter(field)
    for c in chars:
        if c == "\\":
            c = {"\\": "\\", "t": "\t", "r": "\r", "n": "\n"}.get(next(chars, ""), "")
        out.append(c)
    return "".join(out)


@dataclass(frozen=True)
class RegValue:
    type: str
    data: bytes


def reg_values():
    """The settings key as {(subkey, name): RegValue}; subkey "." is the key itself.
    Raises DriverError when the key does not exist."""
    values = {}
    for line in driver("reg-dump").splitlines():
        subkey, name, value_type, length, data = line.split("\t")
        value = RegValue(value_type, bytes.fromhex(data))
        if int(length) != len(value.data):
            raise AssertionError(f"reg-dump line with a wrong length: {line}")
        values[(unescape(subkey), unescape(name))] = value
    return values


@dataclass(frozen=True)
class Window:
    handle: str
    class_name: str
    title: str
    visible: bool
    x: int
    y: int
    width: int
    height: int


def zorvane_windows():
    """Top-level windows of Zorvane's process."""
    windows = []
    for line in driver("windows").splitlines():
        handle, class_name, title, visible, x, y, width, height = line.split("\t")
        windows.append(Window(handle, unescape(class_name), unescape(title), visible == "1",
                              int(x), int(y), int(width), int(height)))
    return windows


def read_message_box(timeout_ms=WINDOW_TIMEOUT_MS):
    """Waits for a message box of Zorvane's process: (title, text)."""
    title, _, text = driver("msgbox", timeout_ms).partition("\n")
    return title, text[:-1] if text.endswith("\n") else text


def tray_icon_count():
    return int(driver("tray-icons"))


def menu_is_open():
    return try_driver("menu-open", 0).returncode == 0


def dword(number):
    return RegValue("REG_DWORD", number.to_bytes(4, "little"))


def text(value, length):
    """A REG_SZ as the program writes it: UTF-8 text, zero, zero padding."""
    encoded = value.encode()
    return RegValue("REG_SZ", encoded + bytes(length - len(encoded)))


class ZorvaneTestCase(unittest.TestCase):
    """Each test starts with no settings key and ends with no Wine process."""

    def setUp(self):
        session()
        driver("reg-delete")
        self.addCleanup(end_wine)

    def start_and_wait_ready(self):
        """Starts Zorvane and waits until its creation is complete: the tray
        icon is the last thing the main window's creation adds."""
        process = start_zorvane()
        driver("wait-main", WINDOW_TIMEOUT_MS)
        ready = wait_until(lambda: tray_icon_count() >= 1 or process.poll() is not None,
                           WINDOW_TIMEOUT_MS / 1000)
        self.assertIsNone(process.poll(), "zorvane.exe ended during start-up")
        if not ready:
            # A message box left open stops the start-up: say which.
            box = try_driver("msgbox", 0)
            self.fail("Zorvane's tray icon never appeared"
                      + (f"; a message box is open: {box.stdout!r}" if box.returncode == 0 else ""))
        return process

    def assert_exits_with_zero(self, process):
        try:
            code = process.wait(timeout=WINE_PROCESS_TIMEOUT)
        except subprocess.TimeoutExpired:
            self.fail("zorvane.exe did not end")
        self.assertEqual(code, 0)
