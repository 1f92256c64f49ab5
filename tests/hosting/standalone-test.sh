#!/usr/bin/env bash
# Starts the standalone app on a virtual display, checks that it shows its
# window with something drawn in it, and quits it the way a desktop session
# does when it ends a program (SIGINT).
#
# "Cleanly" means: within 10 s of the signal the app has shut itself down
# through the framework's normal quit path, exits with status 0 (no crash, no
# abort), and has written its settings file on the way out.
#
# Usage: standalone-test.sh APP OUTPUT_DIR
set -euo pipefail

here="$(cd "$(dirname "$0")" && pwd)"

if [ "${1:-}" != "--on-display" ]; then
    # Outside the virtual display: start one and run the rest on it.
    exec "$here/run-with-xvfb.sh" 90 "$0" --on-display "$@"
fi

shift
app="$1"
out="$2"

# ImageMagick's own tools, not whatever else is called convert on PATH.
convert=/usr/bin/convert
import=/usr/bin/import

for tool in xdotool "$convert" "$import"; do
    command -v "$tool" > /dev/null || { echo "FAIL: $tool not found (scripts/deps installs it)" >&2; exit 1; }
done

[ -x "$app" ] || { echo "FAIL: no standalone app at $app" >&2; exit 1; }

rm -rf "$out"
mkdir -p "$out/home"

# A home of its own: the app's settings go there, not into the user's.
export HOME="$out/home"
export XDG_CONFIG_HOME="$HOME/.config"

"$app" > "$out/app.log" 2>&1 &
pid=$!

cleanup()
{
    if kill -0 "$pid" 2> /dev/null; then
        kill -KILL "$pid" 2> /dev/null || true
    fi
}
trap cleanup EXIT

fail()
{
    echo "FAIL: $*" >&2
    echo "--- app output:" >&2
    cat "$out/app.log" >&2 || true
    exit 1
}

# The main window, mapped and visible.
window="$(timeout 30 xdotool search --sync --onlyvisible --name '^ZK-Undular$' | head -n 1)" \
    || fail "no visible window named ZK-Undular within 30 s"

kill -0 "$pid" 2> /dev/null || fail "the app exited right after showing its window"

# Give the editor a few paint cycles before looking at it.
sleep 1.5

eval "$(xdotool getwindowgeometry --shell "$window")"
echo "window $window: ${WIDTH}x${HEIGHT} at ${X},${Y}"
[ "$WIDTH" -ge 183 ] && [ "$HEIGHT" -ge 71 ] || fail "window is only ${WIDTH}x${HEIGHT}"

"$import" -window root "$out/screen.png"
colours="$("$convert" "$out/screen.png" -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage -format '%k' info:)"
echo "the window shows $colours colours; screenshot: $out/screen.png"
[ "$colours" -gt 1 ] || fail "the window is all one colour"

kill -INT "$pid"

for _ in $(seq 1 100); do
    kill -0 "$pid" 2> /dev/null || break
    sleep 0.1
done

kill -0 "$pid" 2> /dev/null && fail "still running 10 s after SIGINT"

set +e
wait "$pid"
status=$?
set -e

[ "$status" -eq 0 ] || fail "exit status $status after SIGINT"

settings="$(find "$HOME" -name '*.settings' | head -n 1)"
[ -n "$settings" ] || fail "no settings file written on the way out"

echo "OK: shown, drawn and quit with status 0 (settings saved to ${settings#$out/})"
