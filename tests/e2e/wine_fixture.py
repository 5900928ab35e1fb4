"""Wine + Xvfb fixture for Zorvane's end-to-end tests (Python 3, stdlib only): a private Xvfb and the Wine prefix
build/e2e/wineprefix (scripts/wine_prefix.sh), started on first use and stopped at exit, also on SIGTERM. Each Wine
program's output is kept in build/e2e/logs."""

import atexit
import ctypes
import itertools
import os
import re
import signal
import subprocess
import sys
import tempfile
import time
import unittest
from pathlib import Path

REPO = Path(__file__).resolve().parents[2]
BUILD = REPO / "build" / "windows"
ZORVANE_EXE = Path(os.environ.get("ZORVANE_EXE", BUILD / "zorvane.exe"))  # another build, to try the tests on
DRIVER_EXE = BUILD / "tests" / "e2e" / "zdriver.exe"
PREFIX = REPO / "build" / "e2e" / "wineprefix"
LOG_DIR = REPO / "build" / "e2e" / "logs"
SCREENS = REPO / "build" / "e2e" / "screens"
SCREEN_WIDTH = 1024

# Wine's first start in a prefix can take many seconds on a busy machine.
TIMEOUT_MS = 60000
# How long to watch for something that must not happen.
QUIET_MS = 2000
# Driver commands that only read, or set something to a given value.
REPEATABLE = {"windows", "controls", "gone", "tray", "tray-tip", "reg-dump", "reg-set", "reg-delete"}

WM_COMMAND = 0x111
WM_TIMER = 0x113
TRAY_MESSAGE = 1029
VK_RETURN = 13
VK_ESCAPE = 27
VK_UP = 38
REG_SZ = 1
REG_DWORD = 4

_env = None
_xvfb = None
_holder = None
_processes = []
_log_numbers = itertools.count(1)


def _die_with_parent():
    ctypes.CDLL(None).prctl(1, signal.SIGTERM)  # PR_SET_PDEATHSIG


def wait_until(predicate, seconds=TIMEOUT_MS / 1000):
    """Polls predicate() until it is true; returns its last value."""
    deadline = time.monotonic() + seconds
    while not (value := predicate()) and time.monotonic() < deadline:
        time.sleep(0.1)
    return value


def _log(name):
    return open(LOG_DIR / f"{next(_log_numbers):03d}-{name}.log", "wb")


def _start():
    global _env, _xvfb
    if not (ZORVANE_EXE.is_file() and DRIVER_EXE.is_file()):
        raise RuntimeError("build first: cmake --preset windows && cmake --build --preset windows")
    LOG_DIR.mkdir(parents=True, exist_ok=True)
    for old in LOG_DIR.glob("*.log"):
        old.unlink()
    atexit.register(stop_all)
    signal.signal(signal.SIGTERM, lambda signum, frame: sys.exit(128 + signum))  # atexit runs then
    listing = subprocess.run(["bash", "-c", 'source "$1" && zorvane_wine_env "$2" && env -0', "_",
                              REPO / "scripts" / "wine_prefix.sh", PREFIX], check=True, capture_output=True)
    env = dict(item.split("=", 1) for item in listing.stdout.decode().split("\0") if "=" in item)
    # Xvfb picks a free display number and tells it once it accepts clients.
    read, write = os.pipe()
    with _log("xvfb") as log:
        _xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(write), "-screen", "0", f"{SCREEN_WIDTH}x768x24"],
                                 pass_fds=[write], stdout=log, stderr=subprocess.STDOUT, preexec_fn=_die_with_parent)
    os.close(write)
    with os.fdopen(read) as pipe:
        env["DISPLAY"] = ":" + pipe.readline().strip()
    if env["DISPLAY"] == ":":
        raise RuntimeError("Xvfb did not start")
    subprocess.run([REPO / "scripts" / "wine_prefix.sh", PREFIX], env=env, check=True, stdout=subprocess.DEVNULL)
    _env = env
    end_wine()  # nothing of an earlier run survives


def _wine(exe, args, name, env):
    if _env is None:
        _start()
    with _log(name) as log:
        process = subprocess.Popen([_env["WINE"], exe, *args], env={**_env, **env}, cwd=BUILD, stdout=log,
                                   stderr=log, stdin=subprocess.DEVNULL, preexec_fn=_die_with_parent)
    process.log = Path(log.name)
    _processes.append(process)
    return process


def _ensure_holder():
    # A wineserver begins to shut down a few seconds after its last program has ended, and a short program started just
    # then once ended with exit code 1 and no word. "zdriver hold" keeps a program running until end_wine().
    global _holder
    if _holder is None:
        _holder = _wine(DRIVER_EXE, ["hold"], "holder", {})
        if not wait_until(lambda: _holder.poll() is not None or b"holding" in _holder.log.read_bytes()) \
                or _holder.poll() is not None:
            raise RuntimeError(f"zdriver hold did not start, see {_holder.log}")


def start_zorvane(**env):
    _ensure_holder()
    return _wine(ZORVANE_EXE, [], "zorvane", env)


def try_driver(*args):
    _ensure_holder()
    args = [str(arg) for arg in args]
    # The driver gives a reason for each failure of its own: a silent exit code 1
    # is Wine failing to run it, worth one more try where that changes nothing.
    steps = " ".join(args).split(" -- ")
    for attempt in range(1 + all(step.split(" ")[0] in REPEATABLE for step in steps)):
        # Files, not pipes: a Wine program started along the way inherits them
        # and would keep a pipe open long after the driver ended.
        with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
            code = subprocess.run([_env["WINE"], DRIVER_EXE, *args], env=_env, cwd=BUILD, stdin=subprocess.DEVNULL,
                                  stdout=out, stderr=err, preexec_fn=_die_with_parent).returncode
            out.seek(0)
            err.seek(0)
            completed = subprocess.CompletedProcess(args, code, out.read().decode(), err.read().decode())
        if code != 1 or completed.stdout or completed.stderr:
            break
        print(f"zdriver {' '.join(args)}: exit code 1 and no word", file=sys.stderr)
    return completed


def driver(*args):
    """The driver's output; AssertionError when it fails."""
    completed = try_driver(*args)
    if completed.returncode != 0:
        raise AssertionError(f"zdriver {' '.join(completed.args)}: {completed.returncode}, {completed.stderr.strip()}")
    return completed.stdout


def end_wine():
    """Ends every Wine program of the prefix, the holder too."""
    global _holder
    if _env is None:
        return
    for option in ("-k", "-w"):
        subprocess.run([_env["WINESERVER"], option], env=_env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    for process in _processes:
        process.kill()  # a Wine loader outliving its program would hold the run
        process.wait()
    _processes.clear()
    _holder = None


def stop_all():
    global _env
    if _env is not None:
        end_wine()
        _xvfb.terminate()
        _xvfb.wait()
        _env = None


def rows(output):
    """The driver's lines as lists of fields, escapes undone."""
    unescape = {"t": "\t", "r": "\r", "n": "\n"}
    return [[re.sub(r"\\(.)", lambda m: unescape.get(m[1], m[1]), field) for field in line.split("\t")]
            for line in output.splitlines()]


def controls(class_name, title, timeout_ms=TIMEOUT_MS):
    """Waits for a window of Zorvane's: {control id: text}."""
    return {int(row[0]): row[4] for row in rows(driver("controls", class_name, title, timeout_ms))}


def no_window(class_name, title):
    """True when no such window of Zorvane's shows within QUIET_MS."""
    return try_driver("controls", class_name, title, QUIET_MS).returncode == 1


def screenshot(name):
    """Saves the screen as SCREENS/NAME.png; returns pixel(x, y), the colour there as bytes."""
    SCREENS.mkdir(parents=True, exist_ok=True)
    subprocess.run(["import", "-window", "root", SCREENS / f"{name}.png"], env=_env, check=True)
    raw = subprocess.run(["convert", SCREENS / f"{name}.png", "rgb:-"], check=True, capture_output=True).stdout
    return lambda x, y: raw[3 * (y * SCREEN_WIDTH + x):3 * (y * SCREEN_WIDTH + x + 1)]


def dword(number):
    return REG_DWORD, number.to_bytes(4, "little")


def sz(text, length):
    """A text as the program stores it: UTF-8, then zero bytes up to length."""
    return REG_SZ, text.encode().ljust(length, b"\0")


def reg_values(key=r"Software\Quillmoor Software\Mireth"):
    """A key under HKCU, the settings key unless named, as {(subkey, name): (type, data)}; subkey "." is the key."""
    return {(subkey, name): (int(kind), bytes.fromhex(data))
            for subkey, name, kind, data in rows(driver("reg-dump", key))}


class ZorvaneCase(unittest.TestCase):
    """One Zorvane for the whole class, started with settings() as the whole settings key and ENV in its environment.
    The tests run in name order, each carrying on from where the one before left off."""
    ENV = {}

    @classmethod
    def settings(cls):
        return {(".", "BOOT"): dword(1)}

    @classmethod
    def setUpClass(cls):
        settings = cls.settings()
        driver("reg-delete", *[arg for (key, name), (kind, data) in settings.items()
                               for arg in ("--", "reg-set", key, name, kind, data.hex())])
        cls.zorvane = start_zorvane(**cls.ENV)
        if (".", "BOOT") in settings:  # no welcome: ready once the icon shows
            driver("tray", 1, TIMEOUT_MS)

    @classmethod
    def tearDownClass(cls):
        end_wine()

    def assert_exits_with_zero(self):
        self.assertEqual(self.zorvane.wait(timeout=TIMEOUT_MS / 1000), 0)
