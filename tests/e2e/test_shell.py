"""The shell of the real zorvane.exe under Wine: first start, single instance,
tray icon and menu, exit. Driven only from outside, through zdriver and the
registry."""

import unittest

from wine_fixture import (
    VK_ESCAPE, VK_RETURN, VK_UP, WINDOW_TIMEOUT_MS, WM_LBUTTONDBLCLK, WM_LBUTTONDOWN,
    WM_RBUTTONDOWN, WM_RBUTTONUP, ZORVANE_EXE, RegValue, ZorvaneTestCase, driver, dword, end_wine,
    menu_is_open, read_message_box, reg_values, run_zorvane, start_zorvane, text, tray_icon_count,
    try_driver, wait_until, zorvane_windows)

WELCOME_TITLE = "ようこそ！！"
WELCOME_FIRST_LINES = [
    "この度は、「Zorvane」をダウンロードして頂き誠に有り難うございます。",
    "最初にタスクトレイ上のアイコンを右クリックして",
    "メールチェックを行うPOP3サーバの設定を行って下さい。",
    "",
]
ID_EXIT = 40003


def default_settings():
    """The settings key exactly as a first start leaves it."""
    values = {(".", "BOOT"): dword(1), (".", "ChkTime"): dword(10), (".", "ChkOpti"): dword(0),
              (".", "IsChk"): dword(0)}
    for number in range(1, 5):
        account = f"POP{number}"
        values[(account, "ChkFlg")] = dword(0)
        values[(account, "Imagetype")] = dword(0)
        values[(account, "PortNo")] = dword(110)
        for name in ("NAME", "PassWord", "Serv", "UserId"):
            values[(account, name)] = RegValue("REG_SZ", bytes(256))
    return values


def register_account_2():
    """An account as a user would have saved it, to see whether a start keeps it."""
    driver("reg-set", "POP2", "NAME", "sz", "仕事", 128)
    driver("reg-set", "POP2", "Serv", "sz", "127.0.0.1", 128)
    driver("reg-set", "POP2", "UserId", "sz", "taro", 64)
    driver("reg-set", "POP2", "PassWord", "sz", ">/==", 64)  # "pass", scrambled
    driver("reg-set", "POP2", "PortNo", "dword", 1110)
    driver("reg-set", "POP2", "ChkFlg", "dword", 1)


def no_message_box():
    return try_driver("msgbox", 0).returncode != 0


class FirstStartTest(ZorvaneTestCase):

    def answer_welcome(self):
        title, message = read_message_box()
        self.assertEqual(title, WELCOME_TITLE)
        lines = message.rstrip("\n").split("\n")
        self.assertEqual(lines[:4], WELCOME_FIRST_LINES)
        # Then the author's name and e-mail address, whatever they are.
        self.assertEqual(len(lines), 6, message)
        self.assertTrue(lines[4].strip())
        self.assertIn("@", lines[5])
        driver("msgbox-answer", 1)

    def test_first_start_welcomes_and_then_writes_exactly_the_defaults(self):
        start_zorvane()
        title, _ = read_message_box()
        self.assertEqual(title, WELCOME_TITLE)
        # While the welcome is open nothing is written yet and no icon is added:
        # ending the program here must mean another welcome next time.
        self.assertEqual(reg_values(), {})
        self.assertEqual(tray_icon_count(), 0)

        self.answer_welcome()
        driver("gone", WELCOME_TITLE, WINDOW_TIMEOUT_MS)
        self.assertTrue(wait_until(lambda: tray_icon_count() == 1, WINDOW_TIMEOUT_MS / 1000))
        self.assertEqual(reg_values(), default_settings())

    def test_boot_holding_one_skips_the_welcome_and_keeps_the_accounts(self):
        # Only the four bytes count, not the type they are stored as.
        for boot in (("dword", 1), ("raw", "REG_BINARY", "01000000")):
            with self.subTest(boot=boot):
                end_wine()  # also after a failed round
                driver("reg-delete")
                driver("reg-set", ".", "BOOT", *boot)
                register_account_2()
                before = reg_values()

                self.start_and_wait_ready()
                self.assertTrue(no_message_box())
                self.assertEqual(reg_values(), before)

    def test_boot_zero_or_text_welcomes_again_and_empties_the_accounts(self):
        for boot in (("dword", 0), ("sz", "1", 2)):
            with self.subTest(boot=boot):
                end_wine()  # also after a failed round
                driver("reg-delete")
                driver("reg-set", ".", "BOOT", *boot)
                driver("reg-set", ".", "ChkTime", "dword", 30)
                register_account_2()

                start_zorvane()
                self.answer_welcome()
                self.assertTrue(wait_until(lambda: tray_icon_count() == 1, WINDOW_TIMEOUT_MS / 1000))
                self.assertEqual(reg_values(), default_settings())


class SingleInstanceTest(ZorvaneTestCase):

    def test_second_start_ends_at_once_and_leaves_one_window_and_one_icon(self):
        driver("reg-set", ".", "BOOT", "dword", 1)
        first = self.start_and_wait_ready()

        self.assertEqual(run_zorvane(), 0)

        self.assertIsNone(first.poll(), "the first copy ended")
        self.assertTrue(no_message_box())
        main_windows = [w for w in zorvane_windows() if w.class_name == "Zorvane11"]
        self.assertEqual(len(main_windows), 1)
        main = main_windows[0]
        self.assertEqual((main.title, main.visible, main.width, main.height), ("Zorvane", False, 250, 90))
        self.assertEqual(tray_icon_count(), 1)


class TrayMenuTest(ZorvaneTestCase):

    def setUp(self):
        super().setUp()
        driver("reg-set", ".", "BOOT", "dword", 1)
        self.zorvane = self.start_and_wait_ready()

    def open_menu(self):
        driver("tray", WM_RBUTTONDOWN)
        driver("menu-open", WINDOW_TIMEOUT_MS)

    def test_only_the_right_button_going_down_opens_the_menu(self):
        for message in (WM_LBUTTONDOWN, WM_LBUTTONDBLCLK, WM_RBUTTONUP):
            driver("tray", message)
        # Time enough for a wrongly opened menu to show.
        self.assertNotEqual(try_driver("menu-open", 2000).returncode, 0)

        # The menu closes with Escape and opens again on the next click.
        for _ in range(2):
            self.open_menu()
            driver("menu-key", VK_ESCAPE)
            self.assertTrue(wait_until(lambda: not menu_is_open(), 30), "the menu stayed open")
        self.assertIsNone(self.zorvane.poll())

    def test_menu_resource_holds_the_ten_items(self):
        self.assertEqual(driver("menu-resource", ZORVANE_EXE, 101).splitlines(), [
            "1\tpopup\tdamy",
            "  1\t40001\tメールチェック",
            "  2\t40005\tセッションの中断",
            "  3\t-\t",
            "  4\t40006\t全般の設定",
            "  5\t40002\tPOP3サーバ設定",
            "  6\t-\t",
            "  7\t40007\tバージョン情報",
            "  8\t40008\tヘルプの表示",
            "  9\t-\t",
            "  10\t40003\t終了",
        ])

    def test_exit_chosen_in_the_menu_ends_with_zero_and_removes_the_icon(self):
        self.open_menu()
        # From no selection, Up selects the last item, "終了".
        driver("menu-key", VK_UP)
        driver("menu-key", VK_RETURN)
        self.assert_exits_with_zero(self.zorvane)
        # Right away: Wine would drop an icon of a vanished window only later, on a timer.
        self.assertEqual(tray_icon_count(), 0)

    def test_exit_command_ends_with_zero_and_removes_the_icon(self):
        driver("command", ID_EXIT)
        self.assert_exits_with_zero(self.zorvane)
        self.assertEqual(tray_icon_count(), 0)


class ShellRestartTest(ZorvaneTestCase):

    def test_a_new_taskbar_gets_the_icon_again(self):
        driver("reg-set", ".", "BOOT", "dword", 1)
        self.start_and_wait_ready()
        driver("tray-forget")
        self.assertTrue(wait_until(lambda: tray_icon_count() == 0, WINDOW_TIMEOUT_MS / 1000))

        driver("taskbar-created")
        self.assertTrue(wait_until(lambda: tray_icon_count() == 1, WINDOW_TIMEOUT_MS / 1000))
        driver("tray", WM_RBUTTONDOWN)
        driver("menu-open", WINDOW_TIMEOUT_MS)


class StoredPasswordTest(ZorvaneTestCase):

    def test_non_ascii_password_in_the_registry_survives_a_start(self):
        # "pässwörd" as stored: the ASCII bytes XOR 0x4E, the bytes of ä and ö as they are.
        stored = b">\xc3\xa4==9\xc3\xb6<*"
        driver("reg-set", ".", "BOOT", "dword", 1)
        driver("reg-set", "POP1", "PassWord", "sz", stored.decode(), 64)
        self.assertEqual(reg_values()[("POP1", "PassWord")], text(stored.decode(), 64))

        self.start_and_wait_ready()
        self.assertTrue(no_message_box())
        self.assertEqual(reg_values()[("POP1", "PassWord")], text(stored.decode(), 64))


if __name__ == "__main__":
    unittest.main()
