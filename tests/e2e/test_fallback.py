"""End-to-end: on a PC without the product, the updater offers the installer
for download into a folder the user picks in the shell's folder dialog. Real
Update_Merovix.exe (in C:\\Tools, not an installation folder), real folder
dialog, real curl or wget against the test bed's download host."""
import json
import os

import pytest
import winebed

from download_host import INSTALLER_PATH, install_tool
from helpers import asked_for, assert_centred, files_in, put_file, read
from product import UNATTENDED, documented_exit_code, run_unattended, temp_log

WARNING = ("Dies scheint nicht der PC zu sein, auf dem Merovix installiert ist. "
           "Möchten Sie das Update-File dennoch laden?")
CANCELLED = "Das Update wurde abgebrochen!"
DOWNLOADED = "Das Updatefile wurde heruntergeladen!"
FAILED = "Fehler beim Laden des Updates!"

FOLDER_DIALOG = "Browse for Folder"  # Wine's caption of the shell's folder dialog
PROGRAM_DIR = "C:\\Tools"
MISSING_INSTALL_DIR = "C:\\Programme\\Merovix"
TARGET_DIR = "C:\\Ziel"
INSTALLER = "Merovix_Update_.exe"
NEW_INSTALLER = os.urandom(48 * 1024)
OLD_INSTALLER = b"an earlier installer"


def start_updater(box, tool="curl", install_dir=None, cwd=None, signed=False):
    """The updater in PROGRAM_DIR with curl.exe in System32 or wget.exe
    beside it; `install_dir` is the registry's installation folder (none
    when not given), `cwd` its current folder (the test's folder on Z:
    when not given); `signed`: the build that names the installer's signer."""
    return box.start(box.unix_path(place_updater(box, tool, install_dir, signed)), cwd=cwd and box.unix_path(cwd))


def place_updater(box, tool="curl", install_dir=None, signed=False):
    """start_updater without the start: the updater's Windows path."""
    if install_dir is not None:
        box.add_uninstall_entry(install_dir)
    program_dir = box.unix_path(PROGRAM_DIR)
    os.makedirs(program_dir, exist_ok=True)
    winebed.install_file(box.updater(signed), os.path.join(program_dir, "Update_Merovix.exe"))
    install_tool(box, tool, program_dir)
    os.makedirs(box.unix_path(TARGET_DIR), exist_ok=True)
    return PROGRAM_DIR + "\\Update_Merovix.exe"


def control(window, control_id):
    return next(c for c in window["controls"] if c["id"] == control_id)


def answer_warning(box, button):
    warning = box.wait_dialog("Warnung")
    box.dlg("press", "Warnung", button)
    return warning


def choose_folder(box, win_folder, button="OK"):
    """Picks `win_folder` (a path, or "My Computer") in the folder dialog's
    tree as a user would, then presses `button`; returns the dialog as it was
    with that item selected."""
    dialog = box.wait_dialog(FOLDER_DIALOG)
    if win_folder is not None:
        code, out = box.output(os.path.join(box.bin, "dlgtool.exe"), "select-folder", FOLDER_DIALOG, win_folder,
                               "10000", timeout=40)
        assert code == 0, out
        assert json.loads(out)["visited"][:2] == ["Desktop", "My Computer"]  # the tree's root is the desktop
        dialog = box.wait_dialog(FOLDER_DIALOG)
    box.dlg("press", FOLDER_DIALOG, button)
    return dialog


def finish(box, program, message):
    """The plain message `message` is shown; OK ends the program."""
    shown = box.wait_dialog("Update_Merovix")
    assert shown["texts"] == [message]
    assert [b["text"] for b in shown["buttons"]] == ["OK"] and not shown["icon"], shown
    box.dlg("press", "Update_Merovix", "OK")
    assert program.wait(timeout=30) == 0
    assert_no_settings_file(box)


def assert_no_settings_file(box):
    """Without an installation there is no settings file to touch: none
    appears on drive C, in the current folder or in the root of its drive."""
    found = [os.path.join(d, f) for d, _, files in os.walk(box.c) for f in files if f.lower() == "settings.ini"]
    found += [p for p in (os.path.join(box.workdir, "settings.ini"), "/settings.ini") if os.path.exists(p)]
    assert found == []


@pytest.mark.parametrize("install_dir,refusal", [(None, "Abbrechen"), (MISSING_INSTALL_DIR, "escape")],
                         ids=["no registry value", "missing folder"])
def test_the_warning_comes_first_and_refusing_it_cancels(box, host, install_dir, refusal):
    program = start_updater(box, install_dir=install_dir)

    warning = box.wait_dialog("Warnung")
    assert warning["texts"] == [WARNING]
    assert [(b["text"], b["id"], b["default"]) for b in warning["buttons"]] == [("OK", 1, True),
                                                                                 ("Abbrechen", 2, False)]
    assert warning["icon"]
    assert_centred(warning)
    # Nothing else has shown itself yet but the hidden one-pixel main window.
    others = [w for w in box.dlg("list") if w["caption"] != "Warnung"]
    assert [(w["class"], w["rect"]) for w in others] == [("TForm1", [1, 1, 2, 2])]

    if refusal == "escape":
        box.dlg("escape", "Warnung")
    else:
        box.dlg("press", "Warnung", refusal)
    finish(box, program, CANCELLED)
    assert asked_for(host) == set()
    assert not os.path.exists(box.unix_path(MISSING_INSTALL_DIR))


def test_an_unattended_run_asks_nothing_and_downloads_nothing(box, host):
    host.put(INSTALLER_PATH, NEW_INSTALLER)
    updater = place_updater(box, install_dir=MISSING_INSTALL_DIR)
    assert run_unattended(box, updater) == (documented_exit_code("not installed"), [])
    assert asked_for(host) == set()
    assert files_in(box, TARGET_DIR) == [] and files_in(box, PROGRAM_DIR) == ["Update_Merovix.exe"]
    assert_no_settings_file(box)
    assert temp_log(box)[1:] == [
        UNATTENDED,
        "Keine Installation gefunden (Installationsordner %s fehlt): im unbeaufsichtigten Lauf wird nichts geladen"
        % MISSING_INSTALL_DIR,
        "Ende, Exit-Code %d" % documented_exit_code("not installed")]


@pytest.mark.wow64
def test_the_installer_replaces_an_older_copy_in_the_chosen_folder(box, host):
    host.put(INSTALLER_PATH, NEW_INSTALLER)
    put_file(box, TARGET_DIR + "\\" + INSTALLER, OLD_INSTALLER)
    program = start_updater(box, install_dir=MISSING_INSTALL_DIR)
    answer_warning(box, "OK")

    dialog = choose_folder(box, TARGET_DIR)
    # The dialog as the updater sets it up: centred, OK enabled on a folder, no status line.
    assert_centred(dialog)
    assert dialog["texts"] == []  # no title
    assert control(dialog, 1)["enabled"]
    assert not control(dialog, 14147)["visible"]

    finish(box, program, DOWNLOADED)
    assert read(box, TARGET_DIR + "\\" + INSTALLER) == NEW_INSTALLER
    assert files_in(box, TARGET_DIR) == [INSTALLER]
    # The fixed address only: no directive list.
    assert asked_for(host) == {INSTALLER_PATH}
    # Without an installation folder the run logs in the user's temporary folder.
    assert temp_log(box)[1:] == [
        "Keine Installation gefunden (Installationsordner %s fehlt): Laden des Updates in einen Ordner nach Wahl"
        % MISSING_INSTALL_DIR,
        "Frage: %s Antwort: OK" % WARNING,
        "Gewählter Ordner: " + TARGET_DIR,
        "Übertragung des Updates: %s mit C:\\windows\\system32\\curl.exe nach %s\\%s: geladen, Exit-Code 0"
        % (host.url(INSTALLER_PATH), TARGET_DIR, INSTALLER),
        "Meldung: " + DOWNLOADED,
        "Ende"]


def test_an_older_copy_that_cannot_be_removed_is_not_taken_for_the_download(box, host):
    host.put(INSTALLER_PATH, NEW_INSTALLER)
    put_file(box, TARGET_DIR + "\\" + INSTALLER, OLD_INSTALLER, mode=0o444)  # read-only: DeleteFile refuses
    program = start_updater(box)
    answer_warning(box, "OK")
    choose_folder(box, TARGET_DIR)
    finish(box, program, FAILED)
    assert read(box, TARGET_DIR + "\\" + INSTALLER) == OLD_INSTALLER
    assert asked_for(host) == set()


@pytest.mark.parametrize("cause,tool", [("404", "curl"), pytest.param("404", "wget", marks=pytest.mark.wow64),
                                        ("unwritable", "curl"), ("foreign signer", "wget")])
def test_a_failed_download_is_reported_and_leaves_no_file(box, host, cause, tool):
    if cause == "404":
        # Nothing on the host; an earlier copy must not outlive the failure.
        put_file(box, TARGET_DIR + "\\" + INSTALLER, OLD_INSTALLER)
    elif cause == "unwritable":
        host.put(INSTALLER_PATH, NEW_INSTALLER)
        os.makedirs(box.unix_path(TARGET_DIR + "\\" + INSTALLER))  # the name is taken by a folder
    else:  # a build that names the signer fetches an installer someone else signed
        with open(os.path.join(box.bin, "signing", "foreign.exe"), "rb") as f:
            host.put(INSTALLER_PATH, f.read())
    program = start_updater(box, tool, signed=cause == "foreign signer")
    answer_warning(box, "OK")
    choose_folder(box, TARGET_DIR)
    finish(box, program, FAILED)
    if cause != "unwritable":
        assert files_in(box, TARGET_DIR) == []
        assert INSTALLER_PATH in asked_for(host)
    else:
        assert files_in(box, TARGET_DIR) == [INSTALLER]
        assert os.listdir(box.unix_path(TARGET_DIR + "\\" + INSTALLER)) == []


@pytest.mark.parametrize("tool", ["curl", "wget"])
def test_a_drive_root_receives_the_installer_directly(box, host, tool):
    host.put(INSTALLER_PATH, NEW_INSTALLER)
    program = start_updater(box, tool)
    before = files_in(box, "C:\\")
    answer_warning(box, "OK")
    choose_folder(box, "C:\\")
    finish(box, program, DOWNLOADED)
    assert read(box, "C:\\" + INSTALLER) == NEW_INSTALLER
    assert sorted(set(files_in(box, "C:\\")) - set(before)) == [INSTALLER]


def test_cancelling_the_folder_dialog_ends_the_program_silently(box, host):
    host.put(INSTALLER_PATH, NEW_INSTALLER)
    program = start_updater(box)
    answer_warning(box, "OK")
    choose_folder(box, TARGET_DIR, button="Cancel")
    # A message would hold the program open.
    assert program.wait(timeout=20) == 0
    assert asked_for(host) == set()
    assert files_in(box, TARGET_DIR) == []
    assert_no_settings_file(box)


def test_a_virtual_item_takes_no_download_and_deletes_nothing(box, host):
    host.put(INSTALLER_PATH, NEW_INSTALLER)
    # An empty selection would name "\\Merovix_Update_.exe" in the root of the
    # current drive (C: here) and download beside the updater.
    put_file(box, "C:\\" + INSTALLER, OLD_INSTALLER)
    program = start_updater(box, cwd=PROGRAM_DIR)
    answer_warning(box, "OK")
    # OK is disabled on an item without a file-system path; confirming it
    # anyway (dlgtool sends the dialog IDOK) must still not download anywhere.
    dialog = choose_folder(box, "My Computer")
    assert not control(dialog, 1)["enabled"]
    finish(box, program, FAILED)
    assert asked_for(host) == set()
    assert read(box, "C:\\" + INSTALLER) == OLD_INSTALLER
    assert files_in(box, PROGRAM_DIR) == ["Update_Merovix.exe"]
