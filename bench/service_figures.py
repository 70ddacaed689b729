"""The figures of a nightly unattended run: the product's downtime in an
update run against a plain script doing the same "sc" steps, and a run that
has nothing to do against curl fetching the list and the installer's
headers. Each pair runs back to back through benchtool's "alternate" in one
prefix, so that both see the same load."""
import os
import re

import winebed
from download_host import INSTALLER_PATH, LIST_PATH, install_curl, install_findstr
from product import Service
from stats import pairs_note, ratio_row
from wine_figures import BENCH_FOLDER, installed_product
from winebox import UNINSTALL_KEY

SYSTEM = "C:\\windows\\system32"
CMD = SYSTEM + "\\cmd.exe"
RECORDER_VERSION = "7.2.0.0"  # the stand-in installer's file version (tests/tools/recorder/version.rc)
CLOCK = re.compile(r"clock state=(\d+) us=(\d+)")
STOP_PENDING, RUNNING = 3, 4

# What an administrator's script would do: each stop awaited before the
# next step, each start awaited until the service runs, in the updater's
# order.
SERVICE_STEPS = r"""@echo off
set sc=C:\windows\system32\sc.exe
set findstr=C:\windows\system32\findstr.exe
%sc% stop Merovix_KeepAlive >nul
call :await Merovix_KeepAlive STOPPED
%sc% stop Merovix >nul
call :await Merovix STOPPED
%sc% start Merovix >nul
call :await Merovix RUNNING
%sc% start Merovix_KeepAlive >nul
call :await Merovix_KeepAlive RUNNING
exit /b 0
rem Wine's cmd.exe runs what follows "||" also after a command that
rem succeeded: the test goes through "if errorlevel".
:await
%sc% query %1 > C:\bench\state.txt
%findstr% %2 < C:\bench\state.txt >nul
if errorlevel 1 goto await
exit /b 0
"""


def alternate(bench, box, rounds, a, b, timeout):
    """Runs the command lines a and b (exe, parameters) alternately `rounds`
    times; the first pair warms Wine's caches and is dropped. Returns the
    times and the (start, end) spans in microseconds of a and of b."""
    figures = bench.benchtool(box, "alternate", rounds + 1, *a, *b, timeout=timeout)

    def spans(key):
        return [tuple(map(int, span.split(":"))) for span in figures[key].split(",")][1:]

    return ([float(t) for t in figures["a_ms"].split(",")][1:], [float(t) for t in figures["b_ms"].split(",")][1:],
            spans("a_spans"), spans("b_spans"))


def downtime(spans, *services):
    """For each span, the time from the first service's stop to the last one
    running again, from the services' clock lines within it (ms)."""
    events = [(int(m.group(2)), int(m.group(1))) for service in services for m in map(CLOCK.match, service.lines())
              if m]
    result = []
    for start, end in spans:
        inside = [(us, state) for us, state in events if start <= us <= end]
        stops = [us for us, state in inside if state == STOP_PENDING]
        runs = [us for us, state in inside if state == RUNNING]
        if not stops or not runs or max(runs) < min(stops):
            raise RuntimeError("no stop and restart of the services between %d and %d" % (start, end))
        result.append((max(runs) - min(stops)) / 1000)
    return result


def downtime_of_update_run(bench):
    """Figure 7: the services' downtime in an unattended update run whose
    installer ends at once, against SERVICE_STEPS in the same prefix."""
    rounds = bench.mode.pair_runs
    with bench.box("downtime") as (box, host):
        product = installed_product(bench, box, host, "[Parameter]\n")
        install_curl(box)
        install_findstr(box)
        services = [Service(box, "Merovix", "signal=%s\nclock=1\n" % product.win("StopService")),
                    Service(box, "Merovix_KeepAlive", "clock=1\n")]
        script = BENCH_FOLDER + "\\service_steps.cmd"
        with open(box.unix_path(script), "w", newline="\r\n") as f:
            f.write(SERVICE_STEPS)
        _, _, updater_spans, script_spans = alternate(
            bench, box, rounds, (product.win("Update_Merovix.exe"), "/unattended"), (CMD, "/c " + script),
            timeout=(rounds + 1) * 120)
        updater, script_times = downtime(updater_spans, *services), downtime(script_spans, *services)
        runs = product.installer_runs()
    if len(runs) != rounds + 1:
        raise RuntimeError("the installer ran %d times in %d update runs" % (len(runs), rounds + 1))
    return (ratio_row("7 downtime, service update run (n=%d)" % rounds, updater, script_times,
                      "sc stop/wait/start script", 1.10),
            [pairs_note("downtime pairs, updater/script", updater, script_times)])


def nothing_to_do_run(bench):
    """Figure 8: an unattended run offered the installed version (list
    fetched, the installer's headers asked, nothing stopped) against curl
    fetching the list and the installer's headers alone, through cmd.exe."""
    rounds = bench.mode.pair_runs
    with bench.box("current") as (box, host):
        product = installed_product(bench, box, host, "[Parameter]\n")
        assert box.run("reg", "add", UNINSTALL_KEY, "/v", "DisplayVersion", "/t", "REG_SZ", "/d", RECORDER_VERSION,
                       "/f", box.flavour.registry_view) == 0
        install_curl(box)
        install_findstr(box)
        curl = SYSTEM + "\\curl.exe -s -f -u diagnose:TiloWemaGrub5_ "
        baseline_command = "/c %s-o %s\\list.ini %s & %s-I %s" % (curl, BENCH_FOLDER, host.url(LIST_PATH), curl,
                                                                   host.url(INSTALLER_PATH))
        before = len(host.transfers())
        updater, baseline, _, _ = alternate(bench, box, rounds, (product.win("Update_Merovix.exe"), "/unattended"),
                                            (CMD, baseline_command), timeout=(rounds + 1) * 120)
        transfers = host.transfers()[before:]
        log = product.log()
        installer_runs = product.installer_runs()
    current = [line for line in log if line.endswith("ist aktuell; nichts zu tun.")]
    gets = [t for t in transfers if t[0] == "GET" and t[1] == INSTALLER_PATH and t[2] == 200]
    if installer_runs or len(current) != rounds + 1 or len(gets) != 1:
        raise RuntimeError("not a run with nothing to do: %d installer runs, %d 'current' lines, %d GETs of the "
                           "installer" % (len(installer_runs), len(current), len(gets)))
    return (ratio_row("8 nothing-to-do unattended run (n=%d)" % rounds, updater, baseline,
                      "curl: list and installer's headers", 1.5),
            [pairs_note("nothing-to-do pairs, updater/curl", updater, baseline)])
