#!/bin/bash
# Drives the real program in an X display as a person does, one scenario after the other: each
# file in scenarios/ starts Zelmora itself in a fresh folder with its own settings, types keys with
# xdotool, reads the clipboard with xclip and the vault files back with zelmora-cli.
#
#   desktop-e2e.sh ZELMORA ZELMORA_CLI FIXTURE_VAULT [SCENARIO...]
#
# FIXTURE_VAULT is an encrypted vault with the password "Geheimnis".  Without SCENARIO names every
# scenario runs.  Runs itself under xvfb-run with openbox when no display is given.  Prints
# "N passed, N failed".
set -u

here=$(cd "$(dirname "$0")" && pwd)
export ZELMORA=$1 ZELMORA_CLI=$2 E2E_FIXTURE=$3
shift 3

if [ -z "${ZELMORA_E2E_DISPLAY:-}" ]; then
    for tool in xvfb-run openbox xdotool xclip xwininfo xprop; do
        if ! command -v "$tool" >/dev/null; then
            echo "desktop-e2e: $tool is missing" >&2
            exit 1
        fi
    done
    exec env ZELMORA_E2E_DISPLAY=1 xvfb-run -a -s "-screen 0 1280x800x24" "$0" "$ZELMORA" "$ZELMORA_CLI" \
        "$E2E_FIXTURE" "$@"
fi

openbox >/dev/null 2>&1 & wm=$!
trap 'kill "$wm" 2>/dev/null' EXIT
sleep 0.5

if [ $# -eq 0 ]; then
    set -- "$here"/scenarios/*.sh
else
    set -- "${@/#/$here/scenarios/}"
    set -- "${@/%/.sh}"
fi

passed=0 failed=0
for scenario in "$@"; do
    name=$(basename "$scenario" .sh)
    results=$(mktemp)
    # Each scenario in a shell of its own, so that its windows, files and traps end with it.
    E2E_RESULTS=$results E2E_NAME=$name bash -c '. "$1"; . "$2"; e2e_finish' e2e "$here/e2e-lib.sh" "$scenario"
    status=$?
    p=$(grep -c '^PASS' "$results")
    f=$(grep -c '^FAIL' "$results")
    if [ "$status" -ne 0 ] && [ "$f" -eq 0 ]; then
        echo "FAIL: $name: ended with status $status" >&2
        f=1
    fi
    echo "$name: $p passed, $f failed"
    passed=$((passed + p)) failed=$((failed + f))
    rm -f "$results"
done

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
