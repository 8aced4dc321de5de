# Strg+L on an encrypted vault with an unsaved new entry: the caption says "(gesperrt)", the list is
# empty, and the process's memory, read as root reads it, holds none of the vault's passwords.  The
# right password brings the rows and the unsaved entry back, Strg+S writes them, and a screen saver
# signal on the session bus locks again.

start_session_bus
vault=$work/Tresor.zlm
cp "$fixture" "$vault"
start_zelmora "$vault"
type_password "$password"
main=$(wait_window '^Tresor.zlm - Zelmora$') || fail "main window"
activate "$main"

xdotool key F2
wait_window '^Eintrag$' >/dev/null || fail "entry dialog"
xdotool type --delay 20 "neu.example"; xdotool key Tab
xdotool type --delay 20 "berta"; xdotool key Tab
xdotool type --delay 20 "Neu-Pin-8813"; xdotool key Tab
xdotool type --delay 20 "ungespeichert"; xdotool key Return
wait_for window_gone '^Eintrag$' || fail "the entry dialog closes"
# Copied once, so that the clipboard's way is part of what must leave no trace.
xdotool key End; sleep 0.2
xdotool key alt+k; sleep 0.3; xdotool key p
wait_for clipboard_is "Neu-Pin-8813"

secrets=("Neu-Pin-8813" "Paßwort 1" "pw05" "pw08" "$password")
before=$(memory_count "$app" "${secrets[@]}")
xdotool key ctrl+l
wait_window '^Tresor.zlm \(gesperrt\) - Zelmora$' >/dev/null || fail "locked caption"
sleep 1
after=$(memory_count "$app" "${secrets[@]}")
echo "memory count of the vault's passwords: $before before the lock, $after after it" >&2
check "passwords in memory before the lock" yes "$([ "$before" -gt 0 ] && echo yes || echo no)"
check "passwords in memory after the lock" 0 "$after"
check "clipboard emptied by the lock" "" "$(timeout 2 xclip -o -selection clipboard 2>/dev/null)"

# A wrong password keeps it locked; Return opens the prompt, the right one brings it all back.
xdotool key Return
type_password "falsch"
answer_box "wrong password message" Return
check "still locked" yes "$(wait_window '^Tresor.zlm \(gesperrt\) - Zelmora$' >/dev/null && echo yes || echo no)"
activate "$main"
xdotool key Return
type_password "$password"
wait_window '^Tresor.zlm - Zelmora$' >/dev/null || fail "unlocked caption"
activate "$main"
xdotool key ctrl+s
wait_for test -e "$vault.bak"
check "unsaved entry written after the unlock" "neu.example,berta,Neu-Pin-8813,ungespeichert" \
    "$(vault_csv "$vault" "$password" | tail -n 1)"

# The screen saver starts: the vault locks.
dbus-send --session --type=signal /org/freedesktop/ScreenSaver org.freedesktop.ScreenSaver.ActiveChanged boolean:true
check "locked by the screen saver" yes "$(wait_window '^Tresor.zlm \(gesperrt\) - Zelmora$' >/dev/null && echo yes || echo no)"
xdotool key ctrl+b
check "program ended" yes "$(ended)"
