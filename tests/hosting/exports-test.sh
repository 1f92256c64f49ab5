#!/usr/bin/env bash
# Checks that each plug-in shared object exports exactly its format's entry
# points: the defined dynamic symbols that nm -D lists, nothing more or less.
# Usage: exports-test.sh LIBRARY "SYMBOL ..." [LIBRARY "SYMBOL ..." ...]
set -euo pipefail

if ! command -v nm > /dev/null; then
    echo "FAIL: nm not found (binutils)" >&2
    exit 1
fi

failed=0

while [ $# -ge 2 ]; do
    library="$1"
    expected="$(printf '%s\n' $2 | sort)"
    shift 2

    if [ ! -f "$library" ]; then
        echo "FAIL: no shared object at $library" >&2
        failed=1
        continue
    fi

    actual="$(nm -D --defined-only --format=posix "$library" | awk '{ print $1 }' | sort)"

    if [ "$actual" = "$expected" ]; then
        echo "OK: $(basename "$library") exports only" $expected
    else
        echo "FAIL: $library exports other symbols than its entry points (- missing, + superfluous):" >&2
        diff <(printf '%s\n' "$expected") <(printf '%s\n' "$actual") | grep '^[<>]' | sed -e 's/^</-/' -e 's/^>/+/' >&2 || true
        failed=1
    fi
done

if [ $# -ne 0 ]; then
    echo "usage: exports-test.sh LIBRARY \"SYMBOL ...\" [LIBRARY \"SYMBOL ...\" ...]" >&2
    exit 2
fi

exit $failed
