#!/usr/bin/env python3
"""The shape of the program's sources, which a merge can undo unseen:
- no function longer than 55 lines, from its signature's first line to its
  closing brace;
- no file longer than 350 lines;
- no circle of units, a unit being a header with its source (x.h and x.cpp,
  and x_internal.h when there is one): units that include each other,
  directly or through others.
The program is app/ and runtime/; tests/ and bench/ are not held to it.

    check.py SOURCE_DIR

First the check is tried on a scratch copy of the program with a function,
a file and two circles planted in it, each just past its limit beside one
just within: it must name exactly the planted ones that break the rules.
Then the program itself is checked; on failure the worst offenders are named,
longest first.
"""
import os
import re
import shutil
import sys
import tempfile

PROGRAM_FOLDERS = ("app", "runtime")
SOURCE_ENDINGS = (".cpp", ".h")
FUNCTION_MOST = 55
FILE_MOST = 350
SHOWN = 10


def blank_keeping_lines(text):
    """text with comments, string and character literals and preprocessor
    lines made blank, the line breaks kept, so that only code's braces are
    counted and every line keeps its number."""
    out = []
    i, n = 0, len(text)
    line_start = True
    while i < n:
        c = text[i]
        if line_start and c in " \t":
            out.append(c)
            i += 1
            continue
        if line_start and c == "#":
            # A preprocessor line, with its continuations.
            while i < n and text[i] != "\n":
                if text[i] == "\\" and i + 1 < n and text[i + 1] == "\n":
                    out.append("\n")
                    i += 2
                    continue
                i += 1
            continue
        line_start = False
        if c == "\n":
            out.append(c)
            line_start = True
            i += 1
        elif text.startswith("//", i):
            while i < n and text[i] != "\n":
                i += 1
        elif text.startswith("/*", i):
            end = text.find("*/", i + 2)
            end = n if end < 0 else end + 2
            out.append("\n" * text.count("\n", i, end))
            i = end
        elif c == "R" and text.startswith('"', i + 1) and (i == 0 or not (text[i - 1].isalnum() or text[i - 1] == "_")
                                                           or text[i - 2:i] == "u8" or text[i - 1] in "LuU"):
            # A raw string: R"delimiter( ... )delimiter"
            open_paren = text.find("(", i + 2)
            delimiter = text[i + 2:open_paren]
            end = text.find(")" + delimiter + '"', open_paren)
            end = n if end < 0 else end + len(delimiter) + 2
            out.append('""' + "\n" * text.count("\n", i, end))
            i = end
        elif c in "\"'":
            if c == "'" and i > 0 and text[i - 1].isalnum() and i + 1 < n and text[i + 1].isalnum():
                i += 1  # a digit separator, 1'000
                continue
            j = i + 1
            while j < n and text[j] != c and text[j] != "\n":
                j += 2 if text[j] == "\\" else 1
            out.append(c + c)
            i = j + 1
        else:
            out.append(c)
            i += 1
    return "".join(out)


def head_kind(head):
    """What a '{' opens, from the code before it since the last ';', '{' or
    '}': 'scope' (a namespace, extern "C", a class), 'function', or 'other'
    (an initializer, an enum)."""
    words = re.sub(r"\[\[.*?\]\]", " ", head)
    words = re.sub(r"\b__attribute__\s*\(\(.*?\)\)", " ", words, flags=re.S)
    words = re.sub(r"^\s*template\s*<.*?>", " ", words, flags=re.S).strip()
    if re.match(r"(namespace\b|extern\s*\"\"\s*$)", words):
        return "scope"
    if re.match(r"(typedef\s+)?(class|struct|union)\b", words) and "(" not in words.split(":")[0]:
        return "scope"
    if re.match(r"(typedef\s+)?enum\b", words):
        return "other"
    depth = 0
    for k, c in enumerate(words):
        if c in "([":
            depth += 1
        elif c in ")]":
            depth -= 1
        elif c == "=" and depth == 0:
            before, after = words[max(0, k - 9):k], words[k + 1:k + 2]
            if not re.search(r"operator\s*[-+*/%^&|<>!=]*$", before) and after != "=" and words[k - 1] not in "<>!=":
                return "other"
    return "function" if "(" in words else "other"


def functions_of(text):
    """(first line, last line, name) of every function body of a file, found
    by its braces: a body opened where a function may be defined (file scope,
    a namespace or a class) and closed by its brace."""
    code = blank_keeping_lines(text)
    found = []
    scopes = []  # for each open brace: 'scope', 'function' (with its start) or 'other'
    head_start = 0
    line = 1
    for i, c in enumerate(code):
        if c == "\n":
            line += 1
        elif c in ";{}":
            inside_function = any(kind[0] in ("function", "other") for kind in scopes)
            if c == "{":
                if inside_function:
                    scopes.append(("other",))
                else:
                    head = code[head_start:i]
                    kind = head_kind(head)
                    if kind == "function":
                        # The signature starts at the first word that is no access label.
                        start = re.match(r"\s*((public|private|protected)\s*:(?!:)\s*)*", head).end()
                        first = line - head[start:].count("\n")
                        name = re.search(r"[~\w:]*operator\b[^(]*|[~\w:]+(?=\s*\()", head)
                        scopes.append(("function", first, " ".join(name.group(0).split()) if name else "?"))
                    else:
                        scopes.append((kind,))
            elif c == "}":
                if not scopes:
                    return None
                closed = scopes.pop()
                if closed[0] == "function":
                    found.append((closed[1], line, closed[2]))
            if not any(kind[0] in ("function", "other") for kind in scopes):
                head_start = i + 1
    return found if not scopes else None


def program_files(root):
    for folder in PROGRAM_FOLDERS:
        for directory, _, names in os.walk(os.path.join(root, folder)):
            for name in sorted(names):
                if name.endswith(SOURCE_ENDINGS):
                    yield os.path.relpath(os.path.join(directory, name), root).replace(os.sep, "/")


def circles(root, files):
    """Each circle of units, as the includes (file:line -> header) that make it."""
    units = {}
    for path in files:
        units.setdefault(os.path.splitext(path)[0], []).append(path)
    # A unit's private header, x_internal.h, is part of unit x.
    unit_of = {stem: stem for stem in units}
    for stem in [stem for stem in units if stem.endswith("_internal") and stem[:-len("_internal")] in units]:
        unit_of[stem] = stem[:-len("_internal")]
        units[unit_of[stem]] += units.pop(stem)
    edges = {unit: {} for unit in units}
    for unit, paths in units.items():
        for path in paths:
            with open(os.path.join(root, path), encoding="utf-8", errors="replace") as source:
                for number, text in enumerate(source, 1):
                    match = re.match(r'\s*#\s*include\s*"([^"]+)"', text)
                    if not match:
                        continue
                    for named in (match.group(1), os.path.join(os.path.dirname(path), match.group(1))):
                        target = unit_of.get(os.path.splitext(os.path.normpath(named).replace(os.sep, "/"))[0])
                        if target and target != unit:
                            edges[unit].setdefault(target, "%s:%d" % (path, number))
                            break
    # Tarjan's strongly connected components, without recursion.
    index, low, on_stack, stack, found = {}, {}, set(), [], []
    for start in sorted(units):
        if start in index:
            continue
        work = [(start, iter(sorted(edges[start])))]
        index[start] = low[start] = len(index)
        stack.append(start)
        on_stack.add(start)
        while work:
            unit, targets = work[-1]
            advanced = False
            for target in targets:
                if target not in index:
                    index[target] = low[target] = len(index)
                    stack.append(target)
                    on_stack.add(target)
                    work.append((target, iter(sorted(edges[target]))))
                    advanced = True
                    break
                if target in on_stack:
                    low[unit] = min(low[unit], index[target])
            if advanced:
                continue
            work.pop()
            if work:
                low[work[-1][0]] = min(low[work[-1][0]], low[unit])
            if low[unit] == index[unit]:
                component = []
                while True:
                    member = stack.pop()
                    on_stack.discard(member)
                    component.append(member)
                    if member == unit:
                        break
                if len(component) > 1:
                    members = set(component)
                    found.append(sorted("%s includes %s" % (edges[a][b], b) for a in members for b in edges[a]
                                        if b in members))
    return found


def offences(root):
    """The long functions, the long files, the circles and the files whose
    braces could not be read, each worst first."""
    files = list(program_files(root))
    long_functions, long_files, unreadable = [], [], []
    for path in files:
        with open(os.path.join(root, path), encoding="utf-8", errors="replace") as source:
            text = source.read()
        lines = text.count("\n") + (0 if text.endswith("\n") or not text else 1)
        if lines > FILE_MOST:
            long_files.append((lines, path))
        bodies = functions_of(text)
        if bodies is None:
            unreadable.append(path)
            continue
        for first, last, name in bodies:
            if last - first + 1 > FUNCTION_MOST:
                long_functions.append((last - first + 1, "%s:%d-%d %s" % (path, first, last, name)))
    long_functions.sort(key=lambda item: -item[0])
    long_files.sort(key=lambda item: -item[0])
    return long_functions, long_files, circles(root, files), unreadable


def names(found):
    long_functions, long_files, circle_list, unreadable = found
    return ({where.split(":")[0] + " " + where.split(" ")[-1] for _, where in long_functions} |
            {path for _, path in long_files} | {" | ".join(circle) for circle in circle_list} | set(unreadable))


def report(found):
    long_functions, long_files, circle_list, unreadable = found
    for title, items in (("functions past %d lines" % FUNCTION_MOST, ["%d lines: %s" % f for f in long_functions]),
                         ("files past %d lines" % FILE_MOST, ["%d lines: %s" % f for f in long_files]),
                         ("circles of units", ["; ".join(c) for c in circle_list]),
                         ("files whose braces do not pair", unreadable)):
        if items:
            print("%s (%d, the worst first):" % (title, len(items)))
            for item in items[:SHOWN]:
                print("  " + item)
    return not (long_functions or long_files or circle_list or unreadable)


PLANTED_BODY = """  int total = 0;  // a brace in a comment: {
  const char* text = "}}} a brace in a string";
  total += text[0] == '}' ? 1 : 0;  /* and { in a block
  comment */
"""


def planted_function(name, lines):
    """A function of exactly lines lines, its signature over two lines."""
    body = PLANTED_BODY + "".join("  total += %d;\n" % k for k in range(lines - 2 - PLANTED_BODY.count("\n") - 2))
    return "static int %s(int first,\n                 int second) {\n%s  return total;\n}\n" % (name, body)


def self_test(root):
    """Plants, in a scratch copy of the program, a function of 56 lines beside
    one of 55, a file of 351 lines beside one of 350, and two circles (two
    units, and three through one another, each include from a source) beside
    a chain that is none; the check must name exactly the ones past the rules."""
    scratch = tempfile.mkdtemp()
    try:
        for folder in PROGRAM_FOLDERS:
            shutil.copytree(os.path.join(root, folder), os.path.join(scratch, folder))
        before = names(offences(scratch))
        planted = {
            "runtime/planted/long.cpp": "namespace {\nstruct Shape {\n  int Inline() const { return 1; }\n};\n}"
                                        "  // namespace\n#define BRACE {\n" + planted_function("Longest", 56) +
                                        "const int TABLE[] = {\n  1,\n};\n" + planted_function("Longer", 55),
            "runtime/planted/tall.cpp": "// a line\n" * 351,
            "runtime/planted/high.cpp": "// a line\n" * 350,
            "runtime/planted/a.h": '#include "runtime/planted/b.h"\n',
            "runtime/planted/b.h": "",
            "runtime/planted/b.cpp": '#include "runtime/planted/a.h"\n',
            "app/x.h": "", "app/x.cpp": '#include "app/y.h"\n',
            "app/y.h": "", "app/y.cpp": '#include "app/z.h"\n',
            "app/z.h": '#include "app/x.h"\n',
            "app/chain.h": '#include "app/x.h"\n', "app/chain.cpp": '#include "runtime/planted/a.h"\n',
        }
        for path, text in planted.items():
            os.makedirs(os.path.dirname(os.path.join(scratch, path)), exist_ok=True)
            with open(os.path.join(scratch, path), "w") as out:
                out.write(text)
        seen = names(offences(scratch)) - before
        expected = {"runtime/planted/long.cpp Longest", "runtime/planted/tall.cpp",
                    "runtime/planted/a.h:1 includes runtime/planted/b | runtime/planted/b.cpp:1 includes runtime/planted/a",
                    "app/x.cpp:1 includes app/y | app/y.cpp:1 includes app/z | app/z.h:1 includes app/x"}
        if seen != expected:
            print("the check itself is wrong on the planted copy:")
            for item in sorted(expected - seen):
                print("  missed: " + item)
            for item in sorted(seen - expected):
                print("  named though within the rules: " + item)
            return False
        print("the check names a planted 56-line function, a 351-line file and two circles, and nothing within")
        return True
    finally:
        shutil.rmtree(scratch)


def main():
    root = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..", "..")
    checked = self_test(root)
    found = offences(root)
    if report(found):
        longest = sorted(((last - first + 1, "%s:%d %s" % (path, first, name))
                          for path in program_files(root)
                          for first, last, name in functions_of(open(os.path.join(root, path)).read()) or []),
                         reverse=True)[:3]
        print("the program's shape holds; its longest functions: " + ", ".join("%d %s" % f for f in longest))
    else:
        checked = False
    return 0 if checked else 1


if __name__ == "__main__":
    sys.exit(main())
