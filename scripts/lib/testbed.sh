# Shell side of the Wine test bed, sourced by scripts/test and scripts/demo.
# testbed_start: Xvfb, a template prefix (kept in build/wine), a suite prefix
# with one persistent wineserver, the local download host; all torn down on exit.
# testbed_wow64: whether a 32-bit program runs under Wine here; without,
# MEROVIX_NO_WOW64 says why (the tests that need one are skipped then).

MEROVIX_TEST_PORT=${MEROVIX_TEST_PORT:-47443}
MEROVIX_TEST_HOST="localhost:$MEROVIX_TEST_PORT"
MEROVIX_TEST_LIST_HOST="localhost:$MEROVIX_TEST_PORT"
export MEROVIX_TEST_PORT MEROVIX_TEST_HOST MEROVIX_TEST_LIST_HOST
source "$root/scripts/lib/download_host.sh"

testbed_stop() {
  download_host_stop
  if [ -n "${WINEPREFIX:-}" ] && [ -d "$WINEPREFIX" ]; then
    "$TESTBED_WINESERVER" -k 2>/dev/null || true
    "$TESTBED_WINESERVER" -w 2>/dev/null || true
    rm -rf "$WINEPREFIX"
  fi
  [ -n "${TESTBED_XVFB_PID:-}" ] && kill "$TESTBED_XVFB_PID" 2>/dev/null || true
  return 0
}

testbed_wow64() {
  # Asked once per run: scripts/test asks before it builds, testbed_start
  # again, and the scripts that scripts/test starts inherit the answer.
  [ -n "${MEROVIX_WOW64_CHECKED:-}" ] && return 0
  export MEROVIX_WINE_TEMPLATE="$root/build/wine/template"
  local answer
  answer=$(/usr/bin/python3 "$root/scripts/lib/winebed.py" wow64 "$MEROVIX_WINE_TEMPLATE")
  MEROVIX_NO_WOW64=""
  [ "$answer" = yes ] || MEROVIX_NO_WOW64=$answer
  export MEROVIX_NO_WOW64 MEROVIX_WOW64_CHECKED=1
}

testbed_start() {
  local winebed="$root/scripts/lib/winebed.py"
  # The Wine loader and wineserver: winebed.py names them for the whole test bed.
  read -r TESTBED_WINE TESTBED_WINESERVER < <(/usr/bin/python3 "$winebed" tools)
  testbed_wow64
  trap testbed_stop EXIT
  # TESTBED_DISPLAY names a display to use instead of a private Xvfb.
  if [ -n "${TESTBED_DISPLAY:-}" ]; then
    export DISPLAY="$TESTBED_DISPLAY"
  else
    local display pid
    read -r display pid < <(/usr/bin/python3 "$winebed" display)
    export DISPLAY="$display" TESTBED_XVFB_PID="$pid"
  fi
  export WINEPREFIX="$root/build/wine/suite-$$"
  export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  /usr/bin/python3 "$winebed" clone "$MEROVIX_WINE_TEMPLATE" "$WINEPREFIX"
  # One persistent server for the suite, warmed up so that Wine's background
  # processes do not inherit the test runner's output pipes.
  "$TESTBED_WINESERVER" -p
  "$TESTBED_WINE" cmd /c exit </dev/null >/dev/null 2>&1
  download_host_start
}
