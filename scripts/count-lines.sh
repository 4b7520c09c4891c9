#!/usr/bin/env bash
# Non-blank, non-comment lines of C and C++ sources in the library, the
# tool and the tests, and the tests' share of the three together.
# Usage: scripts/count-lines.sh [source-root]
set -eu
cd "${1:-$(dirname "$0")/..}"
count() {  # folders... -> lines
  find "$@" -type f \( -name '*.cpp' -o -name '*.h' -o -name '*.c' \) -print0 |
    xargs -0 cat | sed -e 's|//.*$||' |
    awk '/\/\*/ { block = 1 } { if (!block && $0 ~ /[^[:space:]]/) n++ } /\*\// { block = 0 } END { print n + 0 }'
}
library=$(count stream model parse save edit payload reader platform api include)
tool=$(count tools)
tests=$(count tests)
total=$((library + tool + tests))
echo "library $library, tool $tool, tests $tests: tests are $((tests * 100 / total))% of $total"
