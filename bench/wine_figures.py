"""The figures measured under Wine: start to first dialog, bytes of an
unchanged run, reading large lists, captured command output, memory.

Each figure gets a fresh prefix of the test bed (tests/e2e/winebox.py) and,
where it needs one, its own document root on the download host; the product
is installed the way the end-to-end tests install it (tests/e2e/product.py).
"""
import contextlib
import os
import subprocess
import tempfile

import winebed
from download_host import (INSTALLER_PATH, LIST_PATH, DownloadHost, install_curl, install_findstr,
                           install_wget)
from product import Product, Standin
from stats import Sample, growth, growth_verdict, kib, ms, number, pairs_note, ratio_row, size
from winebox import WineBox

CONSENT = "Bestätigung"
FINAL = "Merovix Update"
BENCH_FOLDER = "C:\\bench"
INSTALLER_BYTES = 4 << 20  # the stand-in installer, padded to a realistic size


class TooSlow(Exception):
    pass


class Bench:
    """Paths and settings shared by the figures."""

    def __init__(self, root, mode, workdir):
        self.root, self.mode, self.workdir = root, mode, workdir
        self.bin = os.path.join(root, "build", "win64", "bench")

    @contextlib.contextmanager
    def box(self, name):
        """A fresh prefix with benchtool.exe in C:\\bench, and a document root
        of its own on the download host."""
        workdir = tempfile.mkdtemp(prefix=name + "-", dir=self.workdir)
        with WineBox(os.environ["MEROVIX_WINE_TEMPLATE"], os.path.join(workdir, "prefix"),
                     os.environ["DISPLAY"], self.root, workdir) as box:
            folder = box.unix_path(BENCH_FOLDER)
            os.makedirs(folder)
            winebed.install_file(os.path.join(self.bin, "benchtool.exe"), os.path.join(folder, "benchtool.exe"))
            host = DownloadHost(box)
            try:
                yield box, host
            finally:
                host.close()

    def benchtool(self, box, *args, timeout):
        """Runs benchtool.exe in C:\\bench; returns its key=value figures.
        Raises TooSlow when it does not end in `timeout` seconds."""
        out_path = os.path.join(box.workdir, "benchtool.out")
        with open(out_path, "wb") as out, open(os.path.join(box.workdir, "benchtool.err"), "ab") as err:
            proc = subprocess.Popen([winebed.WINE, BENCH_FOLDER + "\\benchtool.exe", *map(str, args)], env=box.env,
                                    cwd=box.unix_path(BENCH_FOLDER), stdin=subprocess.DEVNULL, stdout=out, stderr=err)
            try:
                code = proc.wait(timeout=timeout)
            except subprocess.TimeoutExpired:
                proc.kill()
                proc.wait(timeout=30)
                raise TooSlow("not done in %d s" % timeout)
        with open(out_path, encoding="latin-1") as f:
            text = f.read()
        if code != 0:
            with open(os.path.join(box.workdir, "benchtool.err"), encoding="latin-1") as f:
                raise RuntimeError("benchtool %s failed (%d): %s" % (args[0], code, f.read().strip()[-300:]))
        return dict(field.split("=", 1) for field in text.split())

    def dialog(self, box, win_exe, caption, timeout_s=120):
        figures = self.benchtool(box, "dialog", win_exe, caption, timeout_s * 1000, timeout=timeout_s + 30)
        return float(figures["ms"]), int(figures["peak_kib"])


def installed_product(bench, box, host, settings):
    """Merovix installed with the updater in its folder; on the host the
    maker's directive list and the stand-in installer (padded to
    INSTALLER_BYTES) that the list names."""
    product = Product(box, settings)
    with open(os.path.join(box.bin, "recorder.exe"), "rb") as f:
        installer = f.read()
    url = host.put(INSTALLER_PATH, installer + b"\0" * max(0, INSTALLER_BYTES - len(installer)))
    host.put(LIST_PATH, b"[Update]\r\nUpdateFilename=" + url.encode() + b"\r\n")
    return product


def start_to_first_dialog(bench):
    """Figure 1, and the memory baseline of figure 6: the consent question of
    the updater against the message box of bench_msgbox.exe, started
    alternately in the same way from the installation folder."""
    runs = bench.mode.dialog_runs
    with bench.box("start") as (box, host):
        product = Product(box)  # no "confirm_update": the question comes first
        winebed.install_file(os.path.join(bench.bin, "bench_msgbox.exe"), product.path("bench_msgbox.exe"))
        updater, baseline, baseline_kib = [], [], []
        for i in range(runs + 1):  # the first round fills Wine's caches and is not counted
            u_ms, _ = bench.dialog(box, product.win("Update_Merovix.exe"), CONSENT)
            b_ms, b_kib = bench.dialog(box, product.win("bench_msgbox.exe"), CONSENT)
            if i:
                updater.append(u_ms)
                baseline.append(b_ms)
                baseline_kib.append(b_kib)
    row = ratio_row("1 start to consent dialog (n=%d)" % runs, updater, baseline, "message-box program", 1.25)
    pairs = pairs_note("start pairs, updater/message box", updater, baseline)
    return row, Sample(baseline_kib), pairs


def unchanged_run_bytes(bench, tool):
    """Figure 2: whole update runs, the first downloading the installer, the
    later ones against the unchanged installer; bytes from the host's log."""
    runs = max(2, bench.mode.runs)
    with bench.box("bytes-" + tool) as (box, host):
        product = installed_product(bench, box, host, "[Parameter]\nconfirm_update=0\n")
        if tool == "curl":
            install_curl(box)
            install_findstr(box)
        else:
            install_wget(box, product.folder)
        per_run = []
        for _ in range(runs):
            before = len(host.transfers())
            bench.dialog(box, product.win("Update_Merovix.exe"), FINAL)
            per_run.append(host.transfers()[before:])
    first, later = per_run[0], per_run[1:]

    def requests(transfers):
        return ", ".join("%s %s %d" % (m, "installer" if u == INSTALLER_PATH else "list" if u == LIST_PATH else u, s)
                         for m, u, s, _ in transfers)

    later_bytes = Sample(sum(t[3] for t in run) for run in later)
    installer_gets = sum(1 for run in later for m, u, s, _ in run if m == "GET" and u == INSTALLER_PATH and s == 200)
    if tool == "curl":
        goal, verdict = "HEAD only, no GET of the installer", ("met" if not installer_gets else
                                                               "MISSED: %d GET of the installer" % installer_gets)
    else:
        goal, verdict = "report what -N transfers", ("installer not sent again" if not installer_gets else
                                                     "installer sent again")
    return {
        "figure": "2 unchanged run, %s (n=%d)" % (tool, len(later)),
        "value": "%s: %s" % (later_bytes.show(size), requests(later[0])),
        "baseline": "first run %s: %s" % (size(sum(t[3] for t in first)), requests(first)),
        "goal": goal,
        "verdict": verdict,
    }


def reader_rows(bench, platform, methods, run):
    """Figure 3 for one platform: every reader at every size, the entry at
    the end. `run(method, bytes)` returns the times of the repetitions; a
    size that takes too long ends the sizes of that reader."""
    sizes = bench.mode.reader_sizes
    baseline, rows = {}, []
    for method in ("bytes",) + methods:
        samples, slow = [], None
        for nbytes in sizes:
            try:
                samples.append((nbytes, Sample(run(method, nbytes))))
            except TooSlow as e:
                slow = "%s too slow (%s)" % (label(nbytes), e)
                break
        if method == "bytes":
            baseline = dict(samples)
            continue
        shown = samples[-1:] if not slow else []
        value = "; ".join([slow] if slow else []
                          + ["%s: %s%s" % (label(n), s.show(ms), repeats(s, bench.mode.runs)) for n, s in shown])
        smaller = samples[:-1] if not slow else samples
        if smaller:
            value += "; " + ", ".join("%s %s" % (label(n), number(s.median)) for n, s in smaller) + " ms"
        largest = samples[-1][0] if samples else None
        exponent = growth([n for n, _ in samples], [min(s.values) for _, s in samples])
        rows.append({
            "figure": "3 read %s, %s" % (method, platform),
            "value": value,
            "baseline": ("reading the bytes, %s: %s" % (label(largest), baseline[largest].show(ms))
                         if largest in baseline else ""),
            "goal": "linear; %s reported" % label(sizes[-1]),
            "verdict": "MISSED: %s" % slow if slow else growth_verdict(exponent),
        })
    return rows


def repeats(sample, runs):
    """" (n=1)" when a slow reader was read fewer times than the others."""
    return " (n=%d)" % len(sample.values) if len(sample.values) < runs else ""


def label(nbytes):
    return "%d KB" % (nbytes // 1000) if nbytes < 1000000 else "%d MB" % (nbytes // 1000000)


def readers_native(bench, exe):
    mode = bench.mode

    def run(method, nbytes):
        with tempfile.TemporaryDirectory(dir=bench.workdir) as folder:
            try:
                out = subprocess.run([exe, method, str(nbytes), str(mode.runs), str(mode.reader_budget_s * 1000)],
                                     cwd=folder, capture_output=True, text=True, timeout=mode.reader_cap_s)
            except subprocess.TimeoutExpired:
                raise TooSlow("not done in %d s" % mode.reader_cap_s)
        if out.returncode != 0:
            raise RuntimeError("bench_readers %s failed: %s" % (method, out.stderr.strip()))
        return [float(t) for t in out.stdout.split("=", 1)[1].split(",")]

    return reader_rows(bench, "native", ("section", "directive"), run)


def readers_wine(bench):
    with bench.box("readers") as (box, _host):
        def run(method, nbytes):
            mode = bench.mode
            figures = bench.benchtool(box, "readers", method, nbytes, mode.runs, mode.reader_budget_s * 1000,
                                      timeout=mode.reader_cap_s)
            return [float(t) for t in figures["ms"].split(",")]

        return reader_rows(bench, "Wine", ("section", "directive", "list", "settings"), run)


def captured_output(bench):
    """Figure 4: RunCommandCaptured against cmd.exe copying the same bytes
    into a file, at growing sizes."""
    sizes = bench.mode.capture_mib
    with bench.box("capture") as (box, _host):
        results = []
        for mib in sizes:
            figures = bench.benchtool(box, "capture", mib, bench.mode.runs, timeout=bench.mode.capture_cap_s)
            results.append((Sample(map(float, figures["capture_ms"].split(","))),
                            Sample(map(float, figures["copy_ms"].split(",")))))
    capture, copy = results[-1]
    ratio = capture.median / copy.median
    exponent = growth(sizes, [min(c.values) for c, _ in results])
    met = ratio <= 1.5 and exponent is not None and exponent <= 1.3
    return {
        "figure": "4 captured output (n=%d)" % bench.mode.runs,
        "value": "%d MiB: %s; %s" % (sizes[-1], capture.show(ms),
                                      ", ".join("%d MiB %s" % (m, ms(c.median)) for m, (c, _) in
                                                zip(sizes[:-1], results))),
        "baseline": "cmd.exe copy to a file %d MiB: %s" % (sizes[-1], copy.show(ms)),
        "goal": "≤ 1.5× at %d MiB, linear" % sizes[-1],
        "verdict": "%s: %.2f× the copy; %s" % ("met" if met else "MISSED", ratio, growth_verdict(exponent)),
    }


def memory_of_desktop_run(bench, baseline_kib):
    """Figure 6: peak working set of whole update runs in the desktop branch
    (the product's program running, signalled and restarted), read when the
    final message is on screen."""
    runs = bench.mode.runs
    with bench.box("memory") as (box, host):
        product = installed_product(bench, box, host, "[Parameter]\nconfirm_update=0\n")
        install_curl(box)
        install_findstr(box)
        Standin(box, product.win("Merovix.exe"), "signal=StopService\n")
        peaks = []
        for _ in range(runs):
            if os.path.exists(product.installer):
                os.remove(product.installer)  # every run downloads and installs
            peaks.append(bench.dialog(box, product.win("Update_Merovix.exe"), FINAL)[1])
    peak = Sample(peaks)
    return {
        "figure": "6 peak working set, desktop run (n=%d)" % runs,
        "value": peak.show(kib),
        "baseline": "message-box program " + baseline_kib.show(kib) if baseline_kib else "(run with start)",
        "goal": "report",
        "verdict": "+%s over the baseline" % size((peak.median - baseline_kib.median) * 1024) if baseline_kib else "",
    }
