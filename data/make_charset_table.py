#!/usr/bin/env python3
"""Makes the charset-name table of the HTTP client from the two public lists beside this script.

Every name and alias of the IANA character-set registry, in registry order (for each character
set: its Name, then its aliases, then its preferred MIME name when that is not among them), is
given the Windows code page that carries the character set, 0 where Windows has none:

1. A name equal (without regard to case) to a code page's Name in the Windows list takes that
   code page; the first code page in the list wins (EUC-JP is 20932, not 51932).
2. Every other name of the character set takes the character set's code page: the code page of
   its first name found by rule 1; failing that, of its first name of the form IBM<n>, CP<n>,
   CCSID<n>, MS<n> or windows-<n> whose number n is a code page in the Windows list (GBK has
   CP936, IBM862 has cp862); failing that, the code page that SAME_SET gives below, where the
   Windows list names the character set only in a description; else 0.
3. FIXED rows win over both lists: they are the rows every client of the table relies on. A
   FIXED name the registry lacks is added after the names of the character set FIXED_AFTER says.

Usage: make_charset_table.py [--report] [--iana FILE] [--windows FILE] [--output FILE]
The output is C++ rows `{u"name", codepage},` for an array initialiser, row 0 not included.
"""

import argparse
import csv
import os
import re
import sys

HERE = os.path.dirname(os.path.abspath(__file__))

# Character sets the Windows list names only in a description (registry Name -> code page).
SAME_SET = {
    "UTF-16LE": 1200,  # "Unicode UTF-16, little endian byte order"
    "UTF-16BE": 1201,  # "Unicode UTF-16, big endian byte order"
    "UTF-32LE": 12000,  # "Unicode UTF-32, little endian byte order"
    "Windows-31J": 932,  # the registry's name for the Windows Japanese code page itself
    "TIS-620": 874,  # "ANSI/OEM Thai (ISO 8859-11)"; the registry lists ISO-8859-11 as its alias
}

# Rows that win over the lists.
FIXED = {
    "US-ASCII": 20127,
    "ASCII": 20127,
    "ISO-8859-1": 28591,
    "ISO_8859-1": 28591,
    "latin1": 28591,
    "ISO-8859-2": 28592,
    "latin2": 28592,
    "ISO-8859-15": 28605,
    "Latin-9": 28605,
    "UTF-8": 65001,
    "UTF-16": 1200,
    "UTF-16LE": 1200,
    "UTF-16BE": 1201,
    "UTF-32": 12000,
    "UTF-7": 65000,
    "windows-1250": 1250,
    "windows-1251": 1251,
    "windows-1252": 1252,
    "windows-1253": 1253,
    "windows-1254": 1254,
    "KOI8-R": 20866,
    "Shift_JIS": 932,
    "EUC-JP": 20932,
    "GB2312": 936,
    "Big5": 950,
    "IBM437": 437,
    "ISO-10646-UCS-2": 0,
    "ISO-10646-UCS-4": 0,
    "UNICODE-1-1-UTF-7": 0,
}
# Where a FIXED name the registry lacks goes: after the names of this character set (registry Name).
FIXED_AFTER = {"ASCII": "US-ASCII"}
# All names of the US-ASCII character set are 7-bit ASCII.
FIXED_SETS = {"US-ASCII": 20127}

NUMBERED = re.compile(r"^(?:IBM|CP|CCSID|MS|windows)[-_]?0*([0-9]+)$", re.IGNORECASE)


def read_windows(path):
    by_name = {}
    ids = set()
    with open(path, newline="", encoding="utf-8") as f:
        for row in csv.DictReader(f):
            ident = int(row["Identifier"])
            ids.add(ident)
            name = row["Name"].strip()
            if name:
                by_name.setdefault(name.lower(), ident)
    return by_name, ids


def read_registry(path):
    sets = []
    with open(path, newline="", encoding="utf-8") as f:
        for row in csv.DictReader(f):
            name = row["Name"].strip()
            names = [name]
            for alias in row["Aliases"].split("\n"):
                alias = alias.strip()
                # The field also carries remarks ("(Aliases are provided for ...)"): no name has blanks.
                if alias and not any(c.isspace() for c in alias) and not alias.startswith("("):
                    names.append(alias)
            preferred = row["Preferred MIME Name"].strip()
            if preferred:
                names.append(preferred)
            unique = []
            for n in names:
                if n not in unique:
                    unique.append(n)
            sets.append((name, unique))
    return sets


def set_code_page(set_name, names, by_name, ids):
    if set_name in FIXED_SETS:
        return FIXED_SETS[set_name], "fixed set"
    for n in names:
        if n.lower() in by_name:
            return by_name[n.lower()], "name " + n
    for n in names:
        m = NUMBERED.match(n)
        if m and int(m.group(1)) in ids:
            return int(m.group(1)), "number of " + n
    if set_name in SAME_SET:
        return SAME_SET[set_name], "description"
    return 0, "none"


def build(iana, windows):
    by_name, ids = read_windows(windows)
    rows = []  # (name, code page, rule)
    seen = set()
    for set_name, names in read_registry(iana):
        code_page, rule = set_code_page(set_name, names, by_name, ids)
        extra = [n for n, after in FIXED_AFTER.items() if after == set_name]
        for n in names + extra:
            if n in seen:
                continue
            seen.add(n)
            if n in FIXED:
                rows.append((n, FIXED[n], "fixed"))
            elif n.lower() in by_name and set_name not in FIXED_SETS:
                rows.append((n, by_name[n.lower()], "name"))
            else:
                rows.append((n, code_page, rule))
    for n, cp in FIXED.items():
        first = next((row for row in rows if row[0].lower() == n.lower()), None)
        if first is None or first[1] != cp:
            sys.exit(f"make_charset_table: the fixed row {n} = {cp} did not come out (got {first})")
    for n, _, _ in rows:
        if not n.isascii() or not n.isprintable() or '"' in n or "\\" in n:
            sys.exit(f"make_charset_table: unexpected characters in the name {n!r}")
    return rows


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--iana", default=os.path.join(HERE, "iana-character-sets.csv"))
    parser.add_argument("--windows", default=os.path.join(HERE, "windows-code-pages.csv"))
    parser.add_argument("--output")
    parser.add_argument("--report", action="store_true")
    args = parser.parse_args()
    rows = build(args.iana, args.windows)
    if args.report:
        for n, cp, rule in rows:
            print(f"{n}\t{cp}\t{rule}")
        zero = sum(1 for _, cp, _ in rows if cp == 0)
        print(f"{len(rows)} names, {zero} without a code page", file=sys.stderr)
    if args.output:
        text = "// Made by data/make_charset_table.py from data/iana-character-sets.csv and\n"
        text += "// data/windows-code-pages.csv. Do not edit.\n"
        text += "".join(f'{{u"{n}", {cp}}},\n' for n, cp, _ in rows)
        with open(args.output, "w", encoding="utf-8") as f:
            f.write(text)


if __name__ == "__main__":
    main()
