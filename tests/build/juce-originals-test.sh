#!/usr/bin/env bash
# The configure-time check that the framework files the build patches are the
# versions the patches were written for: it takes them with either line ends,
# and stops on any other version, naming the file and both hashes.
# Usage: juce-originals-test.sh CMAKE CHECK_SCRIPT CLIENT_DIR WORK_DIR
set -euo pipefail

cmake="$1" check="$2" client="$3" work="$4"
recorded="$(dirname "$check")/juce-patches/originals.sha256"

rm -rf "$work"
mkdir -p "$work"
failed=0

# Runs the check on a folder; prints its output, returns its exit status.
run_check() { "$cmake" -DZK_JUCE_CLIENT_DIR="$1" -P "$check" 2>&1; }

expect_pass() {
    local output
    if output="$(run_check "$2")"; then
        echo "OK: $1"
    else
        echo "FAIL: $1: the check refused it:" >&2
        echo "$output" >&2
        failed=1
    fi
}

# A copy of the recorded files, as installed or with LF line ends.
copy_files() {
    local destination="$1" line_ends="$2" hash file
    while read -r hash file; do
        mkdir -p "$destination/$(dirname "$file")"
        if [ "$line_ends" = lf ]; then
            sed 's/\r$//' "$client/$file" > "$destination/$file"
        else
            cp "$client/$file" "$destination/$file"
        fi
    done < "$recorded"
}

copy_files "$work/installed" as-installed
expect_pass "the installed files" "$work/installed"

copy_files "$work/lf" lf
expect_pass "the same files with LF line ends" "$work/lf"

# Each recorded file in turn, with a line added at its end, where no patch
# looks: the check must stop and name the file and both hashes.
while read -r expected file; do
    folder="$work/changed-$(basename "$file")"
    copy_files "$folder" as-installed
    printf '// changed\r\n' >> "$folder/$file"
    installed="$(sed 's/\r$//' "$folder/$file" | sha256sum | cut -d' ' -f1)"

    if output="$(run_check "$folder")"; then
        echo "FAIL: $file changed, and the check took it" >&2
        failed=1
    elif ! grep -qF "$folder/$file" <<< "$output" || ! grep -qF "$expected" <<< "$output" \
            || ! grep -qF "$installed" <<< "$output"; then
        echo "FAIL: $file changed: the message does not name the file, $expected and $installed:" >&2
        echo "$output" >&2
        failed=1
    else
        echo "OK: $file changed is refused, naming the file and both hashes"
    fi
done < "$recorded"

# A recorded file that is not there at all.
missing="$work/missing"
copy_files "$missing" as-installed
first="$(head -n 1 "$recorded" | awk '{ print $2 }')"
rm "$missing/$first"

if output="$(run_check "$missing")" || ! grep -qF "$missing/$first" <<< "$output"; then
    echo "FAIL: without $first the check did not stop naming it:" >&2
    echo "$output" >&2
    failed=1
else
    echo "OK: a missing $first is refused"
fi

exit "$failed"
