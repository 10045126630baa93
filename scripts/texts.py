#!/usr/bin/env python3
"""The program's texts, read from app/texts.txt, the one place they are written.

usage: texts.py --header TEXTS OUTPUT   writes the C header of the texts as Windows-1250
                                        bytes (the build runs this)
       texts.py --utf8 NAME [TEXTS]     prints the text NAME as the UI driver takes
                                        texts: UTF-8, bytes outside printable ASCII
                                        and the backslash written as \\xHH

TEXTS is app/texts.txt (the default for --utf8). A mistake in it (a text that does
not end on its line, an unknown escape, a letter Windows-1250 does not have, a name
written twice) stops with a message naming the line and the text.
"""
import os
import re
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
DEFAULT_SOURCE = os.path.join(ROOT, "app", "texts.txt")
CODE_PAGE = "cp1250"
ESCAPES = {"r": "\r", "n": "\n", '"': '"', "\\": "\\"}
ENTRY = re.compile(r'(TEXT_[A-Z0-9_]+)[ \t]+"(.*)$')


class TextsError(Exception):
    pass


class Text:
    """One entry: NAME, its letters, and whether the program's version follows them."""

    def __init__(self, name, letters, with_version, line):
        self.name, self.letters, self.with_version, self.line = name, letters, with_version, line

    def value(self, version):
        return self.letters + (version if self.with_version else "")


def _entry(name, rest, where):
    """The letters of one entry and whether VERSION follows; rest is all after the opening quote."""
    letters = []
    i = 0
    while True:
        if i >= len(rest):
            raise TextsError('%s: %s: the text does not end on its line (no closing "); '
                             'a text is one line, a line break inside it is written \\r\\n' % (where, name))
        c = rest[i]
        if c == '"':
            break
        if c == "\\":
            e = rest[i + 1:i + 2]
            if e not in ESCAPES:
                raise TextsError('%s: %s: unknown escape "\\%s" (known: \\r \\n \\" \\\\)' % (where, name, e))
            letters.append(ESCAPES[e])
            i += 2
            continue
        if ord(c) < 32 or ord(c) == 127:
            raise TextsError("%s: %s: control character U+%04X in the text" % (where, name, ord(c)))
        letters.append(c)
        i += 1
    tail = rest[i + 1:].strip()
    if tail not in ("", "VERSION"):
        raise TextsError('%s: %s: "%s" after the text (only VERSION may follow it)' % (where, name, tail))
    text = "".join(letters)
    for c in text:
        try:
            c.encode(CODE_PAGE)
        except UnicodeEncodeError:
            raise TextsError("%s: %s: the letter '%s' (U+%04X) is not in Windows-1250, "
                             "so the program cannot show it" % (where, name, c, ord(c))) from None
    return text, tail == "VERSION"


def parse(path=DEFAULT_SOURCE):
    """The entries of the texts file, in their order; TextsError on any mistake."""
    try:
        with open(path, encoding="utf-8", newline="") as f:
            source = f.read()
    except UnicodeDecodeError as e:
        raise TextsError("%s: not UTF-8 (%s)" % (path, e)) from None
    shown = os.path.relpath(path, ROOT) if path.startswith(ROOT + os.sep) else path
    entries = []
    names = set()
    for number, line in enumerate(source.split("\n"), 1):
        line = line[:-1] if line.endswith("\r") else line
        where = "%s:%d" % (shown, number)
        if not line.strip() or line.lstrip().startswith("#"):
            continue
        m = ENTRY.match(line)
        if not m:
            raise TextsError('%s: not a text entry (NAME "text", NAME being TEXT_ and capitals): %s'
                             % (where, line.strip()))
        name = m.group(1)
        if name in names:
            raise TextsError("%s: %s is written twice" % (where, name))
        names.add(name)
        letters, with_version = _entry(name, m.group(2), where)
        entries.append(Text(name, letters, with_version, number))
    return entries


def program_version():
    with open(os.path.join(ROOT, "VERSION"), encoding="utf-8") as f:
        return f.readline().strip()


def texts(path=DEFAULT_SOURCE, version=None):
    """NAME -> the text as the user reads it, VERSION filled with version (the file VERSION's)."""
    if version is None:
        version = program_version()
    return {t.name: t.value(version) for t in parse(path)}


def c_literal(letters):
    """The Windows-1250 bytes of letters as adjacent C string literals. A hex escape
    closes its literal ("T\\xF6" "m"), so no following letter can become part of it."""
    parts = ['"']
    escaped = False
    for byte in letters.encode(CODE_PAGE):
        if escaped:
            parts.append('" "')
            escaped = False
        c = chr(byte)
        if c in "\r\n":
            parts.append("\\r" if c == "\r" else "\\n")
        elif c in '"\\':
            parts.append("\\" + c)
        elif 32 <= byte < 127:
            parts.append(c)
        else:
            parts.append("\\x%02X" % byte)
            escaped = True
    return "".join(parts) + '"'


def header(entries, source_name):
    width = max([len(t.name) for t in entries] + [0]) + 1
    lines = [
        "// The program's own texts, as Windows-1250 bytes. Made by scripts/texts.py from",
        "// %s: edit the texts there, not here." % source_name,
        "#pragma once",
        '#include "app/version.h"',
        "",
    ]
    for t in entries:
        value = c_literal(t.letters) + (" ZIMBREL_VERSION" if t.with_version else "")
        lines.append("#define %s %s" % (t.name.ljust(width - 1), value))
    return "\n".join(lines) + "\n"


def driver_text(letters):
    out = []
    for byte in letters.encode("utf-8"):
        out.append("\\x%02X" % byte if byte < 32 or byte > 126 or byte == 92 else chr(byte))
    return "".join(out)


def main(argv):
    try:
        if len(argv) == 3 and argv[0] == "--header":
            source, output = argv[1], argv[2]
            text = header(parse(source), "app/texts.txt")
            os.makedirs(os.path.dirname(os.path.abspath(output)), exist_ok=True)
            with open(output, "w", encoding="ascii", newline="\n") as f:
                f.write(text)
        elif len(argv) in (2, 3) and argv[0] == "--utf8":
            values = texts(argv[2] if len(argv) == 3 else DEFAULT_SOURCE)
            if argv[1] not in values:
                raise TextsError("no text %s in app/texts.txt" % argv[1])
            sys.stdout.write(driver_text(values[argv[1]]))
        else:
            sys.stderr.write(__doc__.split("\n\n")[1] + "\n")
            return 2
    except TextsError as e:
        sys.stderr.write("texts.py: error: %s\n" % e)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
