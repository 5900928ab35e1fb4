"""Checking mail with the real zorvane.exe under Wine: a real Dovecot and the
scripted servers of the test tree on 127.0.0.1, the settings written to the
registry beforehand, the outcome read from the result dialog."""

import sys
import tempfile
import unittest
from dataclasses import dataclass
from pathlib import Path

from wine_fixture import (
    VK_ESCAPE, VK_RETURN, WINDOW_TIMEOUT_MS, ZorvaneTestCase, driver,
    read_message_box, try_driver, unescape, wait_until, zorvane_windows)

REPO = Path(__file__).resolve().parents[2]
sys.path[:0] = [str(REPO / "tests" / "servers"), str(REPO / "scripts")]

import dovecot  # noqa: E402
from scramble_password import scramble  # noqa: E402
from scripted_pop3 import RefusedPort, ScriptedPop3Server  # noqa: E402

CHECK_MAIL = 40001
ABORT = 40005
AUTO_CHECK_TIMER = 3277
WATCHDOG_TIMER = 3278
IDCANCEL = 2
RESULT_TITLE = "メールチェック結果"
ABORT_TITLE = "セッション中断"
ABORT_TEXT = "メールチェックを中断しました。"
DISPLAY_BOTH, DISPLAY_BALLS_ONLY, DISPLAY_DIALOG_ONLY = 0, 1, 2
# NameText, CountText, DetailText of accounts 1 to 4.
RESULT_CONTROLS = [(1001, 1002, 1003), (1004, 1005, 1009), (1010, 1011, 1012), (1013, 1014, 1015)]
# A label longer than 63 characters fails inside the resolver, without a query.
UNRESOLVABLE_HOST = "a" * 70 + ".invalid"
# How long to watch for something that must not happen.
QUIET_MS = 2000
SERVER_TIMEOUT_S = 60

MAILBOXES = {
    "three": dovecot.Mailbox("alice", "secret", 3),
    "empty": dovecot.Mailbox("nobody", "nothing", 0),
}
_dovecot = None
_dovecot_folder = None


def setUpModule():
    global _dovecot, _dovecot_folder
    _dovecot_folder = tempfile.TemporaryDirectory(prefix="zorvane-e2e-dovecot-")
    _dovecot = dovecot.DovecotServer(_dovecot_folder.name, MAILBOXES.values())
    try:
        _dovecot.start()
    except BaseException:
        _dovecot_folder.cleanup()
        raise


def tearDownModule():
    _dovecot.stop()
    _dovecot_folder.cleanup()


def scrambled(password):
    """The password as the registry holds it."""
    return scramble(password.encode()).decode()


@dataclass
class Account:
    name: str
    port: int
    user: str = "u"
    password: str = "p"
    enabled: bool = True
    server: str = "127.0.0.1"

    def write(self, number):
        key = f"POP{number}"
        driver("reg-set", key, "NAME", "sz", self.name, 128)
        driver("reg-set", key, "Serv", "sz", self.server, 128)
        driver("reg-set", key, "UserId", "sz", self.user, 64)
        driver("reg-set", key, "PassWord", "sz", scrambled(self.password), 64)
        driver("reg-set", key, "PortNo", "dword", self.port)
        driver("reg-set", key, "ChkFlg", "dword", int(self.enabled))
        driver("reg-set", key, "Imagetype", "dword", 0)


def dovecot_account(name, mailbox, password=None):
    return Account(name, _dovecot.port, mailbox.user,
                   mailbox.password if password is None else password)


def mail_texts(count, size):
    return f"メール数： {count}通", f"サイズ： {size} Bytes"


def error_texts(failure):
    return "エラー", failure


class CheckMailTestCase(ZorvaneTestCase):

    def serve(self, scenario):
        server = ScriptedPop3Server(scenario)
        server.start()
        self.addCleanup(server.stop)
        return server

    def refused_port(self):
        refused = RefusedPort()
        self.addCleanup(refused.close)
        return refused.port

    def start_with(self, accounts, display_mode=DISPLAY_DIALOG_ONLY):
        """Writes the settings (accounts: {number: Account}) and starts Zorvane."""
        driver("reg-set", ".", "BOOT", "dword", 1)
        driver("reg-set", ".", "IsChk", "dword", 0)
        driver("reg-set", ".", "ChkTime", "dword", 10)
        driver("reg-set", ".", "ChkOpti", "dword", display_mode)
        for number, account in accounts.items():
            account.write(number)
        self.zorvane = self.start_and_wait_ready()

    def check_and_read_results(self):
        driver("command", CHECK_MAIL)
        return self.read_results()

    def read_results(self):
        """The three texts of each account, as the result dialog shows them."""
        controls = {}
        for line in driver("dialog", RESULT_TITLE, WINDOW_TIMEOUT_MS).splitlines():
            control_id, _, text = line.split("\t")
            controls[int(control_id)] = unescape(text)
        return [tuple(controls[i] for i in ids) for ids in RESULT_CONTROLS]

    def close_results(self):
        driver("click", RESULT_TITLE, IDCANCEL)
        driver("gone", RESULT_TITLE, WINDOW_TIMEOUT_MS)

    def assert_no_result_dialog(self):
        self.assertNotEqual(try_driver("dialog", RESULT_TITLE, QUIET_MS).returncode, 0,
                            "a result dialog appeared")

    def assert_still_running(self):
        self.assertIsNone(self.zorvane.poll(), "zorvane.exe ended")


class DovecotCheckTest(CheckMailTestCase):

    def test_four_accounts_show_count_size_skip_empty_and_refused_password(self):
        self.start_with({
            1: dovecot_account("個人メール", MAILBOXES["three"]),
            2: Account("休止中", _dovecot.port, enabled=False),
            3: dovecot_account("空の箱", MAILBOXES["empty"]),
            4: dovecot_account("旧パスワード", MAILBOXES["three"], password="wrong"),
        })
        count, size = _dovecot.stat("alice")
        self.assertEqual(self.check_and_read_results(), [
            ("個人メール", *mail_texts(count, size)),
            ("休止中", "チェックを行わない", ""),
            ("空の箱", *mail_texts(0, 0)),
            ("旧パスワード", *error_texts("パスワードの未認証")),
        ])
        self.close_results()
        self.assert_still_running()

    def test_every_way_of_closing_ends_the_dialog_and_the_next_check_starts_afresh(self):
        # One server per account whose n-th connection gets the n-th reply, so
        # a result left over from the check before would show.
        changing = self.serve(["normal", "negative-stat", "negative-user", "normal"])
        stat_forms = self.serve(["stat-no-numbers", "stat-count-only", "stat-huge", "stat-negative"])
        self.start_with({
            1: dovecot_account("個人", MAILBOXES["three"]),
            2: Account("移ろう", changing.port),
            4: Account("数の形", stat_forms.port),
        })
        largest = 2**31 - 1
        unregistered = ("未登録", "", "")
        rounds = [
            ("button", ["click", RESULT_TITLE, IDCANCEL],
             mail_texts(2, 345), mail_texts(0, 0)),
            ("Esc", ["key", RESULT_TITLE, VK_ESCAPE],
             mail_texts(0, 0), mail_texts(5, 0)),
            ("Enter", ["key", RESULT_TITLE, VK_RETURN],
             error_texts("存在しないユーザーID"), mail_texts(largest, largest)),
            ("close box", ["close", RESULT_TITLE],
             mail_texts(2, 345), mail_texts(-3, 100)),
        ]
        for way, closing, second, fourth in rounds:
            with self.subTest(way):
                self.assertEqual(self.check_and_read_results(), [
                    ("個人", *mail_texts(*_dovecot.stat("alice"))),
                    ("移ろう", *second),
                    unregistered,
                    ("数の形", *fourth),
                ])
                driver(*closing)
                driver("gone", RESULT_TITLE, WINDOW_TIMEOUT_MS)
        self.assert_still_running()


class ScriptedServerCheckTest(CheckMailTestCase):

    def test_split_and_merged_replies_and_rejections_with_exact_client_bytes(self):
        split = self.serve("split-greeting")
        merged = self.serve("merged")
        rejecting = self.serve("negative-greeting")
        unknown_user = self.serve("negative-user")
        self.start_with({
            1: Account("分割", split.port),
            2: Account("連結", merged.port, user="taro", password="pass123"),
            3: Account("拒否", rejecting.port),
            4: Account("不明", unknown_user.port),
        })
        self.assertEqual(self.check_and_read_results(), [
            ("分割", *mail_texts(2, 345)),
            ("連結", *mail_texts(4, 4321)),
            ("拒否", *error_texts("接続時にエラーが発生")),
            ("不明", *error_texts("存在しないユーザーID")),
        ])
        sent = {name: server.connection(0, SERVER_TIMEOUT_S).received
                for name, server in [("split", split), ("merged", merged),
                                     ("rejecting", rejecting), ("unknown user", unknown_user)]}
        self.assertEqual(sent, {
            "split": b"USER u\r\nPASS p\r\nSTAT\r\nQUIT\r\n",
            "merged": b"USER taro\r\nPASS pass123\r\nSTAT\r\nQUIT\r\n",
            "rejecting": b"QUIT\r\n",
            "unknown user": b"USER u\r\nQUIT\r\n",
        })
        self.close_results()

    def test_failing_connections_leave_the_other_accounts_their_results(self):
        hanging_up = self.serve("close-after-greeting")
        self.start_with({
            1: Account("拒絶ポート", self.refused_port()),
            2: Account("切断", hanging_up.port),
            3: Account("名前なし", 110, server=UNRESOLVABLE_HOST),
            4: dovecot_account("個人", MAILBOXES["three"]),
        })
        results = self.check_and_read_results()
        self.assertEqual(results[0], ("拒絶ポート", *error_texts("ソケットエラー")))
        self.assertEqual(results[1], ("切断", *error_texts("接続が切断されました")))
        self.assertIn(results[2], [("名前なし", *error_texts("ホストを発見できない")),
                                   ("名前なし", *error_texts("ホスト名の未解決"))])
        self.assertEqual(results[3], ("個人", *mail_texts(*_dovecot.stat("alice"))))
        self.close_results()

    def test_hostile_servers_neither_crash_nor_stall_the_check(self):
        flood = self.serve("flood")
        garbage = self.serve("garbage")
        self.start_with({
            1: Account("洪水", flood.port),
            2: Account("ごみ", garbage.port),
            3: Account("即切断", self.serve("close-at-once").port),
            4: dovecot_account("個人", MAILBOXES["three"]),
        })
        results = self.check_and_read_results()
        # Text without line feeds is dropped once it no longer fits; the
        # server's close then ends the account.
        self.assertEqual(results[0], ("洪水", *error_texts("接続が切断されました")))
        # What garbage leads to is not defined, only that the account ends
        # with some result.
        self.assertEqual(results[1][0], "ごみ")
        self.assertTrue(results[1][1], results[1])
        self.assertEqual(results[2], ("即切断", *error_texts("接続が切断されました")))
        self.assertEqual(results[3], ("個人", *mail_texts(*_dovecot.stat("alice"))))
        self.close_results()
        self.assertEqual(self.check_and_read_results()[3], results[3])
        self.assert_still_running()


class AbortTest(CheckMailTestCase):

    def test_abort_during_a_check_tells_so_and_the_check_never_resumes(self):
        silent = self.serve("silent")
        behind = self.serve("normal")
        self.start_with({1: Account("無言", silent.port), 2: Account("後続", behind.port)})

        driver("command", ABORT)
        self.assertNotEqual(try_driver("msgbox", QUIET_MS).returncode, 0,
                            "an abort while idle showed a message")

        driver("command", CHECK_MAIL)
        silent.connection(0, SERVER_TIMEOUT_S, finished=False)
        driver("command", ABORT)
        self.assertEqual(read_message_box(), (ABORT_TITLE, ABORT_TEXT))
        driver("msgbox-answer", 1)
        driver("gone", ABORT_TITLE, WINDOW_TIMEOUT_MS)

        # The abort closed the connection, and nothing moves on by itself.
        silent.connection(0, SERVER_TIMEOUT_S)
        self.assert_no_result_dialog()
        self.assertEqual(behind.connections, [])
        self.assert_still_running()


class TimerTickTest(CheckMailTestCase):

    def test_a_tick_checks_when_idle_and_aborts_a_running_check(self):
        changing = self.serve(["normal", "negative-user", "silent"])
        self.start_with({1: Account("時計", changing.port)})

        # Idle: the auto-check timer's tick starts a check.
        driver("timer", AUTO_CHECK_TIMER)
        self.assertEqual(self.read_results()[0], ("時計", *mail_texts(2, 345)))

        # Displaying: a tick closes the results silently and checks again.
        driver("timer", AUTO_CHECK_TIMER)
        changing.connection(1, SERVER_TIMEOUT_S)
        self.assertTrue(wait_until(
            lambda: self.read_results()[0] == ("時計", *error_texts("存在しないユーザーID")),
            SERVER_TIMEOUT_S))
        self.close_results()

        # Checking: the watchdog's tick aborts with the message, and no results follow.
        driver("command", CHECK_MAIL)
        changing.connection(2, SERVER_TIMEOUT_S, finished=False)
        driver("timer", WATCHDOG_TIMER)
        self.assertEqual(read_message_box(), (ABORT_TITLE, ABORT_TEXT))
        driver("msgbox-answer", 1)
        self.assert_no_result_dialog()
        self.assertEqual(len(changing.connections), 3, "the tick started another check")
        self.assert_still_running()


class DisplayModeTest(CheckMailTestCase):

    def test_both_mode_ends_in_the_result_dialog_while_there_are_no_balls(self):
        server = self.serve("normal")
        self.start_with({1: Account("両方", server.port)}, DISPLAY_BOTH)
        results = self.check_and_read_results()
        self.assertEqual(results[0], ("両方", *mail_texts(2, 345)))
        self.assertEqual(results[1:], [("未登録", "", "")] * 3)
        self.close_results()

    def test_balls_only_mode_shows_no_dialog_and_stays_responsive(self):
        server = self.serve("normal")
        self.start_with({1: Account("玉だけ", server.port)}, DISPLAY_BALLS_ONLY)
        for attempt in range(2):
            with self.subTest(check=attempt + 1):
                driver("command", CHECK_MAIL)
                conn = server.connection(attempt, SERVER_TIMEOUT_S)
                self.assertEqual(conn.received, b"USER u\r\nPASS p\r\nSTAT\r\nQUIT\r\n")
                self.assert_no_result_dialog()
                self.assertNotIn(RESULT_TITLE, [w.title for w in zorvane_windows()])
        self.assert_still_running()


if __name__ == "__main__":
    unittest.main()
