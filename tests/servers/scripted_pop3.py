#!/usr/bin/env python3
"""A scripted POP3 server on 127.0.0.1 for the cases a real server will not produce.

Each accepted connection runs one scenario: a function that talks to a
`Connection` (send, pause, read a line, close). Everything the client sends is
recorded byte for byte, so a test can assert the exact wire bytes.

    with ScriptedPop3Server(SCENARIOS["split-greeting"]) as server:
        ... point the client at server.port ...
        server.connection(0).received   # b"USER u\\r\\nPASS p\\r\\nSTAT\\r\\nQUIT\\r\\n"

Command line (serves until interrupted, prints the port):
    tests/servers/scripted_pop3.py SCENARIO [--port N]
"""

import argparse
import functools
import signal
import socket
import sys
import threading
import time

HOST = "127.0.0.1"
LINE_TIMEOUT_S = 20.0
# How long a finished scenario waits for the client to close its side.
CLIENT_CLOSE_TIMEOUT_S = 20.0
FLOOD_BYTES = 64 * 1024


class Connection:
    """The server's side of one client connection, as seen by a scenario."""

    def __init__(self, sock):
        self._sock = sock
        self._pending = b""
        self._lock = threading.Lock()
        self._received = bytearray()
        self.client_closed = False
        self.error = None
        self.finished = threading.Event()

    @property
    def received(self):
        """Every byte the client has sent so far."""
        with self._lock:
            return bytes(self._received)

    def send(self, data):
        self._sock.sendall(data)

    def pause(self, seconds):
        time.sleep(seconds)

    def read_line(self, timeout=LINE_TIMEOUT_S):
        """The next line including its LF; None when the client closed first."""
        deadline = time.monotonic() + timeout
        while b"\n" not in self._pending:
            chunk = self._recv(deadline)
            if not chunk:
                return None
            self._pending += chunk
        line, _, self._pending = self._pending.partition(b"\n")
        return line + b"\n"

    def wait_client_close(self, timeout=CLIENT_CLOSE_TIMEOUT_S):
        """Read (and record) until the client closes; True if it did."""
        deadline = time.monotonic() + timeout
        while not self.client_closed:
            if not self._recv(deadline):
                return self.client_closed
        return True

    def close(self):
        """Close gracefully: FIN first, then take what the client still sends.

        Closing with unread bytes would reset the connection instead, and a
        late QUIT would go unrecorded.
        """
        try:
            self._sock.shutdown(socket.SHUT_WR)
        except OSError:
            pass
        self.wait_client_close(timeout=5.0)
        self._sock.close()

    def abort(self):
        """Used by the server when it stops: unblock a scenario still waiting."""
        try:
            self._sock.shutdown(socket.SHUT_RDWR)
        except OSError:
            pass

    def _recv(self, deadline):
        remaining = deadline - time.monotonic()
        if remaining <= 0 or self.client_closed:
            return b""
        self._sock.settimeout(remaining)
        try:
            chunk = self._sock.recv(4096)
        except socket.timeout:
            return b""
        except OSError:
            chunk = b""
        if chunk:
            with self._lock:
                self._received += chunk
        else:
            self.client_closed = True
        return chunk


# Scenarios -------------------------------------------------------------------
# Each takes a Connection and returns when the server's side is done; the
# runner then closes the connection gracefully.

def _reply_to(conn, reply):
    """Wait for the client's next command, then answer it; False if it left."""
    if conn.read_line() is None:
        return False
    conn.send(reply)
    return True


def session(conn, greeting=(b"+OK ready\r\n",), stat_reply=b"+OK 2 345\r\n",
            user_reply=b"+OK\r\n", pass_reply=b"+OK\r\n", pause=0.0):
    """A whole session; the greeting may come in several segments with pauses."""
    for index, piece in enumerate(greeting):
        if index:
            conn.pause(pause)
        conn.send(piece)
    if greeting[0].startswith(b"-"):
        _reply_to(conn, b"+OK bye\r\n")
        return
    for reply in (user_reply, pass_reply, stat_reply):
        if not _reply_to(conn, reply):
            return
        if reply.startswith(b"-"):
            break
    if _reply_to(conn, b"+OK bye\r\n"):
        conn.wait_client_close()


def merged_replies(conn):
    """Greeting and the USER reply in one segment, later the STAT and QUIT replies.

    A client that reads line by line answers the second line as the reply to
    USER before the server has even seen USER.
    """
    conn.send(b"+OK ready\r\n+OK user accepted\r\n")
    for _ in range(2):  # USER, then PASS
        if conn.read_line() is None:
            return
    conn.send(b"+OK logged in\r\n")
    if conn.read_line() is None:  # STAT
        return
    conn.send(b"+OK 4 4321\r\n+OK bye\r\n")
    conn.wait_client_close()


def close_after_greeting(conn):
    """Greets, then hangs up on the first command without answering it."""
    conn.send(b"+OK ready\r\n")
    conn.read_line()


def close_at_once(conn):
    """Hangs up right after accepting."""


def flood(conn):
    """Bytes without any line feed, bounded, then a close."""
    block = b"A" * 4096
    for _ in range(FLOOD_BYTES // len(block)):
        conn.send(block)


def garbage(conn):
    """NUL, 0xFF and other binary bytes, some of them forming lines, then a close."""
    conn.send(b"\x00\xff\xfe\x80junk\r\n")
    conn.pause(0.2)
    conn.send(bytes(range(256)) + b"\xff" * 64 + b"\x00\n")
    conn.pause(0.2)
    conn.send(b"\xff\x00+OK\x00\x00 7 8\r\n\x0a\x0d\x00")


def silent(conn):
    """Accepts and never answers; waits until the client (or the server) goes."""
    conn.wait_client_close(timeout=24 * 3600)


SCENARIOS = {
    "normal": session,
    "split-greeting": functools.partial(
        session, greeting=(b"+", b"OK re", b"ady\r", b"\n"), pause=0.3),
    "merged": merged_replies,
    "negative-greeting": functools.partial(session, greeting=(b"-ERR go away\r\n",)),
    "negative-user": functools.partial(session, user_reply=b"-ERR no such user\r\n"),
    "negative-pass": functools.partial(session, pass_reply=b"-ERR bad password\r\n"),
    "negative-stat": functools.partial(session, stat_reply=b"-ERR mailbox locked\r\n"),
    "stat-no-numbers": functools.partial(session, stat_reply=b"+OK\r\n"),
    "stat-count-only": functools.partial(session, stat_reply=b"+OK 5\r\n"),
    "stat-huge": functools.partial(session, stat_reply=b"+OK 99999999999 123456789012345\r\n"),
    "stat-negative": functools.partial(session, stat_reply=b"+OK -3 100\r\n"),
    "close-after-greeting": close_after_greeting,
    "close-at-once": close_at_once,
    "flood": flood,
    "garbage": garbage,
    "silent": silent,
}


def _scenario(scenario):
    return SCENARIOS[scenario] if isinstance(scenario, str) else scenario


class ScriptedPop3Server:
    """Listens on 127.0.0.1 (a free port unless told) and runs a scenario per connection.

    `scenario` is a name of SCENARIOS, a function, or a list of them: the
    n-th connection runs the n-th, and the last one repeats.
    """

    def __init__(self, scenario, port=0):
        choices = scenario if isinstance(scenario, (list, tuple)) else [scenario]
        self._scenarios = [_scenario(choice) for choice in choices]
        self._listener = socket.create_server((HOST, port))
        self.port = self._listener.getsockname()[1]
        self._connections = []
        self._changed = threading.Condition()
        self._stopping = False
        self._acceptor = threading.Thread(target=self._accept_loop, daemon=True)

    def start(self):
        self._acceptor.start()
        return self.port

    def stop(self):
        self._stopping = True
        # Wake the acceptor; closing alone does not interrupt accept() on Linux.
        try:
            self._listener.shutdown(socket.SHUT_RDWR)
        except OSError:
            pass
        self._listener.close()
        for conn in self.connections:
            conn.abort()
        self._acceptor.join(timeout=5)

    def __enter__(self):
        self.start()
        return self

    def __exit__(self, *exc):
        self.stop()

    @property
    def connections(self):
        with self._changed:
            return list(self._connections)

    def connection(self, index=0, timeout=LINE_TIMEOUT_S, finished=True):
        """The index-th connection, waiting for it (and, by default, for its end)."""
        deadline = time.monotonic() + timeout
        with self._changed:
            if not self._changed.wait_for(lambda: len(self._connections) > index,
                                          timeout=max(0.0, deadline - time.monotonic())):
                raise TimeoutError(f"no connection number {index} on port {self.port}")
            conn = self._connections[index]
        if finished and not conn.finished.wait(max(0.0, deadline - time.monotonic())):
            raise TimeoutError(f"connection {index} on port {self.port} did not end")
        return conn

    def _accept_loop(self):
        while not self._stopping:
            try:
                sock, _ = self._listener.accept()
            except OSError:
                return
            conn = Connection(sock)
            with self._changed:
                scenario = self._scenarios[min(len(self._connections), len(self._scenarios) - 1)]
                self._connections.append(conn)
                self._changed.notify_all()
            threading.Thread(target=self._run, args=(conn, scenario), daemon=True).start()

    def _run(self, conn, scenario):
        try:
            scenario(conn)
        except OSError as error:  # the client went away mid-script
            conn.error = error
        finally:
            try:
                conn.close()
            except OSError:
                pass
            conn.finished.set()


class RefusedPort:
    """A port on 127.0.0.1 where connecting is refused.

    The socket stays bound but never listens, so the kernel refuses every
    connection and no other program can take the port meanwhile.
    """

    def __init__(self):
        self._sock = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
        self._sock.bind((HOST, 0))
        self.port = self._sock.getsockname()[1]

    def close(self):
        self._sock.close()

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()


def main(argv=None):
    parser = argparse.ArgumentParser(description="Serve one POP3 scenario on 127.0.0.1.")
    parser.add_argument("scenario", choices=sorted(SCENARIOS))
    parser.add_argument("--port", type=int, default=0)
    args = parser.parse_args(argv)
    server = ScriptedPop3Server(args.scenario, args.port)
    server.start()
    print(server.port, flush=True)
    stop = threading.Event()
    for signum in (signal.SIGINT, signal.SIGTERM):
        signal.signal(signum, lambda *_: stop.set())
    stop.wait()
    server.stop()
    return 0


if __name__ == "__main__":
    sys.exit(main())
