# The vault open in the window is changed by zelmora-cli: the new entry shows in the window within
# two seconds without a key pressed (read back with Strg+C on the last row).  Then an entry added in
# the window and another one by zelmora-cli, Strg+S and "Ja" to the merge question: the file holds
# both and everything it held before.

vault=$work/Tresor.zlm
cp "$fixture" "$vault"
before=$(vault_csv "$fixture" "$password")

start_zelmora "$vault"
type_password "$password"
main=$(wait_window '^Tresor.zlm - Zelmora$') || fail "main window"
activate "$main"

printf '%s\n' "$password" | "$cli" add "$vault" --site cli.example --name skript --password x 2>/dev/null \
    || fail "zelmora-cli add"
shown=no
for _ in $(seq 10); do
    sleep 0.2
    xdotool key End ctrl+c
    if clipboard_is "cli.example"; then shown=yes; break; fi
done
check "the entry added by zelmora-cli shows within 2 s" yes "$shown"

# One entry in the window, one more by zelmora-cli, then Strg+S.
xdotool key F2
wait_window '^Eintrag$' >/dev/null || fail "entry dialog"
xdotool type --delay 20 "fenster.example"; xdotool key Tab
xdotool type --delay 20 "anna"; xdotool key Tab
xdotool type --delay 20 "Pin-1"; xdotool key Return
wait_for window_gone '^Eintrag$' || fail "the entry dialog closes"
printf '%s\n' "$password" | "$cli" add "$vault" --site cli2.example --name skript --password y 2>/dev/null \
    || fail "the second zelmora-cli add"
activate "$main"
xdotool key ctrl+s
box=$(wait_window '^Zelmora$') || fail "merge question"
check "the save asks before it overwrites" yes yes
activate "$box"
xdotool key alt+j
wait_for window_gone '^Zelmora$' || fail "the question closes"
wait_for test -e "$vault.bak"
activate "$main"
xdotool key ctrl+b
check "program ended" yes "$(ended)"

after=$(vault_csv "$vault" "$password")
check "old entries kept" "$before" "$(printf '%s\n' "$after" | head -n "$(printf '%s\n' "$before" | wc -l)")"
check "the first entry of zelmora-cli" 1 "$(printf '%s\n' "$after" | grep -c '^cli.example,skript,x,$')"
check "the entry of the window" 1 "$(printf '%s\n' "$after" | grep -c '^fenster.example,anna,Pin-1,$')"
check "the second entry of zelmora-cli" 1 "$(printf '%s\n' "$after" | grep -c '^cli2.example,skript,y,$')"
check "nothing else" $(($(printf '%s\n' "$before" | wc -l) + 3)) "$(printf '%s\n' "$after" | wc -l)"
check "the copy is the vault" yes "$(cmp -s "$vault" "$vault.bak" && echo yes || echo no)"
