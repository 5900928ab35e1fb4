"""The shell of the real zorvane.exe: first start, single instance, tray icon and menu. One Zorvane, started with no
settings at all, goes through them."""

from test_check import settings
from wine_fixture import (TIMEOUT_MS, TRAY_MESSAGE, VK_ESCAPE, ZorvaneCase, controls, driver, dword, no_window,
                          reg_values, rows, start_zorvane, sz)

WELCOME_TITLE = "ようこそ！！"
WM_LBUTTONDOWN = 513
WM_RBUTTONDOWN = 516
WM_RBUTTONUP = 517
MENU = ("#32768", "*")


def default_settings():
    blank = {"ChkFlg": dword(0), "Imagetype": dword(0), "PortNo": dword(110),
             **{name: sz("", 256) for name in ("NAME", "PassWord", "Serv", "UserId")}}
    return settings({"ChkTime": 10, "ChkOpti": 0, "IsChk": 0}, *[blank] * 4)


def click_tray(mouse_message):
    driver("post", TRAY_MESSAGE, 1, mouse_message)


class ShellTest(ZorvaneCase):
    @classmethod
    def settings(cls):
        return {}

    def test_1_first_start_welcomes_then_writes_exactly_the_defaults(self):
        lines = controls("#32770", WELCOME_TITLE)[0xFFFF].rstrip("\n").split("\n")
        self.assertEqual(lines[:4], ["この度は、「Zorvane」をダウンロードして頂き誠に有り難うございます。", "最初にタスクトレイ上のアイコンを右クリックして",
                                     "メールチェックを行うPOP3サーバの設定を行って下さい。", ""])
        # Then the author's name and e-mail address.
        self.assertEqual((len(lines), bool(lines[4].strip()), "@" in lines[5]), (6, True, True), lines)
        # Ending the program now must mean another welcome next time.
        self.assertEqual(reg_values(), {})
        driver("tray", 0, 0)

        driver("click", "#32770", WELCOME_TITLE, 1, "--", "gone", "#32770", WELCOME_TITLE, TIMEOUT_MS,
               "--", "tray", 1, TIMEOUT_MS)
        self.assertEqual(reg_values(), default_settings())

    def test_2_second_start_ends_at_once_leaving_one_window_and_one_icon(self):
        self.assertEqual(start_zorvane().wait(timeout=TIMEOUT_MS / 1000), 0)
        main = [row[1:3] + row[5:7] for row in rows(driver("windows")) if row[0] == "Zorvane11"]
        self.assertEqual(main, [["Zorvane", "0", "250", "90"]])  # title, visible, width, height
        driver("tray", 1, 0)
        self.assertIsNone(self.zorvane.poll())

    def test_3_only_the_right_button_going_down_opens_the_menu_and_escape_closes_it(self):
        for message in (WM_LBUTTONDOWN, WM_RBUTTONUP):
            click_tray(message)
        self.assertTrue(no_window(*MENU))
        for _ in range(2):
            click_tray(WM_RBUTTONDOWN)
            driver("controls", *MENU, TIMEOUT_MS, "--", "key", *MENU, VK_ESCAPE, "--", "gone", *MENU, TIMEOUT_MS)
