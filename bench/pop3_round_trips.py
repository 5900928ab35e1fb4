#!/usr/bin/env python3
"""One POP3 mail check through a loopback proxy that delays each direction by
25 ms, against a private Dovecot: plain (a Dovecot that offers no STLS), over
TLS on port 995 and through STARTTLS on port 110 (a Dovecot as its package
ships it); then once more against servers that do not list PIPELINING.
Zorvane (the real zorvane.exe under Wine) beside python's poplib, and plain
and on 995 curl and fetchmail, on the same mailbox in the same run. Prints
each client's median session time, the round trips it waited for, and its
time over poplib's.

Start it with bench/pop3_round_trips.sh, which installs and builds what is
missing first. Needs root for the TLS rows: Zorvane speaks TLS to port 995.
"""

import argparse
import datetime
import json
import os
import platform
import shutil
import ssl
import statistics
import subprocess
import sys
import tempfile
import threading
import time
from pathlib import Path

# First: the module path and the Wine prefix that the imports below rely on.
from bench_setup import REPO
import dovecot
import tls_records
import wine_fixture
from delay_proxy import CLIENT, SERVER, DelayProxy
from no_pipelining_front import PLAIN, STARTTLS, TLS, NoPipeliningFront
from test_check import CHECK_MAIL, RESULTS, account, mail, settings
from scripted_servers import certificate
from wine_fixture import TIMEOUT_MS, WM_COMMAND, controls, driver, end_wine, start_zorvane

POP3S_PORT = 995
POP3_PORT = 110
MAILBOX = dovecot.Mailbox("alice", "secret", 3)
SERVER_NAME = "localhost"  # what the certificate names and every client asks for
CLIENT_TIMEOUT_S = 60
ZORVANE_AGAIN = "Zorvane, 2nd check"  # the next check of the same process
# Zorvane's first check against poplib's, with PIPELINING: round trips at most (an exact number, or poplib's minus
# some), and time at most this share of poplib's.
TARGETS = {PLAIN: ("exactly", 3, 0.65), TLS: ("poplib's minus", 2, 0.75), STARTTLS: ("poplib's minus", 1, None)}
IDCANCEL = 2


class Rig:
    """Two Dovecots, the certificates, a proxy per transport and, for the rows without PIPELINING, a front per
    transport that the proxies then lead to."""

    def __init__(self, folder, delay_s, transports):
        self.folder = folder
        self.ca = certificate(folder, "ca", None, "Zorvane bench CA")
        localhost = certificate(folder, "localhost", self.ca, SERVER_NAME, dns=SERVER_NAME)
        self.servers = []
        self.proxies = {}
        try:
            # The plain rows' server lists no STLS. The TLS rows' is Dovecot as its package ships it, on an address
            # that is not the proxy's, so that its plain listener takes no login before STLS.
            plain = self.start(dovecot.DovecotServer(folder / "plain", [MAILBOX]))
            tls = ("127.0.0.2", dovecot.free_port("127.0.0.2"), *localhost)
            stock = self.start(dovecot.DovecotServer(folder / "stock", [MAILBOX], tls=tls, address="127.0.0.2",
                                                     stock=True))
            context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
            context.load_cert_chain(*localhost)
            self.upstreams = {
                True: {PLAIN: ("127.0.0.1", plain.port), TLS: tls[:2], STARTTLS: ("127.0.0.2", stock.port)},
                False: {transport: NoPipeliningFront(("127.0.0.1", plain.port), transport, context).address
                        for transport in transports}}
            # Zorvane speaks TLS from the first byte to port 995 only; STARTTLS goes to POP3's own port.
            ports = {PLAIN: 0, TLS: POP3S_PORT, STARTTLS: POP3_PORT if os.geteuid() == 0 else 0}
            for transport in transports:
                try:
                    self.proxies[transport] = DelayProxy(("127.0.0.1", ports[transport]),
                                                         self.upstreams[True][transport], delay_s).start()
                except OSError as error:
                    raise RuntimeError(f"127.0.0.1:{ports[transport]} is not to be had ({error}); is another "
                                       f"program (an end-to-end test?) using it?") from error
        except BaseException:
            self.close()
            raise

    def start(self, server):
        self.servers.append(server)
        server.start()
        return server

    def lists_pipelining(self, lists):
        """Whether the servers behind the proxies list PIPELINING from now on."""
        for transport, proxy in self.proxies.items():
            proxy.upstream = self.upstreams[lists][transport]

    def port(self, transport):
        return self.proxies[transport].port

    def close(self):
        for proxy in self.proxies.values():
            proxy.close()
        for server in self.servers:
            server.stop()


# Clients. Each runs a check against the proxy of its transport and raises
# RuntimeError unless it saw the mailbox's count and size. It returns, for
# each connection it made in order, the row it is timed in and a note of its
# own about it, or None.

def run(command, **kwargs):
    return subprocess.run(command, capture_output=True, text=True, timeout=CLIENT_TIMEOUT_S, **kwargs)


POPLIB_CHILD = r"""
import poplib, ssl, sys
transport, port, user, password, ca, name = sys.argv[1:7]
context = ssl.create_default_context(cafile=ca)
context.maximum_version = ssl.TLSVersion.TLSv1_2
if transport == "plain":
    client = poplib.POP3("127.0.0.1", int(port), timeout=30)
elif transport == "STARTTLS":
    client = poplib.POP3(name, int(port), timeout=30)
    client.stls(context)
else:
    client = poplib.POP3_SSL(name, int(port), context=context, timeout=30)
client.user(user)
client.pass_(password)
count, size = client.stat()
version = client.sock.version() if transport != "plain" else "-"
client.quit()
print(count, size, version)
"""


def poplib_check(rig, transport):
    # A process of its own, like every other client: the proxy's threads here
    # must not share an interpreter with the client they time.
    completed = run([sys.executable, "-c", POPLIB_CHILD, transport, str(rig.port(transport)), MAILBOX.user,
                     MAILBOX.password, str(rig.ca[0]), SERVER_NAME])
    fields = completed.stdout.split()
    if completed.returncode != 0 or fields[:2] != [str(n) for n in MAILBOX.stat]:
        raise RuntimeError(f"poplib: {completed.stdout.strip()} {completed.stderr.strip()[-300:]}")
    return [("poplib", f"ssl version() {fields[2]}" if transport != PLAIN else None)]


def curl_check(rig, transport):
    command = ["curl", "-sS", "-X", "STAT", "-I", "-D", "-", "--user", f"{MAILBOX.user}:{MAILBOX.password}"]
    if transport == PLAIN:
        command.append(f"pop3://127.0.0.1:{rig.port(PLAIN)}/")
    else:
        command += ["--tlsv1.2", "--tls-max", "1.2", "--cacert", str(rig.ca[0]),
                    "--resolve", f"{SERVER_NAME}:{rig.port(TLS)}:127.0.0.1", f"pop3s://{SERVER_NAME}:{rig.port(TLS)}/"]
    completed = run(command)
    expected = "+OK {} {}".format(*MAILBOX.stat)
    if completed.returncode != 0 or expected not in completed.stdout.splitlines():
        raise RuntimeError(f"curl: exit {completed.returncode}: {completed.stderr.strip()[-300:]}")
    return [("curl", None)]


def fetchmail_check(rig, transport):
    home = rig.folder / "fetchmail"
    home.mkdir(mode=0o700, exist_ok=True)
    rc = home / f"{transport}.rc"
    if transport == PLAIN:
        # '' turns off the STARTTLS that fetchmail would otherwise try.
        security = "sslproto ''"
    else:
        security = f"ssl sslproto 'TLS1.2' sslcertck sslcertfile \"{rig.ca[0]}\" sslcommonname \"{SERVER_NAME}\""
    rc.write_text(f"set no syslog\n"
                  f"poll {SERVER_NAME} via 127.0.0.1 proto pop3 port {rig.port(transport)} timeout 30\n"
                  f"  user \"{MAILBOX.user}\" there with password \"{MAILBOX.password}\" is root here\n"
                  f"  {security}\n")
    rc.chmod(0o600)
    completed = run(["fetchmail", "-c", "-f", str(rc)], env={**os.environ, "FETCHMAILHOME": str(home),
                                                            "HOME": str(home)})
    expected = "{} messages for {} at {} ({} octets).".format(MAILBOX.count, MAILBOX.user, SERVER_NAME,
                                                                MAILBOX.stat[1])
    if completed.returncode != 0 or expected not in completed.stdout:
        raise RuntimeError(f"fetchmail: exit {completed.returncode}: {completed.stdout.strip()} "
                           f"{completed.stderr.strip()[-300:]}")
    return [("fetchmail", None)]


def zorvane_check(rig, transport):
    # A fresh process, as for the other clients: its Wine start-up comes
    # before the connection and so outside the time measured. A second check
    # in the same process shows what only the first check of a process pays.
    port = rig.port(transport)
    values = settings({"ChkOpti": 2}, account("bench", port, MAILBOX.user, MAILBOX.password, server=SERVER_NAME))
    driver("reg-delete", *[arg for (key, name), (kind, data) in values.items()
                           for arg in ("--", "reg-set", key, name, kind, data.hex())])
    shown = []
    try:
        start_zorvane()
        driver("tray", 1, TIMEOUT_MS)
        for check in range(2):
            if check:
                driver("click", *RESULTS, IDCANCEL, "--", "gone", *RESULTS, TIMEOUT_MS)
            wait_for_wine_to_settle()
            driver("post", WM_COMMAND, CHECK_MAIL, 0)
            # No Wine program of the benchmark's may start or poll while the
            # check runs: it would compete with Zorvane for the CPU.
            if not rig.proxies[transport].wait_for_sessions(check + 1, CLIENT_TIMEOUT_S):
                raise RuntimeError(f"Zorvane's check {check + 1} made no connection")
            texts = controls(*RESULTS, TIMEOUT_MS)
            shown.append((texts.get(1002), texts.get(1003)))
    finally:
        end_wine()
    for texts in shown:
        if texts != mail(*MAILBOX.stat):
            raise RuntimeError(f"Zorvane showed {texts}")
    return [("Zorvane", None), (ZORVANE_AGAIN, None)]


CLIENTS = {"Zorvane": zorvane_check, "poplib": poplib_check, "curl": curl_check, "fetchmail": fetchmail_check}
# The peers that neither pipeline nor are asked for STARTTLS here run in the rows of port 995 and plain, with
# PIPELINING listed, only.
CHECKED_EVERYWHERE = ("Zorvane", "poplib")


# Measuring -----------------------------------------------------------------

SETTLED_TICKS = 1  # clock ticks (10 ms) of CPU in a window: Wine has settled
SETTLE_WINDOW_S = 0.25
SETTLE_LIMIT_S = 15
SETTLE_WAITS = []


class CpuSampler(threading.Thread):
    """Reads the machine's CPU counters every few milliseconds, so that the
    share of the CPU in use during each session can be told afterwards: other
    work on the machine shows there, and so does the client's own."""

    PERIOD_S = 0.02

    def __init__(self):
        super().__init__(daemon=True)
        self.samples = []  # (perf_counter, total ticks, idle ticks)
        self._finished = threading.Event()

    def run(self):
        while not self._finished.is_set():
            with open("/proc/stat", encoding="ascii") as stat:
                fields = [int(field) for field in stat.readline().split()[1:]]
            self.samples.append((time.perf_counter(), sum(fields), fields[3] + fields[4]))
            self._finished.wait(self.PERIOD_S)

    def stop(self):
        self._finished.set()
        self.join()

    def busy_percent(self, start, end):
        """Share of all cores in use from start to end (perf_counter times)."""
        before = [sample for sample in self.samples if sample[0] <= start]
        after = [sample for sample in self.samples if sample[0] >= end]
        if not before or not after or after[0][1] == before[-1][1]:
            return None
        total = after[0][1] - before[-1][1]
        return round(100 * (1 - (after[0][2] - before[-1][2]) / total), 1)


def wine_cpu_ticks():
    """CPU ticks used so far by every process of the benchmark's prefix,
    wineserver and Wine's own services included."""
    marker = b"\0WINEPREFIX=" + str(wine_fixture.PREFIX).encode() + b"\0"
    ticks = 0
    for entry in os.scandir("/proc"):
        if not entry.name.isdigit():
            continue
        try:
            with open(f"/proc/{entry.name}/environ", "rb") as environ:
                if marker not in b"\0" + environ.read() + b"\0":
                    continue
            with open(f"/proc/{entry.name}/stat", encoding="ascii", errors="replace") as stat:
                fields = stat.read().rpartition(")")[2].split()
            ticks += int(fields[11]) + int(fields[12])  # utime, stime
        except (OSError, IndexError, ValueError):
            continue  # gone meanwhile
    return ticks


def wait_for_wine_to_settle():
    """Waits until Wine's start-up (explorer, services, devices) has stopped
    using the CPU, so that it does not compete with the check timed next."""
    began = time.monotonic()
    before = wine_cpu_ticks()
    while time.monotonic() - began < SETTLE_LIMIT_S:
        time.sleep(SETTLE_WINDOW_S)
        now = wine_cpu_ticks()
        if now - before <= SETTLED_TICKS:
            break
        before = now
    SETTLE_WAITS.append(time.monotonic() - began)


def measure(rig, name, transport, sampler=None):
    """[(row, sample)] of each connection the client made."""
    proxy = rig.proxies[transport]
    if proxy.pending_sessions():
        raise RuntimeError(f"a connection nobody asked for reached the {transport} proxy")
    measured = []
    for row, note in CLIENTS[name](rig, transport):
        session = proxy.next_session(CLIENT_TIMEOUT_S)
        if session is None:
            raise RuntimeError(f"{row} {transport}: no whole session reached the proxy")
        measured.append((row, {
            "ms": round(session.duration_ms, 1),
            "round_trips": session.server_flights(),
            "client_flights": session.client_flights(),
            "answer_ms": {side: round(ms, 1) for side, ms in session.answer_ms(proxy.delay_s).items()},
            "tls_version": tls_version(session.sent_by(SERVER)) if transport != PLAIN else None,
            "note": note,
            "busy_percent": sampler.busy_percent(session.accepted_at, session.ended_at) if sampler else None,
            "flights": describe_flights(session, transport, proxy.delay_s),
        }))
    if proxy.pending_sessions():
        raise RuntimeError(f"{name} {transport}: more connections than checks")
    return measured


def tls_version(server_stream):
    # Through STARTTLS, TLS begins after the plain reply to STLS.
    return tls_records.server_version(server_stream[max(server_stream.find(b"\x16\x03"), 0):])


def describe_flights(session, transport, delay_s):
    """[offset ms, side, bytes, what, ms the side took to answer] of each
    flight, for the timeline."""
    labellers = {CLIENT: tls_records.StreamLabeller(), SERVER: tls_records.StreamLabeller()}
    in_tls = {CLIENT: transport == TLS, SERVER: transport == TLS}
    described = []
    before_end = 0.0
    before_side = None
    for at, side, size, chunks, end in session.flights():
        data = b"".join(chunks)
        in_tls[side] |= transport == STARTTLS and tls_records.looks_like_tls(data)
        if in_tls[side]:
            what = ", ".join(labellers[side].label(data))
        elif side == CLIENT:
            # The command words, never their arguments (PASS carries the password).
            what = " ".join(line.split(b" ")[0].decode("ascii", "replace") for line in data.splitlines())
        else:
            what = " | ".join(line.decode("ascii", "replace")[:24] for line in data.splitlines()[:2])
        answer = at - before_end - (delay_s * 1000 if before_side not in (None, side) else 0)
        described.append([round(at, 1), side, size, what, round(answer, 1)])
        before_end = end
        before_side = side
    return described


def run_all(rig, clients, transports, repeats, sampler):
    """{(row, transport, PIPELINING listed): [sample, ...]}"""
    samples = {}
    for lists in (True, False):
        rig.lists_pipelining(lists)
        for transport in transports:
            measure(rig, "poplib", transport)  # Dovecot's first login of a run is not anyone's
        for repeat in range(repeats):
            # Each client goes first in its turn, so none always meets a server just woken.
            order = clients[repeat % len(clients):] + clients[:repeat % len(clients)]
            for transport in transports:
                for name in order:
                    if name not in CHECKED_EVERYWHERE and (transport == STARTTLS or not lists):
                        continue
                    for row, sample in measure(rig, name, transport, sampler):
                        samples.setdefault((row, transport, lists), []).append(sample)
                        print(f"  run {repeat + 1} {row:18} {transport:8} {'' if lists else 'no PIPELINING':13} "
                              f"{sample['ms']:7.1f} ms {sample['round_trips']} round trips, machine "
                              f"{sample['busy_percent']}% busy", flush=True)
    # Rows in the order of the clients asked for, plain before TLS before STARTTLS.
    return dict(sorted(samples.items(), key=lambda item: (not item[0][2], transports.index(item[0][1]),
                                                          row_rank(item[0][0]))))


def row_rank(row):
    return list(CLIENTS).index("Zorvane" if row == ZORVANE_AGAIN else row) * 2 + (row == ZORVANE_AGAIN)


# Reporting -----------------------------------------------------------------

def summary(samples):
    rows = []
    for (name, transport, lists), runs in samples.items():
        trips = [run["round_trips"] for run in runs]
        rows.append({"client": name, "transport": transport, "pipelining": lists,
                     "ms": statistics.median(run["ms"] for run in runs),
                     "round_trips": statistics.median_low(trips), "round_trips_range": (min(trips), max(trips)),
                     "client_flights": statistics.median_low(run["client_flights"] for run in runs),
                     "client_answer_ms": statistics.median(run["answer_ms"][CLIENT] for run in runs),
                     "server_answer_ms": statistics.median(run["answer_ms"][SERVER] for run in runs),
                     "tls_versions": sorted({run["tls_version"] for run in runs if run["tls_version"]}),
                     "notes": sorted({run["note"] for run in runs if run["note"]}),
                     "busy_percent": [run["busy_percent"] for run in runs],
                     "runs_ms": [run["ms"] for run in runs]})
    for row in rows:
        row["ratio"] = row["ms"] / poplib_row(rows, row)["ms"]
    return rows


def poplib_row(rows, row):
    return next(r for r in rows if r["client"] == "poplib" and (r["transport"], r["pipelining"]) == (
        row["transport"], row["pipelining"]))


def print_table(rows):
    print()
    print("| client             | transport | PIPELINING | ms (median) | round trips | ratio to poplib |")
    print("|--------------------|-----------|------------|------------:|------------:|----------------:|")
    for row in rows:
        low, high = row["round_trips_range"]
        trips = str(row["round_trips"]) + ("" if low == high else f" ({low}-{high})")
        lists = "listed" if row["pipelining"] else "not listed"
        print(f"| {row['client']:18} | {row['transport']:9} | {lists:10} | {row['ms']:11.1f} | {trips:>11} | "
              f"{row['ratio']:15.2f} |")


def print_targets(rows):
    """The targets hold for the first check of a fresh process, the footing
    every peer is on, against Dovecot itself (PIPELINING listed)."""
    print()
    for mine in (r for r in rows if r["client"] == "Zorvane" and r["pipelining"]):
        theirs = poplib_row(rows, mine)
        how, trips, share = TARGETS[mine["transport"]]
        most = trips if how == "exactly" else theirs["round_trips"] - trips
        trips_met = mine["round_trips"] == most if how == "exactly" else mine["round_trips"] <= most
        line = (f"Target {mine['transport']}: round trips {mine['round_trips']}, {how} {trips}"
                f"{'' if how == 'exactly' else f' = {most}'}: {'met' if trips_met else 'NOT met'}")
        if share is not None:
            time_met = mine["ms"] <= share * theirs["ms"]
            line += (f"; time {mine['ms']:.1f} ms <= {share} x {theirs['ms']:.1f} ms = {share * theirs['ms']:.1f} ms: "
                     f"{'met' if time_met else 'NOT met'}")
        print(line)


def print_details(rows, samples, timeline):
    print()
    for row in rows:
        extra = []
        if row["tls_versions"]:
            extra.append("ServerHello: " + "/".join(row["tls_versions"]))
        extra += row["notes"]
        setting = row["transport"] + ("" if row["pipelining"] else ", no PIPELINING")
        print(f"{row['client']:18} {setting:24} runs (ms): {' '.join(f'{ms:.1f}' for ms in row['runs_ms'])}; "
              f"client flights {row['client_flights']}; answering took the client {row['client_answer_ms']:.1f} ms, "
              f"the server {row['server_answer_ms']:.1f} ms (medians); machine busy (% of {os.cpu_count()} cores) "
              f"{' '.join(str(busy) for busy in row['busy_percent'])}" + "".join(f"; {text}" for text in extra))
    if SETTLE_WAITS:
        print(f"Zorvane's checks waited for Wine to settle: median {statistics.median(SETTLE_WAITS):.1f} s, "
              f"at most {max(SETTLE_WAITS):.1f} s; {sum(w >= SETTLE_LIMIT_S for w in SETTLE_WAITS)} "
              f"gave up after {SETTLE_LIMIT_S} s")
    if not timeline:
        return
    for (name, transport, lists), runs in samples.items():
        middle = sorted(runs, key=lambda run: run["ms"])[len(runs) // 2]
        print(f"\n{name} {transport}{'' if lists else ', no PIPELINING'}, the median run ({middle['ms']:.1f} ms): "
              f"when the proxy read each flight (ms from accept), and how long its sender took to answer:")
        for at, side, size, what, answer in middle["flights"]:
            print(f"  {at:7.1f}  {'C->S' if side == CLIENT else 'S->C'}  {answer:6.1f}  {size:5} B  {what}")


def tool_versions():
    versions = {"python": platform.python_version()}
    for name, command in (("curl", ["curl", "--version"]), ("fetchmail", ["fetchmail", "--version"]),
                          ("wine", ["/usr/lib/wine/wine64", "--version"]), ("dovecot", ["dovecot", "--version"])):
        try:
            out = subprocess.run(command, capture_output=True, text=True, timeout=20).stdout.strip().splitlines()
            versions[name] = out[0] if out else "?"
        except (OSError, subprocess.TimeoutExpired):
            versions[name] = "?"
    return versions


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--repeats", type=int, default=5, help="checks per client and transport (default 5)")
    parser.add_argument("--delay-ms", type=float, default=25.0, help="delay of each direction (default 25)")
    parser.add_argument("--clients", default=",".join(CLIENTS), help="comma-separated subset of " + ", ".join(CLIENTS))
    parser.add_argument("--timeline", action="store_true", help="print the flights of each client's median run")
    args = parser.parse_args(argv)
    clients = [name for name in args.clients.split(",") if name]
    if any(name not in CLIENTS for name in clients):
        parser.error(f"clients are among {', '.join(CLIENTS)}")
    if "poplib" not in clients:
        clients.append("poplib")  # the yardstick
    for tool in ("curl", "fetchmail", "openssl"):
        if shutil.which(tool) is None:
            sys.exit(f"{tool} is missing: start bench/pop3_round_trips.sh, which installs it")

    transports = [PLAIN, TLS, STARTTLS]
    if os.geteuid() != 0:
        print("Not root: the TLS rows cannot be measured (Zorvane speaks TLS to port 995, which needs root); "
              "plain and STARTTLS (on another port than 110) only.")
        transports = [PLAIN, STARTTLS]
    started = datetime.datetime.now().astimezone()
    print(f"POP3 check through a proxy adding {args.delay_ms:g} ms each way; {args.repeats} runs per client; "
          f"{started:%Y-%m-%d %H:%M %Z}")

    folder = Path(tempfile.mkdtemp(prefix="zorvane-bench-"))
    folder.chmod(0o755)  # Dovecot reads its files as its own user
    rig = sampler = ca_der = None
    try:
        rig = Rig(folder, args.delay_ms / 1000, transports)
        if "Zorvane" in clients:
            ca_der = subprocess.run(["openssl", "x509", "-in", rig.ca[0], "-outform", "der"], check=True,
                                    capture_output=True).stdout.hex()
            driver("root", "add", ca_der)
        sampler = CpuSampler()
        sampler.start()
        samples = run_all(rig, clients, transports, args.repeats, sampler)
    finally:
        if sampler:
            sampler.stop()
        if ca_der:
            driver("root", "remove", ca_der)
        wine_fixture.stop_all()
        if rig:
            rig.close()
        shutil.rmtree(folder, ignore_errors=True)

    rows = summary(samples)
    print_table(rows)
    print_targets(rows)
    print_details(rows, samples, args.timeline)

    out = REPO / "build" / "bench" / f"pop3_round_trips-{started:%Y%m%d-%H%M%S}.json"
    out.parent.mkdir(parents=True, exist_ok=True)
    out.write_text(json.dumps({"started": started.isoformat(), "delay_ms": args.delay_ms, "repeats": args.repeats,
                               "machine": f"{os.cpu_count()} cores, {platform.platform()}",
                               "tools": tool_versions(), "rows": rows,
                               "samples": {f"{name} {transport}{'' if lists else ' no PIPELINING'}": runs
                                           for (name, transport, lists), runs in samples.items()}},
                              indent=1, ensure_ascii=False))
    print(f"\nEvery run and its flights: {out}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
