"""End-to-end: LoadDirectiveList, ReadDirectiveValue and LoadAndRun with the
real transfer tools against the test bed's download host."""
import os
import time

import pytest
from winebed import wait_until

from download_host import (LIST_PATH, SERVER_TIME, install_curl, install_driver, install_findstr, install_recorder,
                           install_wget, recorded_command_lines)
from product import WORK_FOLDER

LIST = ("[Update]\r\n"
        "UpdateFilename=https://h/Gr\u00f6\u00dfe.exe\n"
        "[Docs]\r"
        "Manual={base}/docs/Handbuch.PdF^Handbuch\r\n"
        "Setup={base}/tools/Setup.exe\r\n"
        "Page={base}/info/index.html\r\n"
        "Hostile={base}/info/index.html&echo pwned>C:\\pwned.txt\r\n")
DEFAULT = "https://default/Merovix_Update_.exe"


def load_directive(box, driver, key="UpdateFilename", section="Update", folder=None):
    args = ["directive", key, DEFAULT, section] + ([folder] if folder else [])
    code, out = box.output(driver, *args)
    assert code == 0, out
    fields = [line.split(" ", 1) for line in out.splitlines()]
    value = [bytes.fromhex(v) for k, v in fields if k == "value"][0]
    lines = [bytes.fromhex(v) for k, v in fields if k == "line"]
    return value, lines


def leftovers(box, win_folder):
    return [n for n in os.listdir(box.unix_path(win_folder)) if n.startswith("LoadAndRun.ini")]


@pytest.mark.parametrize("tool", ["curl", "wget"])
def test_list_is_loaded_converted_to_ansi_and_removed(box, host, tool):
    driver = install_driver(box)
    if tool == "curl":
        install_curl(box)
    else:
        install_wget(box, box.unix_path("C:\\Merovix"))
    # Left over, beside the program and in the work folder: neither is read.
    os.makedirs(box.unix_path(WORK_FOLDER))
    for folder in ("C:\\Merovix", WORK_FOLDER):
        with open(box.unix_path(folder + "\\LoadAndRun.ini"), "wb") as f:
            f.write(b"[Update]\r\nUpdateFilename=stale\r\n")
    host.put(LIST_PATH, LIST.format(base=host.url("")).encode("utf-8"))
    value, lines = load_directive(box, driver)
    assert value == b"https://h/Gr\xf6\xdfe.exe"  # code page 1252
    assert lines[0] == b"[Update]" and b"[Before]" not in lines
    assert lines[3].startswith(b"Manual=https://") and len(lines) == 7
    assert leftovers(box, WORK_FOLDER) == [] and leftovers(box, "C:\\Merovix") == ["LoadAndRun.ini"]
    # Other readers' letter-case rule: sections and keys in any case.
    assert load_directive(box, driver, key="MANUAL", section="docs")[0].endswith(b"/docs/Handbuch.PdF^Handbuch")


def test_list_of_a_calvorintex_program_is_read_where_it_was_fetched(box, host):
    driver = install_driver(box, "C:\\Merovix\\Calvorintex")
    install_wget(box, box.unix_path("C:\\Merovix"))  # the parent folder holds wget.exe
    host.put(LIST_PATH, b"[Update]\r\nUpdateFilename=https://h/new.exe\r\n")
    assert load_directive(box, driver)[0] == b"https://h/new.exe"
    assert leftovers(box, "C:\\Merovix") == [] and leftovers(box, "C:\\Merovix\\Calvorintex") == []


def test_missing_or_odd_lists_leave_the_defaults(box, host):
    driver = install_driver(box)
    install_curl(box)
    install_findstr(box)
    value, lines = load_directive(box, driver)  # not on the host: 404
    assert (value, lines) == (DEFAULT.encode(), [b"[Before]"])
    # A byte-order mark belongs to the first line, so that header is not "[Update]".
    host.put(LIST_PATH, b"\xef\xbb\xbf[Update]\r\nUpdateFilename=https://h/a.exe\r\n")
    assert load_directive(box, driver)[0] == DEFAULT.encode()
    # A NUL byte ends the text.
    host.put(LIST_PATH, b"[Update]\r\nX=1\r\n\0\r\nUpdateFilename=https://h/a.exe\r\n")
    value, lines = load_directive(box, driver)
    assert value == DEFAULT.encode() and lines == [b"[Update]", b"X=1"]
    assert leftovers(box, "C:\\Merovix") == []


def test_load_and_run_downloads_opens_and_starts_only_what_it_should(box, host):
    driver = install_driver(box)
    install_curl(box)
    install_findstr(box)
    viewer = install_recorder(box, "C:\\tools\\viewer.exe")
    browser = install_recorder(box, "C:\\tools\\browser.exe")
    reg = box.unix_path("C:\\tools\\assoc.reg")
    with open(reg, "w") as f:
        f.write('REGEDIT4\r\n\r\n[HKEY_CLASSES_ROOT\\.pdf]\r\n@="MerovixTest.Pdf"\r\n\r\n'
                '[HKEY_CLASSES_ROOT\\MerovixTest.Pdf\\shell\\open\\command]\r\n'
                '@="\\"C:\\\\tools\\\\viewer.exe\\" \\"%1\\""\r\n\r\n'
                '[HKEY_CLASSES_ROOT\\https\\shell\\open\\command]\r\n'
                '@="\\"C:\\\\tools\\\\browser.exe\\" \\"%1\\""\r\n\r\n'
                '[HKEY_CLASSES_ROOT\\http\\shell\\open\\command]\r\n'
                '@="\\"C:\\\\tools\\\\browser.exe\\" \\"%1\\""\r\n')
    assert box.run("regedit", "/S", "C:\\tools\\assoc.reg") == 0
    base = host.url("")
    plain_entries = "PlainPage={plain}/info/index.html\r\nPlainManual={plain}/docs/Handbuch.PdF\r\n"
    host.put(LIST_PATH, (LIST + plain_entries).format(base=base, plain=host.plain_url("")).encode("utf-8"))
    host.put("/docs/Handbuch.PdF", b"%PDF-1.4 manual")
    with open(viewer, "rb") as f:
        host.put("/tools/Setup.exe", f.read())

    def load_and_run(entry, run):
        code, out = box.output(driver, "loadandrun", entry, "C:\\Docs\\", "Docs", "1" if run else "0")
        assert code == 0, out
        assert leftovers(box, "C:\\Merovix") == []

    def wait_for(recorder, count):
        wait_until(lambda: len(recorded_command_lines(recorder)) >= count, 20, "%d start(s) of %s" % (count, recorder))
        return recorded_command_lines(recorder)

    os.makedirs(box.unix_path("C:\\Docs"))
    load_and_run("Manual", False)
    load_and_run("Page", False)
    assert open(box.unix_path("C:\\Docs\\Handbuch.PdF"), "rb").read() == b"%PDF-1.4 manual"
    load_and_run("Manual", True)
    assert wait_for(viewer, 1) == ['"C:\\tools\\viewer.exe" "C:\\Docs\\Handbuch.PdF"']
    load_and_run("Setup", True)
    assert wait_for(box.unix_path("C:\\Docs\\Setup.exe"), 1) == ['"C:\\Docs\\Setup.exe"']
    load_and_run("Page", True)
    assert wait_for(browser, 1) == ['"C:\\tools\\browser.exe" "%s/info/index.html"' % base]
    load_and_run("Hostile", True)
    assert not os.path.exists(box.unix_path("C:\\pwned.txt"))
    load_and_run("PlainPage", True)  # plain HTTP: neither opened nor fetched
    load_and_run("PlainManual", True)
    assert host.plain_requests() == []
    assert sorted(os.listdir(box.unix_path("C:\\Docs"))) == ["Handbuch.PdF", "Setup.exe", "Setup.log"]
    fetched = [uri for method, uri, status in host.requests() if method == "GET" and status == 200]
    assert "/info/index.html" not in fetched and fetched.count("/docs/Handbuch.PdF") == 1
    assert len(recorded_command_lines(viewer)) == 1 and len(recorded_command_lines(browser)) == 1


@pytest.mark.parametrize("tool", ["curl", "wget"])
def test_a_list_dripping_past_its_time_limit_is_not_read(box, host, tool):
    """The driver whose transfers may take 8 seconds and whose list comes
    from the host's /slow/ path (32 seconds for its 16000 bytes)."""
    driver = install_driver(box, short=True)
    if tool == "curl":
        install_curl(box)
    else:
        install_wget(box, box.unix_path("C:\\Merovix"))
    started = time.monotonic()
    assert load_directive(box, driver) == (DEFAULT.encode(), [b"[Before]"])
    assert time.monotonic() - started < 25
    assert leftovers(box, WORK_FOLDER) == []


def test_with_a_signer_load_and_run_keeps_only_what_the_signer_signed(box, host):
    """Known Wine difference: the test CA's signature passes (Windows:
    CERT_E_UNTRUSTEDROOT, maker.exe would be deleted as well)."""
    driver = install_driver(box, signed=True)
    install_curl(box)
    install_findstr(box)
    entries = "".join("%s={base}/tools/%s\r\n" % (name, name) for name in ("unsigned.exe", "maker.exe"))
    host.put(LIST_PATH, ("[Docs]\r\nManual={base}/docs/Handbuch.pdf\r\n" + entries).format(base=host.url("")).encode())
    host.put("/docs/Handbuch.pdf", b"%PDF-1.4 manual")
    for name in ("unsigned.exe", "maker.exe"):
        with open(os.path.join(box.bin, "signing", name), "rb") as f:
            host.put("/tools/" + name, f.read(), mtime=SERVER_TIME)
    os.makedirs(box.unix_path("C:\\Docs"))
    for entry in ("Manual", "unsigned.exe", "maker.exe"):
        code, out = box.output(driver, "loadandrun", entry, "C:\\Docs\\", "Docs", "0")
        assert code == 0, out
    fetched = [uri for method, uri, status in host.requests() if method == "GET" and status == 200]
    assert "/docs/Handbuch.pdf" in fetched and "/tools/unsigned.exe" in fetched
    assert os.listdir(box.unix_path("C:\\Docs")) == ["maker.exe"]  # the others fetched, refused and deleted
