"""TLS with the real zorvane.exe, on port 995 from the first byte and through STARTTLS on port 110, and the time limit
of a silent server: Dovecot's TLS listener, Dovecot in the security settings its package ships on an address that is
not the client's, both with certificates of a test CA that the prefix trusts for this run, and small servers that get
it wrong or refuse for a reason the user can act on, each on its own loopback address (ports 110 and 995 need root,
which the tests have)."""

import re
import ssl
import tempfile
import unittest
from pathlib import Path

from scripted_servers import Server, certificate, pop3_server, trust
from test_check import CHECK_MAIL, RESULTS, account, dovecot, mail, results, settings
from wine_fixture import TIMEOUT_MS, WM_COMMAND, ZorvaneCase, driver, dword, reg_values

ALICE = dovecot.Mailbox("alice", "secret", 2)
BOB = dovecot.Mailbox("bob", "secret", 4)
# Dovecot's line for a login that TLS protected.
TLS_LOGIN = re.compile(r"Login: user=<bob>, .*, TLS, ")
UNTRUSTED = ("エラー", "証明書を確認できません")
TLS_FAILED = ("エラー", "暗号化に失敗しました")
CUT = ("エラー", "接続が切断されました")


def setUpModule():
    global servers, stock, stls_servers
    path = Path(unittest.enterModuleContext(tempfile.TemporaryDirectory(prefix="zorvane-e2e-tls-")))
    path.chmod(0o755)
    ca = certificate(path, "ca", None, "Zorvane test CA")
    stranger = certificate(path, "stranger", None, "Unknown CA")
    localhost = certificate(path, "localhost", ca, "localhost", dns="localhost")
    unittest.enterModuleContext(dovecot.DovecotServer(path / "dovecot", [ALICE], tls=("127.0.0.1", 995, *localhost)))
    # No POP3S listener: port 110 and STLS only.
    stock = unittest.enterModuleContext(dovecot.DovecotServer(
        path / "stock", [BOB], 110, tls=("127.0.0.2", 0, *certificate(path, "stock", ca, "127.0.0.2")),
        address="127.0.0.2", stock=True))
    trust(ca)
    stls_servers = {
        "refuses STLS": pop3_server("127.0.0.3", CAPA=b"+OK\r\nSTLS\r\nUSER\r\n.\r\n", STLS=b"-ERR no TLS\r\n"),
        "no CAPA": pop3_server("127.0.0.4", STAT=b"+OK 2 700\r\n"),
        "login delay": pop3_server("127.0.0.5", PASS=b"-ERR [LOGIN-DELAY] wait a minute\r\n")}

    def context(pair, version=None):
        tls = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        tls.load_cert_chain(*pair)
        if version:  # an old protocol needs the old ciphers too
            tls.set_ciphers("DEFAULT@SECLEVEL=0")
            tls.minimum_version = tls.maximum_version = version
        return tls
    # A name matches an address only through the certificate's common name.
    servers = {"wrong name": Server("127.0.0.2", context(localhost), b"+OK\r\n"),
               "unknown CA": Server("127.0.0.3", context(certificate(path, "ip", stranger, "127.0.0.3")), b"+OK\r\n"),
               "plain": Server("127.0.0.4", greeting=b"+OK plain\r\n"), "silent": Server("127.0.0.5"),
               "TLS 1.1": Server("127.0.0.6", context(certificate(path, "old", ca, "127.0.0.6"), ssl.TLSVersion.TLSv1_1),
                                 b"+OK\r\n"),
               "notify": Server("127.0.0.7", context(certificate(path, "notify", ca, "127.0.0.7")), b"+OK\r\n",
                                b"+OK 1 100\r\n", replies={b"CAPA": b"-ERR\r\n"})}


class TlsTest(ZorvaneCase):
    @classmethod
    def settings(cls):
        return settings({"ChkOpti": 2}, account("暗号", 995, "alice", ALICE.password, server="localhost"),
                        account("名前違い", 995, server="127.0.0.2"), account("未知の認証局", 995, server="127.0.0.3"),
                        account("平文", 995, server="127.0.0.4"))

    def test_1_a_good_server_gives_its_count_and_the_others_fail_before_any_command(self):
        driver("post", WM_COMMAND, CHECK_MAIL, 0)
        self.assertEqual([row[1:] for row in results()], [mail(*ALICE.stat), UNTRUSTED, UNTRUSTED, TLS_FAILED])
        for name in ("wrong name", "unknown CA"):
            self.assertEqual(servers[name].received, b"", name)
        self.assertTrue(servers["plain"].received.startswith(b"\x16\x03"))  # a TLS hello, no command
        self.assertNotIn(b"USER", servers["plain"].received)


class SilentServerTest(ZorvaneCase):
    @classmethod
    def settings(cls):
        return settings({"ChkOpti": 2}, account("無言", 995, server="127.0.0.5"),
                        account("暗号", 995, "alice", ALICE.password, server="localhost"),
                        account("旧TLS", 995, server="127.0.0.6"), account("通知", 995, server="127.0.0.7"))

    def test_1_a_silent_server_costs_its_own_account_only_tls_1_1_gets_no_password_and_tls_ends_with_notice(self):
        driver("post", WM_COMMAND, CHECK_MAIL, 0)  # the results come once the silent server's minute is up
        self.assertEqual([row[1:] for row in results(120000)], [CUT, mail(*ALICE.stat), TLS_FAILED, mail(1, 100)])
        self.assertEqual(servers["TLS 1.1"].received, b"")
        self.assertTrue(servers["notify"].notified)


class StartTlsTest(ZorvaneCase):
    @classmethod
    def settings(cls):
        return settings({"ChkOpti": 2}, account("標準", 110, BOB.user, BOB.password, server="127.0.0.2"),
                        account("STLS拒否", 110, server="127.0.0.3"), account("CAPAなし", 110, server="127.0.0.4"),
                        account("間隔", 110, server="127.0.0.5"))

    def check(self):
        driver("post", WM_COMMAND, CHECK_MAIL, 0)
        shown = [row[1:] for row in results()]
        driver("click", *RESULTS, 2, "--", "gone", *RESULTS, TIMEOUT_MS)
        return shown

    def test_1_stock_dovecot_via_stls_is_remembered_refused_stls_sends_no_login_login_delay_has_its_text(self):
        logins = len(TLS_LOGIN.findall(Path(stock.log_path).read_text()))
        self.assertEqual(self.check(), [mail(*BOB.stat), TLS_FAILED, mail(2, 700), ("エラー", "ログイン間隔の制限")])
        self.assertEqual(len(TLS_LOGIN.findall(Path(stock.log_path).read_text())), logins + 1)
        self.assertEqual(reg_values()[("POP1", "StlsFlg")], dword(1))
        self.assertIn(b"STLS\r\n", stls_servers["refuses STLS"].received)
        self.assertNotRegex(stls_servers["refuses STLS"].received, b"USER|PASS")

    def test_2_a_server_that_no_longer_offers_stls_gets_no_login(self):
        stock.stop()
        for server in stls_servers.values():
            server.join(TIMEOUT_MS / 1000)  # each took its one connection: the addresses are free again
        downgraded = pop3_server("127.0.0.2", CAPA=b"+OK\r\nUSER\r\nPIPELINING\r\n.\r\n")
        in_use = pop3_server("127.0.0.5", PASS=b"-ERR [IN-USE] another client holds it\r\n")
        refused = ("エラー", "ソケットエラー")
        self.assertEqual(self.check(), [TLS_FAILED, refused, refused, ("エラー", "メールボックス使用中")])
        self.assertNotRegex(downgraded.received, b"USER|PASS")
        self.assertIn(b"PASS", in_use.received)
