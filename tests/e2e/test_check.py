"""Checking mail with the real zorvane.exe: a private Dovecot and a stub server
on 127.0.0.1, the accounts written to the registry beforehand, the outcome
read from the result dialog. The protocol's rules are the unit tests' and the
fuzzer's; these prove the paths through the program."""

import os
import re
import socket
import sys
import tempfile
import threading

from wine_fixture import (QUIET_MS, REPO, TIMEOUT_MS, VK_ESCAPE, VK_RETURN, WM_COMMAND, WM_TIMER, ZorvaneCase,
                          controls, driver, dword, no_window, sz, try_driver, wait_until)

sys.path.insert(0, str(REPO / "scripts"))
import dovecot  # noqa: E402
from scramble_password import scramble  # noqa: E402

CHECK_MAIL, EXIT, ABORT = 40001, 40003, 40005
AUTO_CHECK_TIMER, WATCHDOG_TIMER = 3277, 3278
RESULTS, ABORT_BOX = ("#32770", "メールチェック結果"), ("#32770", "セッション中断")
# Name, count and detail text of accounts 1 to 4.
RESULT_CONTROLS = [(1001, 1002, 1003), (1004, 1005, 1009), (1010, 1011, 1012), (1013, 1014, 1015)]
# A label longer than 63 characters fails inside the resolver, without a query.
UNRESOLVABLE = "a" * 70 + ".invalid"
ALICE, NOBODY = dovecot.Mailbox("alice", "secret", 3), dovecot.Mailbox("nobody", "nothing", 0)
# The auto-check timer as Wine's +msg channel reports SetTimer: its period in ms.
AUTO_CHECK_SET = re.compile(rb"NtUserSetTimer Added \S+ ccd \S+ timeout (\d+)")


class StubServer:
    """Accepts on 127.0.0.1 and records what each client sends. Silent, it never
    answers and keeps the connection until the client closes it; otherwise it
    hangs up at once."""

    def __init__(self):
        self.silent, self.received, self.closed = False, [], []
        self.listener = socket.create_server(("127.0.0.1", 0))
        self.port = self.listener.getsockname()[1]
        threading.Thread(target=self._serve, daemon=True).start()

    def _serve(self):
        while True:
            connection, _ = self.listener.accept()
            self.received.append(b"")
            threading.Thread(target=self._record, args=(connection, len(self.received) - 1), daemon=True).start()

    def _record(self, connection, index):
        with connection:
            while self.silent and (data := connection.recv(4096)):
                self.received[index] += data
        self.closed.append(index)


def setUpModule():
    global mail_server, stub, refused, stats, folder
    folder = tempfile.TemporaryDirectory(prefix="zorvane-e2e-dovecot-")
    mail_server = dovecot.DovecotServer(folder.name, [ALICE, NOBODY])
    mail_server.start()
    stats = {box.user: box.stat for box in (ALICE, NOBODY)}
    stub = StubServer()
    refused = socket.socket()  # bound, never listening: connecting is refused
    refused.bind(("127.0.0.1", 0))


def tearDownModule():
    mail_server.stop()
    folder.cleanup()
    refused.close()


def deliver(user):
    """One more message for user; returns the mailbox's new (count, size)."""
    count, size = stats[user]
    new = mail_server.path("mail", user, "new")
    path = os.path.join(new, f"e2e-{count + 1}.mail")
    with open(path, "wb") as message:
        message.write(dovecot.message_bytes(count + 1, 300))
    os.chown(path, os.stat(new).st_uid, os.stat(new).st_gid)
    stats[user] = count + 1, size + 300
    return stats[user]


def dovecot_log():
    with open(mail_server.log_path, encoding="utf-8", errors="replace") as log:
        return log.read()


def settings(options, accounts):
    """The options and accounts {number: (name, port, user, password, server, ChkFlg)}."""
    values = {(".", name): dword(value) for name, value in {"BOOT": 1, **options}.items()}
    for number, (name, port, user, password, server, enabled) in accounts.items():
        fields = {"NAME": sz(name, 128), "Serv": sz(server, 128), "UserId": sz(user, 64), "PortNo": dword(port),
                  "PassWord": sz(scramble(password.encode()).decode(), 64), "ChkFlg": dword(enabled)}
        values.update({(f"POP{number}", field): value for field, value in fields.items()})
    return values


def dovecot_account(name, user, password):
    return name, mail_server.port, user, password, "127.0.0.1", 1


def stub_account(name, port, server="127.0.0.1"):
    return name, port, "u", "p", server, 1


def mail(count, size):
    return f"メール数： {count}通", f"サイズ： {size} Bytes"


class CheckCase(ZorvaneCase):
    ENV = {"WINEDEBUG": "+msg"}  # the log shows SetTimer

    def post(self, message, wparam, *then):
        driver("post", message, wparam, 0, *then)

    def results(self):
        texts = controls(*RESULTS)
        return [tuple(texts[id] for id in ids) for ids in RESULT_CONTROLS]

    def auto_check_periods(self):
        return AUTO_CHECK_SET.findall(self.zorvane.log.read_bytes())


class DovecotCheckTest(CheckCase):
    """Display mode 0: the result dialog, as long as there are no balls."""
    @classmethod
    def settings(cls):
        return settings({"IsChk": 1, "ChkTime": 30, "ChkOpti": 0}, {
            1: dovecot_account("個人メール", "alice", "secret"), 2: (*dovecot_account("休止中", "u", "p")[:5], 0),
            3: dovecot_account("空の箱", "nobody", "nothing"), 4: dovecot_account("旧パスワード", "alice", "wrong")})

    def test_1_is_chk_sets_the_auto_check_timer_to_chk_time_minutes(self):
        self.assertEqual(wait_until(self.auto_check_periods), [b"1800000"])

    def test_2_every_way_of_closing_ends_the_dialog_and_the_next_check_shows_fresh_results(self):
        for way in (["press", *RESULTS, 2], ["key", *RESULTS, VK_ESCAPE], ["key", *RESULTS, VK_RETURN],
                    ["close", *RESULTS]):
            with self.subTest(way[0] + str(way[3:])):
                empty_box = deliver("nobody")
                self.post(WM_COMMAND, CHECK_MAIL)
                self.assertEqual(self.results(), [
                    ("個人メール", *mail(*stats["alice"])), ("休止中", "チェックを行わない", ""),
                    ("空の箱", *mail(*empty_box)), ("旧パスワード", "エラー", "パスワードの未認証")])
                driver(*way, "--", "gone", *RESULTS, TIMEOUT_MS)
        self.assertIsNone(self.zorvane.poll())


class FailureAbortTimerTest(CheckCase):
    """Display mode 2: the result dialog only. The stub server in the third place
    hangs up at first, later stays silent and so holds a check there."""
    @classmethod
    def settings(cls):
        return settings({"IsChk": 0, "ChkTime": 30, "ChkOpti": 2}, {
            1: stub_account("拒絶", refused.getsockname()[1]), 2: stub_account("名前なし", 110, UNRESOLVABLE),
            3: stub_account("無言", stub.port), 4: dovecot_account("個人", "alice", "secret")})

    def start_check_held_by_stub(self):
        stub.silent, connections = True, len(stub.received)
        self.post(WM_COMMAND, CHECK_MAIL)
        self.assertTrue(wait_until(lambda: len(stub.received) > connections))

    def assert_abort_message_and_nothing_after(self, sessions_before):
        self.assertEqual(controls(*ABORT_BOX)[0xFFFF], "メールチェックを中断しました。")
        driver("press", *ABORT_BOX, 1, "--", "gone", *ABORT_BOX, TIMEOUT_MS)
        self.assertTrue(no_window(*RESULTS))
        # The account behind the stub's is never contacted.
        self.assertEqual(dovecot_log().count("pop3-login: "), sessions_before)

    def test_1_a_tick_while_idle_checks_and_failures_leave_the_others_their_results(self):
        self.post(WM_TIMER, AUTO_CHECK_TIMER)
        results = self.results()
        self.assertEqual(results[0], ("拒絶", "エラー", "ソケットエラー"))
        self.assertIn(results[1][1:], [("エラー", "ホストを発見できない"), ("エラー", "ホスト名の未解決")])
        self.assertEqual(results[2:], [("無言", "エラー", "接続が切断されました"), ("個人", *mail(*stats["alice"]))])

    def test_2_a_tick_while_results_show_closes_them_silently_and_checks_again(self):
        connections, alice = len(stub.received), deliver("alice")
        self.post(WM_TIMER, AUTO_CHECK_TIMER)
        self.assertTrue(wait_until(lambda: len(stub.received) > connections))
        self.assertEqual(self.results()[3], ("個人", *mail(*alice)))
        self.assertTrue(no_window(*ABORT_BOX))
        driver("press", *RESULTS, 2, "--", "gone", *RESULTS, TIMEOUT_MS)

    def test_3_abort_is_silent_while_idle_and_stops_a_check_with_a_message(self):
        self.post(WM_COMMAND, ABORT)
        self.assertTrue(no_window(*ABORT_BOX))
        sessions = dovecot_log().count("pop3-login: ")
        self.start_check_held_by_stub()
        self.post(WM_COMMAND, ABORT)
        self.assert_abort_message_and_nothing_after(sessions)
        # The client closed the connection, having waited for a greeting.
        self.assertTrue(wait_until(lambda: len(stub.received) - 1 in stub.closed))
        self.assertEqual(stub.received[-1], b"")

    def test_4_a_tick_during_a_check_aborts_it_and_starts_nothing(self):
        sessions = dovecot_log().count("pop3-login: ")
        self.start_check_held_by_stub()
        connections = len(stub.received)
        self.post(WM_TIMER, WATCHDOG_TIMER)
        self.assert_abort_message_and_nothing_after(sessions)
        self.assertEqual(len(stub.received), connections)

    def test_5_exit_during_a_check_ends_silently(self):
        self.start_check_held_by_stub()
        # Any dialog, from the exit on until the process has ended.
        watch = try_driver("post", WM_COMMAND, EXIT, 0, "--", "controls", "#32770", "*", TIMEOUT_MS)
        self.assertEqual(watch.returncode, 1, f"a dialog showed: {watch.stdout}")
        self.assert_exits_with_zero()
        driver("tray", 0, 0)

    def test_6_without_is_chk_no_auto_check_timer(self):
        self.assertIsNotNone(self.zorvane.poll(), "Zorvane still runs: its log is not complete")
        self.assertEqual(self.auto_check_periods(), [])


class BallsOnlyTest(CheckCase):
    """Display mode 1 while there are no balls yet: no dialog at all."""
    @classmethod
    def settings(cls):
        return settings({"ChkOpti": 1}, {1: dovecot_account("個人", "alice", "secret")})

    def test_1_a_check_shows_no_dialog_and_the_program_stays_responsive(self):
        sessions = dovecot_log().count("Logged out")
        self.post(WM_COMMAND, CHECK_MAIL)
        self.assertTrue(wait_until(lambda: dovecot_log().count("Logged out") > sessions))
        self.assertTrue(no_window("#32770", "*"))
        self.post(WM_COMMAND, EXIT)
        self.assert_exits_with_zero()
        driver("tray", 0, 0)
