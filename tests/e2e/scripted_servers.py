"""Small servers that get POP3 and TLS right or wrong on purpose, each on a loopback address of its own, and the test
certificates they and Dovecot present."""

import socket
import ssl
import subprocess
import threading
import unittest

from wine_fixture import driver


def certificate(folder, name, issuer, subject, dns=None):
    """A key and certificate; issuer None makes a CA. Returns (cert, key) paths."""
    cert = folder / f"{name}.pem"
    key = folder / f"{name}.key"
    extensions = ["basicConstraints=critical,CA:TRUE", "keyUsage=critical,keyCertSign"] if issuer is None else \
        ["extendedKeyUsage=serverAuth"] + ([f"subjectAltName=DNS:{dns}"] if dns else [])
    request = ["openssl", "req", "-newkey", "rsa:2048", "-nodes", "-keyout", key, "-subj", f"/CN={subject}",
               "-days", "2"] + [arg for ext in extensions for arg in ("-addext", ext)]
    if issuer is None:
        subprocess.run(request + ["-x509", "-out", cert], check=True, capture_output=True)
    else:
        signing = subprocess.run(request, check=True, capture_output=True).stdout
        subprocess.run(["openssl", "x509", "-req", "-CA", issuer[0], "-CAkey", issuer[1], "-CAcreateserial", "-days",
                        "2", "-copy_extensions", "copy", "-out", cert], input=signing, check=True, capture_output=True)
    key.chmod(0o644)  # Dovecot reads it as its own user
    return cert, key


class Server(threading.Thread):
    """On address:port, per connection: a TLS handshake with context, or (without one) greeting, or nothing at all; then
    records what the client sent, answering each line with replies[its command] or else answer, and whether it ended
    with close_notify."""

    def __init__(self, address, context=None, greeting=b"", answer=b"", port=995, replies=None):
        super().__init__(daemon=True)
        self.listener = socket.create_server((address, port))
        self.context = context
        self.greeting = greeting
        self.answer = answer
        self.received = b""
        self.notified = False
        self.replies = replies or {}
        self.start()

    def run(self):
        with self.listener, self.listener.accept()[0] as client:
            try:
                if self.context:
                    client = self.context.wrap_socket(client, server_side=True, suppress_ragged_eofs=False)
                client.sendall(self.greeting)
                while chunk := client.recv(4096):
                    self.received += chunk
                    for line in chunk.splitlines():
                        client.sendall(self.replies.get(line.split(b" ")[0], self.answer))
                self.notified = bool(self.context)  # a hang-up without it raises
            except (OSError, ssl.SSLError):
                pass  # the client gave up, as it should


def trust(ca):
    """The prefix trusts the CA (cert, key) for the module's tests."""
    der = subprocess.run(["openssl", "x509", "-in", ca[0], "-outform", "der"], check=True, capture_output=True).stdout
    driver("root", "add", der.hex())
    unittest.addModuleCleanup(driver, "root", "remove", der.hex())


def pop3_server(address, **replies):
    """On address:110: a greeting, then each command answered as replies say; CAPA refused and +OK otherwise."""
    replies = {b"CAPA": b"-ERR unknown command\r\n"} | {command.encode(): reply for command, reply in replies.items()}
    return Server(address, greeting=b"+OK ready\r\n", answer=b"+OK\r\n", port=110, replies=replies)
