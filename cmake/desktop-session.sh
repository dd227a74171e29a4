#!/usr/bin/env bash
# Runs a command on a virtual X display set up as a desktop user has it: a session bus (with the
# accessibility bus it activates), and a window manager: xfwm4 with focus-stealing prevention on
# (the default), mutter or KWin as X11 window managers when installed, or none.
#   cmake/desktop-session.sh [--wm xfwm4|mutter|kwin|none] COMMAND...
# Exits with the command's status.
set -euo pipefail

wm=xfwm4
if [ "${1:-}" = "--wm" ]; then
    wm=$2
    shift 2
fi

if [ "${VORRINDEL_DESKTOP_INSIDE:-}" != 1 ]; then
    # The window manager's settings go to a folder of this run; the command gets the caller's
    # XDG_CONFIG_HOME back. The bus daemon starts the settings daemon with the environment it had.
    config=$(mktemp -d)
    trap 'rm -rf "$config"' EXIT
    mkdir -p "$config/xfce4/xfconf/xfce-perchannel-xml"
    cat >"$config/xfce4/xfconf/xfce-perchannel-xml/xfwm4.xml" <<'EOF'
<?xml version="1.0" encoding="UTF-8"?>
<channel name="xfwm4" version="1.0">
  <property name="general" type="empty">
    <property name="prevent_focus_stealing" type="bool" value="true"/>
    <property name="use_compositing" type="bool" value="false"/>
    <property name="focus_delay" type="int" value="0"/>
  </property>
</channel>
EOF
    status=0
    VORRINDEL_DESKTOP_INSIDE=1 VORRINDEL_CALLER_CONFIG="${XDG_CONFIG_HOME-unset}" XDG_CONFIG_HOME="$config" \
        xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp" \
        dbus-run-session -- "$0" --wm "$wm" "$@" || status=$?
    exit $status
fi

case "$wm" in
xfwm4) xfwm4 --compositor=off --sm-client-disable >/dev/null 2>&1 & ;;
mutter) mutter --x11 --replace --sm-disable >/dev/null 2>&1 & ;;
kwin) kwin_x11 --replace >/dev/null 2>&1 & ;;
none) ;;
*) echo "unknown window manager $wm" >&2; exit 2 ;;
esac
if [ "$wm" != none ]; then
    wm_pid=$!
    for _ in $(seq 100); do
        xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id" && break
        sleep 0.1
    done
    xprop -root _NET_SUPPORTING_WM_CHECK | grep -q "window id" || { echo "$wm did not start" >&2; exit 1; }
fi

if [ "$VORRINDEL_CALLER_CONFIG" = unset ]; then unset XDG_CONFIG_HOME; else export XDG_CONFIG_HOME="$VORRINDEL_CALLER_CONFIG"; fi
unset VORRINDEL_DESKTOP_INSIDE VORRINDEL_CALLER_CONFIG
case "$wm" in
mutter) desktop=GNOME ;;
kwin) desktop=KDE ;;
*) desktop=XFCE ;;
esac
export XDG_CURRENT_DESKTOP=${XDG_CURRENT_DESKTOP:-$desktop}
status=0
"$@" || status=$?
[ -n "${wm_pid:-}" ] && kill "$wm_pid" 2>/dev/null
exit $status
