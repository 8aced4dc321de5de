# With "RestoreFile" set, a start that names a vault shows that vault, not "LastFile", and so does
# --print-to-pdf; only a start without a vault reopens "LastFile".

last=$work/A.zlm named=$work/B.zlm plain=$work/C.zlm
printf 'alpha\n' | "$cli" add "$last" --site a-site --password a-pass 2>/dev/null
cp "$fixture" "$named"
printf '\n' | "$cli" add "$plain" --site c-site --password c-pass 2>/dev/null
printf '[%%General]\nLastFile=%s\n\n[Properties]\nRestoreFile=1\n' "$last" >"$conf"

start_zelmora "$named"
prompt=$(wait_window '^Passwort Eingabe:') || fail "password prompt"
check "the prompt is B's" "Passwort Eingabe: B.zlm" "$(xdotool getwindowname "$prompt")"
type_password "$password"
wait_window '^B.zlm - Zelmora$' >/dev/null || fail "B's window"
sleep 1
check "no prompt for LastFile" yes "$(window_gone '^Passwort Eingabe:' && echo yes || echo no)"
check "B stays in the window" yes "$(wait_window '^B.zlm - Zelmora$' >/dev/null && echo yes || echo no)"
activate "$(wait_window '^B.zlm - Zelmora$')"
xdotool key ctrl+b
check "program ended" yes "$(ended)"

# Printing a plain vault asks nothing and ends, although LastFile is encrypted.
"$zelmora" --print-to-pdf "$work/c.pdf" "$plain" >>"$work/zelmora.log" 2>&1 &
app=$!
check "print-to-pdf ended without a prompt" yes "$(ended)"
check "PDF written" yes "$(test -s "$work/c.pdf" && echo yes || echo no)"

# A start without a vault reopens LastFile.
start_zelmora
prompt=$(wait_window '^Passwort Eingabe:') || fail "LastFile's password prompt"
check "LastFile is asked for" "Passwort Eingabe: A.zlm" "$(xdotool getwindowname "$prompt")"
type_password alpha
main=$(wait_window '^A.zlm - Zelmora$') || fail "A's window"
activate "$main"
xdotool key ctrl+b
check "program ended at last" yes "$(ended)"
