#!/usr/bin/env python3
"""The demo behind scripts/demo: a Wine prefix in which Merovix is installed,
a download host with a newer installer, and one run of Update_Merovix.exe.

Started by scripts/demo inside the test bed (display, template prefix,
download host); prints what happened and keeps screenshots in build/demo/.
"""
import os
import shutil
import sys

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
sys.path[:0] = [os.path.join(ROOT, "scripts", "lib"), os.path.join(ROOT, "tests", "e2e")]

import download_host as dh  # noqa: E402
import winebed  # noqa: E402
from winebed import read_lines, wait_until  # noqa: E402
from winebox import WineBox  # noqa: E402

INSTALL_DIR = r"C:\Program Files\Merovix"
SERVICE_DIR = r"C:\MerovixService"
SETTINGS = "[Parameter]\nServicename=Merovix\nminimiert_starten=0\nTageslistebeachten=0\n"


def say(text=""):
    print(text, flush=True)


class Demo:
    def __init__(self, box, host, service, wget):
        self.box, self.host, self.service, self.wget = box, host, service, wget
        self.folder = box.unix_path(INSTALL_DIR)
        self.shots = []

    def set_up(self):
        box = self.box
        box.install_product(INSTALL_DIR, settings=SETTINGS)
        winebed.install_file(box.updater(), os.path.join(self.folder, "Update_Merovix.exe"))
        if self.wget:
            dh.install_wget(box, self.folder)
        else:
            dh.install_curl(box)
            dh.install_findstr(box)
        with open(os.path.join(box.bin, "demo_installer.exe"), "rb") as f:
            installer_url = self.host.put(dh.INSTALLER_PATH, f.read())
        self.host.put(dh.LIST_PATH, ("[Update]\r\nUpdateFilename=%s\r\n" % installer_url).encode())
        with open(os.path.join(self.folder, "Merovix.version"), "w") as f:
            f.write("28.0.0.57\r\n")
        if self.service:
            self.start_services()
        else:
            self.start_desktop_program()

    def start_desktop_program(self):
        exe = os.path.join(self.folder, "Merovix.exe")
        winebed.install_file(os.path.join(self.box.bin, "standin.exe"), exe)
        with open(os.path.join(self.folder, "Merovix.cfg"), "w") as f:
            f.write("signal=StopService\r\n")
        self.box.start(exe)
        wait_until(lambda: read_lines(os.path.join(self.folder, "Merovix.log")), 30, "Merovix.exe to start")

    def start_services(self):
        folder = self.box.unix_path(SERVICE_DIR)
        os.makedirs(folder, exist_ok=True)
        winebed.install_file(os.path.join(self.box.bin, "testsvc.exe"), os.path.join(folder, "testsvc.exe"))
        with open(os.path.join(folder, "Merovix.cfg"), "w") as f:
            f.write("signal=%s\\StopService\r\n" % INSTALL_DIR)
        for name in ("Merovix", "Merovix_KeepAlive"):
            self.box.run("sc", "create", name, "binPath=", SERVICE_DIR + "\\testsvc.exe")
            self.box.run("sc", "start", name)
        keep_alive_log = os.path.join(folder, "Merovix_KeepAlive.log")
        wait_until(lambda: any("state=4" in line for line in read_lines(keep_alive_log)), 30, "the services to run")

    def shot(self, name):
        self.shots.append(self.box.screenshot(name))

    def run_updater(self, interactive):
        program = self.box.start(os.path.join(self.folder, "Update_Merovix.exe"))
        if interactive:
            say("Update_Merovix.exe runs now: answer its dialogs on your display.")
            program.wait(timeout=1800)
            return None
        question = self.box.wait_dialog("Bestätigung")
        self.shot("1-question")
        say("Question: %s  -> answering \"&Ja\"" % question["texts"][0])
        self.box.dlg("press", "Bestätigung", "&Ja")
        final = self.box.wait_dialog("Merovix Update", timeout_ms=120000)
        self.shot("2-final-message")
        self.box.dlg("press", "Merovix Update", "OK")
        program.wait(timeout=60)
        return final["texts"][0]

    def report(self, final_message):
        say()
        say("What happened:")
        if self.service:
            service_dir = self.box.unix_path(SERVICE_DIR)
            for name in ("Merovix_KeepAlive", "Merovix"):
                log = read_lines(os.path.join(service_dir, name + ".log"))
                stops = sum(1 for line in log if line.startswith("control=1"))
                starts = sum(1 for line in log if line.startswith("main "))
                say("  service %-18s stopped %d time(s), started %d time(s) in all" % (name, stops, starts))
            if any(line == "signal" for line in read_lines(os.path.join(service_dir, "Merovix.log"))):
                say("  the service saw the signal file StopService and deleted it")
        else:
            log = read_lines(os.path.join(self.folder, "Merovix.log"))
            if any(line.startswith("signal") for line in log):
                say("  Merovix.exe saw the signal file StopService, deleted it and stopped")
            for line in log:
                if line.startswith("start"):
                    say("  Merovix.exe started: " + line)
        # The installer runs from the updater's work folder and logs beside itself.
        work_folder = self.box.unix_path("C:\\Program Files (x86)\\Merovix Update")
        for line in read_lines(os.path.join(work_folder, "Merovix_Update_.log")):
            say("  the installer ran: " + line)
        say("  the updater's log, Update_Merovix.log in the installation folder:")
        for line in read_lines(os.path.join(self.folder, "Update_Merovix.log"), "utf-8-sig"):
            say("    " + line)
        version = read_lines(os.path.join(self.folder, "Merovix.version"))
        say("  installed version now: " + (version[0] if version else "?"))
        say("  requests to the download host: " + ", ".join("%s %s %d" % r for r in self.host.requests()))
        if final_message is not None:
            say("  final message: " + final_message)
        for path in self.shots:
            say("  screenshot: " + os.path.relpath(path, ROOT))


def main(argv):
    service, wget = "--service" in argv, "--wget" in argv
    interactive = os.environ.get("MEROVIX_DEMO_INTERACTIVE") == "1"
    out = os.path.join(ROOT, "build", "demo")
    shutil.rmtree(out, ignore_errors=True)
    os.makedirs(out)
    template = os.environ["MEROVIX_WINE_TEMPLATE"]
    say("== setting up a Wine prefix with Merovix installed (%s, %s)" %
        ("Windows services" if service else "desktop program", "wget" if wget else "curl"))
    with WineBox(template, os.path.join(out, "prefix"), os.environ["DISPLAY"], ROOT, out) as box:
        host = dh.DownloadHost(box)
        try:
            demo = Demo(box, host, service, wget)
            demo.set_up()
            say("== running Update_Merovix.exe")
            final = demo.run_updater(interactive)
            demo.report(final)
        finally:
            host.close()
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
