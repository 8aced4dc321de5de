#!/usr/bin/env python3
"""Writes the vault files the core tests and the fuzzer start from.

An implementation of the file format and the cipher of its own, in Python, so that the C++ reader
and writer are checked against bytes they did not produce.  The output is deterministic: running
the script again gives the same files.

Usage: scripts/make_vault_fixtures.py   (writes tests/data/vault and tests/data/fuzz-seed)
"""
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from gen_blowfish_tables import pi_fraction_words  # noqa: E402

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..")
VAULT_DIR = os.path.join(ROOT, "tests", "data", "vault")
SEED_DIR = os.path.join(ROOT, "tests", "data", "fuzz-seed")

# The password the fixtures and the fuzzer use for their encrypted vaults.
PASSWORD = b"Geheimnis"

_WORDS = pi_fraction_words()
MASK = 0xFFFFFFFF


class Blowfish:
    def __init__(self, key):
        self.p = list(_WORDS[:18])
        self.s = [list(_WORDS[18 + 256 * i:18 + 256 * (i + 1)]) for i in range(4)]
        j = 0
        for i in range(18):
            w = 0
            for _ in range(4):
                w = (w << 8) | key[j]
                j = (j + 1) % len(key)
            self.p[i] ^= w
        l = r = 0
        for i in range(0, 18, 2):
            l, r = self.encrypt_block(l, r)
            self.p[i], self.p[i + 1] = l, r
        for box in self.s:
            for m in range(0, 256, 2):
                l, r = self.encrypt_block(l, r)
                box[m], box[m + 1] = l, r

    def f(self, x):
        s = self.s
        return ((((s[0][x >> 24] + s[1][(x >> 16) & 0xFF]) & MASK) ^ s[2][(x >> 8) & 0xFF]) + s[3][x & 0xFF]) & MASK

    def encrypt_block(self, l, r):
        for i in range(16):
            l ^= self.p[i]
            r ^= self.f(l)
            l, r = r, l
        l, r = r, l
        r ^= self.p[16]
        l ^= self.p[17]
        return l, r

    def encrypt_buffer(self, data):
        """ECB with each 32-bit half little-endian in the buffer; zero-filled last block."""
        data = data + b"\0" * (-len(data) % 8)
        out = bytearray()
        for k in range(0, len(data), 8):
            l = int.from_bytes(data[k:k + 4], "little")
            r = int.from_bytes(data[k + 4:k + 8], "little")
            l, r = self.encrypt_block(l, r)
            out += l.to_bytes(4, "little") + r.to_bytes(4, "little")
        return bytes(out)


def field_key(password):
    return password + b" " * (len(password) % 8)


def prefix(n):
    if n < 255:
        return bytes([n])
    if n < 0xFFFE:
        return b"\xff" + n.to_bytes(2, "little")
    return b"\xff\xff\xff" + n.to_bytes(4, "little")


def record(content):
    return prefix(len(content)) + content


def wide_record(text):
    """The 16-bit-character form: FF FEFF, a prefix counting UTF-16 units, the units."""
    units = text.encode("utf-16-le")
    return b"\xff\xfe\xff" + prefix(len(units) // 2) + units


def vault(entries, password=b""):
    out = record(b"%d" % len(entries))
    cipher = Blowfish(field_key(password)) if password else None
    for position, entry in enumerate(entries):
        for text in entry:
            if cipher is None:
                out += record(text)
            else:
                c = cipher.encrypt_buffer(b"%d " % position + text)
                out += record(b"%d " % len(c) + c)
    return out


def sample_entries():
    """Entries that reach every record prefix size and the whole code page."""
    high = bytes(range(0x20, 0x100)).replace(b"\x7f", b"")
    return [
        (b"www.example.org", b"anna", b"Pa\xdfwort 1", b"M\xfcnchen, \x80 und \x9f"),
        (b"", b"", b"", b""),
        (b"  leading", b"x" * 250, b"p" * 254, b"c" * 255),
        (b"site", b"n" * 300, b"\t tab inside", high),
        (b"k" * 1000, b"m" * 65534, b"z", b"q" * 700),
    ] + [(b"s%d" % i, b"name%d" % i, b"pw%02d" % i, b"Kommentar %d" % i) for i in range(5, 14)]


def write(path, data):
    with open(path, "wb") as f:
        f.write(data)


def hexline(*parts):
    return " ".join(p.hex() if p else "-" for p in parts)


def main():
    os.makedirs(VAULT_DIR, exist_ok=True)
    os.makedirs(SEED_DIR, exist_ok=True)

    entries = sample_entries()
    write(os.path.join(VAULT_DIR, "sample_encrypted.zlm"), vault(entries, PASSWORD))
    # The same entries in plain form, and one more that only the plain form can keep.
    write(os.path.join(VAULT_DIR, "sample_plain.zlm"), vault(entries + [(bytes(range(256)), b"\0", b"a\0b", b"\0\0")]))

    # One small entry under every password length from 1 to 64.
    with open(os.path.join(VAULT_DIR, "password_lengths.txt"), "w") as f:
        f.write("# password (hex), then the vault of one entry (\"Seite\", \"Name\", \"Pa\\xdf\", \"\") "
                "encrypted under it (hex)\n")
        alphabet = b"abcdefghijklmnopqrstuvwxyz\xe4\xf6\xfc\xdfABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789 !"
        for n in range(1, 65):
            pw = (alphabet * 2)[:n]
            f.write(hexline(pw, vault([(b"Seite", b"Name", b"Pa\xdf", b"")], pw)) + "\n")

    # 16-bit-character records: what they hold and the 8-bit text they read as.
    wide = [
        ("Stra\u00dfe \u20ac", b"Stra\xdfe \x80"),
        ("\u0081\u008d\u008f\u0090\u009d", b"\x81\x8d\x8f\x90\x9d"),
        ("\u4e2d\u6587", b"??"),
        ("a\U0001F600b", b"a?b"),
        ("", b""),
        ("w" * 300, b"w" * 300),
    ]
    data = record(b"2") + b"".join(wide_record(text) for text, _ in wide) + record(b"plain") + record(b"")
    write(os.path.join(VAULT_DIR, "wide_records.zlm"), data)
    with open(os.path.join(VAULT_DIR, "wide_records.txt"), "w") as f:
        f.write("# the eight texts of wide_records.zlm as read (hex, '-' for empty)\n")
        for _, expected in wide:
            f.write(hexline(expected) + "\n")
        f.write(hexline(b"plain") + "\n" + hexline(b"") + "\n")

    # Seeds for the fuzzer: small, valid and damaged, in both forms.
    small = [(b"abc", b"def", b"geheim", b"Kommentar"), (b"x", b"", b"\xe4\xf6\xfc", b"")]
    seeds = {
        "empty_vault": vault([]),
        "zero_bytes": b"",
        "plain_small": vault(small),
        "plain_zero_byte": vault([(b"a\0b", b"", b"", b"")]),
        "encrypted_small": vault(small, PASSWORD),
        "encrypted_long": vault([(b"s", b"n", b"p", b"c" * 300)], PASSWORD),
        "plain_truncated": vault(small)[:-3],
        "encrypted_truncated": vault(small, PASSWORD)[:-5],
        "encrypted_mixed": record(b"3") + vault(small, PASSWORD)[2:] + b"".join(record(t) for t in small[0]),
        "wide_records": data,
        "count_too_large": record(b"2000000000") + record(b"a"),
        "huge_record": b"\x01\x31\xff\xff\xff\xff\xff\xff\xff" + b"\0" * 11,
    }
    for name, content in seeds.items():
        write(os.path.join(SEED_DIR, name + ".zlm"), content)


if __name__ == "__main__":
    main()
