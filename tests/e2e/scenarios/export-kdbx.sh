# Opens an encrypted vault, exports it with "&Datei" / "Als &KDBX exportieren..." by the keyboard
# alone: the proposed file name taken with Return, the new password typed twice with Tab between,
# the message confirmed; then a real reader (keepassxc-cli) opens the file with that password.

vault=$work/Tresor.zlm
cp "$fixture" "$vault"
kdbx=$work/Tresor.kdbx
new="Neu-ä€ 42"

start_zelmora "$vault"
type_password "$password"
main=$(wait_window '^Tresor.zlm - Zelmora$') || fail "main window"
activate "$main"

xdotool key alt+d; sleep 0.3; xdotool key k
files=$(wait_window '^Als KDBX exportieren$') || fail "save dialog"
activate "$files"
xdotool key Return   # the proposal: Tresor.kdbx beside the vault
wait_for window_gone "^Als KDBX exportieren$" || true
dialog=$(wait_window '^Als KDBX exportieren$') || fail "password dialog"
activate "$dialog"
type_text "$new"; xdotool key Tab
type_text "$new"; xdotool key Return
answer_box "the export's message" Return

check "file written" yes "$(test -s "$kdbx" && echo yes || echo no)"
check "file mode" 600 "$(stat -c %a "$kdbx" 2>/dev/null)"
xdotool key ctrl+b
check "program ended" yes "$(ended)"

if command -v keepassxc-cli >/dev/null; then
    expected=$(vault_csv "$vault" "$password" | tail -n +2 | cut -d, -f1,2 | sort)
    got=$(printf '%s\n' "$new" | keepassxc-cli export --format csv "$kdbx" 2>/dev/null | tail -n +2 |
          cut -d, -f2,3 | tr -d '"' | sort)
    check "keepassxc-cli reads the entries" "$expected" "$got"
else
    echo "NOTE $E2E_NAME: keepassxc-cli is not installed (Debian package keepassxc); the file is not read back" >&2
fi
