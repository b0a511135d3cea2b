#!/usr/bin/env bash
# End-to-end run of the walkers window under a private X server:
#  1. a measured run names the surface it built: the window's client area
#     below the menu bar, 520 x 489 at the outer size of 520 x 508;
#  2. the program started from its own folder (where "data" is) opens "TEST"
#     at 520 x 508 and shows walkers (many pixels that are neither the floor
#     nor black outlines, in several colours);
#  3. Space pauses it; the window is resized to more than twice the surface in
#     each direction; the same frame then shows at 2x, centred: the walkers'
#     pixels cover four times the area, their bounding box doubles around the
#     new origin, and the margins are the dark surround (28, 28, 28), neither
#     the floor nor white;
#  4. Escape ends it with exit code 0;
#  5. started on a copy A of the asset folder with --state, while A's files
#     are replaced by those of a folder B (A with its outfits swapped): the
#     window reloads, and its state lines are walkers-snapshot --data A's up to
#     the reload, then start again at frame 1 and are walkers-snapshot --data
#     B's from there, CRC for CRC, up to the SIGTERM that ends it (a quit, as
#     Ctrl+Q is: exit code 0, the buffered lines written).
# Every wait is bounded, so it cannot hang.
#   e2e_xvfb.sh PATH/TO/walkers PATH/TO/walkers-snapshot [SCREENSHOT_PREFIX]
#   (writes PREFIX-1x.png, PREFIX-2x.png)
set -u
exe=$(readlink -f "$1")
snapshot=$(readlink -f "$2")
prefix=${3:-$(mktemp -d)/walkers}
fail() { echo "e2e: FAIL: $*" >&2; exit 1; }
for tool in Xvfb xdotool import convert compare xdpyinfo; do
    command -v "$tool" >/dev/null || fail "$tool is missing (scripts/deps.sh installs it)"
done

# Xvfb picks a free display itself and writes its number to the file: no
# race with other runs choosing numbers at the same time.
work=$(mktemp -d)
Xvfb -displayfd 3 -screen 0 1600x1200x24 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
xvfb=$!
app=""
cleanup() {
    [ -n "$app" ] && kill "$app" 2>/dev/null
    kill "$xvfb" 2>/dev/null
    wait 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
for _ in $(seq 200); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || fail "Xvfb did not start"
export DISPLAY=:$(head -n1 "$work/display")
xdpyinfo >/dev/null 2>&1 || fail "Xvfb does not answer on $DISPLAY"
cd "$(dirname "$exe")"
export XDG_CONFIG_HOME="$work/config" # the window's remembered folders stay here

# 1. The surface the window builds at start-up.
measured=$(timeout 60 "$exe" --frames 3 --unlimited 2>/dev/null)
[[ $measured =~ "3 frames of "([0-9]+)x([0-9]+)" in" ]] || fail "no frame report: $measured"
surface_w=${BASH_REMATCH[1]}
surface_h=${BASH_REMATCH[2]}
[ "$surface_w" -eq 520 ] && [ "$surface_h" -eq 489 ] ||
    fail "the window built a ${surface_w}x${surface_h} surface, not 520x489"

# The parts of a screenshot that are neither the floor (RGB555 0,16,16 shows as
# 0,132,132), the margins around the picture nor black outlines, as white on
# black, in a window-relative area.
margin='rgb(28,28,28)'
walker_mask() { # SHOT X Y W H
    convert "$1" -crop "${4}x${5}+${2}+${3}" +repage -alpha off -fill black \
        -opaque 'rgb(0,132,132)' -opaque "$margin" -fill white +opaque black "${@:6}"
}
# Walker pixels in that area: count, then the bounding box in the window.
walker_pixels() { # SHOT X Y W H
    read -r count box < <(walker_mask "$@" -bordercolor black -border 1 \
        -format '%[fx:round(mean*w*h)] %@' info:)
    [[ $box =~ ^([0-9]+)x([0-9]+)\+([0-9]+)\+([0-9]+)$ ]] || { echo 0 0 0 0 0; return; }
    local x0=$((BASH_REMATCH[3] - 1 + $2)) y0=$((BASH_REMATCH[4] - 1 + $3))
    echo "$count" "$x0" "$y0" $((x0 + BASH_REMATCH[1] - 1)) $((y0 + BASH_REMATCH[2] - 1))
}
# Distinct colours in the area, the floor's included.
colours() { # SHOT X Y W H
    convert "$1" -crop "${4}x${5}+${2}+${3}" +repage -unique-colors txt:- | grep -vc '^#'
}
# Pixels of the area that are not the margins' colour.
not_margin() { # SHOT X Y W H
    convert "$1" -crop "${4}x${5}+${2}+${3}" +repage -alpha off -fill black \
        -opaque "$margin" -fill white +opaque black -format '%[fx:round(mean*w*h)]' info:
}

# A screenshot once the screen has stopped changing (the scene is paused and
# any repaint done): two in a row that are the same, within 15 s.
stable_shot() { # OUT.png
    local next="${1%.png}-next.png"
    import -window root "$1" || return 1
    for _ in $(seq 50); do
        sleep 0.3
        import -window root "$next" || return 1
        if [ "$(compare -metric AE "$1" "$next" null: 2>&1)" = "0" ]; then
            rm -f "$next"
            return 0
        fi
        mv "$next" "$1"
    done
    return 1
}
# 2. The window at its start-up size.
log=$(mktemp)
timeout 90 "$exe" >"$log" 2>&1 &
app=$!
wid=$(timeout 20 xdotool search --sync --onlyvisible --name '^TEST$' | head -n1)
[ -n "$wid" ] || { cat "$log" >&2; fail "no window titled TEST appeared"; }
eval "$(xdotool getwindowgeometry --shell "$wid")" # X Y WIDTH HEIGHT
[ "$WIDTH" -eq 520 ] && [ "$HEIGHT" -eq 508 ] || fail "window is ${WIDTH}x${HEIGHT}, not 520x508"
menu=$((HEIGHT - surface_h)) # the view starts below the menu bar
sleep 2 # let the walkers walk a little

# No window manager here: give the window the focus, then pause the scene.
timeout 10 xdotool windowfocus --sync "$wid" || fail "cannot focus the window"
timeout 10 xdotool key space
shot1="$prefix-1x.png"
stable_shot "$shot1" || fail "the picture did not stand still after Space"
# Below the menu bar and the "Paused" label in the view's top-left corner.
top=$((menu + 40))
read -r n1 ax0 ay0 ax1 ay1 < <(walker_pixels "$shot1" "$X" $((Y + top)) "$surface_w" $((surface_h - 40)))
colours1=$(colours "$shot1" "$X" $((Y + top)) "$surface_w" $((surface_h - 40)))
echo "e2e: 1x: $n1 walker pixels, $colours1 colours, box ($ax0,$ay0)-($ax1,$ay1); $shot1"
[ "$n1" -ge 2000 ] || fail "too few walker pixels ($n1)"
[ "$colours1" -ge 8 ] || fail "too few colours ($colours1)"

# 3. More than twice the surface in each direction: the same frame at 2x.
view_w=$((2 * surface_w + 60))
view_h=$((2 * surface_h + 43))
timeout 10 xdotool windowsize --sync "$wid" "$view_w" $((view_h + menu)) || fail "cannot resize"
eval "$(xdotool getwindowgeometry --shell "$wid")"
[ "$WIDTH" -eq "$view_w" ] && [ "$HEIGHT" -eq $((view_h + menu)) ] ||
    fail "window is ${WIDTH}x${HEIGHT} after the resize"
shot2="$prefix-2x.png"
stable_shot "$shot2" || fail "the picture did not settle after the resize"
left=$(((view_w - 2 * surface_w) / 2)) # 30
above=$(((view_h - 2 * surface_h) / 2)) # 21
read -r n2 bx0 by0 bx1 by1 < <(walker_pixels "$shot2" "$X" $((Y + top)) "$view_w" $((view_h - 40)))
echo "e2e: 2x: $n2 walker pixels, box ($bx0,$by0)-($bx1,$by1); $shot2"
[ $((100 * n2)) -ge $((390 * n1)) ] && [ $((100 * n2)) -le $((410 * n1)) ] ||
    fail "walker pixels grew from $n1 to $n2, not four times"
# A frame pixel at (x, y) covers (left + 2x .. left + 2x + 1, above + 2y ..) now.
expect() { [ "$1" -ge $(($2 - 1)) ] && [ "$1" -le $(($2 + 1)) ] || fail "$3: $1, expected $2"; }
expect "$bx0" $((X + left + 2 * (ax0 - X))) "left edge of the walkers"
expect "$by0" $((Y + menu + above + 2 * (ay0 - Y - menu))) "top edge of the walkers"
expect "$bx1" $((X + left + 2 * (ax1 - X) + 1)) "right edge of the walkers"
expect "$by1" $((Y + menu + above + 2 * (ay1 - Y - menu) + 1)) "bottom edge of the walkers"
# The margins right of and below the picture: all the dark surround.
right=$(not_margin "$shot2" $((X + left + 2 * surface_w)) $((Y + menu)) $((view_w - left - 2 * surface_w)) "$view_h")
below=$(not_margin "$shot2" "$X" $((Y + menu + above + 2 * surface_h)) "$view_w" $((view_h - above - 2 * surface_h)))
[ "$right" -eq 0 ] && [ "$below" -eq 0 ] ||
    fail "the margins are not all $margin ($right pixels right, $below below)"

# 4. Escape ends the program with 0.
timeout 10 xdotool key Escape
for _ in $(seq 100); do kill -0 "$app" 2>/dev/null || break; sleep 0.1; done
kill -0 "$app" 2>/dev/null && fail "still running 10 s after Escape"
wait "$app"
code=$?
app=""
[ "$code" -eq 0 ] || { cat "$log" >&2; fail "exit code $code after Escape"; }

# 5. A folder replaced while shown.
folder_a="$work/A"
folder_b="$work/B"
cp -r data "$folder_a"
cp -r data "$folder_b"
cp data/ome16.bmp "$folder_b/buki16.bmp"
cp data/buki16.bmp "$folder_b/ome16.bmp"
timeout 90 "$exe" --data "$folder_a" --state "$work/state.jsonl" >"$log" 2>&1 &
app=$!
wid=$(timeout 20 xdotool search --sync --onlyvisible --name '^TEST$' | head -n1)
[ -n "$wid" ] || { cat "$log" >&2; fail "no window titled TEST appeared on folder A"; }
sleep 1 # frames of A
cp "$folder_b"/* "$folder_a"/
for _ in $(seq 300); do grep -q "^walkers: reloaded $folder_a: 0 errors" "$log" && break; sleep 0.1; done
grep -q "^walkers: reloaded $folder_a: 0 errors" "$log" || { cat "$log" >&2; fail "no reload after A's files were replaced"; }
sleep 1 # frames of B
kill -TERM "$app" # as Ctrl+C in a terminal would: a quit, which writes the buffered lines
for _ in $(seq 100); do kill -0 "$app" 2>/dev/null || break; sleep 0.1; done
wait "$app"
code=$?
app=""
[ "$code" -eq 0 ] || { cat "$log" >&2; fail "exit code $code after SIGTERM on folder A"; }
frames=$(sed -n 's/^{"frame":\([0-9]*\),.*/\1/p' "$work/state.jsonl")
restart=$(echo "$frames" | awk 'NR > 1 && $1 == 1 { line = NR } END { print line + 0 }')
total=$(echo "$frames" | wc -l)
[ "$restart" -gt 1 ] || fail "the state lines never start again at frame 1 ($total lines)"
after=$((total - restart + 1))
[ "$after" -ge 1 ] || fail "no frame of B"
"$snapshot" --data "$folder_b" --frames "$after" --state "$work/b.jsonl" 2>/dev/null
"$snapshot" --data data --frames $((restart - 1)) --state "$work/a.jsonl" 2>/dev/null
tail -n "+$restart" "$work/state.jsonl" | cmp -s - "$work/b.jsonl" ||
    fail "the $after frames after the reload are not walkers-snapshot --data B's"
head -n $((restart - 1)) "$work/state.jsonl" | cmp -s - "$work/a.jsonl" ||
    fail "the $((restart - 1)) frames before the reload are not walkers-snapshot --data A's"
echo "e2e: folder replaced: $((restart - 1)) frames of A, then frames 1 to $after equal to walkers-snapshot --data B's"
echo "e2e: PASS (2x picture with dark margins; exit code 0 after Escape; a replaced folder reloads as a fresh start)"
