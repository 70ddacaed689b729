"""Size of the release executables: the file, the DLLs it imports, and what
takes the space, read from the link map that the build leaves beside the
stripped program."""
import collections
import os
import re
import subprocess

from stats import size

GOAL = 300 * 1024
# DLLs that every Windows installation has in its System folder.
SYSTEM_DLLS = {"kernel32.dll", "user32.dll", "gdi32.dll", "advapi32.dll", "shell32.dll", "ole32.dll",
               "oleaut32.dll", "comctl32.dll", "comdlg32.dll", "msvcrt.dll", "shlwapi.dll", "version.dll",
               "wintrust.dll", "crypt32.dll", "psapi.dll", "ntdll.dll", "ws2_32.dll"}
# Input sections of the map, on one line or with the address on the next.
ONE_LINE = re.compile(r"^ (\.[^\s*]+)\s+0x([0-9a-f]+)\s+0x([0-9a-f]+)\s+(\S.*)$")
NAME_ONLY = re.compile(r"^ (\.[^\s*]+)$")
ADDRESS_LINE = re.compile(r"^\s+0x([0-9a-f]+)\s+0x([0-9a-f]+)\s+(\S.*)$")
# Output sections that take room in the file (.bss does not).
FILE_SECTIONS = (".text", ".data", ".rdata", ".pdata", ".xdata", ".idata", ".CRT", ".tls", ".rsrc", ".reloc")


def imports(exe, triple):
    out = subprocess.run([triple + "-objdump", "-p", exe], capture_output=True, text=True, check=True).stdout
    return [m.group(1) for m in re.finditer(r"DLL Name: (\S+)", out)]


def input_sections(map_path):
    """(section, size, owner) of every input section placed in the program."""
    with open(map_path, encoding="latin-1") as f:
        lines = f.read().split("Linker script and memory map", 1)[-1].splitlines()
    pending = None
    for line in lines:
        if pending:
            m = ADDRESS_LINE.match(line)
            if m:
                yield pending, int(m.group(2), 16), m.group(3)
            pending = None
            continue
        m = ONE_LINE.match(line)
        if m:
            yield m.group(1), int(m.group(3), 16), m.group(4)
            continue
        m = NAME_ONLY.match(line)
        if m:
            pending = m.group(1)


def owner_name(path):
    """(group, object) of an input file: "libcommon_win.a(launch.cpp.obj)"
    gives ("ours", "common_win/launch.cpp"); the run-time libraries keep
    their archive's name."""
    m = re.match(r"(?:.*/)?lib([^/(]+)\.a\((.+?)(?:\.obj|\.o)?\)$", path)
    if m:
        archive, member = m.groups()
        if archive.split("_")[0] in ("app", "common", "browse", "framework"):
            return "ours", "%s/%s" % (archive, member)
        if archive + ".dll" in SYSTEM_DLLS:
            return "import stubs", "lib%s(%s)" % (archive, member)
        return "lib" + archive, "lib%s(%s)" % (archive, member)
    base = os.path.basename(path).replace(".obj", "")
    if base.endswith(".res"):
        return "resources", base
    return ("ours" if "CMakeFiles" in path else "start-up code"), base


def demangle(names, triple):
    out = subprocess.run([triple + "-c++filt", "--no-strip-underscore"], input="\n".join(names), capture_output=True, text=True,
                         check=False).stdout.splitlines()
    return out if len(out) == len(names) else names


def breakdown(map_path, triple, top=8):
    """By library, the largest object files and the largest functions."""
    libraries, objects, functions = collections.Counter(), collections.Counter(), collections.Counter()
    for section, nbytes, owner in input_sections(map_path):
        if not section.startswith(FILE_SECTIONS) or nbytes == 0:
            continue
        library, obj = owner_name(owner)
        libraries[library] += nbytes
        objects[obj] += nbytes
        if section.startswith(".text$"):
            functions[section[len(".text$"):]] += nbytes
    names = [name for name, _ in functions.most_common(top)]
    pretty = [re.sub(r"std::__cxx11::basic_string<char, std::char_traits<char>, std::allocator<char> >",
                     "std::string", name) for name in demangle(names, triple)]
    return {
        "libraries": [(name, n) for name, n in libraries.most_common()],
        "objects": objects.most_common(top),
        "functions": [(p[:70], functions[n]) for p, n in zip(pretty, names)],
    }


def measure(root):
    """One row per architecture, and the breakdown lines printed below the table."""
    rows, notes = [], []
    for arch, build, triple in (("x86_64", "win64", "x86_64-w64-mingw32"), ("i686", "win32", "i686-w64-mingw32")):
        exe = os.path.join(root, "build", build, "Update_Merovix.exe")
        msgbox = os.path.join(root, "build", build, "bench", "bench_msgbox.exe")
        nbytes = os.path.getsize(exe)
        dlls = imports(exe, triple)
        foreign = [d for d in dlls if d.lower() not in SYSTEM_DLLS]
        met = nbytes <= GOAL and not foreign
        verdict = ("met" if met else "MISSED") + (": %d KiB to spare" % ((GOAL - nbytes) // 1024) if nbytes <= GOAL
                                                 else ": %s over" % size(nbytes - GOAL))
        if foreign:
            verdict += "; imports %s" % ", ".join(foreign)
        rows.append({
            "figure": "5 size, %s release exe" % arch,
            "value": "%s (%d B); imports %s" % (size(nbytes), nbytes, ", ".join(dlls)),
            "baseline": "message-box program %s" % size(os.path.getsize(msgbox)) if os.path.exists(msgbox) else "",
            "goal": "≤ 300 KiB, system DLLs only",
            "verdict": verdict,
        })
        parts = breakdown(os.path.join(root, "build", build, "Update_Merovix.map"), triple)
        notes.append("%s by library: %s" % (arch, ", ".join("%s %s" % (n, size(b)) for n, b in parts["libraries"])))
        notes.append("%s largest objects: %s" % (arch, ", ".join("%s %s" % (n, size(b)) for n, b in parts["objects"])))
        notes.append("%s largest functions: %s" % (arch, "; ".join("%s %s" % (n, size(b))
                                                                  for n, b in parts["functions"])))
    return rows, notes
