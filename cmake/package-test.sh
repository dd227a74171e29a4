#!/usr/bin/env bash
# Installs the Debian package on this machine, starts `vorrindel` from PATH on a virtual display
# and waits for its window, then removes the package with apt-get and checks that none of its
# files is left. Never leaves the package installed. Usage: cmake/package-test.sh DEB
set -euo pipefail
deb=$(realpath "$1")
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"

installed() { dpkg-query -W -f='${Status}' vorrindel 2>/dev/null | grep -q "ok installed"; }
if installed; then
    # Someone's own installation: testing would replace it and then remove it.
    echo "package test skipped: vorrindel is installed on this machine"
    exit 0
fi

work=$(mktemp -d)
cleanup() {
    installed && $sudo env DEBIAN_FRONTEND=noninteractive dpkg --purge vorrindel >/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

failures=0
check() {  # check WHAT COMMAND...
    local what=$1
    shift
    if "$@" >"$work/output" 2>&1; then
        echo "  ok    $what"
    else
        echo "  FAIL  $what"
        sed 's/^/    /' "$work/output"
        failures=$((failures + 1))
    fi
}

# What the package holds: its files, and the folders that are its own (named after it).
dpkg-deb --fsys-tarfile "$deb" | tar -t | sed 's|^\./|/|' > "$work/contents"
grep -v '/$' "$work/contents" > "$work/files"
grep '/$' "$work/contents" | grep vorrindel | sed 's|/$||' > "$work/folders" || true

all_exist() { while read -r f; do [ -e "$f" ] || { echo "    missing $f"; return 1; }; done < "$work/files"; }
none_left() {
    local left=0
    while read -r f; do
        [ ! -e "$f" ] || { echo "    left behind: $f"; left=1; }
    done < <(cat "$work/files" "$work/folders")
    return $left
}
on_path() { [ "$(command -v vorrindel)" = /usr/bin/vorrindel ]; }
window_shows() {
    mkdir -p "$work/home"
    HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" timeout 90 \
        xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
            cd "$HOME"
            vorrindel 2>"$HOME/stderr" &
            program=$!
            found=$(timeout 30 xdotool search --sync --onlyvisible --name "^Vorrindel" | head -1)
            kill "$program" 2>/dev/null
            wait "$program" 2>/dev/null
            [ -n "$found" ] || { cat "$HOME/stderr"; exit 1; }'
}
removed() { [ -z "$(dpkg-query -W -f='${Status}' vorrindel 2>/dev/null | grep -v not-installed)" ]; }

echo "package test: $(basename "$deb"), $(wc -l < "$work/files") files"
check "dpkg -i installs it" $sudo env DEBIAN_FRONTEND=noninteractive dpkg -i "$deb"
check "every file of the package is in place" all_exist
check "vorrindel is on PATH as /usr/bin/vorrindel" on_path
check "vorrindel from PATH shows its window" window_shows
check "apt-get remove removes it" $sudo env DEBIAN_FRONTEND=noninteractive apt-get remove -y -q vorrindel
check "dpkg no longer knows the package" removed
check "no file or folder of the package is left" none_left
if [ $failures -eq 0 ]; then echo "package: 7 passed, 0 failed"; else echo "package: $((7 - failures)) passed, $failures failed"; fi
[ $failures -eq 0 ]
