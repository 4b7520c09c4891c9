#!/usr/bin/env python3
"""Lists the mechanical faults scripts/mutation.sh applies, one per line.

Usage: mutants.py ROOT COUNT SEED   -> a seeded sample, grouped by file
       mutants.py ROOT all          -> every candidate

Each line is tab-separated: file, line, start column, end column (0-based,
end exclusive), replacement text, description. The same sources, count and
seed give the same lines, and an edit changes only the mutants of the lines
it touches. Only the library's .cpp files are mutated; lines
of comments and preprocessor directives are passed over, and so is the text
inside string and character literals.
"""
import hashlib
import re
import sys
from pathlib import Path

FOLDERS = ["stream", "model", "parse", "save", "edit", "payload", "reader", "platform", "api"]

# The seam through which tests make file calls fail does nothing in a
# program of its own.
SKIPPED = {"platform/fault_injection.cpp"}

# Comparisons, each flipped and shifted by one; spaces around the operator
# keep templates, shifts and arrows out.
COMPARISONS = {
    "<": ["<=", ">="],
    "<=": ["<", ">"],
    ">": [">=", "<="],
    ">=": [">", "<"],
    "==": ["!="],
    "!=": ["=="],
}
COMPARE = re.compile(r"(?<=\s)(<=|>=|==|!=|<|>)(?=\s)")
# A size, offset, length, count or position passed to a call or used in a
# comparison or sum: nudged by one either way.
SIZE_WORD = re.compile(
    r"(?<![\w.>])((?:\w+(?:\.|->))?[A-Za-z_]*(?:[Ss]ize|[Ll]ength|[Oo]ffset|[Cc]ount|[Pp]osition)\w*)(?=\s*[,);]|\s[-+<>=!])")
BYTE_ORDER = re.compile(r"\b(Read|Write)(BigEndian|LittleEndian)(16|32)\b")
EARLY_EXIT = re.compile(r"^\s*if \(.*\) (return\b[^;]*|break|continue);\s*$")
IF_START = re.compile(r"\b(if|while) \(")
NUMBER = re.compile(r"(?<![\w.])(0x[0-9A-Fa-f]+|[0-9]+)(?=[uUlL]*\b)(?![.\w])")
LITERAL = re.compile(r'"(?:\\.|[^"\\])*"|\'(?:\\.|[^\'\\])*\'')


def blank_literals(text):
    return LITERAL.sub(lambda m: " " * len(m.group(0)), text)


def code_part(line):
    """The line with literals blanked and any trailing // comment cut."""
    text = blank_literals(line)
    cut = text.find("//")
    return text if cut < 0 else text[:cut]


def condition_end(text, open_paren):
    depth = 0
    for i in range(open_paren, len(text)):
        if text[i] == "(":
            depth += 1
        elif text[i] == ")":
            depth -= 1
            if depth == 0:
                return i
    return -1


def candidates_of_line(code, line):
    stripped = code.strip()
    if not stripped or stripped.startswith(("#", "*", "/*")):
        return
    for m in COMPARE.finditer(code):
        for to in COMPARISONS[m.group(1)]:
            yield m.start(), m.end(), to, f"comparison {m.group(1)} -> {to}"
    for m in SIZE_WORD.finditer(code):
        word = m.group(1)
        # Pointers to entries and tag numbers are not sizes.
        if word.startswith(("sizeof", "Size", "Count", "kTag")) or word.endswith(("_t", "Tag", "Entry", "s")):
            continue
        # A declaration or an assignment target is left alone.
        after = code[m.end():].lstrip()
        before = code[:m.start()].rstrip()
        if after.startswith("=") and not after.startswith("=="):
            continue
        if re.search(r"\b(int\d+_t|size_t|auto|int|bool|const)\s*[&*]?$", before):
            continue
        for delta in ("+ 1", "- 1"):
            yield m.start(), m.end(), f"({word} {delta})", f"{word} {delta}"
    for m in BYTE_ORDER.finditer(code):
        other = "LittleEndian" if m.group(2) == "BigEndian" else "BigEndian"
        to = m.group(1) + other + m.group(3)
        yield m.start(), m.end(), to, f"byte order {m.group(0)} -> {to}"
    if EARLY_EXIT.match(code):
        start = len(code) - len(code.lstrip())
        end = len(code.rstrip())
        yield start, end, ";", "dropped early exit: " + code.strip()
    for m in IF_START.finditer(code):
        open_paren = m.end() - 1
        close = condition_end(code, open_paren)
        if close < 0 or m.group(1) == "while":
            continue
        for forced in ("true", "false"):
            yield open_paren + 1, close, forced, f"condition forced {forced}"
    for m in NUMBER.finditer(code):
        text = m.group(1)
        value = int(text, 16) if text.lower().startswith("0x") else int(text)
        to = hex(value + 1) if text.lower().startswith("0x") else str(value + 1)
        yield m.start(), m.end(), to, f"constant {text} -> {to}"


def candidates(root):
    out = []
    for folder in FOLDERS:
        for path in sorted((root / folder).glob("*.cpp")):
            rel = f"{folder}/{path.name}"
            if rel in SKIPPED:
                continue
            in_block_comment = False
            for number, line in enumerate(path.read_text().splitlines(), 1):
                if in_block_comment:
                    if "*/" in line:
                        in_block_comment = False
                    continue
                if line.lstrip().startswith("/*") and "*/" not in line:
                    in_block_comment = True
                    continue
                code = code_part(line)
                for start, end, to, what in candidates_of_line(code, number):
                    out.append((rel, number, start, end, to, what, line.strip()))
    return out


def main():
    root = Path(sys.argv[1])
    every = candidates(root)
    if sys.argv[2] == "all":
        chosen = every
    else:
        count, seed = int(sys.argv[2]), int(sys.argv[3])
        # Ranked by a hash of the seed, the file, the line's text and the
        # fault: an edit elsewhere, or lines moving, leaves the sample alone.
        def rank(c):
            key = f"{seed}\t{c[0]}\t{c[6]}\t{c[2]}\t{c[4]}".encode()
            return hashlib.sha256(key).hexdigest()
        chosen = sorted(every, key=rank)[:count]
        # Grouped by file so that each file is rebuilt as few times as possible.
        chosen.sort(key=lambda c: (c[0], c[1], c[2], c[4]))
    for rel, number, start, end, to, what, _ in chosen:
        print(f"{rel}\t{number}\t{start}\t{end}\t{to}\t{what}")
    print(f"{len(every)} candidates", file=sys.stderr)


if __name__ == "__main__":
    main()
