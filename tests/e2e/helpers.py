"""Small readings that several end-to-end test files make: files of a box
and what a test asked the download host for."""
import os


def read(box, win_path):
    """The bytes of a file in the box, by its Windows name."""
    with open(box.unix_path(win_path), "rb") as f:
        return f.read()


def put_file(box, win_path, data, mode=None, mtime=None):
    """Writes `data` to a file of the box (making its folders); `mode` sets
    its permissions, `mtime` (seconds since 1970) its time. Returns its Linux path."""
    path = box.unix_path(win_path)
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)
    if mode is not None:
        os.chmod(path, mode)
    if mtime is not None:
        os.utime(path, (mtime, mtime))
    return path


def files_in(box, win_folder, missing_ok=False):
    """The names in a folder of the box, sorted; a missing folder raises,
    or gives [] with `missing_ok`."""
    folder = box.unix_path(win_folder)
    if missing_ok and not os.path.isdir(folder):
        return []
    return sorted(os.listdir(folder))


def answered(host):
    """(method, path, status) of this test's requests, without wget's first
    tries without credentials (it sends them only when challenged)."""
    return [r for r in host.requests() if r[2] != 401]


def asked_for(host):
    """The paths this test asked the host for, wget's first tries left out."""
    return {path for _, path, _ in answered(host)}


def fetched(host):
    """The paths this test fetched whole (GET, 200), in order."""
    return [path for method, path, status in host.requests() if method == "GET" and status == 200]


def assert_centred(window):
    """The window (as dlgtool reports it) lies in the middle of the screen."""
    left, top, right, bottom = window["rect"]
    screen_w, screen_h = window["screen"]
    assert abs((left + right) - screen_w) <= 2 and abs((top + bottom) - screen_h) <= 2, window
