"""A loopback TCP proxy that delays each direction by a fixed time and records,
for every connection it carries, when each burst of bytes arrived from which
side. Python 3 standard library only.

    with DelayProxy(("127.0.0.1", 0), ("127.0.0.1", server_port), 0.025) as proxy:
        ... run one client against proxy.port ...
        session = proxy.next_session(timeout=60)
        session.duration_ms, session.server_flights(), session.client_flights()

Bytes of one direction leave in the order they came, each chunk `delay`
seconds after the proxy read it. Only data is delayed: TCP's own handshake
and acknowledgements stay at loopback speed, the same for every client.
"""

import queue
import socket
import threading
import time

CLIENT = "client"
SERVER = "server"
_CHUNK = 65536


class Session:
    """One client connection: what came from each side, and when.

    Times are seconds of time.perf_counter(); `events` holds
    (time, side, bytes) in the order the proxy read them."""

    def __init__(self, accepted_at):
        self.accepted_at = accepted_at
        self.events = []
        self.client_closed_at = None  # the client's FIN or reset
        self.server_closed_at = None
        self.done = threading.Event()
        self._lock = threading.Lock()

    def record(self, side, data):
        with self._lock:
            self.events.append((time.perf_counter(), side, data))

    @property
    def ended_at(self):
        # The client is done when it hangs up; what the server says later
        # is nothing the client waited for.
        return self.client_closed_at if self.client_closed_at is not None else self.server_closed_at

    @property
    def duration_ms(self):
        return (self.ended_at - self.accepted_at) * 1000

    def flights(self):
        """Bursts of bytes from one side up to the client's hang-up: [(offset
        ms from accept, side, bytes of the burst, [chunks], offset ms of its
        last chunk)]."""
        bursts = []
        for at, side, data in self.events:
            if self.client_closed_at is not None and at > self.client_closed_at:
                break
            offset = (at - self.accepted_at) * 1000
            if bursts and bursts[-1][1] == side:
                bursts[-1][2] += len(data)
                bursts[-1][3].append(data)
                bursts[-1][4] = offset
            else:
                bursts.append([offset, side, len(data), [data], offset])
        return [tuple(burst) for burst in bursts]

    def answer_ms(self, delay_s):
        """{side: ms} that each side took to answer, the proxy's delay taken
        out: from the other side's bytes reaching it (or the connection's
        start) to its own next bytes, and for the client also to its hang-up."""
        taken = {CLIENT: 0.0, SERVER: 0.0}
        delay_ms = delay_s * 1000
        before_end = 0.0
        before_side = None
        for start, side, _, _, end in self.flights():
            taken[side] += start - before_end - (delay_ms if before_side not in (None, side) else 0)
            before_end = end
            before_side = side
        if self.ended_at is not None:
            taken[CLIENT] += self.duration_ms - before_end - (delay_ms if before_side == SERVER else 0)
        return taken

    def server_flights(self):
        """Round trips the client waited for: each burst from the server that
        follows the connection's start or data from the client."""
        return sum(1 for flight in self.flights() if flight[1] == SERVER)

    def client_flights(self):
        return sum(1 for flight in self.flights() if flight[1] == CLIENT)

    def sent_by(self, side):
        return b"".join(data for _, who, data in self.events if who == side)


class DelayProxy:
    def __init__(self, listen, upstream, delay_s):
        self.upstream = upstream
        self.delay_s = delay_s
        self._listener = socket.create_server(listen, backlog=16)
        self.address = self._listener.getsockname()
        self.port = self.address[1]
        self._sessions = queue.Queue()
        self._closing = False
        self._acceptor = threading.Thread(target=self._accept_loop, daemon=True)

    def start(self):
        self._acceptor.start()
        return self

    def __enter__(self):
        return self.start()

    def __exit__(self, *exc):
        self.close()

    def close(self):
        self._closing = True
        try:
            # A connection of our own wakes the acceptor, which then sees _closing.
            socket.create_connection(self.address, timeout=1).close()
        except OSError:
            pass
        self._acceptor.join(5)
        self._listener.close()

    def next_session(self, timeout):
        """The next connection accepted, once both of its sides have ended;
        None when none came or it did not end within `timeout` seconds."""
        deadline = time.monotonic() + timeout
        try:
            session = self._sessions.get(timeout=timeout)
        except queue.Empty:
            return None
        return session if session.done.wait(max(0.0, deadline - time.monotonic())) else None

    def pending_sessions(self):
        return self._sessions.qsize()

    def wait_for_sessions(self, count, timeout):
        """Waits until `count` connections not yet taken by next_session()
        have come and ended, and leaves them; False when they did not within
        `timeout` seconds."""
        deadline = time.monotonic() + timeout
        while self._sessions.qsize() < count:
            if time.monotonic() >= deadline:
                return False
            time.sleep(0.01)
        return all(session.done.wait(max(0.0, deadline - time.monotonic()))
                   for session in list(self._sessions.queue)[:count])

    def _accept_loop(self):
        while True:
            client, _ = self._listener.accept()
            session = Session(time.perf_counter())
            if self._closing:
                client.close()
                return
            threading.Thread(target=self._carry, args=(client, session), daemon=True).start()
            self._sessions.put(session)

    def _carry(self, client, session):
        try:
            server = socket.create_connection(self.upstream, timeout=10)
        except OSError:
            session.client_closed_at = session.server_closed_at = time.perf_counter()
            client.close()
            session.done.set()
            return
        server.settimeout(None)
        for sock in (client, server):
            # The proxy must not add Nagle's wait to the delay it promises.
            sock.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
        directions = [(client, server, CLIENT), (server, client, SERVER)]
        workers = []
        for source, target, side in directions:
            pending = queue.Queue()
            workers.append(threading.Thread(target=self._read, args=(source, side, session, pending), daemon=True))
            workers.append(threading.Thread(target=self._write, args=(target, pending), daemon=True))
        for worker in workers:
            worker.start()
        for worker in workers:
            worker.join()
        client.close()
        server.close()
        session.done.set()

    def _read(self, source, side, session, pending):
        while True:
            try:
                data = source.recv(_CHUNK)
            except OSError:
                data = b""  # a reset ends this side like a FIN
            now = time.perf_counter()
            if not data:
                if side == CLIENT:
                    session.client_closed_at = now
                else:
                    session.server_closed_at = now
                pending.put((now, None))
                return
            session.record(side, data)
            pending.put((now, data))

    def _write(self, target, pending):
        broken = False
        while True:
            read_at, data = pending.get()
            wait = read_at + self.delay_s - time.perf_counter()
            if wait > 0:
                time.sleep(wait)
            if data is None:
                try:
                    target.shutdown(socket.SHUT_WR)
                except OSError:
                    pass
                return
            if broken:
                continue  # the other side is gone; keep draining so the reader ends
            try:
                target.sendall(data)
            except OSError:
                broken = True
