#!/bin/sh
# Fetches two real Access databases from Debian's archive into the folder $1, unpacking the packages
# there without installing anything: Monitor.mdb (Jet 4: Yes/No, date and number columns) from
# mrtg-contrib, and testodbc.mdb (Jet 3) from the Free Pascal database units. When the archive
# cannot be reached, the reason goes to $1/unavailable. Where the samples are required (CI:
# VORRINDEL_REQUIRE_SAMPLES=1, or CI=true) that fails; elsewhere (a developer offline) the tests
# that need the files skip, and say so.
set -u
dir=$1
mkdir -p "$dir"
[ -s "$dir/Monitor.mdb" ] && [ -s "$dir/testodbc.mdb" ] && exit 0
rm -f "$dir/unavailable"
unavailable() {
    echo "$1" >"$dir/unavailable"
    if [ "${VORRINDEL_REQUIRE_SAMPLES:-0}" = 1 ] || [ "${CI:-}" = true ]; then
        echo "error: the Access samples are required here and are missing: $1" >&2
        exit 1
    fi
    echo "WARNING: no Access samples, the tests that read them are SKIPPED, not passed: $1" >&2
    exit 0
}
debs="$dir/debs"
mkdir -p "$debs"
# fp-units-db only depends on the versioned package that holds the files.
fp=$(apt-cache depends fp-units-db 2>/dev/null | awk '/Depends: fp-units-db-/ { print $2; exit }')
[ -n "$fp" ] || unavailable "apt-cache knows no fp-units-db package (run apt-get update)"
(cd "$debs" && apt-get download mrtg-contrib "$fp" >"$dir/download.log" 2>&1) ||
    unavailable "apt-get download mrtg-contrib $fp failed (no network?): see $dir/download.log"
for deb in "$debs"/*.deb; do
    dpkg-deb -x "$deb" "$dir/unpacked" || unavailable "cannot unpack $deb"
done
monitor=$(find "$dir/unpacked" -name Monitor.mdb | head -n 1)
testodbc=$(find "$dir/unpacked" -name testodbc.mdb.gz | head -n 1)
[ -n "$monitor" ] && [ -n "$testodbc" ] || unavailable "the packages no longer hold Monitor.mdb and testodbc.mdb.gz"
cp "$monitor" "$dir/Monitor.mdb"
gunzip -c "$testodbc" >"$dir/testodbc.mdb"
echo "Access samples in $dir"
