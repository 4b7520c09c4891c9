#!/usr/bin/env python3
"""Sums up the kill matrix that scripts/mutation.sh --matrix writes.

Usage: kill-matrix.py MATRIX TESTS

MATRIX has a line per mutant: the six fields of its line of the mutant
list, then the tests that failed, comma-separated (empty when it survived).
TESTS lists every test, one a line. Prints, per test, the mutants it kills
and those no other test kills ("unique"), most first, then the tests that
kill none.
"""
import re
import sys
from collections import Counter

# "Prefix/Suite.Name/Param" is one instance of the parameterised test
# Suite.Name: the instances live and die together, so they count as one.
INSTANCE = re.compile(r"^(?:[^/.]+/)?([^/.]+\.[^/]+)(?:/.*)?$")


def test_of(name):
    m = INSTANCE.match(name)
    return m.group(1) if m else name


def main():
    matrix_path, tests_path = sys.argv[1], sys.argv[2]
    tests = list(dict.fromkeys(test_of(t) for t in open(tests_path).read().split()))
    kills, unique = Counter(), Counter()
    mutants = survivors = 0
    for line in open(matrix_path):
        fields = line.rstrip("\n").split("\t")
        mutants += 1
        failed = sorted({test_of(t) for t in fields[6].split(",") if t}) if len(fields) > 6 else []
        if not failed:
            survivors += 1
        for test in failed:
            kills[test] += 1
        if len(failed) == 1:
            unique[failed[0]] += 1
    print(f"{mutants} mutants run, {mutants - survivors} killed, {survivors} survived")
    print("kills\tunique\ttest")
    for test, n in sorted(kills.items(), key=lambda kv: (-kv[1], kv[0])):
        print(f"{n}\t{unique[test]}\t{test}")
    # A name outside the list is a crashed program or a test renamed since.
    idle = [t for t in tests if kills[t] == 0]
    print(f"{len(idle)} of {len(tests)} tests kill no mutant:")
    for test in idle:
        print(test)


if __name__ == "__main__":
    main()
