# With "unsichtbar" off, a password selected in the password prompt or the entry dialog (double
# click, or Umschalt+Pos1) never becomes the X selection PRIMARY that every program may read.

printf '[Password]\nHideTyping=0\nHideTypingAddSite=0\n' > "$conf"
primary() { timeout 2 xclip -o -selection primary 2>/dev/null; }

vault=$work/Tresor.zlm
cp "$fixture" "$vault"
start_zelmora "$vault"
prompt=$(wait_window '^Passwort Eingabe:') || fail "password prompt"
activate "$prompt"
xdotool type --delay 20 "$password"
# The field stands below the "Passwort" frame's bar.
xdotool mousemove --window "$prompt" 60 65 click --repeat 2 --delay 80 1
sleep 0.5
check "double click: not in PRIMARY" no "$([ "$(primary)" = "$password" ] && echo yes || echo no)"
xdotool key End shift+Home
sleep 0.5
check "Umschalt+Pos1: not in PRIMARY" no "$([ "$(primary)" = "$password" ] && echo yes || echo no)"
xdotool key Return
main=$(wait_window '^Tresor.zlm - Zelmora$') || fail "main window"
activate "$main"

xdotool key F2
entry=$(wait_window '^Eintrag$') || fail "entry dialog"
activate "$entry"
xdotool key Tab Tab
xdotool type --delay 20 "Pin-4711"
xdotool key shift+Home
sleep 0.5
check "entry dialog: not in PRIMARY" no "$([ "$(primary)" = "Pin-4711" ] && echo yes || echo no)"
xdotool key Escape
wait_for window_gone '^Eintrag$' || fail "the entry dialog closes"
xdotool key ctrl+b
check "program ended" yes "$(ended)"
