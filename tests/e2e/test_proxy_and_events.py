"""End-to-end: the PC's proxy setting and the run's entry in the event log,
with a real proxy (Debian's tinyproxy on loopback) between the program and
the download host."""
import os
import re
import socket
import struct
import subprocess

import pytest
import winebed
from winebed import wait_until

from download_host import HOST, INSTALLER_PATH, LIST_PATH, install_curl, install_findstr, install_wget
from product import Product, documented_exit_code, installer_transfers
from winebox import UNINSTALL_KEY

CONNECTIONS_KEY = r"HKLM\Software\Microsoft\Windows\CurrentVersion\Internet Settings\Connections"
MACHINE = "WinHTTP-Einstellung des Computers"


def proxy_port():
    """A loopback port of this test bed's own, one per pytest worker."""
    worker = os.environ.get("PYTEST_XDIST_WORKER", "gw0")
    return int(os.environ.get("MEROVIX_TEST_PORT", "47443")) + 5 + int(worker.lstrip("gw") or 0)


class TinyProxy:
    """tinyproxy on 127.0.0.1 with a configuration written for the test; its
    log tells each tunnel it opened."""

    def __init__(self, folder):
        self.port = proxy_port()
        self.log = os.path.join(folder, "tinyproxy.log")
        self.config = os.path.join(folder, "tinyproxy.conf")
        with open(self.config, "w") as f:
            f.write('Port %d\nListen 127.0.0.1\nTimeout 30\nLogFile "%s"\nLogLevel Info\nMaxClients 20\n'
                    "Allow 127.0.0.1\n" % (self.port, self.log))
        self.process = None

    def start(self):
        self.process = subprocess.Popen(["tinyproxy", "-d", "-c", self.config], stdout=subprocess.DEVNULL,
                                        stderr=subprocess.DEVNULL)
        wait_until(self.listening, 10, "tinyproxy listening")

    def listening(self):
        with socket.socket() as s:
            return s.connect_ex(("127.0.0.1", self.port)) == 0

    def stop(self):
        if self.process:
            self.process.terminate()
            self.process.wait(timeout=10)

    def tunnels(self):
        if not os.path.exists(self.log):
            return []
        with open(self.log, encoding="latin-1") as f:
            return [line.split("): CONNECT ", 1)[1].split()[0] for line in f if "): CONNECT " in line]


@pytest.fixture
def proxy(tmp_path):
    p = TinyProxy(str(tmp_path))
    yield p
    p.stop()


def set_machine_proxy(box, proxy, bypass=""):
    """What "netsh winhttp set proxy" stores: version, a counter (0: Wine reads no other), flags (direct
    and proxy), then the proxy and the bypass list, each after its length."""
    def counted(text):
        return struct.pack("<I", len(text)) + text.encode()
    value = struct.pack("<III", 0x18, 0, 3) + counted(proxy) + counted(bypass)
    assert box.run("reg", "add", CONNECTIONS_KEY, "/v", "WinHttpSettings", "/t", "REG_BINARY", "/d", value.hex(),
                   "/f") == 0


def product_with_tool(box, tool):
    product = Product(box, "[Parameter]\nconfirm_update=0\n")
    if tool == "curl":
        install_curl(box)
        install_findstr(box)
    else:
        install_wget(box, product.folder)
    return product


# The machine's proxy carries every transfer (the directive list, the header
# query, the installer); one that is down fails the run with nothing going
# around it; the host on the bypass list is reached directly.
@pytest.mark.parametrize("tool,scene", [("curl", "up"), ("wget", "up"), ("curl", "down"), ("wget", "down"),
                                        ("curl", "bypassed")])
def test_the_machines_proxy_carries_the_transfers(box, host, proxy, tool, scene):
    product = product_with_tool(box, tool)
    product.serve_installer(host)
    set_machine_proxy(box, "127.0.0.1:%d" % proxy.port, "*.example;LOCALHOST" if scene == "bypassed" else "")
    if scene != "down":
        proxy.start()

    code, windows = product.run_unattended()
    assert windows == []
    transfer = installer_transfers(product.log())
    assert len(transfer) == 1, product.log()
    via = " über Proxy http://127.0.0.1:%d (%s): " % (proxy.port, MACHINE)
    if scene == "up":
        assert code == documented_exit_code("ran successfully")
        assert via + "geladen" in transfer[0]
        assert proxy.tunnels() and set(proxy.tunnels()) == {HOST}
        asked = [uri for _, uri, _ in host.requests()]
        assert LIST_PATH in asked and INSTALLER_PATH in asked
    elif scene == "down":
        assert code == documented_exit_code("could not be downloaded")
        assert host.requests() == [], "a transfer went around the proxy"
        assert via + "fehlgeschlagen, Exit-Code " in transfer[0] and ", Meldung: " in transfer[0], transfer
        assert product.installer_runs() == []
    else:
        assert code == documented_exit_code("ran successfully")
        assert " direkt (Ausnahme der %s): geladen" % MACHINE in transfer[0], transfer
        assert proxy.tunnels() == []


# What Wine prints for each ReportEventW: the call (type, event id) on the
# fixme channel, then its strings as information (trace) or error (err).
REPORT = re.compile(r"fixme:advapi:ReportEventW \(\w+,0x(\w+),0x\w+,0x(\w+),")
STRINGS = re.compile(r"(trace|err):eventlog:ReportEventW L\"(.*)\"$")


def unescaped(text):
    """A string as Wine's debugstr_w writes it, read back."""
    return re.sub(r"\\(x?[0-9a-fA-F]{4}|.)", lambda m: {"n": "\n", "r": "\r", "t": "\t"}.get(
        m.group(1), chr(int(m.group(1)[-4:], 16)) if len(m.group(1)) >= 4 else m.group(1)), text)


def run_with_event_trace(box, product):
    """Runs the program unattended with Wine's eventlog channel on: its exit
    code and every entry reported, as (type, event id, level, text)."""
    env = dict(box.env, WINEDEBUG="trace+eventlog,err+eventlog")
    done = subprocess.run([winebed.WINE, product.updater, "/unattended"], env=env, cwd=box.workdir,
                          stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, timeout=180)
    lines = done.stderr.decode("utf-8", "replace").splitlines()
    calls = [m.groups() for m in map(REPORT.search, lines) if m]
    strings = [m.groups() for m in map(STRINGS.search, lines) if m]
    assert len(calls) == len(strings), lines
    return done.returncode, [(int(t, 16), int(i, 16), level, unescaped(text))
                             for (t, i), (level, text) in zip(calls, strings)]


# One entry per unattended run: information after an update, an error entry
# naming how it failed otherwise; both with the versions known.
@pytest.mark.parametrize("served", [True, False], ids=["updated", "download-failed"])
def test_an_unattended_run_reports_one_event(box, host, served):
    product = product_with_tool(box, "curl")
    assert box.run("reg", "add", UNINSTALL_KEY, "/v", "DisplayVersion", "/d", "7.1", "/f") == 0
    if served:
        product.serve_installer(host)
    code, events = run_with_event_trace(box, product)
    log_file = "Protokoll: " + product.win("Update_Merovix.log")
    if served:
        assert code == documented_exit_code("ran successfully")
        assert events == [(4, 1000, "trace", "\n".join([
            "Update_Merovix 28.0.0.57: Update installiert", "Meldung: Das Update wurde durchgeführt!",
            "Exit-Code: 0", "Installierte Version vor dem Lauf: 7.1", "Angebotene Version: 7.2.0.0",
            "Installierte Version nach der Installation: 7.1", log_file]))]
    else:
        assert code == documented_exit_code("could not be downloaded")
        assert events == [(1, 1021, "err", "\n".join([
            "Update_Merovix 28.0.0.57: Laden des Updates fehlgeschlagen",
            "Meldung: Beim Laden der Datei ist ein Fehler aufgetreten!", "Exit-Code: 21",
            "Installierte Version vor dem Lauf: 7.1", log_file]))]
    assert "Installierte Version vor dem Lauf: 7.1" in product.log()
