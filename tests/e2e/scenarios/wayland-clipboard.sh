# Under Wayland (sway without a screen): with "ClipboardSeconds" = 2 a copied password is on the
# clipboard, and 3 s later, while another workspace has the focus, the clipboard is empty; a text
# copied by another program after Zelmora's copy survives.  Keys come from wtype, the clipboard is
# read with wl-paste.

for tool in sway swaymsg wtype wl-copy wl-paste; do
    command -v "$tool" >/dev/null || fail "$tool is installed"
done

# sway will not run as root; then it runs as nobody in a folder of that user's, and the programs of
# the scenario reach its socket by its full path.
compositor=$(mktemp -d)
as_user=
if [ "$(id -u)" -eq 0 ]; then
    chown nobody "$compositor"
    as_user="setpriv --reuid=nobody --regid=nogroup --clear-groups"
fi
printf 'output HEADLESS-1 resolution 1280x800\n' >"$compositor/config"
(cd "$compositor" && exec $as_user env -i HOME="$compositor" XDG_RUNTIME_DIR="$compositor" PATH="$PATH" \
    WLR_BACKENDS=headless WLR_LIBINPUT_NO_DEVICES=1 WLR_RENDERER=pixman \
    sway -c "$compositor/config" >"$compositor/sway.log" 2>&1) &
sway_pid=$!
trap 'kill "$sway_pid" 2>/dev/null; rm -rf "$compositor"; e2e_cleanup' EXIT
wait_for test -S "$compositor/wayland-1" || fail "sway started"
export WAYLAND_DISPLAY=$compositor/wayland-1 QT_QPA_PLATFORM=wayland
unset DISPLAY
wait_for sh -c "ls '$compositor'/sway-ipc.*.sock" || fail "sway's control socket"
export SWAYSOCK=$(ls "$compositor"/sway-ipc.*.sock | head -1)

# wtype's keyboard exists only while it runs: each call waits a moment before its first key.
keys() { wtype -s 400 "$@" -s 200; }
wayland_window() { swaymsg -t get_tree | grep -q "\"name\": \"$1\""; }
wl_clipboard() { timeout 2 wl-paste --no-newline 2>/dev/null; }
wl_clipboard_is() { [ "$(wl_clipboard)" = "$1" ]; }

printf '[Security]\nClipboardSeconds=2\n' >"$conf"

vault=$work/Tresor.zlm
cp "$fixture" "$vault"
start_zelmora "$vault"
wait_for wayland_window 'Passwort Eingabe:.*' || fail "password prompt"
keys "$password" -k Return
wait_for wayland_window 'Tresor.zlm - Zelmora' || fail "main window"

first=$(vault_csv "$vault" "$password" | sed -n 2p | cut -d, -f3)
keys -k Home -s 200 -M alt -k k -m alt -s 300 -k p
wait_for wl_clipboard_is "$first"
check "copied password on the Wayland clipboard" "$first" "$(wl_clipboard)"

# An empty workspace takes the focus: Zelmora's window has none while the time runs out.
swaymsg -q workspace 2
sleep 3
check "empty 3 s later without focus" "" "$(wl_clipboard)"

swaymsg -q workspace 1
keys -M alt -k k -m alt -s 300 -k p
wait_for wl_clipboard_is "$first"
wl-copy 'eigener Text' 2>/dev/null
sleep 3
check "a later copy of the user's own survives" "eigener Text" "$(wl_clipboard)"

keys -M ctrl -k b -m ctrl
check "program ended" yes "$(ended)"
