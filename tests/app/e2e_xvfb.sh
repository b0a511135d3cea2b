#!/usr/bin/env bash
# End-to-end run of the walkers window under a private X server: starts the
# program from its own folder (where "data" is), waits for the window "TEST",
# checks that a screenshot of it shows walkers (many pixels of several colours
# that are neither white nor the background), then ends it with Escape and
# expects exit code 0. Every wait is bounded, so it cannot hang.
#   e2e_xvfb.sh PATH/TO/walkers [SCREENSHOT.png]
set -u
exe=$(readlink -f "$1")
shot=${2:-$(mktemp --suffix=.png)}
fail() { echo "e2e: FAIL: $*" >&2; exit 1; }
for tool in Xvfb xdotool import convert xdpyinfo; do
    command -v "$tool" >/dev/null || fail "$tool is missing (scripts/deps.sh installs it)"
done

# A display number nobody uses; the lock file keeps parallel runs apart.
for n in $(seq 140 199); do
    [ -e /tmp/.X11-unix/X$n ] || [ -e /tmp/.X$n-lock ] || break
done
Xvfb :$n -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
app=""
cleanup() {
    [ -n "$app" ] && kill "$app" 2>/dev/null
    kill "$xvfb" 2>/dev/null
    wait 2>/dev/null
}
trap cleanup EXIT
export DISPLAY=:$n
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
xdpyinfo >/dev/null 2>&1 || fail "Xvfb did not start on :$n"

cd "$(dirname "$exe")"
log=$(mktemp)
timeout 60 "$exe" >"$log" 2>&1 &
app=$!
wid=$(timeout 20 xdotool search --sync --onlyvisible --name '^TEST$' | head -n1)
[ -n "$wid" ] || { cat "$log" >&2; fail "no window titled TEST appeared"; }
sleep 2 # let the walkers walk a little

eval "$(xdotool getwindowgeometry --shell "$wid")" # X Y WIDTH HEIGHT
[ "$WIDTH" -eq 520 ] && [ "$HEIGHT" -eq 508 ] || fail "window is ${WIDTH}x${HEIGHT}, not 520x508"
import -window root "$shot" || fail "screenshot failed"

# Below the menu bar: count pixels that are not white, not the background
# (RGB555 0,16,16 shows as 0,132,132) and not grey, and their distinct colours.
read -r coloured distinct < <(convert "$shot" -crop "${WIDTH}x$((HEIGHT - 40))+${X}+$((Y + 40))" \
    -depth 8 txt:- | awk '!/^#/ {
        s = $0; sub(/^[^(]*\(/, "", s); split(s, c, /[,)]/)
        r = c[1] + 0; g = c[2] + 0; b = c[3] + 0
        if ((r == 255 && g == 255 && b == 255) || (r == 0 && g == 132 && b == 132)) next
        if (r == g && g == b) next
        n++; seen[r "," g "," b] = 1
    } END { k = 0; for (key in seen) k++; print n + 0, k }')
echo "e2e: $coloured walker pixels in $distinct colours; screenshot $shot"
[ "$coloured" -ge 2000 ] || fail "too few walker pixels ($coloured)"
[ "$distinct" -ge 8 ] || fail "too few colours ($distinct)"

# No window manager here: give the window the focus, then type Escape into it.
timeout 10 xdotool windowfocus --sync "$wid" || fail "cannot focus the window"
timeout 10 xdotool key Escape
for _ in $(seq 100); do kill -0 "$app" 2>/dev/null || break; sleep 0.1; done
kill -0 "$app" 2>/dev/null && fail "still running 10 s after Escape"
wait "$app"
code=$?
app=""
[ "$code" -eq 0 ] || { cat "$log" >&2; fail "exit code $code after Escape"; }
echo "e2e: PASS (exit code 0 after Escape)"
