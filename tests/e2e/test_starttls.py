"""STARTTLS on port 110 with the real zorvane.exe: Dovecot in the security settings its package ships, on an address
that is not the client's, and small servers that refuse STLS, no longer offer it, predate CAPA or refuse a login for a
reason the user can act on, each on its own loopback address."""

import re
import tempfile
import unittest
from pathlib import Path

from scripted_servers import certificate, pop3_server, trust
from test_check import CHECK_MAIL, RESULTS, account, dovecot, mail, results, settings
from test_tls import TLS_FAILED
from wine_fixture import TIMEOUT_MS, WM_COMMAND, ZorvaneCase, driver, dword, reg_values

BOB = dovecot.Mailbox("bob", "secret", 4)
# Dovecot's line for a login that TLS protected.
TLS_LOGIN = re.compile(r"Login: user=<bob>, .*, TLS, ")


def setUpModule():
    global stock, servers
    path = Path(unittest.enterModuleContext(tempfile.TemporaryDirectory(prefix="zorvane-e2e-starttls-")))
    path.chmod(0o755)
    ca = certificate(path, "ca", None, "Zorvane STARTTLS CA")
    # No POP3S listener: port 110 and STLS only.
    tls = ("127.0.0.2", 0, *certificate(path, "stock", ca, "127.0.0.2"))
    stock = unittest.enterModuleContext(dovecot.DovecotServer(path / "dovecot", [BOB], 110, tls=tls,
                                                              address="127.0.0.2", stock=True))
    trust(ca)
    servers = {"refuses STLS": pop3_server("127.0.0.3", CAPA=b"+OK\r\nSTLS\r\nUSER\r\n.\r\n", STLS=b"-ERR no TLS\r\n"),
               "no CAPA": pop3_server("127.0.0.4", STAT=b"+OK 2 700\r\n"),
               "login delay": pop3_server("127.0.0.5", PASS=b"-ERR [LOGIN-DELAY] wait a minute\r\n")}


class StartTlsTest(ZorvaneCase):
    @classmethod
    def settings(cls):
        return settings({"ChkOpti": 2}, account("標準", 110, BOB.user, BOB.password, server="127.0.0.2"),
                        account("STLS拒否", 110, server="127.0.0.3"), account("CAPAなし", 110, server="127.0.0.4"),
                        account("間隔", 110, server="127.0.0.5"))

    def check(self):
        driver("post", WM_COMMAND, CHECK_MAIL, 0)
        shown = [row[1:] for row in results()]
        driver("press", *RESULTS, 2, "--", "gone", *RESULTS, TIMEOUT_MS)
        return shown

    def test_1_stock_dovecot_via_stls_is_remembered_refused_stls_sends_no_login_login_delay_has_its_text(self):
        logins = len(TLS_LOGIN.findall(Path(stock.log_path).read_text()))
        self.assertEqual(self.check(), [mail(*BOB.stat), TLS_FAILED, mail(2, 700), ("エラー", "ログイン間隔の制限")])
        self.assertEqual(len(TLS_LOGIN.findall(Path(stock.log_path).read_text())), logins + 1)
        self.assertEqual(reg_values()[("POP1", "StlsFlg")], dword(1))
        self.assertIn(b"STLS\r\n", servers["refuses STLS"].received)
        self.assertNotRegex(servers["refuses STLS"].received, b"USER|PASS")

    def test_2_a_server_that_no_longer_offers_stls_gets_no_login(self):
        stock.stop()
        for server in servers.values():
            server.join(TIMEOUT_MS / 1000)  # each took its one connection: the addresses are free again
        downgraded = pop3_server("127.0.0.2", CAPA=b"+OK\r\nUSER\r\nPIPELINING\r\n.\r\n")
        in_use = pop3_server("127.0.0.5", PASS=b"-ERR [IN-USE] another client holds it\r\n")
        refused = ("エラー", "ソケットエラー")
        self.assertEqual(self.check(), [TLS_FAILED, refused, refused, ("エラー", "メールボックス使用中")])
        self.assertNotRegex(downgraded.received, b"USER|PASS")
        self.assertIn(b"PASS", in_use.received)
