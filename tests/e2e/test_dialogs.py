"""The real zorvane.exe's settings dialogs, version box and help: an account set up from the tray menu, checked
and deleted again; the general settings and the timer; what the help command leaves behind."""

import re

import test_check
# The same private Dovecot as the mail checks.
from test_check import (ALICE, CHECK_MAIL, RESULTS, CheckCase, account, mail, results, settings,
                        setUpModule)  # noqa: F401
from test_shell import MENU, click_tray, default_settings
from wine_fixture import (PREFIX, REG_SZ, REPO, TIMEOUT_MS, VK_ESCAPE, VK_RETURN, VK_UP, WM_COMMAND, ZORVANE_EXE,
                          controls, driver, dword, no_window, reg_values, rows, screenshot, sz, wait_until)

SERVER = ("#32770", "POP3設定")
GENERAL = ("#32770", "全般の設定")
NOTHING_NEW = {"NewFlg": dword(0), "SeenUidl": sz("", 256)}  # "新着メールのみ通知" unticked, nothing kept
SERVER_SETTINGS = 40002
GENERAL_SETTINGS = 40006
HELP = 40008
VK_TAB = 9
VK_DELETE = 46
WM_RBUTTONDOWN = 516
START_WITH_WINDOWS = "1014"
RUN_KEY = r"Software\Microsoft\Windows\CurrentVersion\Run"


def values_of(key, values):
    return {name: value for (subkey, name), value in values.items() if subkey == key}


def layout(window):
    """{label text or control id: (checked, left, top, right, bottom, room for text, text width)}, in screen pixels
    with the text measured in the dialog's font; and the frames, the statics without text."""
    found = {}
    frames = []
    for id, kind, checked, _, text, *numbers in rows(driver("controls", *window, TIMEOUT_MS)):
        found[text if kind == "Static" else id] = box = (checked, *map(int, numbers))
        frames += [box[1:]] if kind == "Static" and not text else []
    return found, frames


def overflowing(found):
    return [text for text, (_, left, _, right, *_, width) in found.items()
            if not text.isdigit() and width > right - left]


def in_frame(pixel, left, top, right, bottom, *_):
    """Something drawn at the frame's centre, and the ring of pixels around the frame of one colour, unlike it."""
    ring = {pixel(x, y) for x in range(left - 1, right + 1) for y in (top - 1, bottom)}
    ring |= {pixel(x, y) for x in (left - 1, right) for y in range(top, bottom)}
    return len(ring) == 1 and pixel((left + right) // 2, (top + bottom) // 2) not in ring


class DialogsTest(CheckCase):
    ENV = {"WINEDEBUG": "+msg,trace+exec"}  # SetTimer and ShellExecuteA in the log

    @classmethod
    def settings(cls):
        # Slot 1 taken, so that the form changes visibly when slot 2 is selected.
        return settings({"IsChk": 1, "ChkTime": 30, "ChkOpti": 2}, account("個人", 110, enabled=2))

    def test_0_the_pop3_form_reads_whole_in_its_font_chk_flg_2_is_unticked_and_no_stls_flg_ticked(self):
        self.post(WM_COMMAND, SERVER_SETTINGS, "--", "controls", *SERVER, TIMEOUT_MS,
                  "--", "settext", *SERVER, 1003, 65535)
        shown, frames = layout(SERVER)
        self.assertEqual((overflowing(shown), len(frames), "POP3サーバのアドレス" in shown), ([], 2, True))
        self.assertLess(shown["1003"][6], shown["1003"][5], "65535, and room for the caret")
        # An account stored before StlsFlg and NewFlg uses STARTTLS and counts all that waits.
        for id, ticked in (("1007", "0"), ("1008", "1"), ("1009", "0")):
            checked, left, _, right, _, _, text = shown[id]
            self.assertEqual(checked, ticked, id)
            self.assertLessEqual(13 + 6 + text, right - left, f"{id}: box, gap and text")
        self.assertTrue(wait_until(lambda: all(in_frame(screenshot("pop3-settings"), *frame) for frame in frames)))
        driver("key", *SERVER, VK_ESCAPE, "--", "gone", *SERVER, TIMEOUT_MS)

    def test_1_an_account_set_up_from_the_tray_menu_is_stored_and_the_next_check_uses_it(self):
        click_tray(WM_RBUTTONDOWN)
        # From no selection, Up goes to the last item; the fourth is "POP3サーバ設定".
        driver("controls", *MENU, TIMEOUT_MS, *["--", "key", *MENU, VK_UP] * 4, "--", "key", *MENU, VK_RETURN,
               "--", "controls", *SERVER, TIMEOUT_MS, "--", "select", *SERVER, 1000, 1)
        self.assertTrue(wait_until(lambda: controls(*SERVER)[1001] == ""))
        port = test_check.mail_server.port
        fields = {1001: "仕事", 1002: "127.0.0.1", 1003: port, 1004: "alice", 1005: ALICE.password}
        driver(*[arg for id, text in fields.items() for arg in ("settext", *SERVER, id, text, "--")],
               "click", *SERVER, 1007, "--", "click", *SERVER, 1008, "--", "click", *SERVER, 1, "--", "gone", *SERVER,
               TIMEOUT_MS)
        stored = account("仕事", port, "alice", ALICE.password) | {"StlsFlg": dword(2)} | NOTHING_NEW  # STARTTLS unticked
        self.assertEqual(values_of("POP2", reg_values()), stored)
        self.post(WM_COMMAND, CHECK_MAIL)
        self.assertEqual(results()[1], ("仕事", *mail(*ALICE.stat)))
        driver("click", *RESULTS, 2, "--", "gone", *RESULTS, TIMEOUT_MS)

    def test_2_the_delete_key_in_the_list_deletes_it_and_names_it(self):
        self.post(WM_COMMAND, SERVER_SETTINGS, "--", "post", WM_COMMAND, SERVER_SETTINGS, 0,
                  "--", "controls", *SERVER, TIMEOUT_MS, "--", "select", *SERVER, 1000, 1)
        self.assertTrue(wait_until(lambda: controls(*SERVER)[1001] == "仕事"))
        self.assertEqual([row[1] for row in rows(driver("windows"))].count(SERVER[1]), 1)
        driver(*["key", *SERVER, VK_TAB, "--"] * 6, "key", *SERVER, VK_TAB)  # from the name to the list
        driver("key", *SERVER, VK_DELETE)
        for title, text in (("警告", "設定、「仕事」を削除してもいいですか？"), ("削除完了", "設定、「仕事」を削除しました。")):
            self.assertEqual(controls("#32770", title)[0xFFFF], text)
            driver("click", "#32770", title, 1, "--", "gone", "#32770", title, TIMEOUT_MS)
        self.assertEqual(controls(*SERVER)[1001], "")
        # The next account in the slot uses STARTTLS again, and counts all that waits.
        deleted = values_of("POP2", default_settings()) | {"StlsFlg": dword(0)} | NOTHING_NEW
        self.assertEqual(values_of("POP2", reg_values()), deleted)
        driver("key", *SERVER, VK_ESCAPE, "--", "gone", *SERVER, TIMEOUT_MS)

    def test_3_general_settings_save_the_period_the_mode_and_the_start_with_windows_and_restart_the_timer(self):
        self.post(WM_COMMAND, GENERAL_SETTINGS)
        shown = layout(GENERAL)[0]
        self.assertEqual(overflowing(shown), [])
        self.assertEqual(shown[START_WITH_WINDOWS][0], "0")
        driver("settext", *GENERAL, 1001, 7, "--", "click", *GENERAL, 1011, "--", "click", *GENERAL, START_WITH_WINDOWS,
               "--", "click", *GENERAL, 1, "--", "gone", *GENERAL, TIMEOUT_MS)
        self.assertEqual(wait_until(lambda: self.auto_check_periods()[1:]), [b"420000"])
        saved = settings({"IsChk": 1, "ChkTime": 7, "ChkOpti": 1})
        self.assertEqual(values_of(".", reg_values()), values_of(".", saved))
        path = "Z:" + str(ZORVANE_EXE).replace("/", "\\")
        self.assertEqual(reg_values(RUN_KEY).get((".", "Zorvane")), (REG_SZ, f'"{path}"\0'.encode()))
        # Shown ticked; unticked, the value goes.
        self.post(WM_COMMAND, GENERAL_SETTINGS)
        self.assertEqual(layout(GENERAL)[0][START_WITH_WINDOWS][0], "1")
        screenshot("general-settings")
        driver("click", *GENERAL, START_WITH_WINDOWS, "--", "click", *GENERAL, 1, "--", "gone", *GENERAL, TIMEOUT_MS)
        self.assertNotIn((".", "Zorvane"), reg_values(RUN_KEY))

    def test_5_help_writes_its_page_to_the_temporary_folder_and_asks_the_system_to_open_it(self):
        page = (REPO / "resources" / "help.html").read_bytes()
        pattern = "drive_c/users/*/**/zorvane-help.html"
        for old in PREFIX.glob(pattern):
            old.unlink()
        self.post(WM_COMMAND, HELP)
        self.assertTrue(wait_until(lambda: [path for path in PREFIX.glob(pattern) if path.read_bytes() == page]))
        opened = rb'ShellExecuteA \w+,"open","[^"]*\\zorvane-help\.html"'
        self.assertTrue(wait_until(lambda: re.search(opened, self.zorvane.log.read_bytes())))
        self.assertTrue(no_window("#32770", "*"))  # no browser here: nothing else happens
        self.assertIsNone(self.zorvane.poll())
