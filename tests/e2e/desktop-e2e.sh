#!/bin/bash
# Drives the real program in an X display as a person does: opens an encrypted vault named on
# the command line, types its password, adds an entry with F2 and Tab, copies its password
# through the menu and reads the clipboard from another process, saves with Ctrl+S, closes with
# Ctrl+B, and reads the vault back with zelmora-cli.
#
#   desktop-e2e.sh ZELMORA ZELMORA_CLI FIXTURE_VAULT
#
# Runs itself under xvfb-run with openbox when no display is given.  Prints "N passed, N failed".
set -u

zelmora=$1 cli=$2 fixture=$3
password=Geheimnis

if [ -z "${ZELMORA_E2E_DISPLAY:-}" ]; then
    for tool in xvfb-run openbox xdotool xclip; do
        if ! command -v "$tool" >/dev/null; then
            echo "desktop-e2e: $tool is missing" >&2
            exit 1
        fi
    done
    exec env ZELMORA_E2E_DISPLAY=1 xvfb-run -a -s "-screen 0 1280x800x24" "$0" "$@"
fi

work=$(mktemp -d)
trap 'kill "$app" "$wm" 2>/dev/null; rm -rf "$work"' EXIT
export XDG_CONFIG_HOME=$work/config XDG_DATA_HOME=$work/data XDG_RUNTIME_DIR=$work/runtime
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
vault=$work/Tresor.zlm
cp "$fixture" "$vault"

passed=0 failed=0
check() {  # check WHAT EXPECTED ACTUAL
    if [ "$2" = "$3" ]; then
        passed=$((passed + 1))
    else
        failed=$((failed + 1))
        echo "FAIL: $1: expected [$2], got [$3]" >&2
    fi
}
# Waits up to 10 s for a visible window whose title matches.
wait_window() {
    for _ in $(seq 100); do
        w=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -1)
        [ -n "$w" ] && { echo "$w"; return 0; }
        sleep 0.1
    done
    return 1
}

# Waits up to 10 s until the command succeeds.
wait_for() {
    for _ in $(seq 100); do
        "$@" >/dev/null 2>&1 && return 0
        sleep 0.1
    done
    return 1
}
window_gone() { ! xdotool search --onlyvisible --name "$1" >/dev/null 2>&1; }
clipboard_is() { [ "$(xclip -o -selection clipboard 2>/dev/null)" = "$1" ]; }

openbox >/dev/null 2>&1 & wm=$!
sleep 0.5
"$zelmora" "$vault" >"$work/zelmora.log" 2>&1 & app=$!

prompt=$(wait_window '^Passwort Eingabe:$') || { echo "FAIL: no password prompt" >&2; exit 1; }
xdotool windowactivate --sync "$prompt" 2>/dev/null
xdotool type --delay 20 "$password"
xdotool key Return
main=$(wait_window '^Tresor.zlm - Zelmora$') || { echo "FAIL: no main window" >&2; exit 1; }
check "main window" yes yes
xdotool windowactivate --sync "$main" 2>/dev/null
sleep 0.3

# A new entry through the entry dialog, field after field with Tab.
xdotool key F2
wait_window '^Eintrag$' >/dev/null || echo "FAIL: no entry dialog" >&2
xdotool type --delay 20 "bank.example"; xdotool key Tab
xdotool type --delay 20 "anna"; xdotool key Tab
xdotool type --delay 20 "Pin-4711"; xdotool key Tab
xdotool type --delay 20 "Girokonto"; xdotool key Return
wait_for window_gone '^Eintrag$' || echo "FAIL: the entry dialog stays open" >&2

# The new entry stands last: select it and copy its password through "Kopiere" / "Passwort".
xdotool key End
sleep 0.2
xdotool key alt+k; sleep 0.3; xdotool key p
wait_for clipboard_is "Pin-4711"
check "clipboard text" "Pin-4711" "$(xclip -o -selection clipboard 2>/dev/null)"
targets=$(xclip -o -selection clipboard -t TARGETS 2>/dev/null | tr '\n' ' ')
check "clipboard hint offered" yes "$(case $targets in *x-kde-passwordManagerHint*) echo yes;; *) echo no;; esac)"
check "clipboard hint value" secret "$(xclip -o -selection clipboard -t x-kde-passwordManagerHint 2>/dev/null)"

xdotool key ctrl+s
wait_for test -e "$vault.bak"
xdotool key ctrl+b
for _ in $(seq 50); do kill -0 "$app" 2>/dev/null || break; sleep 0.1; done
check "program ended" no "$(kill -0 "$app" 2>/dev/null && echo yes || echo no)"
check "clipboard cleared at exit" "" "$(timeout 2 xclip -o -selection clipboard 2>/dev/null)"

before=$(printf '%s\n' "$password" | "$cli" export "$fixture" --format csv | tr -d '\r')
after=$(printf '%s\n' "$password" | "$cli" export "$vault" --format csv | tr -d '\r')
check "old entries kept" "$before" "$(printf '%s\n' "$after" | head -n "$(printf '%s\n' "$before" | wc -l)")"
check "new entry saved" "bank.example,anna,Pin-4711,Girokonto" "$(printf '%s\n' "$after" | tail -n 1)"
check "backup copy written" yes "$(cmp -s "$vault" "$vault.bak" && echo yes || echo no)"
check "file mode kept" "$(stat -c %a "$fixture")" "$(stat -c %a "$vault")"

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
