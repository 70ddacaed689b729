"""Merovix installed in a WineBox for whole update runs: the updater in the
installation folder, the stand-in installer on the download host, stand-in
programs under the product's names and the test service as the product's
services."""
import json
import os
import re

import winebed
from download_host import INSTALLER_PATH
from recorder_log import read_records, write_config
from winebox import DEFAULT_INSTALL_DIR

SERVICE_FOLDER = "C:\\svc"
# The program's private work folder (the 32-bit program files folder of a
# 64-bit Windows, for both builds): the fetched list and installer lie there.
WORK_FOLDER = "C:\\Program Files (x86)\\Merovix Update"
LOG_NAME = "Update_Merovix.log"
# How the run's log begins the line about the installer's transfer.
INSTALLER_TRANSFER = "Übertragung des Installationsprogramms: "
# Every line of the run's log: local time, its distance from UTC, the text.
LOG_LINE = re.compile(r"\d{4}-\d\d-\d\d \d\d:\d\d:\d\d [+-]\d\d:\d\d (.*)")
UNATTENDED = "Unbeaufsichtigter Lauf (/unattended): Zustimmung vorausgesetzt, keine Dialoge, keine Meldungsfenster"
STOP_CONTROL = "control=1"
RUNNING = "state=4 checkpoint=0 hint=0"


def documented_exit_code(phrase):
    """The exit code that the README's table for administrators gives to the
    outcome described with `phrase`: the tests hold the program to it."""
    readme = os.path.join(os.path.dirname(__file__), "..", "..", "README.md")
    with open(readme, encoding="utf-8") as f:
        rows = [m.groups() for m in map(re.compile(r"\| (\d+) \| (.*) \|$").match, f.read().splitlines()) if m]
    codes = [int(code) for code, outcome in rows if phrase in outcome]
    assert len(codes) == 1, (phrase, rows)
    return codes[0]


def run_unattended(box, win_program, *args, timeout=180):
    """Runs the program with `args` (default: the switch) under dlgtool's
    watch: its exit code and every window that appeared meanwhile."""
    code, out = box.output(os.path.join(box.bin, "dlgtool.exe"), "watch", str(timeout * 1000), win_program,
                           *(args or ["/unattended"]), timeout=timeout + 30)
    watched = json.loads(out.strip().splitlines()[-1])
    assert code == 0, "the program did not end; windows seen: %r" % watched["windows"]
    return watched["exit"], watched["windows"]


def run_log(path):
    """The texts of the run's log at `path` (UTF-8 after a byte-order mark),
    each line checked for its time stamp."""
    with open(path, "rb") as f:
        data = f.read()
    assert data.startswith(b"\xef\xbb\xbf") and data.endswith(b"\r\n"), data[:40]
    lines = data[3:].decode("utf-8").split("\r\n")[:-1]
    stamped = [LOG_LINE.fullmatch(line) for line in lines]
    assert all(stamped), lines
    return [m.group(1) for m in stamped]


def installer_transfers(log):
    """The lines of the run's log that tell how the installer's transfer went."""
    return [line for line in log if line.startswith(INSTALLER_TRANSFER)]


def temp_log(box):
    """The run's log in the user's temporary folder, where a run without
    installation folder logs."""
    code, temp = box.output("cmd", "/c", "echo %TEMP%")
    assert code == 0
    return run_log(box.unix_path(temp.strip() + "\\" + LOG_NAME))


class Product:
    """The installation folder with settings.ini and Update_Merovix.exe in it."""

    def __init__(self, box, settings="[Parameter]\n", install_dir=DEFAULT_INSTALL_DIR, signed=False):
        self.box, self.install_dir = box, install_dir
        self.folder = box.install_product(install_dir, settings=settings)
        self.updater = os.path.join(self.folder, "Update_Merovix.exe")
        winebed.install_file(box.updater(signed), self.updater)
        self.installer_win = WORK_FOLDER + "\\Merovix_Update_.exe"
        self.installer = box.unix_path(self.installer_win)
        self.signal_file = os.path.join(self.folder, "StopService")

    def path(self, name):
        return os.path.join(self.folder, name)

    def win(self, name):
        return self.install_dir + "\\" + name

    def work_win(self, name):
        return WORK_FOLDER + "\\" + name

    def work_folder(self):
        """The work folder (Linux path), made here when the program has not
        made it yet (the program takes a real folder there under Wine, which
        keeps no access lists)."""
        folder = self.box.unix_path(WORK_FOLDER)
        os.makedirs(folder, exist_ok=True)
        return folder

    def start_updater(self, cwd=None):
        """Starts the updater; `cwd` (a Linux folder) becomes its current folder."""
        return self.box.start(self.updater, cwd=cwd)

    def run_unattended(self, *args):
        return run_unattended(self.box, self.win("Update_Merovix.exe"), *args)

    def settings(self):
        return self.box.read_settings(self.install_dir)

    # The stand-in installer: a copy of recorder.exe on the host (or one of
    # its signed, tampered ... copies in tests/bin/signing). Its downloaded
    # copy reads Merovix_Update_.cfg beside itself.
    def serve_installer(self, host, path=INSTALLER_PATH, standin="recorder.exe", mtime=None):
        with open(os.path.join(self.box.bin, standin), "rb") as f:
            return host.put(path, f.read(), mtime=mtime)

    def put_old_installer(self):
        """A stand-in installer left in the work folder by an earlier run; returns its bytes."""
        self.work_folder()
        winebed.install_file(os.path.join(self.box.bin, "recorder.exe"), self.installer)
        with open(self.installer, "rb") as f:
            return f.read()

    def configure_installer(self, *lines):
        self.work_folder()
        write_config(self.installer, *lines)

    def installer_runs(self):
        return read_records(self.installer)

    def log(self):
        return run_log(self.path(LOG_NAME))


class Standin:
    """A running copy of standin.exe under a product program's name, built
    for the updater's bitness or, with `other_bitness`, for the other one."""

    def __init__(self, box, win_path, config="", other_bitness=False):
        self.box, self.win_path = box, win_path
        self.exe = box.unix_path(win_path)
        os.makedirs(os.path.dirname(self.exe), exist_ok=True)
        winebed.install_file(os.path.join(box.other_bin if other_bitness else box.bin, "standin.exe"), self.exe)
        self.log = os.path.splitext(self.exe)[0] + ".log"
        if config:
            with open(os.path.splitext(self.exe)[0] + ".cfg", "w", newline="\r\n") as f:
                f.write(config)
        self.proc = box.start(win_path)
        self.pid = winebed.wait_until(lambda: self.starts() and self.starts()[0][0], what=win_path + " to start")

    def lines(self):
        return winebed.read_lines(self.log)

    def starts(self):
        """(pid, show) of every start logged, in order."""
        return [(m.group(1), m.group(2)) for m in map(re.compile(r"start pid=(\d+) show=(\S+)").match, self.lines()) if m]

    def running(self):
        return self.proc.poll() is None

    def wait_ended(self, timeout=30):
        self.proc.wait(timeout=timeout)


class Service:
    """The test service registered under the product's service name."""

    def __init__(self, box, name, config="", start=True):
        self.box, self.name = box, name
        folder = box.unix_path(SERVICE_FOLDER)
        os.makedirs(folder, exist_ok=True)
        exe = os.path.join(folder, "testsvc.exe")
        if not os.path.exists(exe):
            winebed.install_file(os.path.join(box.bin, "testsvc.exe"), exe)
        self.cfg = os.path.join(folder, name + ".cfg")
        self.configure(config)
        self.log = os.path.join(folder, name + ".log")
        assert box.run("sc", "create", name, "binPath=", SERVICE_FOLDER + "\\testsvc.exe") == 0
        if start:
            assert box.run("sc", "start", name) == 0
            winebed.wait_until(lambda: RUNNING in self.lines(), what=name + " to run")

    def configure(self, config):
        """The configuration of the service's next start."""
        with open(self.cfg, "w", newline="\r\n") as f:
            f.write(config)

    def lines(self):
        return winebed.read_lines(self.log)

    def runs(self):
        """The log split into the runs of the service process, one list each."""
        runs = []
        for line in self.lines():
            if line.startswith("main "):
                runs.append([])
            elif runs:
                runs[-1].append(line)
        return runs
