#!/usr/bin/env python3
"""Prints a password in the scrambled form Zorvane stores in the registry."""
import sys

KEY = 0x4E


def scramble(text: bytes) -> bytes:
    # Bytes of non-ASCII characters and the key byte itself stay as they are.
    return bytes(b if b == KEY or b >= 0x80 else b ^ KEY for b in text)


if __name__ == "__main__":
    if len(sys.argv) != 2:
        sys.exit("usage: scramble_password.py PASSWORD")
    sys.stdout.buffer.write(scramble(sys.argv[1].encode("utf-8")) + b"\n")
