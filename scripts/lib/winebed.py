#!/usr/bin/env python3
"""The Wine test bed: display, template prefix and cheap copies of it.

Used by scripts/test, scripts/demo and the end-to-end tests.
  winebed.py display                 start Xvfb on a free display, print ":N PID"
  winebed.py template DIR            make DIR a ready Wine prefix (once)
  winebed.py clone TEMPLATE DEST     copy a prefix in about a second
  winebed.py tools                   print the paths of the Wine loader and wineserver
  winebed.py wow64 TEMPLATE          make the template (once), print "yes" when a
                                     32-bit program runs in its copies, else why not
"""
import os
import shutil
import subprocess
import sys
import time

# Debian's Wine programs, called directly: the /usr/bin/wine wrapper prints
# hints on stderr, and the 64-bit loader hands 32-bit programs to WoW64 itself.
WINE_DIR = "/usr/lib/wine"
WINE = os.path.join(WINE_DIR, "wine64")
WINESERVER = os.path.join(WINE_DIR, "wineserver")
# wine32:i386's loader, to which wine64 hands 32-bit programs.
WINE32 = os.path.join(WINE_DIR, "wine")
# The big, never-written system folders are hard-linked; everything else
# (registry files above all, which Wine rewrites in place) is copied.
SHARED_DIRS = ("drive_c/windows/system32", "drive_c/windows/syswow64")
# Changes whenever make_template changes, so that an older template is remade.
TEMPLATE_RECIPE = "3"


def wait_until(condition, timeout=30, what="condition", interval=0.05):
    """Calls `condition` every `interval` seconds until it returns something
    true, and returns that; raises TimeoutError after `timeout` seconds."""
    deadline = time.monotonic() + timeout
    while True:
        value = condition()
        if value:
            return value
        if time.monotonic() >= deadline:
            raise TimeoutError("timed out after %g s waiting for %s" % (timeout, what))
        time.sleep(interval)


def read_lines(path, encoding="cp1252"):
    """The lines of a text file without their line ends; none for a missing
    file. Programs in the prefix write in its ANSI code page (cp1252), and a
    byte that has no character there must not stop a test from reading on."""
    try:
        with open(path, encoding=encoding, errors="replace") as f:
            return [line.rstrip("\r\n") for line in f]
    except FileNotFoundError:
        return []


def wine_env(prefix, display=None):
    env = dict(os.environ)
    env.update(WINEPREFIX=prefix, WINEDEBUG="-all", WINEDLLOVERRIDES="mscoree,mshtml=")
    if display:
        env["DISPLAY"] = display
    return env


def display_taken(n):
    """True when display :n belongs to a live X server. The lock and socket of
    a server that died without cleaning up are removed: left in place, every
    killed run would use up one display for good."""
    lock, socket = f"/tmp/.X{n}-lock", f"/tmp/.X11-unix/X{n}"
    try:
        pid = int(open(lock).read().strip())
    except FileNotFoundError:
        return os.path.exists(socket)
    except (OSError, ValueError):
        return True
    try:
        os.kill(pid, 0)
        return True
    except ProcessLookupError:
        pass
    except PermissionError:
        return True
    for path in (lock, socket):
        try:
            os.remove(path)
        except FileNotFoundError:
            pass
        except OSError:
            return True
    return False


def start_display():
    """Starts Xvfb on the first free display from :90 on; returns (display, process)."""
    for n in range(90, 200):
        if display_taken(n):
            continue
        proc = subprocess.Popen(["Xvfb", f":{n}", "-screen", "0", "1280x1024x24", "-nolisten", "tcp"],
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        socket = f"/tmp/.X11-unix/X{n}"
        try:
            # An Xvfb that ends at once lost the display to another one.
            wait_until(lambda: os.path.exists(socket) or proc.poll() is not None, 10, "Xvfb on :%d" % n)
        except TimeoutError:
            pass
        if os.path.exists(socket) and proc.poll() is None:
            return f":{n}", proc
        proc.kill()
        proc.wait(timeout=10)
    raise RuntimeError("no free X display for Xvfb")


def run_wine(prefix, display, *args, timeout=120):
    subprocess.run([WINE, *args], env=wine_env(prefix, display), stdin=subprocess.DEVNULL,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=timeout, check=False)


def template_recipe():
    # A template made without wine32 has no 32-bit system: it is remade once
    # wine32 is there.
    return TEMPLATE_RECIPE + ("" if os.path.exists(WINE32) else "-no-wow64")


def template_ready(prefix):
    ready = os.path.join(prefix, ".ready")
    return os.path.exists(ready) and open(ready).read() == template_recipe()


def make_template(prefix, display):
    if template_ready(prefix):
        return
    shutil.rmtree(prefix, ignore_errors=True)
    os.makedirs(os.path.dirname(prefix), exist_ok=True)
    run_wine(prefix, display, "wineboot", "-i", timeout=300)
    # With wine32 installed the prefix is a WoW64 prefix: 32-bit programs run
    # as on 64-bit Windows, with SysWOW64 and the 32-bit registry view.
    # Without it only the 64-bit program runs (wow64_missing says why).
    run_wine(prefix, display, "reg", "add", r"HKCU\Software\Wine\WineDbg", "/v", "ShowCrashDialog",
             "/t", "REG_DWORD", "/d", "0", "/f")
    # Without a window manager on Xvfb, Wine draws captions and frames itself
    # only for unmanaged windows: screenshots then show the dialogs' captions.
    run_wine(prefix, display, "reg", "add", r"HKCU\Software\Wine\X11 Driver", "/v", "Managed",
             "/t", "REG_SZ", "/d", "N", "/f")
    subprocess.run([WINESERVER, "-w"], env=wine_env(prefix), timeout=120, check=False)
    with open(os.path.join(prefix, ".ready"), "w") as f:
        f.write(template_recipe())


def wow64_missing(template):
    """Why no 32-bit program can run in copies of `template`, or None when
    one does: a 32-bit cmd.exe is started in a copy and must end with the
    exit code asked for."""
    if not os.path.exists(WINE32):
        return "no 32-bit Wine (%s missing: wine32:i386 is not installed)" % WINE32
    if not os.path.exists(os.path.join(template, "drive_c", "windows", "syswow64", "kernel32.dll")):
        return "the Wine prefix has no 32-bit system (syswow64 is empty)"
    probe = clone_prefix(template, "%s-wow64-probe-%d" % (template, os.getpid()))
    try:
        code = subprocess.run([WINE, "C:\\windows\\syswow64\\cmd.exe", "/c", "exit", "23"], env=wine_env(probe),
                              stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                              timeout=120, check=False).returncode
    except subprocess.TimeoutExpired:
        code = "none (it did not end within 120 s)"
    finally:
        subprocess.run([WINESERVER, "-k"], env=wine_env(probe), timeout=60, check=False)
        subprocess.run([WINESERVER, "-w"], env=wine_env(probe), timeout=60, check=False)
        shutil.rmtree(probe, ignore_errors=True)
    if code != 23:
        return "a 32-bit program does not run under Wine (syswow64\\cmd.exe /c exit 23 gave %s)" % code
    return None


def ensure_template(prefix):
    """Makes the template prefix unless it is ready, on a display of its own."""
    if template_ready(prefix):
        return
    display, proc = start_display()
    try:
        make_template(prefix, display)
    finally:
        # SIGTERM lets Xvfb remove its lock and socket; SIGKILL left them.
        proc.terminate()
        try:
            proc.wait(timeout=10)
        except subprocess.TimeoutExpired:
            proc.kill()


def clone_prefix(template, dest):
    shutil.rmtree(dest, ignore_errors=True)
    subprocess.run(["cp", "-a", "--no-target-directory", "--link", template, dest], check=True)
    shared = tuple(os.path.join(dest, d) + os.sep for d in SHARED_DIRS)
    for root, _dirs, files in os.walk(dest):
        if (root + os.sep).startswith(shared):
            continue
        for name in files:
            path = os.path.join(root, name)
            if os.path.islink(path):
                continue
            tmp = path + ".winebed-copy"
            shutil.copy2(path, tmp)
            os.replace(tmp, path)
    return dest


def install_file(src, dest):
    """Puts a file into a prefix without writing through a hard link."""
    if os.path.lexists(dest):
        os.unlink(dest)
    shutil.copy2(src, dest)


def main(argv):
    if argv[:1] == ["display"]:
        display, proc = start_display()
        print(display, proc.pid)
    elif argv[:1] == ["template"] and len(argv) == 2:
        ensure_template(os.path.abspath(argv[1]))
    elif argv[:1] == ["wow64"] and len(argv) == 2:
        ensure_template(os.path.abspath(argv[1]))
        print(wow64_missing(os.path.abspath(argv[1])) or "yes")
    elif argv[:1] == ["clone"] and len(argv) == 3:
        clone_prefix(os.path.abspath(argv[1]), os.path.abspath(argv[2]))
    elif argv == ["tools"]:
        print(WINE, WINESERVER)
    else:
        print(__doc__, file=sys.stderr)
        return 2
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
