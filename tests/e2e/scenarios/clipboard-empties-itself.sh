# With "ClipboardSeconds" = 2 a copied password is on the clipboard, and 3 s later, while another
# window has the focus, the clipboard is empty; a text copied by another program after Zelmora's
# copy survives the countdown.

printf '[Security]\nClipboardSeconds=2\n' > "$conf"

vault=$work/Tresor.zlm
cp "$fixture" "$vault"
start_zelmora "$vault"
type_password "$password"
main=$(wait_window '^Tresor.zlm - Zelmora$') || fail "main window"
activate "$main"

first=$(vault_csv "$vault" "$password" | sed -n 2p | cut -d, -f3)
xdotool key Home
sleep 0.2
xdotool key alt+k; sleep 0.3; xdotool key p
wait_for clipboard_is "$first"
check "copied password on the clipboard" "$first" "$(xclip -o -selection clipboard 2>/dev/null)"

# Another program's window takes the focus meanwhile.
xmessage -name andere "Ein anderes Fenster" & other=$!
other_window=$(wait_window '^andere$') || fail "another window"
activate "$other_window"
sleep 3
check "empty 3 s later without focus" "" "$(timeout 2 xclip -o -selection clipboard 2>/dev/null)"

activate "$main"
xdotool key alt+k; sleep 0.3; xdotool key p
wait_for clipboard_is "$first"
printf 'eigener Text' | xclip -selection clipboard
sleep 3
check "a later copy of the user's own survives" "eigener Text" "$(timeout 2 xclip -o -selection clipboard 2>/dev/null)"
kill "$other" 2>/dev/null
xdotool key ctrl+b
check "program ended" yes "$(ended)"
