"""Checking mail with the real zorvane.exe against a private Dovecot and a stub server on 127.0.0.1, the outcome read
from the result dialog and the tray icon. The protocol's rules are the unit tests' and the fuzzer's; these prove the
paths through it."""

import os
import re
import socket
import sys
import tempfile
import unittest
from pathlib import Path

from scripted_servers import pop3_server
from wine_fixture import (REPO, TIMEOUT_MS, TRAY_MESSAGE, VK_ESCAPE, VK_RETURN, WM_COMMAND, WM_TIMER, ZorvaneCase,
                          controls, driver, dword, no_window, reg_values, rows, screenshot, start_zorvane, sz,
                          try_driver)

sys.path.insert(0, str(REPO / "scripts"))
import dovecot  # noqa: E402
from scramble_password import scramble  # noqa: E402

CHECK_MAIL = 40001
EXIT = 40003
ABORT = 40005
WM_LBUTTONDBLCLK = 515
WM_POWERBROADCAST = 0x218
PBT_APMRESUMEAUTOMATIC = 0x12
AUTO_CHECK_TIMER = 3277
WATCHDOG_TIMER = 3278
RESULTS = ("#32770", "メールチェック結果")
ABORT_BOX = ("#32770", "セッション中断")
# Name, count and detail text of accounts 1 to 4.
RESULT_CONTROLS = [(1001, 1002, 1003), (1004, 1005, 1009), (1010, 1011, 1012), (1013, 1014, 1015)]
# A label longer than 63 characters fails inside the resolver, without a query.
UNRESOLVABLE = "a" * 70 + ".invalid"
# Passwords beyond ASCII, which the registry must keep as they are.
ALICE = dovecot.Mailbox("alice", "pässwörd", 3)
CAROL = dovecot.Mailbox("carol", "五通の箱", 5)  # 5: one large ball
DAVE = dovecot.Mailbox("dave", "dpw", 3)  # only his new mail is announced
# SetTimer of the auto-check timer as Wine's +msg channel logs it: the period in ms.
AUTO_CHECK_SET = re.compile(rb"NtUserSetTimer Added \S+ ccd \S+ timeout (\d+)")


def setUpModule():
    global mail_server, v6_server, stats, stub, refused
    folder = unittest.enterModuleContext(tempfile.TemporaryDirectory(prefix="zorvane-e2e-"))
    mail_server = unittest.enterModuleContext(dovecot.DovecotServer(folder, [ALICE, CAROL, DAVE]))
    v6_server = unittest.enterModuleContext(dovecot.DovecotServer(Path(folder) / "v6", [ALICE], address="::1"))
    stats = {box.user: box.stat for box in (ALICE, CAROL, DAVE)}
    # Bound, not listening: connecting is refused. The stub listens later, and then never answers: the kernel accepts
    # a connection nobody reads from.
    refused, stub = (unittest.enterModuleContext(socket.socket()) for _ in range(2))
    for unlistened in (refused, stub):
        unlistened.bind(("127.0.0.1", 0))


def deliver(user):
    """One more message for user; returns the mailbox's (count, size) now."""
    new = Path(mail_server.path("mail", user, "new"))
    count, size = stats[user]
    message = new / f"e2e-{count + 1}"
    message.write_bytes(dovecot.message_bytes(count + 1, 300))
    os.chown(message, new.stat().st_uid, new.stat().st_gid)
    stats[user] = count + 1, size + 300
    return stats[user]


def dovecot_log():
    return Path(mail_server.log_path).read_text(errors="replace")


def account(name, port, user="u", password="p", server="127.0.0.1", enabled=1):
    return {"NAME": sz(name, 128), "Serv": sz(server, 128), "UserId": sz(user, 64), "PortNo": dword(port),
            "PassWord": sz(scramble(password.encode()).decode(), 64), "ChkFlg": dword(enabled)}


def settings(options, *accounts):
    """BOOT = 1, the options, then accounts 1, 2, ..."""
    values = {(".", name): dword(value) for name, value in {"BOOT": 1, **options}.items()}
    for number, fields in enumerate(accounts, 1):
        values.update({(f"POP{number}", name): value for name, value in fields.items()})
    return values


def mail(count, size):
    return f"メール数： {count}通", f"サイズ： {size} Bytes"


def results(timeout_ms=TIMEOUT_MS):
    texts = controls(*RESULTS, timeout_ms)
    return [tuple(texts[id] for id in ids) for ids in RESULT_CONTROLS]


class CheckCase(ZorvaneCase):
    ENV = {"WINEDEBUG": "+msg"}  # for the SetTimer lines

    def post(self, message, wparam, *then):
        driver("post", message, wparam, 0, *then)

    def auto_check_periods(self):
        return AUTO_CHECK_SET.findall(self.zorvane.log.read_bytes())

    def start_check_held_by_stub(self):
        """Returns the stub's side of the connection the check waits on."""
        stub.listen()
        self.post(WM_COMMAND, CHECK_MAIL)
        stub.settimeout(TIMEOUT_MS / 1000)
        connection = stub.accept()[0]
        connection.settimeout(TIMEOUT_MS / 1000)
        self.addCleanup(connection.close)
        return connection


@unittest.skipUnless(os.environ.get("ZORVANE_E2E_NAMESPACE"), "needs the suite's own hosts file: run_e2e.sh as root")
class AddressesTest(CheckCase):
    """Names of tests/e2e/hosts: v6only.zorvane.test is ::1 alone, dual.zorvane.test
    ::1 and then 127.0.0.1. The Dovecot on ::1 has its own mailbox of alice's."""

    @classmethod
    def settings(cls):
        return settings({"ChkOpti": 2},
                        account("IPv6だけ", v6_server.port, "alice", ALICE.password, server="v6only.zorvane.test"),
                        account("IPv4で", mail_server.port, "alice", ALICE.password, server="dual.zorvane.test"),
                        account("全部拒絶", refused.getsockname()[1], server="dual.zorvane.test"),
                        account("次の箱", mail_server.port, "carol", CAROL.password))

    def test_1_each_address_in_turn_until_one_answers_socket_error_when_none_does(self):
        self.post(WM_COMMAND, CHECK_MAIL)
        self.assertEqual(results(), [("IPv6だけ", *mail(*ALICE.stat)), ("IPv4で", *mail(*stats["alice"])),
                                     ("全部拒絶", "エラー", "ソケットエラー"), ("次の箱", *mail(*stats["carol"]))])


class DovecotCheckTest(CheckCase):
    """Display mode 0: the balls, then the result dialog over them."""

    @classmethod
    def settings(cls):
        port = mail_server.port
        return settings({"IsChk": 1, "ChkTime": 30, "ChkOpti": 0}, account("個人メール", port, "alice", ALICE.password),
                        account("休止中", port, enabled=0), account("五通", port, "carol", CAROL.password),
                        account("旧パスワード", port, "alice", "wrong"))

    def test_2_every_way_of_closing_ends_the_dialog_and_the_balls_and_the_next_check_shows_fresh_results(self):
        for way in (["click", *RESULTS, 2], ["key", *RESULTS, VK_ESCAPE], ["key", *RESULTS, VK_RETURN],
                    ["close", *RESULTS]):
            with self.subTest(way[0] + str(way[3:])):
                self.post(WM_COMMAND, CHECK_MAIL)
                self.assertEqual(results(), [("個人メール", *mail(*stats["alice"])), ("休止中", "チェックを行わない", ""),
                                             ("五通", *mail(*stats["carol"])), ("旧パスワード", "エラー", "パスワードの未認証")])
                self.assertEqual(balls(), RESTING)  # the same balls again, in the same places
                screenshot("balls-and-results")
                driver(*way, "--", "gone", *RESULTS, TIMEOUT_MS)
                self.assertEqual(balls(), set())
                deliver("carol")  # so that the next check must show fresh results
        self.assertIsNone(self.zorvane.poll())


class FailureAbortTimerTest(CheckCase):
    """Display mode 2: the result dialog only. The stub server in the third place
    refuses connections at first; later it listens and so holds a check there."""

    @classmethod
    def settings(cls):
        return settings({"IsChk": 0, "ChkTime": 30, "ChkOpti": 2}, account("拒絶", refused.getsockname()[1]),
                        account("名前なし", 110, server=UNRESOLVABLE), account("無言", stub.getsockname()[1]),
                        account("個人", mail_server.port, "alice", ALICE.password))

    def test_1_a_tick_while_idle_checks_and_failures_leave_the_others_their_results(self):
        self.post(WM_TIMER, AUTO_CHECK_TIMER)
        shown = results()
        self.assertEqual(shown[0], ("拒絶", "エラー", "ソケットエラー"))
        self.assertIn(shown[1][1:], [("エラー", "ホストを発見できない"), ("エラー", "ホスト名の未解決")])
        self.assertEqual(shown[2:], [("無言", "エラー", "ソケットエラー"), ("個人", *mail(*stats["alice"]))])

    def test_2_a_tick_while_results_show_closes_them_silently_and_checks_again(self):
        alice = deliver("alice")
        self.post(WM_TIMER, AUTO_CHECK_TIMER, "--", "gone", *RESULTS, TIMEOUT_MS)
        self.assertEqual(results()[3], ("個人", *mail(*alice)))
        self.assertEqual(try_driver("controls", *ABORT_BOX, 0).returncode, 1)  # a box would still be open
        driver("click", *RESULTS, 2, "--", "gone", *RESULTS, TIMEOUT_MS)

    def test_4_abort_and_a_tick_during_a_check_stop_it_with_a_message_and_start_nothing(self):
        for message, wparam in ((WM_COMMAND, ABORT), (WM_TIMER, WATCHDOG_TIMER)):
            with self.subTest(message=message):
                sessions = dovecot_log().count("pop3-login: ")
                connection = self.start_check_held_by_stub()
                self.post(message, wparam)
                self.assertEqual(controls(*ABORT_BOX)[0xFFFF], "メールチェックを中断しました。")
                driver("click", *ABORT_BOX, 1, "--", "gone", *ABORT_BOX, TIMEOUT_MS)
                self.assertTrue(no_window(*RESULTS))
                # The client closed, still waiting for a greeting; nothing starts
                # again, and the account behind the stub's is never contacted.
                self.assertEqual(connection.recv(64), b"")
                stub.settimeout(0)
                self.assertRaises(BlockingIOError, stub.accept)
                self.assertEqual(dovecot_log().count("pop3-login: "), sessions)


# Where the balls of account 1 (three small) and account 3 (one large) rest on
# a 1024 x 768 screen: x, y, size. Each is always on top and round.
RESTING = {(568, 645, 16), (606, 645, 16), (625, 645, 16), (568, 581, 32)}


def balls():
    """Zorvane's ball windows on screen: {(x, y, size)}; None when one is not always on top or not round."""
    shown = set()
    for class_name, title, visible, x, y, width, height, topmost, round_ in rows(driver("windows")):
        if class_name == "#32770" and title == "" and visible == "1" and int(width) <= 32:
            if (topmost, round_, width) != ("1", "1", height):
                return None
            shown.add((int(x), int(y), int(width)))
    return shown


class LargeMailboxTest(CheckCase):
    """Mailboxes of 5 GB and of the largest size there is: every size whole, in lines wide enough for it."""

    @classmethod
    def settings(cls):
        return settings({"ChkOpti": 0}, account("大きな箱", 110, server="127.0.0.8"),
                        account("最大", 110, server="127.0.0.9"))

    def test_1_the_size_shows_whole_and_five_or_more_make_one_large_ball(self):
        pop3_server("127.0.0.8", STAT=b"+OK 70000 5368709120\r\n")
        pop3_server("127.0.0.9", STAT=b"+OK 2147483647 9223372036854775807\r\n")
        self.post(WM_COMMAND, CHECK_MAIL)
        self.assertEqual(results()[:2], [("大きな箱", "メール数： 70000通", "サイズ： 5368709120 Bytes"),
                                         ("最大", "メール数： 2147483647通", "サイズ： 9223372036854775807 Bytes")])
        self.assertEqual(sorted(size for *_, size in balls()), [32, 32])
        # Each line's text no wider than the room its edit has for it.
        lines = rows(driver("controls", *RESULTS, TIMEOUT_MS))
        self.assertEqual([line[4] for line in lines if line[1] == "Edit" and int(line[-1]) > int(line[-2])], [])
        screenshot("large-mailboxes")


class NewMailTest(CheckCase):
    """Dave announces only his new mail; alice beside him all that waits."""

    @classmethod
    def settings(cls):
        return settings({"ChkOpti": 0}, {**account("新着", mail_server.port, "dave", DAVE.password), "NewFlg": dword(1)},
                        account("全部", mail_server.port, "alice", ALICE.password))

    def check(self):
        """Both accounts' lines and the number of balls, then the dialog closed: the announcement seen."""
        self.post(WM_COMMAND, CHECK_MAIL)
        shown = results()[:2]
        flown = len(balls())
        driver("click", *RESULTS, 2, "--", "gone", *RESULTS, TIMEOUT_MS)
        return shown, flown

    def test_1_the_first_check_counts_all_then_only_what_arrived_after_the_last_one_seen_also_after_a_restart(self):
        alice = ("全部", *mail(*stats["alice"]))
        alice_balls = stats["alice"][0] if stats["alice"][0] < 5 else 1
        self.assertEqual(self.check(), ([("新着", "新着： 3通", "全3通 900 Bytes"), alice], 3 + alice_balls))
        self.assertTrue(reg_values()[("POP1", "SeenUidl")][1].startswith(b"3 "))
        self.assertNotIn(("POP2", "SeenUidl"), reg_values())
        driver("post", WM_COMMAND, EXIT, 0)
        self.assert_exits_with_zero()
        type(self).zorvane = start_zorvane(**self.ENV)
        driver("tray", 1, TIMEOUT_MS)
        self.assertEqual(self.check(), ([("新着", "新着： 0通", "全3通 900 Bytes"), alice], alice_balls))
        new = Path(mail_server.path("mail", "dave"))
        oldest = min([*new.glob("cur/*"), *new.glob("new/*")], key=lambda message: message.name)
        oldest.unlink()
        deliver("dave")
        deliver("dave")
        self.assertEqual(self.check(), ([("新着", "新着： 2通", "全4通 1200 Bytes"), alice], 2 + alice_balls))


class TrayTest(CheckCase):
    """Alice's messages in the dialog only; automatic checking every 30 minutes."""

    @classmethod
    def settings(cls):
        return settings({"IsChk": 1, "ChkTime": 30, "ChkOpti": 2}, account("個人", mail_server.port, "alice", ALICE.password))

    def tray(self, name):
        """The tip, and the icon's pixels on a screenshot left as NAME."""
        tip, *box = rows(driver("tray-tip", TIMEOUT_MS))[0]
        left, top, right, bottom = map(int, box)
        pixel = screenshot(name)
        return tip, [pixel(x, y) for y in range(top, bottom) for x in range(left, right)]

    def close_results(self):
        driver("controls", *RESULTS, TIMEOUT_MS, "--", "click", *RESULTS, 2, "--", "gone", *RESULTS, TIMEOUT_MS)

    def test_1_a_double_click_checks_and_the_icon_and_its_tip_show_what_it_found_until_a_check_finds_none(self):
        idle_tip, idle = self.tray("tray-idle")
        driver("post", TRAY_MESSAGE, 1, WM_LBUTTONDBLCLK)
        self.close_results()
        tip, icon = self.tray("tray-mail")
        self.assertEqual(idle_tip, "Zorvane Ver.1.1")
        self.assertRegex(tip, rf"^Zorvane \d\d:\d\d\n個人 メール数： {stats['alice'][0]}通$")
        self.assertTrue(icon != idle, "the icon shows the idle picture")
        for folder in ("new", "cur"):
            for message in Path(mail_server.path("mail", "alice", folder)).iterdir():
                message.unlink()
        stats["alice"] = 0, 0
        self.post(WM_COMMAND, CHECK_MAIL)
        self.close_results()
        tip, icon = self.tray("tray-none")
        # Wine's tray keeps the old picture where the new one is transparent: the idle picture's own pixels are back.
        drawn = [i for i, colour in enumerate(idle) if colour != b"\xff\xff\xff"]
        self.assertEqual([icon[i] for i in drawn], [idle[i] for i in drawn])
        self.assertEqual(tip.split("\n")[1:], ["個人 メール数： 0通"])

    def test_2_a_resume_checks_once_and_the_period_counts_from_that_check(self):
        logins = dovecot_log().count("pop3-login: ")
        self.post(WM_POWERBROADCAST, PBT_APMRESUMEAUTOMATIC)
        self.close_results()
        # From the start (IsChk), from the resume, from its check.
        self.assertEqual(dovecot_log().count("pop3-login: "), logins + 1)
        self.assertEqual(self.auto_check_periods(), [b"1800000", b"10000", b"1800000"])
