#!/usr/bin/env python3
"""Checks a generated data folder: every packet parses with expat (single-byte
text, read as ISO-8859-1 like the engine does), every ROW attribute names a
declared field, and the data check's rules are counted over the folder, so a
generated folder's planted anomalies can be seen without the programs.

usage: check_folder.py DATA_DIR [--list]
"""
import os
import sys
import xml.parsers.expat

PACKETS = ["Body014.xml", "Body622.xml", "Body698.xml", "Body815.xml", "Body815E.xml", "COD_SPECSPER.xml"]


def load(path):
    data = open(path, "rb").read()
    if data.startswith(b"\xef\xbb\xbf"):
        raise ValueError(f"{path}: starts with a BOM")
    fields, rows, state = [], [], {"meta": False, "rowdata": False}

    def start(name, attrs):
        if name == "FIELD":
            fields.append((attrs["attrname"], attrs["fieldtype"], attrs.get("WIDTH")))
        elif name == "ROW":
            if not state["rowdata"]:
                raise ValueError(f"{path}: ROW outside ROWDATA")
            names = {f[0] for f in fields}
            for key in attrs:
                if key not in names:
                    raise ValueError(f"{path}: ROW attribute {key} is not a declared field")
            rows.append(attrs)
        elif name == "ROWDATA":
            state["rowdata"] = True

    p = xml.parsers.expat.ParserCreate("ISO-8859-1")
    p.StartElementHandler = start
    p.Parse(data, True)
    return fields, rows


def integer(row, name):
    return int(row.get(name, "0") or "0")


def data_check(folder, show):
    blocks = []
    _, classes = load(os.path.join(folder, "Body622.xml"))
    _, pairs = load(os.path.join(folder, "COD_SPECSPER.xml"))
    valid = {(r.get("SSPZSPECIAL"), r.get("SSPZSPERIM")) for r in pairs}
    for c in classes:
        code, year, tipo = c.get("CodScuola", ""), integer(c, "AnnoCorso"), c.get("TipoScuola", "")
        cls = c.get("AnnoCorso", "") + c.get("Sezione", "")
        exempt = any(s in code for s in ("MM", "1M", "EE", "1E"))
        if not exempt and ((year in (1, 2) and tipo != "NO") or (3 <= year <= 6 and tipo != "NT")):
            blocks.append(f"school type {code} {cls} {tipo}")
        if (c.get("CodSpc"), c.get("CodSpr")) not in valid:
            blocks.append(f"pair {code} {cls} {c.get('CodSpc')}/{c.get('CodSpr')}")
    for name, checks_catalogue in (("Body815.xml", True), ("Body815E.xml", False)):
        _, rows = load(os.path.join(folder, name))
        for r in rows:
            y = r.get("AnnoPrimaAdoz", "")
            uso, pos = integer(r, "InUso"), integer(r, "InPossesso")
            cons = integer(r, "ConsigliatoApprofondimento") == 1 or integer(r, "ConsigliatoMonografia") == 1
            where = f"{name} {r.get('CodScuola')} {r.get('AnnoCorso')}{r.get('Sezione')} {r.get('Isbn')}"
            if checks_catalogue and r.get("fuoricat", "") == "F" and pos == 0:
                blocks.append(f"out of catalogue {where}")
            reason = None
            if y == "0":
                pass
            elif y == "2021":
                if uso == 1:
                    reason = "in use, first adopted this year"
                elif pos == 0 and cons:
                    reason = "not in use, not owned, recommended"
                elif pos == 1 and not cons:
                    reason = "not in use, owned, not recommended"
            elif uso == 0 and pos != 0:
                reason = "not in use but owned"
            elif uso == 0 and pos == 0 and cons:
                reason = "not in use, not owned, recommended"
            elif uso == 1 and pos == 0 and cons:
                reason = "in use, not owned, recommended"
            if reason:
                blocks.append(f"first adoption {where} {y}: {reason}")
    print(f"data check: {len(blocks)} blocks")
    if show:
        for b in blocks:
            print("  " + b)


def main():
    if len(sys.argv) < 2:
        print(__doc__)
        return 2
    folder = sys.argv[1]
    for name in PACKETS:
        fields, rows = load(os.path.join(folder, name))
        print(f"{name}: {len(fields)} fields, {len(rows)} rows")
    data_check(folder, "--list" in sys.argv)
    return 0


if __name__ == "__main__":
    sys.exit(main())
