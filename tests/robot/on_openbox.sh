#!/bin/sh
# Runs a command on a private X server under openbox, as a child's desktop runs the
# program: the command starts once openbox manages the screen, and both end with it.
set -eu
dir=$(mktemp -d)
server=
wm=
trap 'kill $wm $server 2>/dev/null; rm -rf "$dir"' EXIT

# Each wait looks at most 200 times, a tenth of a second apart.
wait_for() {
    tries=0
    until "$@"; do
        tries=$((tries + 1))
        [ "$tries" -lt 200 ] || return 1
        sleep 0.1
    done
}
# Xvfb writes its display number, then the newline.
display_known() { [ "$(wc -l <"$dir/display")" -ge 1 ]; }
openbox_up() { xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; }

: >"$dir/display"
Xvfb -displayfd 3 -screen 0 1920x1440x24 -nolisten tcp 3>"$dir/display" 2>"$dir/xvfb.log" &
server=$!
wait_for display_known || { cat "$dir/xvfb.log" >&2; echo "Xvfb did not start" >&2; exit 1; }
DISPLAY=:$(cat "$dir/display")
export DISPLAY
openbox --sm-disable >"$dir/openbox.log" 2>&1 &
wm=$!
wait_for openbox_up || { cat "$dir/openbox.log" >&2; echo "openbox did not start" >&2; exit 1; }
# openbox names itself the screen's manager before it has finished starting, and a window
# asked to be shown in between can stay unmapped for good. A window of our own, shown
# anew each second, tells when openbox frames the windows it is asked to show.
probe_framed() {
    id=$(xwininfo -name piecettes-wm-probe 2>/dev/null | sed -n 's/^xwininfo: Window id: \(0x[0-9a-f]*\).*/\1/p')
    [ -n "$id" ] && xprop -id "$id" WM_STATE 2>/dev/null | grep -q 'window state: Normal'
}
framed=
for second in $(seq 60); do
    xmessage -title piecettes-wm-probe probe 2>/dev/null &
    probe=$!
    for tenth in 1 2 3 4 5 6 7 8 9 10; do
        if probe_framed; then framed=yes; break; fi
        sleep 0.1
    done
    kill $probe 2>/dev/null || true
    wait $probe 2>/dev/null || true
    [ -z "$framed" ] || break
done
[ -n "$framed" ] || { cat "$dir/openbox.log" >&2; echo "openbox frames no window" >&2; exit 1; }
"$@"
