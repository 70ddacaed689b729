"""End-to-end: DownloadFile with the real curl and wget against the test
bed's download host, driven by download_driver.exe."""
import os
import socket
import time

import pytest
from winebed import wait_until

from download_host import (INSTALLER_PATH, SERVER_TIME, install_curl, install_driver, install_findstr,
                           install_recorder, install_wget, recorded_command_lines)

TARGET = "C:\\Ziel\\Merovix_Update_.exe"


@pytest.fixture(params=["curl", "wget"])
def tool(request, box):
    """The driver in C:\\Merovix with curl.exe in System32, or wget.exe
    beside it (and no curl.exe)."""
    driver = install_driver(box)
    os.makedirs(box.unix_path("C:\\Ziel"))
    if request.param == "curl":
        install_curl(box)
        install_findstr(box)
    else:
        install_wget(box, box.unix_path("C:\\Merovix"))
    return request.param, driver


def answered(host):
    """The requests of this test, without wget's first try without
    credentials (it sends them only when challenged)."""
    return [r for r in host.requests() if r[2] != 401]


def download(box, driver, url, target=TARGET, run=False, timeout=60):
    code, out = box.output(driver, "download", url, target, "1" if run else "0", timeout=timeout)
    assert code == 0, out


def files_in(box, win_folder):
    folder = box.unix_path(win_folder)
    return sorted(os.listdir(folder)) if os.path.isdir(folder) else []


def read(box, win_path):
    with open(box.unix_path(win_path), "rb") as f:
        return f.read()


def put_old_copy(box, data=b"old installer", mtime=SERVER_TIME - 86400):
    path = box.unix_path(TARGET)
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)
    os.utime(path, (mtime, mtime))


def test_download_writes_the_complete_file_with_the_servers_time(box, host, tool):
    url = host.put(INSTALLER_PATH, b"new installer " * 1000, mtime=SERVER_TIME)
    download(box, tool[1], url)
    assert read(box, TARGET) == b"new installer " * 1000
    assert int(os.stat(box.unix_path(TARGET)).st_mtime) == SERVER_TIME
    assert files_in(box, "C:\\Ziel") == ["Merovix_Update_.exe"]  # no partial file or staging folder left
    assert [r for r in answered(host) if r[0] == "GET"] == [("GET", INSTALLER_PATH, 200)]


def test_a_redirect_on_the_host_is_followed_not_saved(box, host, tool):
    host.put(INSTALLER_PATH, b"moved installer", mtime=SERVER_TIME)
    download(box, tool[1], host.url("/moved" + INSTALLER_PATH))
    assert read(box, TARGET) == b"moved installer"
    assert ("GET", "/moved" + INSTALLER_PATH, 302) in answered(host)
    # A redirect to plain HTTP: curl refuses it. Known limitation of Debian's
    # wget (README): it cannot refuse only that, and follows.
    os.unlink(box.unix_path(TARGET))
    download(box, tool[1], host.url("/tohttp" + INSTALLER_PATH))
    if tool[0] == "curl":
        assert files_in(box, "C:\\Ziel") == [] and host.plain_requests() == []
    else:
        assert read(box, TARGET) == b"moved installer" and host.plain_requests() == [("GET", INSTALLER_PATH, 200)]


@pytest.mark.wow64
def test_unchanged_installer_is_not_fetched_again(box, host, tool):
    url = host.put(INSTALLER_PATH, b"v1", mtime=SERVER_TIME)
    download(box, tool[1], url)
    first = len(answered(host))
    download(box, tool[1], url)
    again = answered(host)[first:]
    if tool[0] == "curl":
        assert again == [("HEAD", INSTALLER_PATH, 200)]
    else:  # wget -N asks with If-Modified-Since and gets no body
        assert again == [("GET", INSTALLER_PATH, 304)] or again == [("HEAD", INSTALLER_PATH, 200)]
    assert read(box, TARGET) == b"v1"


@pytest.mark.parametrize("later", [1, 86400], ids=["second", "day"])
def test_installer_changed_on_the_server_is_fetched(box, host, tool, later):
    # A day later hits the same time of day: still a new file.
    put_old_copy(box, b"old", mtime=SERVER_TIME)
    url = host.put(INSTALLER_PATH, b"new", mtime=SERVER_TIME + later)
    download(box, tool[1], url)
    assert read(box, TARGET) == b"new"
    assert int(os.stat(box.unix_path(TARGET)).st_mtime) == SERVER_TIME + later


def test_http_errors_never_leave_an_error_page_as_the_file(box, host, tool):
    for status in (401, 404, 500):
        url = host.url("/err/%d/Merovix_Update_.exe" % status)
        download(box, tool[1], url)
        assert files_in(box, "C:\\Ziel") == [], status
        put_old_copy(box)
        download(box, tool[1], url)
        assert read(box, TARGET) == b"old installer", status
        assert files_in(box, "C:\\Ziel") == ["Merovix_Update_.exe"], status
        os.unlink(box.unix_path(TARGET))
    assert {r[2] for r in host.requests() if r[0] == "GET"} == {401, 404, 500}


def test_transfer_cut_off_midway_leaves_no_truncated_file(box, host, tool):
    url = host.url("/cut/Merovix_Update_.exe")
    download(box, tool[1], url)
    assert files_in(box, "C:\\Ziel") == []
    put_old_copy(box)
    download(box, tool[1], url)
    assert read(box, TARGET) == b"old installer"
    assert files_in(box, "C:\\Ziel") == ["Merovix_Update_.exe"]
    # The host did answer 200 and broke the transfer off (not a plain error).
    assert ("GET", "/cut/Merovix_Update_.exe", 200) in host.requests()


def test_stalled_host_ends_header_query_and_transfer_and_keeps_the_old_copy(box, host, tool):
    # /stall/ answers a HEAD with nothing and a GET with the headers and a few
    # bytes, then nothing. The driver's time-out is the bound: two minutes.
    put_old_copy(box)
    download(box, tool[1], host.url("/stall/Merovix_Update_.exe"), timeout=120)
    assert read(box, TARGET) == b"old installer"
    assert files_in(box, "C:\\Ziel") == ["Merovix_Update_.exe"]


@pytest.mark.parametrize("tool", ["curl"], indirect=True)
def test_slow_but_steady_download_outlasting_the_stall_limit_completes(box, host, tool):
    download(box, tool[1], host.url("/slow/Merovix_Update_.exe"), timeout=120)
    assert read(box, TARGET) == b"S" * 16000


def test_a_host_dripping_past_the_time_limit_fails_the_download_and_keeps_the_old_copy(box, host, tool):
    """The driver built with transfers of at most 8 seconds, against /slow/,
    which drips its 16000 bytes over 32 seconds fast enough for curl's own
    stall limit: the transfer is ended at the limit."""
    driver = install_driver(box, short=True)
    put_old_copy(box, mtime=SERVER_TIME + 7)  # not the server's time: curl fetches
    started = time.monotonic()
    download(box, driver, host.url("/slow/Merovix_Update_.exe"), timeout=60)
    assert time.monotonic() - started < 25
    assert read(box, TARGET) == b"old installer"
    assert files_in(box, "C:\\Ziel") == ["Merovix_Update_.exe"]


def test_unreachable_host_keeps_the_old_copy(box, host, tool):
    put_old_copy(box)
    # A loopback port held by this test without listening: every connection
    # is refused, and nothing else can take the port meanwhile.
    with socket.socket() as held:
        held.bind(("127.0.0.1", 0))
        url = "https://127.0.0.1:%d/fileadmin/files/merovix/Merovix_Update_.exe" % held.getsockname()[1]
        download(box, tool[1], url, timeout=40)
    assert read(box, TARGET) == b"old installer"


def test_drive_root_as_target_lands_in_the_root(box, host, tool):
    url = host.put(INSTALLER_PATH, b"root", mtime=SERVER_TIME)
    # The fallback download joins a chosen root "C:\" with "\Merovix_Update_.exe".
    download(box, tool[1], url, target="C:\\\\Merovix_Update_.exe")
    assert read(box, "C:\\Merovix_Update_.exe") == b"root"
    assert not os.path.exists(box.unix_path("C:\\Merovix\\Merovix_Update_.exe"))
    assert not [n for n in os.listdir(box.c) if n.startswith("Merovix_Update_.exe.")]


def test_url_without_slash_names_the_file_and_fails_cleanly(box, host, tool):
    put_old_copy(box)
    download(box, tool[1], "Merovix_Update_.exe")
    assert read(box, TARGET) == b"old installer"
    assert files_in(box, "C:\\Ziel") == ["Merovix_Update_.exe"]


def test_url_with_a_query_is_refused_as_its_file_name_cannot_exist(box, host, tool):
    url = host.put(INSTALLER_PATH, b"x", mtime=SERVER_TIME) + "?version=2"
    download(box, tool[1], url)
    assert files_in(box, "C:\\Ziel") == []
    assert host.requests() == []
    # The query URL is fine as such: it only cannot name a file.


HOSTILE = [
    "{url}&echo pwned>C:\\pwned.txt",
    "{url} -o C:\\pwned.txt",
    "{url}|echo pwned>C:\\pwned.txt",
    "{url}^&echo",
    "{url}%COMSPEC%",
    "\"{url}\" -o C:\\pwned.txt",
    "{url}\r\necho pwned>C:\\pwned.txt",
    "-oC:\\pwned.txt",
    "--output=C:\\pwned.txt",
    "https://localhost:47443/fileadmin/files/merovix/[A-Z]erovix_Update_.exe",
]


def test_hostile_urls_are_refused_before_any_command_runs(box, host, tool):
    url = host.put(INSTALLER_PATH, b"x", mtime=SERVER_TIME)
    put_old_copy(box)  # with curl, an existing file would make the header query run through cmd.exe
    for hostile in HOSTILE:
        download(box, tool[1], hostile.format(url=url), run=True)
    assert host.requests() == []
    assert not os.path.exists(box.unix_path("C:\\pwned.txt"))
    assert read(box, TARGET) == b"old installer"


def test_downloaded_exe_is_started_only_when_asked(box, host, tool):
    recorder = install_recorder(box, "C:\\stage\\Setup.exe")
    with open(recorder, "rb") as f:
        url = host.put("/tools/Setup.exe", f.read(), mtime=SERVER_TIME)
    download(box, tool[1], url, target="C:\\Ziel\\", run=False)
    started = box.unix_path("C:\\Ziel\\Setup.exe")
    assert os.path.exists(started)
    assert recorded_command_lines(started) == []
    download(box, tool[1], url, target="C:\\Ziel\\", run=True)
    assert wait_until(lambda: recorded_command_lines(started), 20, "the download to start") == [
        '"C:\\Ziel\\Setup.exe"']


def test_with_a_signer_only_a_program_the_signer_signed_is_started(box, host):
    """DownloadFile with run-after-download in a build that names the
    installer's signer and pins its keys (a self-made certificate with the
    maker's name is not the maker's key). Known Wine difference: the test
    CA's signature passes (Windows: CERT_E_UNTRUSTEDROOT, nothing would start)."""
    driver = install_driver(box, signed=True)
    install_curl(box)
    install_findstr(box)
    os.makedirs(box.unix_path("C:\\Ziel"))
    for standin, starts in (("unsigned.exe", False), ("tampered.exe", False), ("selfmade.exe", False),
                            ("maker.exe", True)):
        with open(os.path.join(box.bin, "signing", standin), "rb") as f:
            url = host.put("/tools/" + standin, f.read(), mtime=SERVER_TIME)
        download(box, driver, url, target="C:\\Ziel\\", run=True)
        started = box.unix_path("C:\\Ziel\\" + standin)
        if starts:
            assert wait_until(lambda: recorded_command_lines(started), 20, standin + " to start") == [
                '"C:\\Ziel\\%s"' % standin]
        else:
            assert ("GET", "/tools/" + standin, 200) in host.requests()
            assert not os.path.exists(started), standin  # fetched, refused and deleted
            assert recorded_command_lines(started) == [], standin


def test_removing_a_folder_never_reaches_through_a_link(box):
    """RemoveFolderAndFiles on a junction (under Wine: a Linux symbolic link
    to a folder, reported as a reparse point) and on a real folder holding
    one: only the folder's own files go. Known Wine difference: DeleteFileA
    on a Linux symbolic link to a file deletes the target (Windows deletes a
    file link itself), so no file link is planted here."""
    driver = install_driver(box)
    target = box.unix_path("C:\\Daten")
    os.makedirs(os.path.join(target, "sub"))
    for name in ("befund.txt", "sub\\keep.txt"):
        with open(os.path.join(target, *name.split("\\")), "wb") as f:
            f.write(b"precious")
    junction = box.unix_path("C:\\Merovix\\Merovix_Update_.exe.wget")
    os.symlink(target, junction)
    real = box.unix_path("C:\\Merovix\\real.wget")
    os.makedirs(real)
    with open(os.path.join(real, "fetched.exe"), "wb") as f:
        f.write(b"x")
    os.symlink(target, os.path.join(real, "folder-link"))

    for folder in (junction, real):
        code, out = box.output(driver, "removefolder", box.win_path(folder))
        assert code == 0, out
    assert os.path.islink(junction) and os.readlink(junction) == target
    assert os.listdir(real) == ["folder-link"]  # subfolders (and links to folders) stay
    assert sorted(os.listdir(target)) == ["befund.txt", "sub"]
    with open(os.path.join(target, "befund.txt"), "rb") as f:
        assert f.read() == b"precious"
