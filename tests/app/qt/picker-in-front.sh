#!/usr/bin/env bash
# The program as a user runs it, on the X display it is given (a desktop session with a window
# manager): a click and five Down presses in the file list each open the next workbook in Calc,
# maximised, and after each the picker is the active window again, on top, and takes the next key.
#   picker-in-front.sh PROGRAM SOFFICE
set -euo pipefail
program=$1
soffice=$2

# 77: skipped. Coming to the front is the window manager's to grant; without one it proves nothing.
[ -n "${DISPLAY:-}" ] || { echo "no DISPLAY: run under cmake/desktop-session.sh"; exit 77; }
xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id" ||
    { echo "no window manager on $DISPLAY: run under cmake/desktop-session.sh"; exit 77; }

home=$(mktemp -d)
cleanup() {
    local status=$?
    set +e
    [ -n "${pid:-}" ] && kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null
    # The office the program started (it keeps the documents, so it stays after the program).
    for office in $(pgrep -x soffice.bin); do
        tr '\0' '\n' <"/proc/$office/environ" 2>/dev/null | grep -qx "HOME=$home" && kill -9 "$office"
    done
    rm -rf "$home"
    exit $status
}
trap cleanup EXIT

# Six workbooks, made by the office itself from text.
docs=$home/docs
mkdir -p "$docs"
for i in 1 2 3 4 5 6; do printf 'n,v\n%s,%s\n' "$i" "$((i * 7))" >"$docs/q$i.csv"; done
(cd "$docs" && timeout 120 "$soffice" -env:UserInstallation="file://$home/convert" --headless \
    --convert-to xls q1.csv q2.csv q3.csv q4.csv q5.csv q6.csv >/dev/null 2>&1)
rm -f "$docs"/*.csv
[ -f "$docs/q6.xls" ] || { echo "could not make the sample workbooks"; exit 1; }

# A user of our own: fresh office profile, saved type and folder.
mkdir -p "$home/.config/vorrindel"
printf '[Type]\nType=Excel\n[Dir]\nDir=%s\n' "$docs" >"$home/.config/vorrindel/comp.ini"
HOME=$home XDG_CONFIG_HOME=$home/.config QT_QPA_PLATFORM=xcb "$program" >"$home/program.log" 2>&1 &
pid=$!

picker=""
for _ in $(seq 100); do
    picker=$(xdotool search --name '^Vorrindel $' 2>/dev/null | head -1 || true)
    [ -n "$picker" ] && break
    sleep 0.1
done
[ -n "$picker" ] || { echo "the picker window did not appear"; cat "$home/program.log"; exit 1; }
picker=$(printf '0x%x' "$picker")

active() { xprop -root _NET_ACTIVE_WINDOW | sed 's/.*# \(0x[0-9a-f]*\).*/\1/'; }
on_top() { xprop -root _NET_CLIENT_LIST_STACKING | awk '{print $NF}'; }
calc_showing() {  # the Calc window of that file is mapped and maximised
    local w
    w=$(xdotool search --onlyvisible --name "^$1 - LibreOffice Calc" 2>/dev/null | head -1 || true)
    [ -n "$w" ] && xprop -id "$w" _NET_WM_STATE | grep -q MAXIMIZED_VERT
}

failures=0
check() {  # FILE: after its request
    local file=$1 ok=0
    for _ in $(seq 150); do
        if calc_showing "$file" && [ "$(active)" = "$picker" ] && [ "$(on_top)" = "$picker" ]; then ok=1; break; fi
        sleep 0.1
    done
    # The picker comes forward a second time shortly after the office's window settles.
    sleep 0.6
    if [ $ok = 1 ] && [ "$(active)" = "$picker" ] && [ "$(on_top)" = "$picker" ]; then
        echo "ok: $file shown maximised, the picker active and on top"
    else
        echo "FAILED: $file: shown=$(calc_showing "$file" && echo yes || echo no) active=$(active) top=$(on_top) picker=$picker"
        failures=$((failures + 1))
    fi
}

# Give the office a moment to start in the background, as a user reads the list first.
sleep 3
# The file list's first row, in the window's coordinates (its top is at 168 px).
xdotool mousemove --window "$picker" 30 174 click 1
check q1.xls
for i in 2 3 4 5 6; do
    xdotool key Down  # to whichever window has the keyboard: the picker's file list
    check "q$i.xls"
done
[ $failures = 0 ] || { echo "--- program output"; cat "$home/program.log"; }
echo "$((6 - failures)) passed, $failures failed"
[ $failures = 0 ]
