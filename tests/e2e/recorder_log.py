"""Reading and configuring copies of recorder.exe (tests/tools/recorder), the
one stand-in program: the log and configuration formats are described at the
top of recorder.cpp."""
import os
import re
import urllib.parse

ENCODING = "cp1252"  # the prefix's ANSI code page


def encode(data: bytes) -> str:
    """%XX for "%", bytes below 0x20 and 0x7F; other bytes as they are."""
    return re.sub(rb"[\x00-\x1f%\x7f]", lambda m: b"%%%02X" % m.group()[0], data).decode("latin-1")


def read_log(exe_path):
    """Every record left by the recorder copy at exe_path (a Unix path), in
    order: one dict per start, and one per end of a signal wait ("event"
    says how it ended); values decoded from the ANSI code page."""
    log = os.path.splitext(exe_path)[0] + ".log"
    if not os.path.exists(log):
        return []
    records = []
    with open(log, "rb") as f:
        for line in f.read().split(b"\n"):
            if not line:
                continue
            fields = (field.split(b"=", 1) for field in line.split(b"\t"))
            records.append({key.decode("ascii"): urllib.parse.unquote_to_bytes(value).decode(ENCODING, "replace")
                            for key, value in fields})
    return records


def read_records(exe_path):
    """The records of the starts of the recorder copy at exe_path, one dict each."""
    return [record for record in read_log(exe_path) if "event" not in record]


def write_config(exe_path, *lines):
    """Writes the configuration of the recorder copy at exe_path, one
    key=value line each (values of stdout, stderr and start pass through
    encode() first when they are bytes)."""
    with open(os.path.splitext(exe_path)[0] + ".cfg", "w", encoding="latin-1", newline="\r\n") as f:
        for key, value in lines:
            f.write(f"{key}={encode(value) if isinstance(value, bytes) else value}\n")
