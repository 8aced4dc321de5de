# The search field in a real display: Strg+F and "bank" narrow the list, Home leads into it and
# Strg+C copies a site that holds "bank"; Escape shows every row again and Home, Strg+C copy the
# first entry's site; with "haus bank" searched, Entf deletes the one entry shown and no other, as
# zelmora-cli reads the saved vault back.

vault=$work/Tresor.zlm
cp "$fixture" "$vault"
for site in www.sparbank.example bankhaus.example post.example; do
    printf '%s\n' "$password" | "$cli" add "$vault" --site "$site" --name kunde --password x >/dev/null 2>&1 \
        || fail "zelmora-cli add $site"
done
before=$(vault_csv "$vault" "$password")

start_zelmora "$vault"
type_password "$password"
main=$(wait_window '^Tresor.zlm - Zelmora$') || fail "main window"
activate "$main"

xdotool key ctrl+f
sleep 0.3
type_text "bank"
sleep 0.3
xdotool key Home
sleep 0.2
xdotool key ctrl+c
wait_for clipboard_is "www.sparbank.example"
copied=$(xclip -o -selection clipboard 2>/dev/null)
check "Strg+F, bank, Home, Strg+C copies a site with bank" yes \
    "$(case $copied in *bank*) echo yes ;; *) echo "no: $copied" ;; esac)"

xdotool key Escape
sleep 0.3
xdotool key Home
sleep 0.2
xdotool key ctrl+c
wait_for clipboard_is "www.example.org"
check "Escape, Home, Strg+C copies the first entry's site" "www.example.org" \
    "$(xclip -o -selection clipboard 2>/dev/null)"

xdotool key ctrl+f
sleep 0.3
type_text "haus bank"
sleep 0.3
xdotool key Return
sleep 0.2
xdotool key Delete
answer_box "delete question" alt+j
activate "$main"

xdotool key ctrl+s
wait_for test -e "$vault.bak"
xdotool key ctrl+b
check "program ended" yes "$(ended)"

check "only the entry shown is gone" "$(printf '%s\n' "$before" | grep -v '^bankhaus\.example,')" \
    "$(vault_csv "$vault" "$password")"
