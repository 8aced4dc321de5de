# Abbruch at the password prompt of an encrypted vault abandons its open: at start-up the window
# shows a new, empty vault (never the cipher records), and a later open of it through "Öffnen..."
# cancelled the same way leaves the vault in the window as it was.  The file is never touched.

vault=$work/Tresor.zlm other=$work/Klar.zlm
cp "$fixture" "$vault"
printf '\n' | "$cli" add "$other" --site klar --password offen 2>/dev/null

start_zelmora "$vault"
prompt=$(wait_window '^Passwort Eingabe: Tresor.zlm$') || fail "password prompt"
activate "$prompt"
xdotool key Escape
main=$(wait_window '^Unbenannt - Zelmora$') || fail "a new vault in the window"
check "a new vault after Abbruch" yes yes
activate "$main"

# The plain vault through Öffnen (it asks a password too; empty is right for it).
xdotool key ctrl+o
dialog=$(wait_window '^Öffnen$') || fail "open dialog"
activate "$dialog"
xdotool type --delay 20 "$other"; xdotool key Return
type_password ""
main=$(wait_window '^Klar.zlm - Zelmora$') || fail "the plain vault"

# The encrypted one again, cancelled: Klar.zlm stays.
activate "$main"
xdotool key ctrl+o
dialog=$(wait_window '^Öffnen$') || fail "open dialog again"
activate "$dialog"
xdotool type --delay 20 "$vault"; xdotool key Return
prompt=$(wait_window '^Passwort Eingabe: Tresor.zlm$') || fail "password prompt again"
activate "$prompt"
xdotool key Escape
wait_for window_gone '^Passwort Eingabe:' || fail "the prompt closes"
check "the plain vault stays" yes "$(wait_window '^Klar.zlm - Zelmora$' >/dev/null && echo yes || echo no)"
activate "$(wait_window '^Klar.zlm - Zelmora$')"
xdotool key ctrl+b
check "ends without a save prompt" yes "$(ended)"
check "the encrypted vault is untouched" yes "$(cmp -s "$fixture" "$vault" && echo yes || echo no)"
check "no copy written" no "$(test -e "$vault.bak" && echo yes || echo no)"
