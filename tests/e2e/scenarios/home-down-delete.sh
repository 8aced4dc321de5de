# Keys on a freshly opened list: Home selects the first row although it has the focus already, so
# Strg+C copies its site, and Down then Entf delete the second entry, not the first.  The vault is
# saved and read back with zelmora-cli.

vault=$work/Tresor.zlm
cp "$fixture" "$vault"

start_zelmora "$vault"
type_password "$password"
main=$(wait_window '^Tresor.zlm - Zelmora$') || fail "main window"
activate "$main"

xdotool key Home
sleep 0.2
xdotool key ctrl+c
wait_for clipboard_is "www.example.org"
check "Home, Strg+C copies the first site" "www.example.org" "$(xclip -o -selection clipboard 2>/dev/null)"

xdotool key Down
sleep 0.2
xdotool key Delete
answer_box "delete question" alt+j

xdotool key ctrl+s
wait_for test -e "$vault.bak"
xdotool key ctrl+b
check "program ended" yes "$(ended)"

# The CSV: a header, then one line per entry; the second entry is line 3.
check "the second entry is gone" "$(vault_csv "$fixture" "$password" | sed 3d)" "$(vault_csv "$vault" "$password")"
