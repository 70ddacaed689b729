"""End-to-end: the program starts under Wine and ends with exit code 0."""
import os


def test_program_ends_with_exit_code_zero(box):
    exe = os.path.join(box.build, "Update_Merovix.exe")
    assert box.run(exe, timeout=60) == 0
