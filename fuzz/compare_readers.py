#!/usr/bin/env python3
"""Two builds of the packet reader, fed the same hostile packets, must read
each alike: the same rows and values, or the same error.

Usage: fuzz/compare_readers.py OLD_PACKET_DUMP NEW_PACKET_DUMP [--mutants N] [--seed S]

The packets: every byte value in a value, an attribute name, an element name,
between elements, in the prolog and in a comment; character references from
128 to 255 and beyond; the seed corpora, the test fixtures and the demo
packets; and N mutants of those (bytes changed, inserted or removed,
references and multi-byte sequences planted). Each goes through
`packet-dump PACKET --raw-csv` of both builds, whose output and exit status
are compared. Exit status 1 when any packet reads differently.
"""

import argparse
import glob
import os
import random
import subprocess
import sys
import tempfile

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
PROLOG = (b'<?xml version="1.0" standalone="yes"?><DATAPACKET Version="2.0"><METADATA><FIELDS>'
          b'<FIELD attrname="A" fieldtype="string" WIDTH="20"/><FIELD attrname="B" fieldtype="i4"/>'
          b'</FIELDS><PARAMS/></METADATA><ROWDATA>')
END = b'</ROWDATA></DATAPACKET>'


def planted():
    for b in range(256):
        c = bytes([b])
        yield PROLOG + b'<ROW A="x' + c + b'y" B="1"/>' + END
        yield PROLOG + b'<ROW A' + c + b'="x" B="1"/>' + END
        yield PROLOG + b'<ROW' + c + b' A="x"/>' + END
        yield PROLOG + b'<ROW A="x"/>' + c + END
        yield PROLOG.replace(b'standalone="yes"', b'standalone="yes" ' + c) + b'<ROW A="x"/>' + END
        yield (b'<?xml version="1.0" encoding="windows-1252"?>' + PROLOG[38:] + b'<ROW A="' + c * 3 +
               b'"/>' + END)
        yield PROLOG + b'<ROW A="&#' + str(b).encode() + b';" B="2"/>' + END
        yield PROLOG + b'<ROW A="&#x' + ('%X' % b).encode() + b';z' + c + b'"/>' + END
        yield PROLOG.replace(b'attrname="A"', b'attrname="A' + c + b'"') + b'<ROW A="x"/>' + END
        yield PROLOG + b'<!-- ' + c + b' --><ROW A="x"/>' + END
    for v in list(range(0x80, 0x100)) + [0xE000, 0xE001, 0xE01F, 0xFFFE, 0x10FFFF, 0xD800]:
        yield PROLOG + b'<ROW A="&#' + str(v).encode() + b';\xe9" B="3"/>' + END


def seeds():
    paths = (glob.glob(os.path.join(ROOT, 'fuzz/corpus/packet_*/*')) +
             glob.glob(os.path.join(ROOT, 'tests/export/fixtures/*/*.xml')) +
             glob.glob(os.path.join(ROOT, 'demo/data/*.xml')))
    return [open(p, 'rb').read() for p in sorted(paths)]


def mutants(base, count, rng):
    plants = [b'&#128;', b'&#x9f;', b'&#xE000;', b'&#1;', b'&amp;', b'\xc3\xa9', b'\xee\x80\x81',
              b'<ROW A="\xe8"/>']
    for _ in range(count):
        s = bytearray(rng.choice(base))
        for _ in range(rng.randint(1, 6)):
            op = rng.random()
            pos = rng.randrange(len(s) + 1)
            if op < 0.4 and s:
                s[min(pos, len(s) - 1)] = rng.randrange(256)
            elif op < 0.7:
                s[pos:pos] = bytes([rng.choice([0x80, 0x9f, 0xa0, 0xe9, 0xff, 0x26, 0x3c, 0x22, 0x3b, 0x23,
                                                0xee, 0xc3, rng.randrange(256)])])
            elif op < 0.85 and s:
                del s[pos:pos + rng.randint(1, 4)]
            else:
                s[pos:pos] = rng.choice(plants)
        yield bytes(s)


def read(tool, path):
    r = subprocess.run([tool, path, '--raw-csv'], stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
    return r.returncode, r.stdout


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument('old')
    ap.add_argument('new')
    ap.add_argument('--mutants', type=int, default=6000)
    ap.add_argument('--seed', type=int, default=7)
    a = ap.parse_args()
    base = seeds()
    packets = list(planted()) + base + list(mutants(base, a.mutants, random.Random(a.seed)))
    differ = 0
    with tempfile.TemporaryDirectory() as tmp:
        for i, packet in enumerate(packets):
            path = os.path.join(tmp, 'p%05d.xml' % i)
            with open(path, 'wb') as f:
                f.write(packet)
            old, new = read(a.old, path), read(a.new, path)
            if old != new:
                differ += 1
                if differ <= 5:
                    print('differs: %r...\n  old %r\n  new %r' % (packet[:120], old[1][:200], new[1][:200]))
            os.remove(path)
    print('%d packets, %d read differently' % (len(packets), differ))
    return 1 if differ else 0


if __name__ == '__main__':
    sys.exit(main())
