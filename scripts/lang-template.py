#!/usr/bin/env python3
"""Writes a language file skeleton from Glimr's table of English texts.

Usage: lang-template.py [EXISTING.lng] > NEW.lng

Without an argument every key is written with its English text, ready to be
translated. With an existing language file, its translations are kept and
every key it lacks is written as a comment holding the English text
("; 262=..."), so the program keeps the English default until someone
translates the line and removes the ";". Keys the table no longer has are
listed on stderr.
"""

import pathlib
import re
import sys

ROOT = pathlib.Path(__file__).resolve().parent.parent
TABLE = ROOT / "src" / "common" / "langtable.cpp"
SECTIONS = ("Captions", "Hints", "Strings")

ENTRY = re.compile(
    r'\{TLangSection::(\w+),\s*(\d+),\s*((?:u"(?:[^"\\]|\\.)*"\s*)+)\}', re.S)
PIECE = re.compile(r'u"((?:[^"\\]|\\.)*)"')


def unescape(text):
    # The table only uses \" and \\ escapes.
    return re.sub(r'\\(.)', r'\1', text)


def read_table():
    table = {name: [] for name in SECTIONS}
    for m in ENTRY.finditer(TABLE.read_text(encoding="utf-8")):
        text = "".join(unescape(p) for p in PIECE.findall(m.group(3)))
        table[m.group(1)].append((int(m.group(2)), text))
    return table


def read_language(path):
    """Sections as the loader reads them: trimmed lines, ';' comments, names
    and keys without case, the last section of a name and the last line of
    a key counting."""
    sections = {}
    current = None
    raw = pathlib.Path(path).read_bytes()
    text = raw.decode("utf-8-sig", errors="replace")
    for line in text.splitlines():
        line = line.strip()
        if not line or line.startswith(";"):
            continue
        if len(line) >= 2 and line[0] == "[" and line[-1] == "]":
            current = {}
            sections[line[1:-1].strip().lower()] = current
            continue
        if current is not None and "=" in line:
            key, value = line.split("=", 1)
            current[key.strip().lower()] = value.strip()
    return sections


def main(argv):
    table = read_table()
    existing = read_language(argv[1]) if len(argv) > 1 else None
    out = []
    desc = "English"
    if existing is not None:
        desc = existing.get("options", {}).get("langdesc", desc)
    out += ["[Options]", f"LangDesc={desc}", ""]
    for name in SECTIONS:
        out.append(f"[{name}]")
        have = existing.get(name.lower(), {}) if existing is not None else None
        known = set()
        for key, english in table[name]:
            known.add(str(key))
            if have is None:
                out.append(f"{key}={english}")
            elif str(key) in have:
                out.append(f"{key}={have[str(key)]}")
            else:
                out.append(f"; {key}={english}")
        if have is not None:
            for key in sorted(set(have) - known):
                print(f"{name} {key}: not in the table", file=sys.stderr)
        out.append("")
    sys.stdout.write("\n".join(out))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
