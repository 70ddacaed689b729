#!/bin/bash
# Runs Debian's curl with the arguments that curl.exe wrote NUL-separated
# into $1, names the test's own document root on the host, and leaves curl's
# exit code in $1.rc. The test CA comes through CURL_CA_BUNDLE.
mapfile -d '' args <"$1"
box=()
[ -n "${MEROVIX_TEST_BOX:-}" ] && box=(-H "X-Test-Box: $MEROVIX_TEST_BOX")
/usr/bin/curl "${box[@]}" "${args[@]}"
rc=$?
echo "$rc" >"$1.rc.tmp" && mv "$1.rc.tmp" "$1.rc"
