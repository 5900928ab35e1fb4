#!/usr/bin/env python3
"""A private Dovecot POP3 server on 127.0.0.1 (or another loopback address) with seeded mailboxes.

Used by the tests and by the demo in run.sh. Everything the instance owns
(config, passwd-file, maildirs, sockets, state, log) lives under one folder;
nothing system-wide is touched.

    scripts/dovecot.py start --dir DIR [--port N] --mailbox USER:PASSWORD:COUNT[:BYTES_EACH] ...
    scripts/dovecot.py stop --dir DIR

`start` prints the port; starting again under the same DIR stops the running
instance and seeds the mailboxes afresh. As root, the folders above DIR must
be searchable by others: Dovecot reads its files as its own unprivileged user.
As a module:

    with DovecotServer(folder, [Mailbox("alice", "pw", 3)]) as server:
        server.port, server.stat("alice")   # (3, 900): what STAT will answer
"""

import argparse
import ctypes
import os
import pathlib
import poplib
import pwd
import shutil
import signal
import socket
import ssl
import stat
import subprocess
import sys
import time
from dataclasses import dataclass

DOVECOT = "/usr/sbin/dovecot"
DEFAULT_BYTES_EACH = 300
START_TIMEOUT_S = 15.0
STOP_TIMEOUT_S = 15.0


@dataclass(frozen=True)
class Mailbox:
    user: str
    password: str
    count: int
    bytes_each: int = DEFAULT_BYTES_EACH

    def __post_init__(self):
        if not self.user or any(c in self.user for c in ":/\r\n\t ") or self.user.startswith("."):
            raise ValueError(f"unusable user name {self.user!r}")
        if any(c in self.password for c in ":\r\n"):
            raise ValueError("a password may not hold ':' or line breaks")
        if not 0 <= self.count <= MAX_MESSAGES:
            raise ValueError(f"message count must be 0 to {MAX_MESSAGES}")
        if self.count and self.bytes_each < minimum_message_size():
            raise ValueError(f"messages need at least {minimum_message_size()} bytes")

    @property
    def stat(self):
        """The (count, total size) a STAT reply gives for this mailbox."""
        return self.count, self.count * self.bytes_each

    @classmethod
    def parse(cls, text):
        """USER:PASSWORD:COUNT[:BYTES_EACH], as given on the command line."""
        fields = text.split(":")
        if len(fields) not in (3, 4):
            raise ValueError(f"expected USER:PASSWORD:COUNT[:BYTES_EACH], got {text!r}")
        bytes_each = int(fields[3]) if len(fields) == 4 else DEFAULT_BYTES_EACH
        return cls(fields[0], fields[1], int(fields[2]), bytes_each)


MAX_MESSAGES = 99999
# Reading the numbers back needs no trust in the certificate: whoever connects
# to the server checks it for themselves.
_UNCHECKED_TLS = ssl.SSLContext(ssl.PROTOCOL_TLS_CLIENT)
_UNCHECKED_TLS.check_hostname = False
_UNCHECKED_TLS.verify_mode = ssl.CERT_NONE


def _message_head(number):
    # A fixed-width number keeps the smallest possible message the same for all.
    return (f"From: sender@example.invalid\r\n"
            f"To: mailbox@example.invalid\r\n"
            f"Subject: Message {number:05d}").encode("ascii")


def minimum_message_size():
    return len(_message_head(MAX_MESSAGES)) + len(b"\r\n\r\n")


def message_bytes(number, size):
    """A message of exactly `size` bytes with CRLF line ends.

    POP3 sizes count CRLF line ends, so storing the message with CRLF makes
    the file size, the size Dovecot reports, and `size` the same number.
    """
    head = _message_head(number)
    room = size - len(head) - len(b"\r\n\r\n")
    if room < 0:
        raise ValueError(f"message size {size} is below {minimum_message_size()}")
    body = b""
    while room >= 3:
        line = min(room - 2, 76)
        body += b"x" * line + b"\r\n"
        room -= line + 2
    # One or two bytes left cannot form a body line; lengthen the subject instead.
    head += b"." * room
    message = head + b"\r\n\r\n" + body
    assert len(message) == size
    return message


def free_port(address="127.0.0.1"):
    with socket.socket(socket.AF_INET6 if ":" in address else socket.AF_INET, socket.SOCK_STREAM) as probe:
        probe.bind((address, 0))
        return probe.getsockname()[1]


def _accounts():
    """(internal user, login user, mail user) that the instance runs as.

    Dovecot refuses root for its login processes and for mail access, so
    as root the unprivileged accounts the package created are used; as
    another user everything runs as that user.
    """
    if os.geteuid() != 0:
        me = pwd.getpwuid(os.geteuid())
        return me, me, me
    internal = _first_user("dovecot", "nobody")
    login = _first_user("dovenull", "nobody")
    return internal, login, internal


def _first_user(*names):
    for name in names:
        try:
            return pwd.getpwnam(name)
        except KeyError:
            continue
    raise RuntimeError(f"none of the users {names} exists")


def _die_with_parent():
    # PR_SET_PDEATHSIG: a test run that is killed must not leave a server behind.
    ctypes.CDLL(None).prctl(1, signal.SIGTERM)


def _require_searchable_parents(folder):
    for parent in pathlib.Path(folder).parents:
        if not os.stat(parent).st_mode & stat.S_IXOTH:
            raise RuntimeError(f"Dovecot's unprivileged processes cannot reach {folder}: "
                               f"{parent} is not searchable by others (chmod o+x)")


def _pid_alive(pid):
    """False once the process has exited, also while it waits to be reaped."""
    try:
        with open(f"/proc/{pid}/stat", encoding="ascii", errors="replace") as status_file:
            state = status_file.read().rpartition(")")[2].split()[0]
    except (OSError, IndexError):
        return False
    return state not in ("Z", "X")


class DovecotServer:
    """One private Dovecot instance under `folder`, listening on 127.0.0.1
    or the loopback address given."""

    def __init__(self, folder, mailboxes, port=None, detach=False, tls=None, address="127.0.0.1", stock=False):
        """detach: keep running after this process ends (the command line's
        way); otherwise the server is a child that ends together with it.
        tls: (address, port, certificate file, key file) of a listener that
        speaks TLS from the first byte (POP3S), port 0 for none; with it the
        plain listener offers STLS. stock: the security settings the package
        ships, which need tls: a login in clear only from the server's own
        address, so another client must use STLS first."""
        if stock and tls is None:
            raise ValueError("a stock configuration needs tls")
        self.folder = os.path.abspath(folder)
        self.mailboxes = list(mailboxes)
        users = [m.user for m in self.mailboxes]
        if len(set(users)) != len(users):
            raise ValueError("mailbox users must be distinct")
        self.requested_port = port
        self.port = None
        self.detach = detach
        self.tls = tls
        self.address = address
        self.stock = stock
        self._child = None

    # Paths -----------------------------------------------------------------
    def path(self, *parts):
        return os.path.join(self.folder, *parts)

    @property
    def config_path(self):
        return self.path("dovecot.conf")

    @property
    def log_path(self):
        return self.path("dovecot.log")

    def stat(self, user):
        """(count, size) that STAT gives for `user`'s mailbox."""
        for mailbox in self.mailboxes:
            if mailbox.user == user:
                return mailbox.stat
        raise KeyError(user)

    # Lifecycle -------------------------------------------------------------
    def start(self):
        """Seeds the mailboxes afresh and starts; an instance already running
        under the folder is stopped first. Returns the port."""
        stop_instance(self.folder)
        self._seed()
        attempts = 1 if self.requested_port else 5
        for _ in range(attempts):
            self.port = self.requested_port or free_port(self.address)
            self._write_config()
            if self._launch():
                self._check_mailboxes()
                return self.port
            # A free port may be taken between probing and binding; try another.
        raise RuntimeError(f"dovecot did not start:\n{self.log_tail()}")

    def stop(self):
        stop_instance(self.folder)
        if self._child is not None:
            self._child.wait()
            self._child = None

    def __enter__(self):
        self.start()
        return self

    def __exit__(self, *exc):
        self.stop()

    def log_tail(self, lines=20):
        tail = ""
        for name in ("startup.log", "dovecot.log"):
            try:
                with open(self.path(name), encoding="utf-8", errors="replace") as log:
                    tail += "".join(log.readlines()[-lines:])
            except OSError:
                pass
        return tail or "(no log)"

    # Internals -------------------------------------------------------------
    def _seed(self):
        internal, _, mail_user = _accounts()
        os.makedirs(self.folder, exist_ok=True)
        if os.geteuid() == 0:
            _require_searchable_parents(self.folder)
        # The auth and mail processes run unprivileged and must reach their files.
        os.chmod(self.folder, 0o711)
        for name in ("mail", "run", "state"):
            shutil.rmtree(self.path(name), ignore_errors=True)
            os.makedirs(self.path(name))
        passwd = self.path("passwd")
        with open(passwd, "w", encoding="utf-8") as out:
            for mailbox in self.mailboxes:
                out.write(f"{mailbox.user}:{{PLAIN}}{mailbox.password}\n")
        os.chmod(passwd, 0o600)
        os.chown(passwd, internal.pw_uid, internal.pw_gid)
        os.chown(self.path("mail"), mail_user.pw_uid, mail_user.pw_gid)
        for mailbox in self.mailboxes:
            self._seed_maildir(mailbox, mail_user)

    def _seed_maildir(self, mailbox, owner):
        home = self.path("mail", mailbox.user)
        for sub in ("", "cur", "new", "tmp"):
            os.makedirs(os.path.join(home, sub), exist_ok=True)
            os.chown(os.path.join(home, sub), owner.pw_uid, owner.pw_gid)
        stamp = int(time.time())
        for number in range(1, mailbox.count + 1):
            name = os.path.join(home, "new", f"{stamp}.M{number}P{os.getpid()}.zorvane")
            with open(name, "wb") as out:
                out.write(message_bytes(number, mailbox.bytes_each))
            os.chown(name, owner.pw_uid, owner.pw_gid)

    def _write_config(self):
        internal, login, mail_user = _accounts()
        rootless = os.geteuid() != 0
        # Login processes chroot and some sockets belong to the package's
        # group by default; neither works without root.
        login_chroot = "  chroot =\n" if rootless else ""
        rootless_sockets = "".join(
            f"service {service} {{\n  unix_listener {listener} {{\n    group =\n  }}\n}}\n"
            for service, listener in (("stats", "stats-writer"), ("dict", "dict"),
                                      ("dict-async", "dict-async"))) if rootless else ""
        config = f"""\
protocols = pop3
listen = {self.address}
base_dir = {self.path("run")}
state_dir = {self.path("state")}
log_path = {self.log_path}
{self._ssl_settings()}
{self._plaintext_settings()}
auth_mechanisms = plain
auth_failure_delay = 0
default_internal_user = {internal.pw_name}
default_login_user = {login.pw_name}
first_valid_uid = {mail_user.pw_uid}
last_valid_uid = {mail_user.pw_uid}
first_valid_gid = {mail_user.pw_gid}
last_valid_gid = {mail_user.pw_gid}
mail_location = maildir:{self.path("mail")}/%u
passdb {{
  driver = passwd-file
  args = scheme=PLAIN {self.path("passwd")}
}}
userdb {{
  driver = static
  args = uid={mail_user.pw_uid} gid={mail_user.pw_gid} home={self.path("mail")}/%u
}}
service pop3-login {{
{login_chroot}  inet_listener pop3 {{
    address = {self.address}
    port = {self.port}
  }}
  inet_listener pop3s {{
{self._pop3s_listener()}
  }}
}}
service anvil {{
{login_chroot}}}
{rootless_sockets}"""
        with open(self.config_path, "w", encoding="utf-8") as out:
            out.write(config)

    def _ssl_settings(self):
        if self.tls is None:
            return "ssl = no"
        _, _, certificate, key = self.tls
        return f"ssl = yes\nssl_cert = <{certificate}\nssl_key = <{key}"

    def _plaintext_settings(self):
        if self.stock:
            return "disable_plaintext_auth = yes"
        return "disable_plaintext_auth = no\nlogin_trusted_networks = 127.0.0.0/8 ::1/128"

    def _pop3s_listener(self):
        if self.tls is None:
            return "    port = 0"
        address, port, _, _ = self.tls
        return f"    address = {address}\n    port = {port}\n    ssl = yes"

    def _launch(self):
        """Start the server; True once it greets on its port."""
        if os.path.exists(self.log_path):
            os.remove(self.log_path)
        # The server keeps the streams it was given, so hand it a file, not a pipe.
        with open(self.path("startup.log"), "wb") as startup_log:
            streams = {"stdin": subprocess.DEVNULL, "stdout": startup_log,
                       "stderr": subprocess.STDOUT}
            if self.detach:
                if subprocess.run([DOVECOT, "-c", self.config_path], check=False,
                                  **streams).returncode != 0:
                    return False
            else:
                self._child = subprocess.Popen([DOVECOT, "-F", "-c", self.config_path],
                                               preexec_fn=_die_with_parent, **streams)
        deadline = time.monotonic() + START_TIMEOUT_S
        while time.monotonic() < deadline:
            if self._child is not None and self._child.poll() is not None:
                self._child = None
                return False
            try:
                with socket.create_connection((self.address, self.port), timeout=2) as probe:
                    if probe.recv(64).startswith(b"+OK"):
                        return True
            except OSError:
                pass
            time.sleep(0.05)
        self.stop()
        return False

    def _check_mailboxes(self):
        """Read the numbers back once, so a wrong promise fails here, not in a test."""
        for mailbox in self.mailboxes:
            client = poplib.POP3(self.address, self.port, timeout=10)
            try:
                if self.stock:
                    client.stls(_UNCHECKED_TLS)
                client.user(mailbox.user)
                client.pass_(mailbox.password)
                got = client.stat()
            finally:
                client.quit()
            if got != mailbox.stat:
                self.stop()
                raise RuntimeError(f"{mailbox.user}: STAT gives {got}, expected {mailbox.stat}")


def stop_instance(folder):
    """Stop the instance whose files are under `folder`, if one runs."""
    pid_path = os.path.join(os.path.abspath(folder), "run", "master.pid")
    try:
        with open(pid_path, encoding="ascii") as pid_file:
            pid = int(pid_file.read().strip())
    except (OSError, ValueError):
        return
    if not _is_our_master(pid, folder):
        return
    os.kill(pid, signal.SIGTERM)
    deadline = time.monotonic() + STOP_TIMEOUT_S
    while _pid_alive(pid) and time.monotonic() < deadline:
        time.sleep(0.05)
    if _pid_alive(pid):
        os.kill(pid, signal.SIGKILL)


def _is_our_master(pid, folder):
    """Guard against a stale pid file naming some other process."""
    try:
        with open(f"/proc/{pid}/cmdline", "rb") as cmdline:
            args = cmdline.read().split(b"\0")
    except OSError:
        return False
    config = os.path.join(os.path.abspath(folder), "dovecot.conf").encode()
    return bool(args) and args[0].endswith(b"dovecot") and config in args


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    commands = parser.add_subparsers(dest="command", required=True)
    start = commands.add_parser("start", help="start an instance and print its port")
    start.add_argument("--dir", required=True)
    start.add_argument("--port", type=int)
    start.add_argument("--mailbox", action="append", required=True, type=Mailbox.parse,
                       metavar="USER:PASSWORD:COUNT[:BYTES_EACH]")
    stop = commands.add_parser("stop", help="stop the instance under --dir")
    stop.add_argument("--dir", required=True)
    args = parser.parse_args(argv)
    if args.command == "start":
        server = DovecotServer(args.dir, args.mailbox, args.port, detach=True)
        try:
            print(server.start())
        except (RuntimeError, OSError, poplib.error_proto) as error:
            print(f"dovecot.py: {error}", file=sys.stderr)
            return 1
    else:
        stop_instance(args.dir)
    return 0


if __name__ == "__main__":
    sys.exit(main())
