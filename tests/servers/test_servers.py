"""Checks that the test servers behave as the mail-check tests rely on.

Run: python3 -m unittest discover -s tests/servers
"""

import os
import pathlib
import poplib
import socket
import subprocess
import sys
import tempfile
import unittest

HERE = pathlib.Path(__file__).resolve().parent
SCRIPTS = HERE.parents[1] / "scripts"
sys.path[:0] = [str(HERE), str(SCRIPTS)]

import dovecot  # noqa: E402
from scripted_pop3 import FLOOD_BYTES, RefusedPort, ScriptedPop3Server  # noqa: E402


class Pop3Client:
    """A minimal client that sends what Zorvane sends and keeps every reply line."""

    def __init__(self, port):
        self.sock = socket.create_connection(("127.0.0.1", port), timeout=10)
        self.reader = self.sock.makefile("rb")

    def line(self):
        return self.reader.readline()

    def command(self, text):
        self.sock.sendall(text)
        return self.line()

    def rest(self):
        """Everything until the server closes."""
        return self.reader.read()

    def close(self):
        self.reader.close()
        self.sock.close()


def dialogue(port, commands=(b"USER u\r\n", b"PASS p\r\n", b"STAT\r\n", b"QUIT\r\n")):
    """Greeting, then one reply per command; stops after the first empty read."""
    client = Pop3Client(port)
    try:
        replies = [client.line()]
        for command in commands:
            replies.append(client.command(command))
        return replies
    finally:
        client.close()


class ScriptedServerTest(unittest.TestCase):
    def serve(self, scenario):
        server = ScriptedPop3Server(scenario)
        server.start()
        self.addCleanup(server.stop)
        return server

    def test_normal_session_records_exact_client_bytes(self):
        server = self.serve("normal")
        replies = dialogue(server.port)
        self.assertEqual(replies, [b"+OK ready\r\n", b"+OK\r\n", b"+OK\r\n",
                                   b"+OK 2 345\r\n", b"+OK bye\r\n"])
        self.assertEqual(server.connection(0).received,
                         b"USER u\r\nPASS p\r\nSTAT\r\nQUIT\r\n")

    def test_each_connection_runs_its_own_script_and_record(self):
        server = self.serve("normal")
        dialogue(server.port, (b"USER first\r\n", b"QUIT\r\n"))
        dialogue(server.port, (b"USER second\r\n", b"PASS x\r\n", b"STAT\r\n", b"QUIT\r\n"))
        self.assertEqual(server.connection(0).received, b"USER first\r\nQUIT\r\n")
        self.assertEqual(server.connection(1).received,
                         b"USER second\r\nPASS x\r\nSTAT\r\nQUIT\r\n")

    def test_a_list_of_scenarios_runs_one_per_connection_then_repeats_the_last(self):
        server = self.serve(["negative-user", "stat-negative"])
        self.assertEqual(dialogue(server.port, (b"USER u\r\n", b"QUIT\r\n"))[1],
                         b"-ERR no such user\r\n")
        for _ in range(2):
            self.assertEqual(dialogue(server.port)[3], b"+OK -3 100\r\n")

    def test_split_greeting_arrives_in_pieces(self):
        server = self.serve("split-greeting")
        client = Pop3Client(server.port)
        self.addCleanup(client.close)
        first = client.sock.recv(100)
        self.assertNotIn(b"\n", first, "the greeting should not arrive in one piece")
        greeting = first + client.line()
        self.assertEqual(greeting, b"+OK ready\r\n")
        self.assertEqual(client.command(b"USER u\r\n"), b"+OK\r\n")

    def test_merged_replies_come_in_one_segment(self):
        server = self.serve("merged")
        client = Pop3Client(server.port)
        self.addCleanup(client.close)
        chunk = client.sock.recv(4096)
        self.assertEqual(chunk, b"+OK ready\r\n+OK user accepted\r\n")
        client.sock.sendall(b"USER u\r\nPASS p\r\n")
        self.assertEqual(client.line(), b"+OK logged in\r\n")
        client.sock.sendall(b"STAT\r\n")
        self.assertEqual(client.sock.recv(4096), b"+OK 4 4321\r\n+OK bye\r\n")
        client.sock.sendall(b"QUIT\r\n")
        client.sock.shutdown(socket.SHUT_WR)
        self.assertEqual(client.rest(), b"")
        self.assertEqual(server.connection(0).received,
                         b"USER u\r\nPASS p\r\nSTAT\r\nQUIT\r\n")

    def test_negative_replies_still_answer_quit(self):
        cases = {
            "negative-greeting": (0, b"-ERR go away\r\n"),
            "negative-user": (1, b"-ERR no such user\r\n"),
            "negative-pass": (2, b"-ERR bad password\r\n"),
            "negative-stat": (3, b"-ERR mailbox locked\r\n"),
        }
        for scenario, (step, negative) in cases.items():
            with self.subTest(scenario):
                server = self.serve(scenario)
                commands = [b"USER u\r\n", b"PASS p\r\n", b"STAT\r\n"][:step] + [b"QUIT\r\n"]
                replies = dialogue(server.port, commands)
                self.assertEqual(replies[step], negative)
                self.assertEqual(replies[-1], b"+OK bye\r\n")
                self.assertEqual(server.connection(0).received, b"".join(commands))

    def test_stat_reply_variants(self):
        cases = {
            "stat-no-numbers": b"+OK\r\n",
            "stat-count-only": b"+OK 5\r\n",
            "stat-huge": b"+OK 99999999999 123456789012345\r\n",
            "stat-negative": b"+OK -3 100\r\n",
        }
        for scenario, stat_line in cases.items():
            with self.subTest(scenario):
                self.assertEqual(dialogue(self.serve(scenario).port)[3], stat_line)

    def test_servers_that_hang_up(self):
        with self.subTest("close after greeting"):
            client = Pop3Client(self.serve("close-after-greeting").port)
            self.addCleanup(client.close)
            self.assertEqual(client.line(), b"+OK ready\r\n")
            self.assertEqual(client.command(b"USER u\r\n"), b"")
        with self.subTest("close at once"):
            client = Pop3Client(self.serve("close-at-once").port)
            self.addCleanup(client.close)
            self.assertEqual(client.rest(), b"")

    def test_hostile_byte_streams_are_bounded_and_end(self):
        with self.subTest("flood"):
            client = Pop3Client(self.serve("flood").port)
            self.addCleanup(client.close)
            flood = client.rest()
            self.assertEqual(len(flood), FLOOD_BYTES)
            self.assertNotIn(b"\n", flood)
        with self.subTest("garbage"):
            client = Pop3Client(self.serve("garbage").port)
            self.addCleanup(client.close)
            junk = client.rest()
            self.assertIn(b"\x00", junk)
            self.assertIn(b"\xff", junk)
            self.assertIn(b"\n", junk, "some garbage should form lines")

    def test_silent_server_never_answers_until_stopped(self):
        server = self.serve("silent")
        client = Pop3Client(server.port)
        self.addCleanup(client.close)
        client.sock.settimeout(0.5)
        with self.assertRaises(socket.timeout):
            client.sock.recv(1)
        client.sock.sendall(b"USER u\r\n")
        self.assertFalse(server.connection(0, finished=False).finished.is_set())
        server.stop()
        client.sock.settimeout(10)
        self.assertEqual(client.sock.recv(1), b"")
        self.assertEqual(server.connection(0).received, b"USER u\r\n")

    def test_refused_port_refuses_while_held(self):
        with RefusedPort() as refused:
            with self.assertRaises(ConnectionRefusedError):
                socket.create_connection(("127.0.0.1", refused.port), timeout=5)


class MessageBytesTest(unittest.TestCase):
    def test_messages_have_exact_size_and_crlf_line_ends(self):
        smallest = dovecot.minimum_message_size()
        for size in [smallest, smallest + 1, smallest + 2, smallest + 3, 300, 4097]:
            with self.subTest(size=size):
                message = dovecot.message_bytes(7, size)
                self.assertEqual(len(message), size)
                self.assertNotIn(b"\n", message.replace(b"\r\n", b""))
                self.assertTrue(message.endswith(b"\r\n"))
                self.assertIn(b"\r\n\r\n", message)

    def test_sizes_below_the_headers_are_refused(self):
        with self.assertRaises(ValueError):
            dovecot.message_bytes(1, dovecot.minimum_message_size() - 1)
        with self.assertRaises(ValueError):
            dovecot.Mailbox("u", "p", 1, 10)

    def test_mailbox_argument_parsing(self):
        self.assertEqual(dovecot.Mailbox.parse("alice:pw:3").stat,
                         (3, 3 * dovecot.DEFAULT_BYTES_EACH))
        self.assertEqual(dovecot.Mailbox.parse("bob:pw:2:1000").stat, (2, 2000))
        self.assertEqual(dovecot.Mailbox.parse("empty:pw:0:1").stat, (0, 0))
        for bad in ["alice:pw", "a:b:c:d:e", "alice:pw:x", "al/ice:pw:1", ":pw:1", "a:pw:-1",
                    "a:pw:100000"]:
            with self.subTest(bad=bad), self.assertRaises(ValueError):
                dovecot.Mailbox.parse(bad)


@unittest.skipUnless(os.path.exists(dovecot.DOVECOT), "dovecot-pop3d is not installed")
class DovecotTest(unittest.TestCase):
    MAILBOXES = [dovecot.Mailbox("alice", "secret", 3),
                 dovecot.Mailbox("empty", "nothing", 0),
                 dovecot.Mailbox("bulky", "big", 2, 1234)]

    @classmethod
    def setUpClass(cls):
        cls.folder = tempfile.TemporaryDirectory(prefix="zorvane-dovecot-")
        cls.server = dovecot.DovecotServer(cls.folder.name, cls.MAILBOXES)
        try:
            cls.server.start()
        except Exception:
            cls.folder.cleanup()
            raise

    @classmethod
    def tearDownClass(cls):
        cls.server.stop()
        cls.folder.cleanup()

    def test_stat_and_list_match_the_seeded_mailboxes(self):
        for mailbox in self.MAILBOXES:
            with self.subTest(mailbox.user):
                client = poplib.POP3("127.0.0.1", self.server.port, timeout=10)
                try:
                    client.user(mailbox.user)
                    client.pass_(mailbox.password)
                    self.assertEqual(client.stat(), self.server.stat(mailbox.user))
                    sizes = [int(entry.split()[1]) for entry in client.list()[1]]
                    self.assertEqual(sizes, [mailbox.bytes_each] * mailbox.count)
                finally:
                    client.quit()

    def test_exchange_as_the_program_sends_it(self):
        replies = dialogue(self.server.port, (b"USER alice\r\n", b"PASS secret\r\n",
                                              b"STAT\r\n", b"QUIT\r\n"))
        self.assertTrue(all(reply.startswith(b"+OK") for reply in replies), replies)
        self.assertEqual(replies[3], b"+OK 3 900\r\n")

    def test_wrong_password_is_refused_and_next_login_works(self):
        replies = dialogue(self.server.port, (b"USER alice\r\n", b"PASS wrong\r\n",
                                              b"QUIT\r\n"))
        self.assertEqual(replies[2][:1], b"-")
        self.assertEqual(replies[3][:1], b"+")
        replies = dialogue(self.server.port, (b"USER alice\r\n", b"PASS secret\r\n"))
        self.assertEqual(replies[2][:1], b"+")

    def test_listens_on_127_0_0_1_only(self):
        with self.assertRaises(ConnectionRefusedError):
            socket.create_connection(("127.0.0.2", self.server.port), timeout=5)


@unittest.skipUnless(os.path.exists(dovecot.DOVECOT), "dovecot-pop3d is not installed")
class DovecotCommandLineTest(unittest.TestCase):
    def run_script(self, *args):
        return subprocess.run([sys.executable, str(SCRIPTS / "dovecot.py"), *args],
                              capture_output=True, text=True, timeout=60, check=False)

    def test_start_prints_port_and_stop_ends_the_instance(self):
        with tempfile.TemporaryDirectory(prefix="zorvane-dovecot-cli-") as folder:
            started = self.run_script("start", "--dir", folder,
                                      "--mailbox", "demo:pw:2:500", "--mailbox", "none:pw:0")
            self.addCleanup(dovecot.stop_instance, folder)
            self.assertEqual(started.returncode, 0, started.stderr)
            port = int(started.stdout)
            client = poplib.POP3("127.0.0.1", port, timeout=10)
            client.user("demo")
            client.pass_("pw")
            self.assertEqual(client.stat(), (2, 1000))
            client.quit()

            stopped = self.run_script("stop", "--dir", folder)
            self.assertEqual(stopped.returncode, 0, stopped.stderr)
            with self.assertRaises(ConnectionRefusedError):
                socket.create_connection(("127.0.0.1", port), timeout=5)


if __name__ == "__main__":
    unittest.main()
