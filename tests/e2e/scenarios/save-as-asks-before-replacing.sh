# The first Strg+S of a new vault, onto the name of an existing vault typed without ".zlm": the
# program asks before replacing it, "Nein" returns to the dialog and leaves the vault and its copy
# as they were; "Ja" replaces them.

vault=$work/Da.zlm
cp "$fixture" "$vault"
cp "$fixture" "$vault.bak"

start_zelmora
main=$(wait_window '^Unbenannt - Zelmora$') || fail "main window"
activate "$main"
xdotool key F2
wait_window '^Eintrag$' >/dev/null || fail "entry dialog"
xdotool type --delay 20 "neu"; xdotool key Return
wait_for window_gone '^Eintrag$' || fail "the entry dialog closes"

save_as() {  # types the name into the save dialog
    local dialog
    dialog=$(wait_window '^Speichern unter$') || fail "save dialog"
    activate "$dialog"
    xdotool type --delay 20 "$1"; xdotool key Return
}
xdotool key ctrl+s
save_as "$work/Da"
box=$(wait_window '^Zelmora$') || fail "replace question"
check "asked before replacing" yes yes
activate "$box"
xdotool key alt+n
check "Nein returns to the dialog" yes "$(wait_window '^Speichern unter$' >/dev/null && echo yes || echo no)"
activate "$(wait_window '^Speichern unter$')"
xdotool key Escape
wait_for window_gone '^Speichern unter$' || fail "the dialog closes"
check "the vault is untouched" yes "$(cmp -s "$fixture" "$vault" && echo yes || echo no)"
check "its copy is untouched" yes "$(cmp -s "$fixture" "$vault.bak" && echo yes || echo no)"

activate "$(wait_window '^Unbenannt - Zelmora$')"
xdotool key ctrl+s
save_as "$work/Da"
activate "$(wait_window '^Zelmora$')"
xdotool key alt+j
wait_window '^Da.zlm - Zelmora$' >/dev/null || fail "saved under the name"
activate "$(wait_window '^Da.zlm - Zelmora$')"
xdotool key ctrl+b
check "program ended" yes "$(ended)"
check "Ja replaced the vault" "$(printf 'Seite,Name,Passwort,Kommentar\nneu,,,')" "$(vault_csv "$vault" "")"
