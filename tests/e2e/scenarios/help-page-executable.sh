# "&Hilfe" with the help page copied as a FAT stick or a Windows share leaves it, mode 0755: the
# page opens as a document.  The desktop's opener is a stand-in that records what it is given.

mkdir -p "$work/bin" "$work/fakebin"
# The installed bin/zelmora is a link; the page stands beside the program it leads to.
program=$(readlink -f "$zelmora")
cp "$program" "$work/bin/zelmora"
cp "$(dirname "$program")/zelmorahilfe.html" "$work/bin/zelmorahilfe.html" || fail "the help page beside the program"
chmod 0755 "$work/bin/zelmorahilfe.html"
for opener in xdg-open gio kde-open kde-open5 gnome-open; do
    printf '#!/bin/sh\nprintf "%%s\\n" "$*" >> "%s/opened.txt"\n' "$work" > "$work/fakebin/$opener"
    chmod 0755 "$work/fakebin/$opener"
done

PATH=$work/fakebin:$PATH zelmora=$work/bin/zelmora start_zelmora
main=$(wait_window '^Unbenannt - Zelmora$') || fail "main window"
activate "$main"
xdotool key alt+question
sleep 0.5
xdotool key h
wait_for test -s "$work/opened.txt"
check "the page was handed to the desktop" "file://$work/bin/zelmorahilfe.html" "$(head -n 1 "$work/opened.txt" 2>/dev/null)"
check "no message" "" "$(xdotool search --onlyvisible --name '^Zelmora$' 2>/dev/null)"
xdotool key ctrl+b
check "program ended" yes "$(ended)"
