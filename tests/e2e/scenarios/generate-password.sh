# Makes the passwords of three new entries with the entry dialog's "Generieren" (Alt+G) and the
# keyboard alone: the defaults, then without symbols (Alt+S), then the choice remembered; saves with
# Ctrl+S and reads the passwords back with zelmora-cli.

vault=$work/Tresor.zlm
cp "$fixture" "$vault"
count=$(printf '%s\n' "$password" | "$cli" list "$vault" | wc -l)

start_zelmora "$vault"
type_password "$password"
main=$(wait_window '^Tresor.zlm - Zelmora$') || fail "main window"
activate "$main"

# new_entry SITE [KEYS IN THE GENERATOR...]: F2, the site, Alt+G, the keys, OK, OK.
new_entry() {
    local site=$1
    shift
    xdotool key F2
    wait_window '^Eintrag$' >/dev/null || fail "entry dialog for $site"
    xdotool type --delay 20 "$site"
    xdotool key alt+g
    wait_window '^Passwort generieren$' >/dev/null || fail "generator for $site"
    sleep 0.3
    for k in "$@"; do xdotool key "$k"; sleep 0.2; done
    xdotool key Return
    wait_for window_gone '^Passwort generieren$' || fail "the generator closes for $site"
    sleep 0.2
    xdotool key Return
    wait_for window_gone '^Eintrag$' || fail "the entry dialog closes for $site"
}
new_entry "voll.example"
new_entry "ohne-zeichen.example" alt+s
new_entry "gemerkt.example"

xdotool key ctrl+s
wait_for test -e "$vault.bak" || fail "saved"
xdotool key ctrl+b
check "program ended" yes "$(ended)"

stored() {  # stored POS: the password at the position
    printf '%s\n' "$password" | "$cli" show "$vault" "$1" --field password
}
classes() {  # the classes present, as "A a 0 !"; "?" for anything else
    local p=$1 out=
    [[ $p =~ [A-Z] ]] && out+="A "
    [[ $p =~ [a-z] ]] && out+="a "
    [[ $p =~ [0-9] ]] && out+="0 "
    [[ $p =~ [^A-Za-z0-9] ]] && out+="! "
    [[ $p =~ [^!-~] ]] && out+="? "
    echo "${out% }"
}
check "entries added" $((count + 3)) "$(printf '%s\n' "$password" | "$cli" list "$vault" | wc -l)"
full=$(stored "$count")
check "first password: 20 characters" 20 "${#full}"
check "first password: every class" "A a 0 !" "$(classes "$full")"
plain=$(stored $((count + 1)))
check "second password: 20 characters" 20 "${#plain}"
check "second password: no symbols" "A a 0" "$(classes "$plain")"
kept=$(stored $((count + 2)))
check "third password: 20 characters" 20 "${#kept}"
check "third password: the choice remembered" "A a 0" "$(classes "$kept")"
check "three different passwords" 3 "$(printf '%s\n' "$full" "$plain" "$kept" | sort -u | wc -l)"
check "site of the first" "voll.example" "$(printf '%s\n' "$password" | "$cli" show "$vault" "$count" --field site)"
