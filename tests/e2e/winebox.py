"""One Wine prefix for one end-to-end test, and ways to run programs in it."""
import os
import shutil
import subprocess
import time

import winebed

BUILD = os.environ.get("MEROVIX_BUILD_DIR")


class WineBox:
    def __init__(self, template, prefix, display, root, workdir):
        self.template, self.prefix, self.display = template, prefix, display
        self.root, self.workdir = root, workdir
        self.build = BUILD or os.path.join(root, "build", "win64")
        self.bin = os.path.join(self.build, "tests", "bin")
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

    def win_path(self, unix_path):
        """The Windows name of a file in this prefix's drive C (or Z: elsewhere)."""
        unix_path = os.path.abspath(unix_path)
        if unix_path.startswith(self.c + os.sep) or unix_path == self.c:
            return "C:" + unix_path[len(self.c):].replace("/", "\\") or "C:\\"
        return "Z:" + unix_path.replace("/", "\\")

    def unix_path(self, win_path):
        assert win_path[1:3] == ":\\" and win_path[0] in "Cc", win_path
        return os.path.join(self.c, *win_path[3:].split("\\"))

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
