#!/usr/bin/env python3
"""Writes the CLI test vaults with a second, separate implementation of the file format and cipher,
so that the tests compare zelmora-cli against something it does not share code with.

Run from this folder: python3 make_fixtures.py  (the outputs are committed)."""
import json
import struct


def pi_hex_words(count):
    """The first `count` 32-bit words of the fraction of pi (Machin's formula, integer arithmetic)."""
    bits = count * 32 + 64
    one = 1 << bits

    def arctan_inv(x):
        total, term, n, sign = 0, one // x, 1, 1
        x2 = x * x
        while term:
            total += sign * (term // n)
            term //= x2
            n += 2
            sign = -sign
        return total

    pi = 16 * arctan_inv(5) - 4 * arctan_inv(239)
    frac = pi - 3 * one
    frac >>= 64
    return [(frac >> (32 * (count - 1 - i))) & 0xFFFFFFFF for i in range(count)]


WORDS = pi_hex_words(18 + 4 * 256)
M32 = 0xFFFFFFFF


class Blowfish:
    def __init__(self, key):
        self.p = WORDS[:18]
        self.s = [WORDS[18 + 256 * i: 18 + 256 * (i + 1)] for i in range(4)]
        j = 0
        for i in range(18):
            w = 0
            for k in range(4):
                w = (w << 8) | key[(j + k) % len(key)]
            self.p[i] ^= w
            j = (j + 4) % len(key)
        l = r = 0
        for i in range(0, 18, 2):
            l, r = self.encrypt(l, r)
            self.p[i], self.p[i + 1] = l, r
        for sbox in self.s:
            for m in range(0, 256, 2):
                l, r = self.encrypt(l, r)
                sbox[m], sbox[m + 1] = l, r

    def f(self, x):
        s = self.s
        return ((((s[0][x >> 24] + s[1][(x >> 16) & 255]) & M32) ^ s[2][(x >> 8) & 255]) + s[3][x & 255]) & M32

    def encrypt(self, l, r):
        for i in range(16):
            l ^= self.p[i]
            r ^= self.f(l)
            l, r = r, l
        l, r = r, l
        r ^= self.p[16]
        l ^= self.p[17]
        return l, r

    def encrypt_bytes(self, data):
        out = bytearray()
        for k in range(0, len(data), 8):
            l, r = struct.unpack('<II', data[k:k + 8])
            l, r = self.encrypt(l, r)
            out += struct.pack('<II', l, r)
        return bytes(out)


def check_vectors():
    # Published vectors with each 32-bit half stored little-endian.
    assert Blowfish(bytes(8)).encrypt_bytes(bytes(8)) == bytes.fromhex('4597f94e78dd9861')
    assert Blowfish(bytes.fromhex('3000000000000000')).encrypt_bytes(
        bytes.fromhex('1000000000000001')) == bytes.fromhex('65c8a4e25bf22fcf')


def record(content):
    n = len(content)
    if n < 255:
        return bytes([n]) + content
    if n < 0xFFFE:
        return b'\xff' + struct.pack('<H', n) + content
    return b'\xff\xff\xff' + struct.pack('<I', n) + content


def vault(entries, password=b''):
    out = record(str(len(entries)).encode())
    cipher = None
    if password:
        r = len(password) % 8
        cipher = Blowfish(password + b' ' * r)
    for pos, fields in enumerate(entries):
        for text in fields:
            if cipher is None:
                out += record(text)
            else:
                plain = b'%d ' % pos + text
                plain += bytes(-len(plain) % 8)
                c = cipher.encrypt_bytes(plain)
                out += record(b'%d ' % len(c) + c)
    return out


def decode(b):
    # Windows-1252 with the five unassigned bytes mapped to the C1 controls of the same value.
    return ''.join(chr(c) if c in (0x81, 0x8D, 0x8F, 0x90, 0x9D) else bytes([c]).decode('cp1252') for c in b)


def write(name, data):
    with open(name, 'wb') as f:
        f.write(data)


def main():
    check_vectors()
    basic = [
        [b'www.example.org', b'anna', b'Geheim!', b'Konto f\xfcr \x84Alltag\x93'],
        [b'Bank', b'', b'1234', b''],
        [b'', b'', b'', b''],
        [b'ftp://\xe4\xf6\xfc\xdf.example', b'M\xfcller', b'p\x80ss w\xf6rd', b'mit, Komma und "Zitat"\r\nzweite Zeile'],
    ]
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

    with open('expected.json', 'w', encoding='utf-8') as f:
        json.dump({
            'basic': [[decode(t) for t in e] for e in basic],
            'every_byte': [[decode(t) for t in e] for e in every_byte],
        }, f, ensure_ascii=True, indent=1)

    # Damaged and hostile files.
    good = vault(basic, b'Geheim123')
    write('truncated.zlm', good[:len(good) // 2])
    write('huge-record.zlm', record(b'1') + b'\xff\xff\xff\xff\xff\xff\xff' + b'0123456789ab')
    write('huge-count.zlm', record(b'2000000000') + record(b'a') * 4)
    write('count-short.zlm', record(b'2') + record(b'a') * 4)
    # A 16-bit record: FF FEFF, then the count of 16-bit units, then the units.
    wide = 'Gr\u00fc\u00dfe \u20ac \u4e2d'.encode('utf-16-le')
    write('wide.zlm', record(b'1') + b'\xff\xfe\xff' + bytes([len(wide) // 2]) + wide + record(b'n') * 3)


if __name__ == '__main__':
    main()
