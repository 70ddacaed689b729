"""The built program: small, and importing only DLLs that ship with Windows."""
import os
import re
import subprocess

# The program runs elevated from a folder users can write to, so it imports
# statically only DLLs that Windows never looks for there: Known DLLs, and
# comctl32, which the manifest takes side by side from the system.
WINDOWS_DLLS = {"kernel32.dll", "user32.dll", "gdi32.dll", "advapi32.dll", "shell32.dll", "ole32.dll",
                "comctl32.dll", "msvcrt.dll", "shlwapi.dll"}


def test_program_is_small_and_imports_only_windows_dlls():
    build = os.environ.get("MEROVIX_BUILD_DIR") or os.path.join(os.path.dirname(__file__), "..", "..", "build", "win64")
    exe = os.path.join(build, "Update_Merovix.exe")
    assert os.path.getsize(exe) < 300 * 1024
    dump = subprocess.run(["x86_64-w64-mingw32-objdump", "-p", exe], capture_output=True, text=True, check=True).stdout
    imports = {name.lower() for name in re.findall(r"DLL Name: (\S+)", dump)}
    assert imports and imports <= WINDOWS_DLLS, imports
    assert "Subsystem\t\t00000002" in dump, "GUI subsystem"
