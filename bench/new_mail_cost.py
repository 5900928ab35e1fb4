#!/usr/bin/env python3
"""What announcing only new mail costs on a mailbox that keeps its messages: one private Dovecot mailbox of 20,000
messages, 2 of them new since the last announcement seen, checked through a proxy that delays each direction by
25 ms by one Zorvane, once as an account with "新着メールのみ通知" ticked and once as an account without, in each
run. Prints each account's round trips, the bytes the server sent and the median time.

Start it with bench/new_mail_cost.sh, which installs and builds what is missing first.
"""

import argparse
import poplib
import shutil
import statistics
import sys
import tempfile
from pathlib import Path

# First: the module path and the Wine prefix that the imports below rely on.
import bench_setup  # noqa: F401
import dovecot
import wine_fixture
from delay_proxy import SERVER, DelayProxy
from test_check import CHECK_MAIL, RESULTS, account, settings
from wine_fixture import TIMEOUT_MS, WM_COMMAND, controls, driver, dword, end_wine, start_zorvane, sz

MESSAGES = 20000
NEW = 2
ACCOUNTS = ("新着のみ", "全部")  # the box ticked, then not
SEEN_IDS = 16  # as many as the program keeps at most


def seen_mark(server, box):
    """What the ticked account keeps after seeing all but the newest NEW messages: their newest's number and ids."""
    client = poplib.POP3("127.0.0.1", server.port, timeout=60)
    client.user(box.user)
    client.pass_(box.password)
    ids = [line.split()[1].decode() for line in client.uidl()[1]]
    client.quit()
    newest = MESSAGES - NEW
    mark = str(newest)
    for uid in reversed(ids[newest - SEEN_IDS:newest]):
        if len(mark) + 1 + len(uid) > 255:
            break
        mark += " " + uid
    return mark


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--repeats", type=int, default=5, help="checks of each account (default 5)")
    parser.add_argument("--delay-ms", type=float, default=25.0, help="delay of each direction (default 25)")
    args = parser.parse_args(argv)
    folder = Path(tempfile.mkdtemp(prefix="zorvane-bench-new-"))
    folder.chmod(0o755)  # Dovecot reads its files as its own user
    box = dovecot.Mailbox("alice", "secret", MESSAGES, dovecot.minimum_message_size())
    runs = {name: [] for name in ACCOUNTS}
    try:
        with dovecot.DovecotServer(folder / "dovecot", [box]) as server, \
                DelayProxy(("127.0.0.1", 0), ("127.0.0.1", server.port), args.delay_ms / 1000) as proxy:
            ticked = {**account(ACCOUNTS[0], proxy.port, box.user, box.password), "NewFlg": dword(1),
                      "SeenUidl": sz(seen_mark(server, box), 256)}
            values = settings({"ChkOpti": 2}, ticked, account(ACCOUNTS[1], proxy.port, box.user, box.password))
            driver("reg-delete", *[arg for (key, name), (kind, data) in values.items()
                                   for arg in ("--", "reg-set", key, name, kind, data.hex())])
            start_zorvane()
            driver("tray", 1, TIMEOUT_MS)
            for _ in range(args.repeats):
                # A new check replaces the results unseen: the mark stays, and the same two messages are new each time.
                driver("post", WM_COMMAND, CHECK_MAIL, 0)
                if not proxy.wait_for_sessions(2, 120):
                    raise RuntimeError("the check did not reach the server twice")
                texts = controls(*RESULTS, TIMEOUT_MS)
                if (texts[1002], texts[1005]) != (f"新着： {NEW}通", f"メール数： {MESSAGES}通"):
                    raise RuntimeError(f"Zorvane showed {texts[1002]!r} and {texts[1005]!r}")
                for name in ACCOUNTS:
                    session = proxy.next_session(10)
                    runs[name].append((session.server_flights(), len(session.sent_by(SERVER)), session.duration_ms))
    finally:
        end_wine()
        wine_fixture.stop_all()
        shutil.rmtree(folder, ignore_errors=True)
    print(f"{MESSAGES} messages, {NEW} new, {args.delay_ms:g} ms each way, {args.repeats} checks each")
    print("| account | round trips | bytes from the server | ms |\n|---|--:|--:|--:|")
    medians = {name: [statistics.median(values) for values in zip(*measured)] for name, measured in runs.items()}
    for name, (trips, received, ms) in medians.items():
        print(f"| {name} | {trips:g} | {received:g} | {ms:.1f} |")
    (ticked_trips, ticked_bytes, _), (plain_trips, plain_bytes, _) = medians.values()
    print(f"The ticked account: {ticked_trips - plain_trips:+g} round trips (target: at most +1), "
          f"{ticked_bytes - plain_bytes:+g} bytes (target: under +2048); medians")
    return 0


if __name__ == "__main__":
    sys.exit(main())
