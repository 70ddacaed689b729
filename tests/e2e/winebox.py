"""One Wine prefix for one end-to-end test, and ways to run programs in it."""
import os
import shutil
import subprocess
import time

import winebed


class Flavour:
    """One build of the program with its test tools. The template prefix is a
    WoW64 prefix, so the 32-bit build runs as on 64-bit Windows: its System
    folder is SysWOW64 and its registry view the 32-bit one."""

    def __init__(self, name, build_dir, registry_view, other):
        self.name, self.build_dir = name, build_dir
        self.registry_view = registry_view  # reg.exe's switch for this build's own view
        self.other = other  # the flavour of the other bitness


FLAVOURS = {
    "x86_64": Flavour("x86_64", "win64", "/reg:64", "i686"),
    "i686": Flavour("i686", "win32", "/reg:32", "x86_64"),
}
SYSTEM_FOLDERS = ("windows\\system32", "windows\\syswow64")
# Why a test was skipped where no 32-bit program runs (MEROVIX_NO_WOW64 follows).
NOT_RUN = "did NOT run, needs a 32-bit process under Wine: "


class Prefix:
    """A fresh copy of the template prefix with its own persistent wineserver."""

    def __init__(self, template, prefix, display, root, workdir, flavour="x86_64"):
        self.template, self.prefix, self.display = template, prefix, display
        self.root, self.workdir = root, workdir
        self.flavour = FLAVOURS[flavour]
        self.build = os.path.join(root, "build", self.flavour.build_dir)
        self.bin = os.path.join(self.build, "tests", "bin")
        # Test tools of the other bitness, for programs the updater meets
        # that are not of its own (both builds are made by scripts/test).
        self.other_bin = os.path.join(root, "build", FLAVOURS[self.flavour.other].build_dir, "tests", "bin")
        self.env = winebed.wine_env(prefix, display)
        self.c = os.path.join(prefix, "drive_c")

    def __enter__(self):
        winebed.clone_prefix(self.template, self.prefix)
        subprocess.run([winebed.WINESERVER, "-p"], env=self.env, check=True, timeout=60)
        self.run("cmd", "/c", "exit", timeout=60)
        return self

    def __exit__(self, *exc):
        subprocess.run([winebed.WINESERVER, "-k"], env=self.env, timeout=60, check=False)
        subprocess.run([winebed.WINESERVER, "-w"], env=self.env, timeout=60, check=False)
        shutil.rmtree(self.prefix, ignore_errors=True)

    def need_other_bitness(self):
        """Skips the test where the other bitness's programs cannot run: a test
        that starts them from the 64-bit side carries the marker other_bitness,
        and this catches one that does not."""
        reason = os.environ.get("MEROVIX_NO_WOW64")
        if reason and self.flavour.other == "i686":
            import pytest
            pytest.skip(NOT_RUN + reason)

    def win_path(self, unix_path):
        """The Windows name of a file in this prefix's drive C (or Z: elsewhere)."""
        unix_path = os.path.abspath(unix_path)
        if unix_path.startswith(self.c + os.sep) or unix_path == self.c:
            return "C:" + unix_path[len(self.c):].replace("/", "\\") or "C:\\"
        return "Z:" + unix_path.replace("/", "\\")

    def unix_path(self, win_path):
        assert win_path[1:3] == ":\\" and win_path[0] in "Cc", win_path
        return os.path.join(self.c, *win_path[3:].split("\\"))

    def system_folders(self):
        """Both System folders: what goes there is found by processes of either bitness."""
        return [self.unix_path("C:\\" + folder) for folder in SYSTEM_FOLDERS]

    def _log(self, name):
        return open(os.path.join(self.workdir, name), "ab")

    def start(self, *args, log="programs.log", cwd=None):
        """Starts a Windows program (or builtin) without waiting."""
        with self._log(log) as out:
            return subprocess.Popen([winebed.WINE, *args], env=self.env, cwd=cwd or self.workdir,
                                    stdin=subprocess.DEVNULL, stdout=out, stderr=out)

    def run(self, *args, timeout=60, log="programs.log"):
        """Runs a Windows program to its end; returns its exit code."""
        proc = self.start(*args, log=log)
        try:
            return proc.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            proc.kill()
            raise

    def output(self, *args, timeout=60):
        """Runs a Windows program and returns what it printed (CR LF folded)."""
        out_file = os.path.join(self.workdir, "output-%d.txt" % time.monotonic_ns())
        with open(out_file, "wb") as out:
            proc = subprocess.Popen([winebed.WINE, *args], env=self.env, cwd=self.workdir,
                                    stdin=subprocess.DEVNULL, stdout=out, stderr=subprocess.DEVNULL)
            code = proc.wait(timeout=timeout)
        with open(out_file, "rb") as f:
            return code, f.read().decode("utf-8", "replace").replace("\r\n", "\n")


UNINSTALL_KEY = r"HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Merovix_is1"
APP_PATH_VALUE = "Inno Setup: App Path"
DEFAULT_INSTALL_DIR = r"C:\Program Files\Merovix"


class ProductMixin:
    """Merovix as its installer leaves it: the uninstall entry, the folder, settings.ini."""

    def add_uninstall_entry(self, install_dir, value_type="REG_SZ", view=None):
        """The installer's registry entry, in the registry view `view`
        ("/reg:32" or "/reg:64"), by default the program's own."""
        assert self.run("reg", "add", UNINSTALL_KEY, "/v", APP_PATH_VALUE, "/t", value_type,
                        "/d", install_dir, "/f", view or self.flavour.registry_view) == 0

    def install_product(self, install_dir=DEFAULT_INSTALL_DIR, settings=None, value_type="REG_SZ", view=None):
        self.add_uninstall_entry(install_dir, value_type, view)
        folder = self.unix_path(install_dir) if install_dir[1:3] == ":\\" else None
        if folder:
            os.makedirs(folder, exist_ok=True)
            if settings is not None:
                self.write_settings(install_dir, settings)
        return folder

    def write_settings(self, install_dir, text):
        with open(os.path.join(self.unix_path(install_dir), "settings.ini"), "wb") as f:
            f.write(text.replace("\r\n", "\n").replace("\n", "\r\n").encode("cp1252"))

    def read_settings(self, install_dir=DEFAULT_INSTALL_DIR):
        with open(os.path.join(self.unix_path(install_dir), "settings.ini"), "rb") as f:
            return f.read().decode("cp1252")

    def updater(self, signed=False):
        """The program; `signed`: the test build that names the signer of
        the stand-ins in tests/bin/signing (tests/CMakeLists.txt)."""
        if signed:
            return os.path.join(self.bin, "Update_Merovix_signed.exe")
        return os.path.join(self.build, "Update_Merovix.exe")


class DialogMixin:
    """The dialog helper: finds windows of the programs under test and acts on them."""

    def dlg(self, *args, timeout=30):
        import json
        code, out = self.output(os.path.join(self.bin, "dlgtool.exe"), *[str(a) for a in args], timeout=timeout)
        if code != 0:
            return None
        lines = [line for line in out.splitlines() if line.strip()]
        return json.loads(lines[-1]) if len(lines) == 1 else [json.loads(line) for line in lines]

    def wait_dialog(self, caption, timeout_ms=20000):
        window = self.dlg("wait", caption, timeout_ms, timeout=timeout_ms / 1000 + 30)
        assert window is not None, "no window captioned %r appeared; open: %r" % (caption, self.dlg("list"))
        return window

    def screenshot(self, name):
        path = os.path.join(self.workdir, name + ".png")
        subprocess.run(["import", "-display", self.display, "-window", "root", path],
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=30, check=False)
        return path



class WineBox(ProductMixin, DialogMixin, Prefix):
    """A prefix with the product's and the dialogs' helpers."""
