# A vault of 200 entries printed to PDF, once from the command line and once through "&Drucken..."
# (the print dialog's file printer): several pages with every entry, for the owner's eyes only.

vault=$work/Viele.zlm
{
    echo "Seite,Name,Passwort,Kommentar"
    for i in $(seq 0 199); do echo "seite$i.example,name$i,pw$i,"; done
} > "$work/viele.csv"
printf '%s\n' "$password" | "$cli" import "$vault" "$work/viele.csv" >/dev/null 2>&1 || fail "vault of 200 entries"

# pdf_check NAME FILE: pages and entries of the PDF.
pdf_check() {
    local pages sites
    pages=$(pdftotext "$2" - 2>/dev/null | grep -c $'\f')
    sites=$(pdftotext "$2" - 2>/dev/null | grep -o 'seite[0-9]*\.example' | sort -u | wc -l)
    check "$1: several pages" yes "$([ "${pages:-0}" -ge 4 ] && echo yes || echo "no: $pages")"
    check "$1: every entry" 200 "$sites"
    check "$1: the owner's alone" 600 "$(stat -c %a "$2" 2>/dev/null)"
}

start_zelmora --print-to-pdf "$work/liste.pdf" "$vault"
type_password "$password"
check "print to PDF ended" yes "$(ended)"
pdf_check "command line" "$work/liste.pdf"

# Without a printer the print dialog offers a PDF file in the home folder.
HOME=$work start_zelmora "$vault"
type_password "$password"
main=$(wait_window '^Viele.zlm - Zelmora$') || fail "main window"
activate "$main"
xdotool key ctrl+p
dialog=$(wait_window '^Drucken') || fail "print dialog"
activate "$dialog"
xdotool key Return
wait_for test -s "$work/Zelmora.pdf"
wait_for window_gone '^Drucken'
sleep 0.5
pdf_check "print dialog" "$work/Zelmora.pdf"
activate "$main"
xdotool key ctrl+b
check "program ended" yes "$(ended)"
