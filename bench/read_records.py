#!/usr/bin/env python3
"""A plain reader of the current edition's AIE record files, the reference of
record-check's speed: prints every record with its number, its body records
cut into their fields, decoded from CP1252, as record-check's text does.

Usage: bench/read_records.py FILE...
"""

import sys

# The body records' field widths, by record code.
WIDTHS = {
    "R014": [4, 10, 10, 50, 35, 30, 35, 5, 12, 12, 1, 10, 80, 50, 1],
    "R622": [4, 10, 4, 2, 1, 2, 6, 6, 7, 19, 9, 1],
    "R815": [4, 10, 1, 4, 2, 6, 6, 6, 1, 1, 6, 1, 13, 4, 1],
    "R81E": [4, 10, 1, 4, 2, 6, 6, 1, 1, 6, 30, 76, 1, 30, 5, 1, 13, 4, 1],
}


def main():
    out = sys.stdout
    for path in sys.argv[1:]:
        out.write("==> %s <==\n" % path)
        with open(path, encoding="cp1252", errors="replace", newline="") as f:
            for number, line in enumerate(f, 1):
                line = line.rstrip("\r\n")
                widths = WIDTHS.get(line[:4])
                if widths is None:
                    out.write('%d: line="%s"\n' % (number, line))
                    continue
                fields = []
                at = 0
                for i, width in enumerate(widths):
                    fields.append('f%d="%s"' % (i + 1, line[at:at + width]))
                    at += width
                out.write("%d: %s\n" % (number, " ".join(fields)))
    return 0


if __name__ == "__main__":
    sys.exit(main())
