#!/bin/bash
# Runs Debian's wget with the arguments that wget.exe wrote NUL-separated
# into $1, names the test's own document root on the host, and leaves wget's
# exit code in $1.rc.
mapfile -d '' args <"$1"
box=()
[ -n "${MEROVIX_TEST_BOX:-}" ] && box=("--header=X-Test-Box: $MEROVIX_TEST_BOX")
# Quiet unless the program asked for a log file (-o), which -q would leave empty.
quiet=(-q)
for arg in "${args[@]}"; do [ "$arg" = "-o" ] && quiet=(); done
/usr/bin/wget "${quiet[@]}" "${box[@]}" "${args[@]}"
rc=$?
echo "$rc" >"$1.rc.tmp" && mv "$1.rc.tmp" "$1.rc"
