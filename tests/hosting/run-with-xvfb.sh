#!/usr/bin/env bash
# Runs a command on a virtual X display of its own (Xvfb), so tests that open
# windows need no real display and never touch the user's. xvfb-run -a picks a
# free display number (and tries the next one if two servers collide); the
# whole process group is ended after the time limit, so no server or test
# process outlives the test.
# Usage: run-with-xvfb.sh SECONDS COMMAND [ARG ...]
set -euo pipefail

if ! command -v xvfb-run > /dev/null; then
    echo "xvfb-run not found (scripts/deps installs xvfb)" >&2
    exit 1
fi

limit="$1"
shift

exec timeout --kill-after=10 "$limit" \
    xvfb-run -a -s "-screen 0 800x600x24 -nolisten tcp" "$@"
