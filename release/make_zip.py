#!/usr/bin/env python3
"""Writes the Windows release zip of Zimbrel, byte for byte the same from the same inputs.

usage: make_zip.py ROOT TREE ZIP VERSION

ROOT is the source tree, TREE the release build tree (zimbrel.exe and upx.exe), ZIP the
file to write, VERSION the program's version. The guides and the packer's notice are made from their sources in
release/: placeholders {{NAME}} are filled with the program's own texts (app/texts.txt, read
as the build reads it) and with the packer's digests; {{NAME:}} drops the text's
trailing spaces (a label named in a sentence), {{NAME:21}} also pads it to 21 columns
(the guides' table of the window's parts). Text files get
CRLF line ends, the guides also a UTF-8 byte-order mark, so that Notepad shows them.

Every entry has the time SOURCE_DATE_EPOCH (UTC), fixed attributes, no extra fields,
and the entries come in one fixed order.
"""
import hashlib
import os
import re
import sys
import time
import zipfile

# (name in the zip, kind, source); kind: "exe" a file of the build tree, "guide" a
# text with a byte-order mark, "text" a plain text.
ENTRIES = [
    ("zimbrel.exe", "exe", "zimbrel.exe"),
    ("upx.exe", "exe", "upx.exe"),
    ("OLVASSEL.txt", "guide", "release/guide-hu.txt"),
    ("README.txt", "guide", "release/guide-en.txt"),
    ("LICENSE.txt", "text", "LICENSE"),
    ("UPX-NOTICE.txt", "text", "release/upx-notice.txt"),
]
GPL2 = "/usr/share/common-licenses/GPL-2"


def program_texts(root, version):
    """NAME -> text of every entry of app/texts.txt, read by the build's own parser
    (scripts/texts.py), VERSION filled with version."""
    sys.path.insert(0, os.path.join(root, "scripts"))
    sys.dont_write_bytecode = True  # no __pycache__ in the source tree
    try:
        import texts
    finally:
        sys.path.pop(0)
    try:
        return texts.texts(os.path.join(root, "app", "texts.txt"), version)
    except texts.TextsError as e:
        sys.exit("make_zip.py: %s" % e)


def fill(template, values, source):
    """Replaces each {{NAME}}, {{NAME:}} and {{NAME:WIDTH}}; a line break inside a value
    keeps the line's indent."""
    lines = []
    for line in template.split("\n"):
        indent = re.match(r"[ \t]*", line).group(0)

        def value(m):
            name, trimmed, width = m.group(1), m.group(2) is not None, m.group(3)
            if name not in values:
                raise KeyError("%s: no value for {{%s}}" % (source, name))
            text = values[name].rstrip(" ") if trimmed else values[name]
            if width:
                if len(text) >= int(width):
                    raise ValueError("%s: {{%s}} is wider than its %s columns" % (source, name, width))
                text = text.ljust(int(width))
            return text.replace("\r\n", "\n" + indent)

        lines.append(re.sub(r"\{\{(\w+)(:(\d*))?\}\}", value, line))
    return "\n".join(lines)


def windows_text(text, bom):
    text = text.replace("\r\n", "\n")
    data = text.replace("\n", "\r\n").encode("utf-8")
    return (b"\xef\xbb\xbf" if bom else b"") + data


def read(path, mode="r"):
    with open(path, mode, **({} if "b" in mode else {"encoding": "utf-8"})) as f:
        return f.read()


def main():
    if len(sys.argv) != 5:
        sys.exit(__doc__.split("\n\n")[1])
    root, tree, zip_path, version = sys.argv[1:]
    epoch = int(os.environ.get("SOURCE_DATE_EPOCH", "0"))
    # The zip format keeps local times from 1980 on, in steps of two seconds.
    stamp = time.gmtime(max(epoch, 315532800))[:6]

    values = program_texts(root, version)
    values["VERSION"] = version
    upx = read(os.path.join(tree, "upx.exe"), "rb")
    values["UPX_SHA256"] = hashlib.sha256(upx).hexdigest()
    values["UPX_INTEGRITY"] = re.search(r"pinned='([^']+)'", read(os.path.join(root, "scripts", "fetch-upx.sh"))).group(1)
    values["GPL2_TEXT"] = read(GPL2).rstrip("\n")

    tmp = zip_path + ".tmp"
    with zipfile.ZipFile(tmp, "w") as z:
        for name, kind, source in ENTRIES:
            if kind == "exe":
                data = read(os.path.join(tree, source), "rb")
            else:
                text = fill(read(os.path.join(root, source)), values, source)
                data = windows_text(text, bom=(kind == "guide"))
            info = zipfile.ZipInfo(name, date_time=stamp)
            info.create_system = 3  # Unix, so that the modes below are read back
            info.external_attr = (0o100755 if kind == "exe" else 0o100644) << 16
            info.compress_type = zipfile.ZIP_DEFLATED
            z.writestr(info, data, compresslevel=9)
    os.replace(tmp, zip_path)


if __name__ == "__main__":
    main()
