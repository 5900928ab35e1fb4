"""A POP3 front for the benchmark's rows without PIPELINING, which Dovecot always lists and has no setting to hide.
In front of a Dovecot that speaks plain POP3 and offers no STLS it carries one command and its reply at a time, takes
PIPELINING out of every CAPA reply and, for a TLS transport, speaks TLS itself: from the first byte, or after an STLS
that it lists in CAPA and answers. It answers at loopback speed; the delay proxy in front of it times the client.
Python 3 standard library only."""

import socket
import ssl
import threading

PLAIN = "plain"
TLS = "TLS"
STARTTLS = "STARTTLS"


class NoPipeliningFront:
    def __init__(self, upstream, transport, context):
        """upstream: (address, port) of the Dovecot; context: the server side's TLS context."""
        self.upstream = upstream
        self.transport = transport
        self.context = context
        self._listener = socket.create_server(("127.0.0.1", 0))
        self.address = self._listener.getsockname()
        threading.Thread(target=self._accept_loop, daemon=True).start()

    def _accept_loop(self):
        while True:
            client, _ = self._listener.accept()
            threading.Thread(target=self._carry, args=(client,), daemon=True).start()

    def _carry(self, client):
        server = socket.create_connection(self.upstream, timeout=30)
        for sock in (client, server):
            sock.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
        replies = server.makefile("rb")
        try:
            if self.transport == TLS:
                client = self.context.wrap_socket(client, server_side=True)
            client.sendall(replies.readline())  # the greeting
            offers_stls = self.transport == STARTTLS
            commands = client.makefile("rb")
            while line := commands.readline():
                command = line.split(b" ")[0].strip().upper()
                if command == b"STLS" and offers_stls:
                    client.sendall(b"+OK Begin TLS negotiation now.\r\n")
                    # The client sends nothing more until TLS is up: nothing plain is left unread.
                    client = self.context.wrap_socket(client, server_side=True)
                    commands = client.makefile("rb")
                    offers_stls = False
                    continue
                server.sendall(line)
                reply = replies.readline()
                if command == b"CAPA" and reply.startswith(b"+OK"):
                    while (capability := replies.readline()) not in (b".\r\n", b""):
                        reply += b"" if capability.strip().upper() == b"PIPELINING" else capability
                    reply += (b"STLS\r\n" if offers_stls else b"") + b".\r\n"
                client.sendall(reply)
        except OSError:
            pass  # a client that hangs up without QUIT, or mid-handshake
        finally:
            client.close()
            server.close()
