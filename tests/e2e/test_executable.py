"""The built program: small, and importing only DLLs that ship with Windows."""
import os
import re
import subprocess

import pytest

from winebox import FLAVOURS

# The program runs elevated from a folder users can write to, so it imports
# statically only DLLs that Windows never looks for there: Known DLLs, and
# comctl32, which the manifest takes side by side from the system.
WINDOWS_DLLS = {"kernel32.dll", "user32.dll", "gdi32.dll", "advapi32.dll", "shell32.dll", "ole32.dll",
                "comctl32.dll", "msvcrt.dll", "shlwapi.dll"}


@pytest.mark.wow64
def test_program_is_small_and_imports_only_windows_dlls(flavour):
    exe = os.path.join(os.path.dirname(__file__), "..", "..", "build", FLAVOURS[flavour].build_dir,
                       "Update_Merovix.exe")
    # The size rule is the x86_64 program's; the i686 one is larger by its
    # unwind tables and 32-bit code, and only told (see bench/RESULTS.md).
    if flavour == "x86_64":
        assert os.path.getsize(exe) < 300 * 1024
    dump = subprocess.run([flavour + "-w64-mingw32-objdump", "-p", exe], capture_output=True, text=True, check=True).stdout
    imports = {name.lower() for name in re.findall(r"DLL Name: (\S+)", dump)}
    assert imports and imports <= WINDOWS_DLLS, imports
    assert "Subsystem\t\t00000002" in dump, "GUI subsystem"
