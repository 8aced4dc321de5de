# What every scenario of desktop-e2e.sh has: a fresh folder $work with its own XDG folders, the
# checks, waiting for windows and files, and starting and ending the program.
# Sourced with ZELMORA, ZELMORA_CLI, E2E_FIXTURE, E2E_RESULTS and E2E_NAME set.

zelmora=$ZELMORA cli=$ZELMORA_CLI fixture=$E2E_FIXTURE
password=Geheimnis

work=$(mktemp -d)
app=
trap 'e2e_cleanup' EXIT
e2e_cleanup() {
    [ -n "$app" ] && kill "$app" 2>/dev/null
    rm -rf "$work"
}
export XDG_CONFIG_HOME=$work/config XDG_DATA_HOME=$work/data XDG_RUNTIME_DIR=$work/runtime
mkdir -p "$XDG_RUNTIME_DIR" "$XDG_CONFIG_HOME/Halvorn" && chmod 700 "$XDG_RUNTIME_DIR"
conf=$XDG_CONFIG_HOME/Halvorn/Zelmora.conf  # the settings store, for a scenario to fill

check() {  # check WHAT EXPECTED ACTUAL
    if [ "$2" = "$3" ]; then
        echo "PASS $1" >>"$E2E_RESULTS"
    else
        echo "FAIL $1" >>"$E2E_RESULTS"
        echo "FAIL: $E2E_NAME: $1: expected [$2], got [$3]" >&2
    fi
}
fail() {  # fail WHAT: a step that could not be done; the scenario ends
    check "$1" done "not done"
    exit 1
}
e2e_finish() { :; }

# Waits up to 10 s for a visible window whose title matches; prints its id.
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

# Activates the window and waits until it has the focus.
activate() {
    xdotool windowactivate --sync "$1" 2>/dev/null
    sleep 0.3
}

# Starts Zelmora with the arguments; its output goes to $work/zelmora.log.
start_zelmora() {
    "$zelmora" "$@" >>"$work/zelmora.log" 2>&1 &
    app=$!
}

# Answers the password prompt that opens next with the text.
type_password() {
    local prompt
    prompt=$(wait_window '^Passwort Eingabe:') || fail "password prompt"
    activate "$prompt"
    xdotool type --delay 20 "$1"
    xdotool key Return
}

# Answers the message box that opens next with the key and waits until it is gone.
answer_box() {  # answer_box WHAT KEY
    local box
    box=$(wait_window '^Zelmora$') || fail "$1"
    activate "$box"
    xdotool key "$2"
    wait_for window_gone '^Zelmora$' || fail "$1 closes"
}

# Waits up to 5 s for the program to end; "yes" when it did.
ended() {
    for _ in $(seq 50); do kill -0 "$app" 2>/dev/null || { echo yes; return; }; sleep 0.1; done
    echo no
}

# The vault as CSV through zelmora-cli, with the password.
vault_csv() {  # vault_csv VAULT PASSWORD
    printf '%s\n' "$2" | "$cli" export "$1" --format csv | tr -d '\r'
}

# Types text into the focused window.  xdotool cannot type every character the keyboard map lacks
# or holds only on a shifted level (ä is lost now and then in Xvfb), so those are pasted from the
# clipboard one at a time, as a user with another keyboard would paste them.
type_text() {
    local text=$1 run=
    while [ -n "$text" ]; do
        local c=${text:0:1}
        text=${text:1}
        if [ "$(printf '%s' "$c" | LC_ALL=C wc -c)" -eq 1 ]; then
            run+=$c
            continue
        fi
        [ -n "$run" ] && xdotool type --delay 20 "$run"
        run=
        printf '%s' "$c" | xclip -selection clipboard 2>/dev/null
        wait_for clipboard_is "$c"
        xdotool key ctrl+v
        sleep 0.1
    done
    [ -n "$run" ] && xdotool type --delay 20 "$run"
    return 0
}

# How often the texts (UTF-8 arguments) stand in the writable memory of process PID, as Windows-1252
# or UTF-8 bytes or as UTF-16: what an attacker with root's rights reads from /proc/PID/mem.
memory_count() {  # memory_count PID TEXT...
    python3 - "$@" <<'PY'
import re, sys
pid, texts = sys.argv[1], sys.argv[2:]
needles = set()
for t in texts:
    for enc in ("cp1252", "utf-8", "utf-16-le"):
        needles.add(t.encode(enc))
count = 0
with open(f"/proc/{pid}/maps") as maps, open(f"/proc/{pid}/mem", "rb", 0) as mem:
    for line in maps:
        parts = line.split()
        if not parts[1].startswith("rw"):
            continue
        start, end = (int(x, 16) for x in parts[0].split("-"))
        try:
            mem.seek(start)
            data = mem.read(end - start)
        except OSError:
            continue
        for n in needles:
            count += data.count(n)
print(count)
PY
}

# A session bus of the scenario's own; DBUS_SESSION_BUS_ADDRESS points to it, the trap ends it.
start_session_bus() {
    local out
    out=$(dbus-daemon --session --fork --print-address=1 --print-pid=1) || fail "dbus-daemon"
    export DBUS_SESSION_BUS_ADDRESS=$(printf '%s\n' "$out" | sed -n 1p)
    bus_pid=$(printf '%s\n' "$out" | sed -n 2p)
    trap 'kill "$bus_pid" 2>/dev/null; e2e_cleanup' EXIT
}
