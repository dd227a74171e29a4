#!/bin/sh
# The samples' fetch with Debian's archive out of reach (apt pointed at a proxy that refuses
# connections, with no package lists): it fails where the samples are required, and only there.
set -u
fetch=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/lists/partial" "$work/cache/archives/partial"
cat >"$work/apt.conf" <<CONF
Dir::State::lists "$work/lists";
Dir::Cache "$work/cache";
Dir::Etc::sourcelist "/dev/null";
Dir::Etc::sourceparts "$work/none";
Acquire::http::Proxy "http://127.0.0.1:9";
Acquire::Retries "0";
CONF
status=0
# expect EXIT-CODE LABEL VARIABLE=VALUE...: runs the fetch into a fresh folder.
expect() {
    want=$1 label=$2
    shift 2
    dir="$work/samples-$label"
    env -u CI -u VORRINDEL_REQUIRE_SAMPLES APT_CONFIG="$work/apt.conf" "$@" "$fetch" "$dir" >"$work/out" 2>&1
    got=$?
    if [ "$got" -ne "$want" ] || [ ! -s "$dir/unavailable" ]; then
        echo "FAIL $label: exit $got (wanted $want), reason: $(cat "$dir/unavailable" 2>/dev/null)"
        cat "$work/out"
        status=1
    else
        echo "ok $label: exit $got: $(cat "$dir/unavailable")"
    fi
}
expect 0 offline-developer
expect 1 required VORRINDEL_REQUIRE_SAMPLES=1
expect 1 ci CI=true
expect 0 not-ci CI=false
exit $status
