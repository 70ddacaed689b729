"""End-to-end: bad input and faults. Each row of CASES changes one thing in
a standard scene (Merovix installed with the updater in its folder, the
desktop program and the diagnostic program running, curl, the installer on
the download host) and runs Update_Merovix.exe once in a fresh prefix.
Every row asserts the same: the program ends by itself with exit code 0
after the expected German message and logs it; what the run stopped runs
again, or the message says it could not be restarted; settings.ini holds
what it held apart from the keys the run writes or deletes; and no file but
the served installer lies under the installer's name; the run fetches
nothing but the list and the installer, into its work folder; and the
product's programs and the transfer tool are untouched."""
import dataclasses
import os
import random
import stat
import subprocess

import pytest

from download_host import HOST, INSTALLER_PATH, LIST_PATH, install_curl, install_findstr, install_wget
from product import RUNNING, WORK_FOLDER, Product, Service, Standin, installer_transfers, temp_log
from winebox import DEFAULT_INSTALL_DIR

TOOLS = "C:\\Tools"
UPDATE_CAPTION = "Merovix Update"
DONE_DESKTOP = "Das Update wurde durchgeführt und Merovix neu gestartet!"
SERVICE_NOT_RESTARTED = "Das Update wurde durchgeführt! Der Merovix-Dienst konnte nicht neu gestartet werden!"
DOWNLOAD_FAILED = "Beim Laden der Datei ist ein Fehler aufgetreten!"
INSTALLER_NAME = "Merovix_Update_.exe"
# An address where nothing listens: above the test bed's ports.
DOWN_HOST = "localhost:%d" % (int(HOST.rsplit(":", 1)[1]) + 9)

SETTINGS = b"[Parameter]\r\nconfirm_update=0\r\nServicename=Merovix\r\n"
# The keys the run writes (Tageslistebeachten) or deletes (confirm_Update).
RUN_KEYS = ("confirm_update", "tageslistebeachten")


def listing(path):
    """A directive list naming `path` ("{host}" and "{down}" stand for hosts) as the installer."""
    return b"[Update]\r\nUpdateFilename=https://" + path.encode() + b"\r\n"


LISTED_PATH = "/neu/" + INSTALLER_NAME  # served there as well
# Served as well, and never to be fetched: where a list may point to have a
# file of the installation folder or the transfer tool replaced.
DECOYS = ("/neu/settings.ini", "/neu/Merovix.exe", "/tools/wget.exe")
LISTED = listing("{host}" + LISTED_PATH)
MANY_LIST_LINES = b"[Archiv]\r\n" + b"".join(b"Eintrag%07d=https://localhost/archiv/Befund.pdf\r\n" % i
                                             for i in range(10 * 2 ** 20 // 50))
MANY_SETTINGS_LINES = b"[Daten]\r\n" + b"Wert=0123456789abcdef\r\n" * (10 * 2 ** 20 // 22)


@dataclasses.dataclass(frozen=True)
class Case:
    settings: bytes = SETTINGS
    settings_read_only: bool = False
    settings_hard_link: bool = False  # settings.ini is also another file's name: never written
    asks: bool = False  # the consent question shows and is answered "Ja"
    registry: tuple = (DEFAULT_INSTALL_DIR, "REG_SZ")  # the uninstall entry's value and type
    install_dir: str = DEFAULT_INSTALL_DIR  # where the product lies
    tool: str = "curl"
    directive_list: bytes = None  # None: the host has none (404)
    installer_exit: int = 0
    product: str = "desktop"  # "deaf": a desktop program that ignores the signal file; "service"
    service_restart: str = ""  # the configuration of the service "Merovix" when it is started again
    caption: str = UPDATE_CAPTION
    message: str = DONE_DESKTOP
    installs: bool = True  # the product is stopped and the installer runs
    fetched: str = INSTALLER_PATH  # where the installer comes from, when it runs
    transfer: str = "geladen, Exit-Code 0"  # how the log tells the installer's transfer
    wine_garbles_settings: bool = False
    skip: str = None


def failed_download(path, transfer, tool="curl"):
    return Case(directive_list=listing(path), tool=tool, message=DOWNLOAD_FAILED, installs=False, transfer=transfer)


CASES = {
    # settings.ini
    "settings-binary-junk": Case(settings=random.Random(12).randbytes(4096), asks=True, wine_garbles_settings=True),
    "settings-10mb": Case(settings=SETTINGS + MANY_SETTINGS_LINES),
    "settings-no-final-line-break": Case(settings=b"[Parameter]\r\nconfirm_update=0\r\nminimiert_starten=0"),
    "settings-utf16-bom": Case(settings="\ufeff[Parameter]\r\nconfirm_update=0\r\nServicename=Merovix\r\n"
                                        .encode("utf-16-le")),
    "settings-lines-without-equals": Case(settings=b"[Parameter]\r\nconfirm_update=0\r\nnur Text\r\n; Kommentar\r\n"
                                                   b"\r\n   \r\nServicename=Merovix\r\n"),
    "settings-repeated-section": Case(settings=b"[Parameter]\r\nconfirm_update=0\r\n[Andere]\r\nx=1\r\n"
                                               b"[Parameter]\r\nminimiert_starten=1\r\n"),
    "settings-read-only": Case(settings_read_only=True),
    "settings-second-hard-link": Case(settings_hard_link=True),
    # the uninstall entry
    "registry-dword": Case(registry=("1", "REG_DWORD"), caption="Fehler",
                           message="Ungültiger Datentyp für 'Inno Setup: App Path'", installs=False, transfer=None),
    "registry-trailing-backslash": Case(registry=(DEFAULT_INSTALL_DIR + "\\", "REG_SZ")),
    "registry-non-ascii": Case(registry=("C:\\Programme\\Müller Praxis\\Merovix", "REG_SZ"),
                               install_dir="C:\\Programme\\Müller Praxis\\Merovix"),
    # the directive list: what it cannot hold as a header or entry leaves the default address
    # Past the list's size limit (4 MiB): not read, the default address holds.
    "list-10mb": Case(directive_list=MANY_LIST_LINES + LISTED),
    # The list's own entry names a program: nothing but the list and the installer is fetched.
    "list-names-a-program-for-itself": Case(tool="wget", directive_list=b"[]\r\nLoadAndRun.ini=https://{host}"
                                                                         b"/tools/wget.exe\r\n" + LISTED,
                                            fetched=LISTED_PATH),
    "list-nul-byte": Case(directive_list=b"[Update]\r\nX=1\r\n\0" + LISTED[len(b"[Update]\r\n"):]),
    "list-byte-order-mark": Case(directive_list=b"\xef\xbb\xbf" + LISTED),
    "list-cr-only": Case(directive_list=LISTED.replace(b"\r\n", b"\r"), fetched=LISTED_PATH),
    "list-url-blanks-quotes": failed_download('{host}/neu/Merovix Update_.exe" -o "C:\\pwned.exe', "Adresse abgelehnt"),
    "list-url-shell-characters": failed_download("{host}/neu/&echo pwned>C:\\pwned.txt|^%COMSPEC%<" + INSTALLER_NAME,
                                                 "Adresse abgelehnt"),
    # The installer's URL never chooses the local file: these are not fetched at all.
    "list-url-names-settings": failed_download("{host}/neu/settings.ini", "Adresse abgelehnt"),
    "list-url-names-the-desktop-program": failed_download("{host}/neu/Merovix.exe", "Adresse abgelehnt",
                                                          tool="wget"),
    "list-url-10000-characters": failed_download("{host}/" + "a" * 10000 + "/" + INSTALLER_NAME,
                                                 "fehlgeschlagen, Exit-Code 22"),
    # the download host
    "host-down": failed_download("{down}" + LISTED_PATH, "fehlgeschlagen, Exit-Code 7"),
    "host-stalls-after-headers": failed_download("{host}/stall/" + INSTALLER_NAME, "fehlgeschlagen, Exit-Code 4",
                                                 tool="wget"),
    "host-cuts-midway": failed_download("{host}/cut/" + INSTALLER_NAME, "fehlgeschlagen, Exit-Code 18"),
    "host-401": failed_download("{host}/err/401/" + INSTALLER_NAME, "fehlgeschlagen, Exit-Code 22"),
    "host-404": failed_download("{host}/err/404/" + INSTALLER_NAME, "fehlgeschlagen, Exit-Code 8", tool="wget"),
    "host-500": failed_download("{host}/err/500/" + INSTALLER_NAME, "fehlgeschlagen, Exit-Code 8", tool="wget"),
    "installer-exits-with-error": Case(installer_exit=3, message="Die Installation des Updates ist fehlgeschlagen "
                                                                 "(Fehlercode 3)! Merovix wurde neu gestartet."),
    # the product
    "desktop-ignores-signal-file": Case(product="deaf", message="Das Update wurde durchgeführt! Merovix hat sich "
                                                                "nicht beendet und muss neu gestartet werden."),
    "service-fails-to-start": Case(product="service", service_restart="start=fail\n", message=SERVICE_NOT_RESTARTED),
    "service-stays-start-pending": Case(product="service", message=SERVICE_NOT_RESTARTED,
                                       service_restart="start=hang\nstart_steps=1\nstart_hint=1000\nstep_ms=0\n"),
    "process-cannot-be-ended": Case(skip="Known Wine difference: TerminateProcess ends every process under Wine, "
                                         "so none resists; the five attempts are a unit test of the update run"),
}


def case_params():
    for name, case in CASES.items():
        yield pytest.param(case, id=name, marks=[pytest.mark.skip(reason=case.skip)] if case.skip else [])


def lines_of(settings):
    """The lines of settings.ini, each with its line end."""
    text = settings.decode("utf-16") if settings[:2] == b"\xff\xfe" else settings.decode("latin-1")
    return text.splitlines(keepends=True)


def key_of(line):
    return line.split("=", 1)[0].strip().lower() if "=" in line else None


def as_profile_functions_rewrite(lines):
    """Known Wine difference: Wine's profile functions write the whole file
    anew from what they parsed, without blank lines and with a line end after
    the last line; Windows changes the file in place."""
    kept = [line for line in lines if line.strip()]
    if kept and not kept[-1].endswith("\n"):
        kept[-1] += "\r\n"
    return kept


def assert_settings_kept(before, after, written, case):
    """Apart from the run's keys, settings.ini holds what it held."""
    if not written:
        assert after == before
    elif not case.wine_garbles_settings:
        others = [line for line in lines_of(before) if key_of(line) not in RUN_KEYS]
        assert [line for line in lines_of(after) if key_of(line) not in RUN_KEYS] == \
            as_profile_functions_rewrite(others)
    # Known Wine difference: Wine's profile functions cut lines of binary
    # junk at NUL bytes and drop what they cannot parse when they write the
    # file anew.


def assert_flag_written_into_the_section(after):
    section = None
    for line in lines_of(after):
        if line.startswith("["):
            section = line.strip()
        elif key_of(line) == "tageslistebeachten":
            assert (section, line.strip()) == ("[Parameter]", "Tageslistebeachten=1")
            return
    raise AssertionError("no Tageslistebeachten=1 in settings.ini")


class ProductScene:
    """The product's running parts: the diagnostic program, and the desktop
    program or the services."""

    def __init__(self, box, product, case):
        self.case = case
        self.diagnose = Standin(box, TOOLS + "\\Merovix_Diagnose.exe")
        self.desktop = self.services = None
        if case.product == "service":
            self.services = [Service(box, "Merovix", "signal=%s\n" % product.win("StopService")),
                             Service(box, "Merovix_KeepAlive")]
            self.services[0].configure(case.service_restart)
        else:
            self.desktop = Standin(box, product.win("Merovix.exe"),
                                   "" if case.product == "deaf" else "signal=StopService\n")

    def assert_running_again(self, stopped):
        if stopped:
            self.diagnose.wait_ended()
        else:
            assert self.diagnose.running()
        if self.desktop:
            starts = self.desktop.starts()
            assert len(starts) == (2 if stopped and self.case.product != "deaf" else 1), starts
            last_pid = starts[-1][0]
            assert not [line for line in self.desktop.lines() if line.endswith("pid=" + last_pid)
                        and not line.startswith("start ")], self.desktop.lines()
        else:
            merovix, keep_alive = self.services
            assert merovix.runs()[-1][-1] == RUNNING or "nicht neu gestartet" in self.case.message
            assert keep_alive.runs()[-1][-1] == RUNNING


def read_only(path):
    """Makes the file read-only, for root too (immutable); returns how to undo that."""
    os.chmod(path, stat.S_IRUSR | stat.S_IRGRP | stat.S_IROTH)
    if os.geteuid() != 0:
        return lambda: None
    subprocess.run(["chattr", "+i", path], check=True)
    return lambda: subprocess.run(["chattr", "-i", path], check=False)


def set_the_scene(box, host, case):
    """The product installed as the case has it, the transfer tool, the
    directive list and the installer on the host."""
    product = Product(box, install_dir=case.install_dir)
    box.add_uninstall_entry(*case.registry)
    with open(product.path("settings.ini"), "wb") as f:
        f.write(case.settings)
    if case.tool == "curl":
        install_curl(box)
        install_findstr(box)
    else:
        install_wget(box, product.folder)
    if case.directive_list is not None:
        host.put(LIST_PATH, case.directive_list.replace(b"{host}", HOST.encode()).replace(b"{down}", DOWN_HOST.encode()))
    product.serve_installer(host)
    # Served under every name a list of these cases points to: what the run
    # does not fetch is not missing.
    for path in (LISTED_PATH, *DECOYS):
        product.serve_installer(host, path)
    product.configure_installer(("exit", case.installer_exit))
    return product


def run_to_the_message(box, product, case):
    """Runs the updater, answers its question and closes its last message;
    the message's texts."""
    program = product.start_updater()
    if case.asks:
        box.wait_dialog("Bestätigung")
        box.dlg("press", "Bestätigung", "&Ja")
    window = box.wait_dialog(case.caption, timeout_ms=120000)
    box.screenshot("message")
    box.dlg("press", case.caption, "OK")
    assert program.wait(timeout=30) == 0
    return window["texts"]


@pytest.mark.parametrize("case", case_params())
def test_bad_input_and_faults(box, host, case):
    product = set_the_scene(box, host, case)
    scene = ProductScene(box, product, case)
    settings = product.path("settings.ini")
    undo_read_only = read_only(settings) if case.settings_read_only else (lambda: None)
    if case.settings_hard_link:
        os.link(settings, box.unix_path("C:\\fremd.ini"))
    try:
        assert run_to_the_message(box, product, case) == [case.message]
        with open(settings, "rb") as f:
            after = f.read()
    finally:
        undo_read_only()
    scene.assert_running_again(stopped=case.installs)

    # settings.ini: the one-shot key goes after every run that found the
    # installation; the flag comes with the end of the diagnostic program.
    had_confirm = any(key_of(line) == "confirm_update" for line in lines_of(case.settings))
    unwritable = case.settings_read_only or case.settings_hard_link
    deletes = had_confirm and not unwritable and case.caption == UPDATE_CAPTION
    flags = case.installs and not unwritable
    assert_settings_kept(case.settings, after, deletes or flags, case)
    assert any(key_of(line) == "confirm_update" for line in lines_of(after)) == (had_confirm and not deletes)
    if flags:
        assert_flag_written_into_the_section(after)

    # Under the installer's name in the work folder lies the served
    # installer, run once, or nothing; in the installation folder nothing.
    work = box.unix_path(WORK_FOLDER)
    under_its_name = [n for n in os.listdir(work) if n.lower().startswith(INSTALLER_NAME.lower())
                      ] if os.path.isdir(work) else []
    assert under_its_name == ([INSTALLER_NAME] if case.installs else [])
    assert [n for n in os.listdir(product.folder) if n.lower().startswith(INSTALLER_NAME.lower())] == []
    decoys = {LISTED_PATH, *DECOYS} - {case.fetched}
    assert not decoys & {uri for _, uri, _ in host.requests()}, host.requests()
    untouched = [("Merovix.exe", "standin.exe")] if case.product != "service" else []
    if case.tool == "wget":
        untouched.append(("wget.exe", "wget.exe"))
    for name, built in untouched:
        with open(product.path(name), "rb") as f, open(os.path.join(box.bin, built), "rb") as original:
            assert f.read() == original.read(), name
    assert len(product.installer_runs()) == (1 if case.installs else 0)
    if case.installs:
        with open(product.installer, "rb") as f, open(os.path.join(box.bin, "recorder.exe"), "rb") as served:
            assert f.read() == served.read()
        assert ("GET", case.fetched, 200) in host.requests()
    assert not os.path.exists(box.unix_path("C:\\pwned.txt")) and not os.path.exists(box.unix_path("C:\\pwned.exe"))

    # The run's log ends with what the user was told, and with a one-shot key
    # that stays, since it would skip the question at every start.
    if case.caption == UPDATE_CAPTION:
        log, told = product.log(), "Meldung: "
    else:  # no installation folder known: the user's temporary folder
        log, told = temp_log(box), "Fehler: "
    kept = ["Schlüssel confirm_Update in %s konnte nicht gelöscht werden" % product.win("settings.ini")
            ] if had_confirm and not deletes and case.caption == UPDATE_CAPTION else []
    assert log[-2 - len(kept):] == [told + case.message] + kept + ["Ende"]
    if case.transfer:
        transfer = installer_transfers(log)
        assert len(transfer) == 1 and case.transfer in transfer[0], transfer
