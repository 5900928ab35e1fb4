"""POP3 over TLS on port 995 and the time limit of a silent server, with the real zorvane.exe: Dovecot's TLS listener
with a certificate of a test CA that the prefix trusts for this run, and small servers that get it wrong, each on its
own loopback address (port 995 needs root, which the tests have)."""

import ssl
import tempfile
import unittest
from pathlib import Path

from scripted_servers import Server, certificate, trust
from test_check import CHECK_MAIL, account, dovecot, mail, results, settings
from wine_fixture import WM_COMMAND, ZorvaneCase, driver

ALICE = dovecot.Mailbox("alice", "secret", 2)
UNTRUSTED = ("エラー", "証明書を確認できません")
TLS_FAILED = ("エラー", "暗号化に失敗しました")
CUT = ("エラー", "接続が切断されました")


def setUpModule():
    global servers
    path = Path(unittest.enterModuleContext(tempfile.TemporaryDirectory(prefix="zorvane-e2e-tls-")))
    path.chmod(0o755)
    ca = certificate(path, "ca", None, "Zorvane test CA")
    stranger = certificate(path, "stranger", None, "Unknown CA")
    localhost = certificate(path, "localhost", ca, "localhost", dns="localhost")
    unittest.enterModuleContext(dovecot.DovecotServer(path / "dovecot", [ALICE], tls=("127.0.0.1", 995, *localhost)))
    trust(ca)

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
