# A second start hands vault B over while vault A is open and changed: after "Nein" at the save
# prompt, B's own password is asked (the prompt names B) and B replaces A in the window; saving
# then writes B's entries only, and A keeps what it had.

a=$work/A.zlm b=$work/B.zlm
printf 'alpha\n' | "$cli" add "$a" --site a-site --name a-name --password a-pass 2>/dev/null
cp "$fixture" "$b"

start_zelmora "$a"
type_password alpha
main=$(wait_window '^A.zlm - Zelmora$') || fail "A's window"
activate "$main"
xdotool key F2
wait_window '^Eintrag$' >/dev/null || fail "entry dialog"
xdotool type --delay 20 "nur-in-A"; xdotool key Return
wait_for window_gone '^Eintrag$' || fail "the entry dialog closes"

"$zelmora" "$b" >>"$work/second.log" 2>&1 &
second=$!
box=$(wait_window '^Zelmora$') || fail "save prompt"
activate "$box"
xdotool key alt+n
prompt=$(wait_window '^Passwort Eingabe: B.zlm$') || fail "B's own password prompt"
check "the prompt names B" yes yes
activate "$prompt"
xdotool type --delay 20 "$password"; xdotool key Return
wait_window '^B.zlm - Zelmora$' >/dev/null || fail "B's window"
check "the second start handed over and ended" yes "$(wait_for sh -c "! kill -0 $second" && echo yes || echo no)"

main=$(wait_window '^B.zlm - Zelmora$')
activate "$main"
xdotool key ctrl+s
wait_for test -e "$b.bak" || fail "B saved"
xdotool key ctrl+b
check "program ended" yes "$(ended)"

check "B holds its own entries only" "$(vault_csv "$fixture" "$password")" "$(vault_csv "$b" "$password")"
check "A unchanged" "$(printf 'Seite,Name,Passwort,Kommentar\na-site,a-name,a-pass,')" "$(vault_csv "$a" alpha)"
