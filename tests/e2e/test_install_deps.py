"""scripts/lib/install-deps against a fake archive (apt-get, dpkg and
dpkg-query on PATH): a half-synced index and a package that cannot be had
must not end the run, and a missing required package must."""
import os
import subprocess

import pytest

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
FAKES = {
    # Logs every call; `update` fails UPDATE_FAILS times; a package named in
    # UNAVAILABLE makes an install (or its simulation) fail.
    "apt-get": r'''echo "$*" >>"$FAKE_LOG"
case "$*" in
  *" update"*) [ "$(grep -c ' update' "$FAKE_LOG")" -gt "$UPDATE_FAILS" ] && exit 0
               echo "E: Failed to fetch http://x/Packages.xz  File has unexpected size. Mirror sync in progress?"
               exit 100 ;;
esac
for p in $UNAVAILABLE; do
  case " $* " in *" $p "*) echo "The following packages have unmet dependencies:"; echo "E: Broken"; exit 100 ;; esac
done''',
    "dpkg-query": r'''for p in $MISSING; do [ "$p" = "${@: -1}" ] && exit 1; done
printf 'install ok installed' ''',
    "dpkg": 'echo i386',
    "sudo": 'exec "$@"',
}

CASES = {
    # missing, unavailable, update failures, step: exit code, lines said, installs asked for
    "only wine32 cannot be had": (("wine32:i386", "nginx-light"), ("wine32:i386",), 2, "test", 0,
                                  ["apt-get update failed (try 2 of 3)",
                                   "MISSING: could not install wine32:i386: unmet dependencies"],
                                  ["nginx-light wine32:i386", "nginx-light"]),
    "update never succeeds": (("nginx-light",), (), 9, "test", 0,
                              ["apt-get update failed 3 times, going on with the lists that did download: "
                               "Failed to fetch"], ["nginx-light"]),
    "a required package cannot be had": (("nginx-light",), ("nginx-light",), 0, "demo", 1,
                                         ["MISSING, cannot go on: could not install nginx-light"], ["nginx-light"]),
    "the demo does not ask for wine32": (("wine32:i386",), ("wine32:i386",), 0, "demo", 0, [], []),
}


@pytest.mark.parametrize("case", CASES.values(), ids=CASES.keys())
def test_install_deps_on_a_bad_archive_day(tmp_path, case):
    missing, unavailable, update_fails, step, code, said, installs = case
    for name, body in FAKES.items():
        (tmp_path / name).write_text("#!/usr/bin/env bash\n" + body + "\n")
        (tmp_path / name).chmod(0o755)
    log = tmp_path / "apt.log"
    log.touch()
    env = dict(os.environ, PATH="%s:%s" % (tmp_path, os.environ["PATH"]), FAKE_LOG=str(log),
               UPDATE_FAILS=str(update_fails), UNAVAILABLE=" ".join(unavailable), MISSING=" ".join(missing),
               MEROVIX_APT_TRIES="3", MEROVIX_APT_PAUSE="0")
    env.pop("MEROVIX_DEPS_INSTALLED", None)
    run = subprocess.run(["bash", os.path.join(ROOT, "scripts", "lib", "install-deps"), step], env=env,
                         capture_output=True, text=True, timeout=60)
    assert run.returncode == code, run.stderr
    for line in said:
        assert line in run.stderr, run.stderr
    missing_lines = [line for line in run.stderr.splitlines() if "MISSING" in line]
    assert len(missing_lines) == (1 if unavailable and said else 0), run.stderr
    calls = log.read_text().splitlines()
    asked = [c.split(" install -y -qq ", 1)[1] for c in calls if " install -y -qq " in c]
    assert asked == installs, calls
