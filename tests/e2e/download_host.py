"""The test bed's download host and transfer tools, for end-to-end tests.

The host (scripts/lib/download_host.sh) is one nginx for the whole suite.
Each test gets a document root of its own: the test bed's curl.exe and
wget.exe send "X-Test-Box: <name>" from the environment variable
MEROVIX_TEST_BOX, nginx serves boxes/<name>/ for it and writes the name first
on each access-log line, so tests running in parallel never see each other's
files or requests.
"""
import os
import shutil
import uuid

import winebed
from recorder_log import read_records

HOST = os.environ.get("MEROVIX_TEST_HOST", "localhost:47443")
# A plain-HTTP server serving the same files, which the program must never reach.
PLAIN_HOST = os.environ.get("MEROVIX_TEST_PLAIN_HOST", "localhost:47445")
HOST_DIR = os.environ.get("MEROVIX_TEST_HOST_DIR")
TOOLS_SRC = os.path.join(os.path.dirname(__file__), "..", "tools")
INSTALLER_PATH = "/fileadmin/files/merovix/Merovix_Update_.exe"
LIST_PATH = "/wget/restricted/LoadAndRun.ini"
# A time stamp for served files, far from any time a test runs at.
SERVER_TIME = 784887151  # Tue, 15 Nov 1994 08:12:31 GMT


class DownloadHost:
    """This test's view of the host: its files, its URLs, its access log."""

    def __init__(self, box):
        self.box = box
        self.name = "t" + uuid.uuid4().hex[:16]
        self.root = os.path.join(HOST_DIR, "boxes", self.name)
        os.makedirs(self.root)
        box.env["MEROVIX_TEST_BOX"] = self.name
        box.env["CURL_CA_BUNDLE"] = os.environ["MEROVIX_TEST_CA"]

    def close(self):
        shutil.rmtree(self.root, ignore_errors=True)

    def url(self, path):
        return "https://" + HOST + path

    def put(self, path, data, mtime=None):
        """Places a file at URL path `path`; `mtime` (seconds since 1970) sets
        its Last-Modified."""
        local = os.path.join(self.root, path.lstrip("/"))
        os.makedirs(os.path.dirname(local), exist_ok=True)
        with open(local, "wb") as f:
            f.write(data)
        if mtime is not None:
            os.utime(local, (mtime, mtime))
        return self.url(path)

    def plain_url(self, path):
        """`path` on the plain-HTTP server."""
        return "http://" + PLAIN_HOST + path

    def transfers(self, log_name="access.log"):
        """(method, uri, status, bytes) of every request this test made, in
        order; bytes counts the request and the whole answer, headers
        included."""
        result = []
        with open(os.path.join(HOST_DIR, log_name), encoding="latin-1") as log:
            for line in log:
                box, method, uri, status, rest = line.split(" ", 4)
                if box == self.name:
                    request_bytes, answer_bytes = rest.split()[-2:]
                    result.append((method, uri.strip('"'), int(status), int(request_bytes) + int(answer_bytes)))
        return result

    def requests(self, log_name="access.log"):
        """(method, uri, status) of every request this test made, in order."""
        return [transfer[:3] for transfer in self.transfers(log_name)]

    def plain_requests(self):
        """The requests of this test that reached the plain-HTTP server."""
        return self.requests("plain.log")


def _install(box, tool, dest_folders, with_script):
    for folder in dest_folders:
        winebed.install_file(os.path.join(box.bin, tool + ".exe"), os.path.join(folder, tool + ".exe"))
        if with_script:
            winebed.install_file(os.path.join(TOOLS_SRC, tool, tool + ".sh"), os.path.join(folder, tool + ".sh"))


def install_curl(box):
    """Debian's curl as C:\\windows\\system32\\curl.exe, for processes of
    either bitness (in System32 and SysWOW64)."""
    _install(box, "curl", box.system_folders(), True)


def install_wget(box, folder):
    """Debian's wget as wget.exe in the Linux folder `folder` of the prefix."""
    os.makedirs(folder, exist_ok=True)
    _install(box, "wget", [folder], True)


def install_findstr(box):
    """A working findstr.exe in place of Wine's stub (which Wine would still
    prefer as its builtin without the override)."""
    _install(box, "findstr", box.system_folders(), False)
    overrides = box.env.get("WINEDLLOVERRIDES", "")
    box.env["WINEDLLOVERRIDES"] = (overrides + ";" if overrides else "") + "findstr.exe=n"


def install_driver(box, win_folder="C:\\Merovix", signed=False, short=False):
    """download_driver.exe (tests/tools/download_driver) in `win_folder`,
    which becomes the program's folder of the operations it drives;
    `signed`: the driver built to name the test signer, `short`: the one
    whose transfers may take 8 seconds (tests/CMakeLists.txt)."""
    folder = box.unix_path(win_folder)
    os.makedirs(folder, exist_ok=True)
    built = "download_driver_signed.exe" if signed else "download_driver_short.exe" if short else "download_driver.exe"
    winebed.install_file(os.path.join(box.bin, built), os.path.join(folder, "download_driver.exe"))
    return win_folder + "\\download_driver.exe"


def install_recorder(box, win_path):
    """recorder.exe (tests/tools/recorder) under the Windows name `win_path`;
    each start appends a line to the .log beside it."""
    path = box.unix_path(win_path)
    os.makedirs(os.path.dirname(path), exist_ok=True)
    winebed.install_file(os.path.join(box.bin, "recorder.exe"), path)
    return path


def recorded_command_lines(recorder_path):
    """The command lines recorder.exe at `recorder_path` (Linux) was started with."""
    return [record["cmdline"] for record in read_records(recorder_path)]
