# Opens an encrypted vault named on the command line, types its password, adds an entry with F2
# and Tab, copies its password through the menu and reads the clipboard from another process,
# saves with Ctrl+S, closes with Ctrl+B, and reads the vault back with zelmora-cli.

vault=$work/Tresor.zlm
cp "$fixture" "$vault"

start_zelmora "$vault"
type_password "$password"
main=$(wait_window '^Tresor.zlm - Zelmora$') || fail "main window"
check "main window" yes yes
activate "$main"

# A new entry through the entry dialog, field after field with Tab.
xdotool key F2
wait_window '^Eintrag$' >/dev/null || fail "entry dialog"
xdotool type --delay 20 "bank.example"; xdotool key Tab
xdotool type --delay 20 "anna"; xdotool key Tab
xdotool type --delay 20 "Pin-4711"; xdotool key Tab
xdotool type --delay 20 "Girokonto"; xdotool key Return
wait_for window_gone '^Eintrag$' || fail "the entry dialog closes"

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
check "program ended" yes "$(ended)"
check "clipboard cleared at exit" "" "$(timeout 2 xclip -o -selection clipboard 2>/dev/null)"

before=$(vault_csv "$fixture" "$password")
after=$(vault_csv "$vault" "$password")
check "old entries kept" "$before" "$(printf '%s\n' "$after" | head -n "$(printf '%s\n' "$before" | wc -l)")"
check "new entry saved" "bank.example,anna,Pin-4711,Girokonto" "$(printf '%s\n' "$after" | tail -n 1)"
check "backup copy written" yes "$(cmp -s "$vault" "$vault.bak" && echo yes || echo no)"
check "file mode kept, without the bits for others" "$(printf '%o' $((0$(stat -c %a "$fixture") & ~07)))" \
    "$(stat -c %a "$vault")"
