#!/usr/bin/env python3
"""Writes the vaults the zelmora-cli tests read (tests/data/cli), with the separate Python
implementation of the file format and cipher in make_vault_fixtures.py, so that the tests compare
zelmora-cli against bytes it did not produce.

Usage: scripts/make_cli_fixtures.py   (the outputs are committed)."""
import json
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from make_vault_fixtures import Blowfish, record, vault  # noqa: E402

OUT_DIR = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "data", "cli")


def check_vectors():
    # Published vectors with each 32-bit half stored little-endian.
    assert Blowfish(bytes(8)).encrypt_buffer(bytes(8)) == bytes.fromhex('4597f94e78dd9861')
    assert Blowfish(bytes.fromhex('3000000000000000')).encrypt_buffer(
        bytes.fromhex('1000000000000001')) == bytes.fromhex('65c8a4e25bf22fcf')


def decode(b):
    # Windows-1252 with the five unassigned bytes mapped to the C1 controls of the same value.
    return ''.join(chr(c) if c in (0x81, 0x8D, 0x8F, 0x90, 0x9D) else bytes([c]).decode('cp1252') for c in b)


def write(name, data):
    with open(os.path.join(OUT_DIR, name), 'wb') as f:
        f.write(data)


def main():
    check_vectors()
    basic = [
        [b'www.example.org', b'anna', b'Geheim!', b'Konto f\xfcr \x84Alltag\x93'],
        [b'Bank', b'', b'1234', b''],
        [b'', b'', b'', b''],
        [b'ftp://\xe4\xf6\xfc\xdf.example', b'M\xfcller', b'p\x80ss w\xf6rd', b'mit, Komma und "Zitat"\r\nzweite Zeile'],
    ]
    # An entry added and saved while an encrypted vault was open without its password.
    typed = [b'neu.example', b'ich', b'frisch', b'ohne Passwort gespeichert']
    write('plain.zlm', vault(basic))
    write('geheim9.zlm', vault(basic, b'Geheim123'))
    for n in (1, 7, 8, 13, 55, 56):
        pw = bytes((0x41 + i % 26) for i in range(n))
        write('pw%02d.zlm' % n, vault(basic, pw))

    every_byte = [[bytes(range(1, 64)), bytes(range(64, 128)), bytes(range(128, 192)), bytes(range(192, 256))]]
    write('bytes-plain.zlm', vault(every_byte + [[b'a\x00b', b'', b'', b'']]))
    # Encrypted fields lose trailing white space and end at a zero byte, so keep those out here.
    write('bytes-geheim.zlm', vault(every_byte, b'\xe4\xf6\xfc\xdf\x80'))

    # Records past the one-byte and the 16-bit prefix (the tests know these texts by their lengths).
    write('long-geheim.zlm', vault([[b'x' * 300, b'y' * 65540, b'', b'k' * 7]], b'lang'))

    with open(os.path.join(OUT_DIR, 'expected.json'), 'w', encoding='utf-8') as f:
        json.dump({
            'basic': [[decode(t) for t in e] for e in basic],
            'every_byte': [[decode(t) for t in e] for e in every_byte],
            'typed': [decode(t) for t in typed],
        }, f, ensure_ascii=True, indent=1)

    # Encrypted records and one plain entry: what saving without the password after adding an entry
    # to a vault opened without it writes.  The right password must open all five.
    good = vault(basic, b'Geheim123')
    write('mixed.zlm', record(b'5') + good[len(record(b'4')):] + b''.join(record(t) for t in typed))
    # One damaged record (entry 1's password, its only cipher block): the rest must still open.
    damaged = bytearray(good)
    at = len(record(b'4'))
    for _ in range(4 + 2):
        at += 1 + damaged[at]  # every record here has a one-byte prefix
    assert damaged[at:at + 3] == b'\x0a8 '
    damaged[at + 3] ^= 0x5A
    write('damaged.zlm', bytes(damaged))

    # Damaged and hostile files.
    write('truncated.zlm', good[:len(good) // 2])
    write('huge-record.zlm', record(b'1') + b'\xff\xff\xff\xff\xff\xff\xff' + b'0123456789ab')
    write('huge-count.zlm', record(b'2000000000') + record(b'a') * 4)
    write('count-short.zlm', record(b'2') + record(b'a') * 4)
    # A 16-bit record: FF FEFF, then the count of 16-bit units, then the units.
    wide = 'Gr\u00fc\u00dfe \u20ac \u4e2d'.encode('utf-16-le')
    write('wide.zlm', record(b'1') + b'\xff\xfe\xff' + bytes([len(wide) // 2]) + wide + record(b'n') * 3)


if __name__ == '__main__':
    main()
