"""What a TLS byte stream holds, as far as it can be read from outside: the
records and the handshake messages before encryption starts, and the protocol
version the server chose. Python 3 standard library only."""

CHANGE_CIPHER_SPEC = 20
ALERT = 21
HANDSHAKE = 22
APPLICATION_DATA = 23
HANDSHAKE_NAMES = {1: "ClientHello", 2: "ServerHello", 4: "NewSessionTicket", 8: "EncryptedExtensions",
                   11: "Certificate", 12: "ServerKeyExchange", 13: "CertificateRequest", 14: "ServerHelloDone",
                   15: "CertificateVerify", 16: "ClientKeyExchange", 20: "Finished"}
VERSION_NAMES = {0x0301: "TLS 1.0", 0x0302: "TLS 1.1", 0x0303: "TLS 1.2", 0x0304: "TLS 1.3"}
_SUPPORTED_VERSIONS = 0x002B


def looks_like_tls(stream):
    return len(stream) >= 3 and stream[0] == HANDSHAKE and stream[1] == 3


def records(stream):
    """(content type, fragment) of each whole record at the start of stream."""
    offset = 0
    while offset + 5 <= len(stream):
        length = int.from_bytes(stream[offset + 3:offset + 5], "big")
        if offset + 5 + length > len(stream):
            break
        yield stream[offset], stream[offset + 5:offset + 5 + length]
        offset += 5 + length


class StreamLabeller:
    """Names the records of one direction's stream, fed a flight at a time."""

    def __init__(self):
        self._buffer = b""
        self._encrypted = False
        self._handshake = b""

    def label(self, data):
        self._buffer += data
        labels = []
        used = 0
        for kind, fragment in records(self._buffer):
            used += 5 + len(fragment)
            labels.extend(self._name(kind, fragment))
        self._buffer = self._buffer[used:]
        return _squeeze(labels)

    def _name(self, kind, fragment):
        if kind == CHANGE_CIPHER_SPEC:
            self._encrypted = True
            return ["ChangeCipherSpec"]
        if kind == ALERT:
            return ["Alert" + ("" if self._encrypted else f"({fragment[1] if len(fragment) > 1 else '?'})")]
        if kind == APPLICATION_DATA:
            return ["AppData"]
        if kind != HANDSHAKE:
            return [f"record {kind}"]
        if self._encrypted:
            return ["Handshake(encrypted)"]
        self._handshake += fragment
        names = []
        while len(self._handshake) >= 4:
            length = int.from_bytes(self._handshake[1:4], "big")
            if len(self._handshake) < 4 + length:
                break
            names.append(HANDSHAKE_NAMES.get(self._handshake[0], f"handshake {self._handshake[0]}"))
            self._handshake = self._handshake[4 + length:]
        return names


def _squeeze(labels):
    """AppData, AppData, AppData -> AppData x3."""
    out = []
    for label in labels:
        if out and out[-1][0] == label:
            out[-1][1] += 1
        else:
            out.append([label, 1])
    return [label if count == 1 else f"{label} x{count}" for label, count in out]


def server_version(server_stream):
    """The version the server's ServerHello chose ("TLS 1.2", ...), or None."""
    handshake = b"".join(fragment for kind, fragment in records(server_stream) if kind == HANDSHAKE)
    if len(handshake) < 4 or handshake[0] != 2:
        return None
    body = handshake[4:4 + int.from_bytes(handshake[1:4], "big")]
    try:
        version = int.from_bytes(body[0:2], "big")
        at = 34 + 1 + body[34]  # version, random, session id
        at += 2 + 1  # cipher suite, compression
        end = at + 2 + int.from_bytes(body[at:at + 2], "big") if at + 2 <= len(body) else at
        at += 2
        while at + 4 <= end:
            kind = int.from_bytes(body[at:at + 2], "big")
            length = int.from_bytes(body[at + 2:at + 4], "big")
            if kind == _SUPPORTED_VERSIONS and length == 2:
                version = int.from_bytes(body[at + 4:at + 6], "big")  # TLS 1.3 says so only here
            at += 4 + length
    except IndexError:
        return None
    return VERSION_NAMES.get(version, hex(version))
