"""End-to-end: start-up, the command line, the consent question and the
one-shot settings key."""
import os

import pytest

from helpers import assert_centred
from product import LOG_NAME, UNATTENDED, documented_exit_code, run_log, run_unattended, temp_log
from winebox import DEFAULT_INSTALL_DIR, FLAVOURS

ASK = "Möchten Sie das Update von Merovix laden und installieren?"
CANCELLED = "Das Update wurde abgebrochen!"

SETTINGS = """[Parameter]
Servicename=Merovix
confirm_Update=1
minimiert_starten=0
[Other]
confirm_update=1
"""
SETTINGS_AFTER_RUN = SETTINGS.replace("confirm_Update=1\n", "").replace("\n", "\r\n")


@pytest.mark.parametrize("answer", [pytest.param("button", marks=pytest.mark.wow64), "escape", "close box"])
def test_refused_consent_cancels_and_deletes_the_one_shot_key(box, answer):
    box.install_product(settings=SETTINGS)
    program = box.start(box.updater())

    question = box.wait_dialog("Bestätigung")
    assert question["texts"] == [ASK]
    assert [(b["text"], b["id"], b["default"]) for b in question["buttons"]] == [("&Ja", 6, True),
                                                                                  ("Abbrechen", 2, False)]
    assert question["icon"]
    assert_centred(question)
    main = box.dlg("find-class", "TForm1")
    assert main["caption"] == "Update Merovix"
    assert main["rect"] == [1, 1, 2, 2] and not main["border"], main
    box.screenshot("question")

    if answer == "button":
        box.dlg("press", "Bestätigung", "Abbrechen")
    elif answer == "escape":
        box.dlg("escape", "Bestätigung")
    else:
        box.dlg("close", "Bestätigung")

    message = box.wait_dialog("Update_Merovix")
    assert message["texts"] == [CANCELLED]
    assert [b["text"] for b in message["buttons"]] == ["OK"] and not message["icon"]
    assert_centred(message)
    box.dlg("press", "Update_Merovix", "OK")

    assert program.wait(timeout=30) == 0
    assert box.read_settings() == SETTINGS_AFTER_RUN


def test_confirm_update_zero_skips_the_question_for_one_start_only(box):
    box.install_product(settings="[Parameter]\nconfirm_update=0\nfoo=bar\n")
    first = box.start(box.updater())
    # No question: the run goes straight on (and, without a transfer tool in
    # this prefix, ends with the download failure).
    assert box.wait_dialog("Merovix Update")["texts"] == ["Beim Laden der Datei ist ein Fehler aufgetreten!"]
    box.dlg("press", "Merovix Update", "OK")
    assert first.wait(timeout=30) == 0
    assert box.read_settings() == "[Parameter]\r\nfoo=bar\r\n"

    second = box.start(box.updater())
    assert box.wait_dialog("Bestätigung")["texts"] == [ASK]
    box.dlg("press", "Bestätigung", "Abbrechen")
    box.dlg("press", "Update_Merovix", "OK")
    assert second.wait(timeout=30) == 0


# Unattended, the error is logged with its own exit code instead of shown
# (shown and logged: the registry row of tests/e2e/test_bad_input.py).
def test_a_registry_value_of_the_wrong_type_is_logged_in_an_unattended_run(box):
    box.install_product(settings="[Parameter]\nconfirm_Update=0\n")
    box.install_product(install_dir="1", value_type="REG_DWORD")
    unexpected = documented_exit_code("unexpected error")
    assert run_unattended(box, box.win_path(box.updater())) == (unexpected, [])
    assert temp_log(box)[1:] == [UNATTENDED, "Fehler: Ungültiger Datentyp für 'Inno Setup: App Path'",
                                 "Ende, Exit-Code %d" % unexpected]


# A 32-bit installer leaves its uninstall entry in the 32-bit registry view, a
# 64-bit one in the 64-bit view. The program reads its own view, and the other
# one when its own has no entry: from either, it finds the installation.
@pytest.mark.wow64
@pytest.mark.parametrize("entries", ["32-bit view", "64-bit view", "both views"])
def test_the_installation_is_found_through_either_registry_view(box, entries):
    if entries == "both views":  # its own view names the installation, the other a missing folder
        box.install_product(settings=SETTINGS)
        box.add_uninstall_entry("C:\\Programme\\Anderswo", view=FLAVOURS[box.flavour.other].registry_view)
    else:
        box.install_product(settings=SETTINGS, view="/reg:" + entries[:2])
    program = box.start(box.updater())
    assert box.wait_dialog("Bestätigung")["texts"] == [ASK]
    box.dlg("press", "Bestätigung", "Abbrechen")
    box.dlg("press", "Update_Merovix", "OK")
    assert program.wait(timeout=30) == 0
    assert box.read_settings() == SETTINGS_AFTER_RUN


# An unattended run refuses a command line it does not understand: the tool
# that started it waits for its code. It shows nothing, does nothing (the
# one-shot key stays) and names the argument in the log, on a line of its
# own. With a user at the PC the program runs as without the argument and
# names it in the log.
@pytest.mark.parametrize("args,named", [
    pytest.param(["/silent"], "/silent", marks=pytest.mark.wow64),
    (["/unattended", "Ärger ö"], "Ärger ö"),
    (["-unattended", "x\r\nEnde"], "x  Ende"),
], ids=["interactive", "after-the-switch", "line-break"])
def test_an_unknown_argument_is_refused_only_unattended(box, args, named):
    box.install_product(settings=SETTINGS)
    log_path = os.path.join(box.unix_path(DEFAULT_INSTALL_DIR), LOG_NAME)
    if "/silent" in args:
        program = box.start(box.updater(), *args)
        assert box.wait_dialog("Bestätigung")["texts"] == [ASK]
        box.dlg("press", "Bestätigung", "Abbrechen")
        box.dlg("press", "Update_Merovix", "OK")
        assert program.wait(timeout=30) == 0
        assert box.read_settings() == SETTINGS_AFTER_RUN
        assert run_log(log_path)[1:3] == [
            'Unbekanntes Argument "%s" übergangen (bekannt ist nur /unattended)' % named,
            "Update der Installation in " + DEFAULT_INSTALL_DIR]
        return
    refused = documented_exit_code("unknown command-line argument")
    assert run_unattended(box, box.win_path(box.updater()), *args) == (refused, [])
    assert box.read_settings() == SETTINGS.replace("\n", "\r\n")
    assert run_log(log_path)[1:] == [
        'Unbekanntes Argument "%s" abgelehnt (bekannt ist nur /unattended): nichts getan' % named,
        "Ende, Exit-Code %d" % refused]
