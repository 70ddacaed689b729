"""Fixtures of the end-to-end tests: a fresh Wine prefix per test, the
programs under test, and the dialog helper.

Every test that uses `box` (or asks for `flavour`) is collected once per
flavour of the program: "x86_64" (build/win64) and "i686" (build/win32, run
as a 32-bit process under WoW64). A test runs for x86_64 only unless it, or
one of its parameter sets, carries the marker `wow64`; `--i686=all` runs every
test for i686 as well, `--i686=none` none. (The marker is not named after the
flavour so that `-k i686` picks exactly the i686 runs.)

Where no 32-bit program runs under Wine (MEROVIX_NO_WOW64, set by the test
bed, says why), what needs one is skipped with that reason: the i686 runs
in a box, and the x86_64 tests marked `other_bitness` (they start programs of the
32-bit build); a summary line counts them.
"""
import os

import pytest
from winebox import FLAVOURS, NOT_RUN, WineBox

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))


def pytest_addoption(parser):
    parser.addoption("--i686", choices=("marked", "all", "none"), default="marked",
                     help="which tests also run for the 32-bit program (default: those marked wow64)")


def pytest_generate_tests(metafunc):
    if "flavour" in metafunc.fixturenames:
        metafunc.parametrize("flavour", list(FLAVOURS))


def pytest_collection_modifyitems(config, items):
    chosen = config.getoption("--i686")
    keep, drop = [], []
    for item in items:
        callspec = getattr(item, "callspec", None)
        i686 = callspec is not None and callspec.params.get("flavour") == "i686"
        wanted = chosen == "all" or (chosen == "marked" and item.get_closest_marker("wow64") is not None)
        (drop if i686 and not wanted else keep).append(item)
    if drop:
        config.hook.pytest_deselected(items=drop)
        items[:] = keep
    no_wow64 = os.environ.get("MEROVIX_NO_WOW64")
    if no_wow64:
        for item in items:
            callspec = getattr(item, "callspec", None)
            flavour = callspec.params.get("flavour") if callspec else None
            # An i686 test without a box only reads the build's files.
            if (flavour == "i686" and "box" in item.fixturenames) or (
                    flavour == "x86_64" and item.get_closest_marker("other_bitness")):
                item.add_marker(pytest.mark.skip(reason=NOT_RUN + no_wow64))


def pytest_terminal_summary(terminalreporter):
    not_run = [r for r in terminalreporter.stats.get("skipped", [])
               if isinstance(r.longrepr, (tuple, list)) and NOT_RUN in str(r.longrepr[2])]
    if not_run:
        terminalreporter.write_line("%d tests %s%s" % (len(not_run), NOT_RUN, os.environ.get("MEROVIX_NO_WOW64")),
                                    yellow=True, bold=True)


@pytest.fixture
def box(tmp_path, flavour):
    """A fresh prefix (copy of the suite's template) with its own wineserver,
    handing out the program and test tools of `flavour`."""
    template = os.environ.get("MEROVIX_WINE_TEMPLATE")
    if not template or "DISPLAY" not in os.environ:
        pytest.skip("needs the Wine test bed (run scripts/test)")
    prefix = WineBox(template, str(tmp_path / "prefix"), os.environ["DISPLAY"], ROOT, str(tmp_path), flavour)
    if not os.path.exists(prefix.updater()):
        pytest.fail("no %s build: scripts/test builds it (or deselect with -k 'not %s')" % (flavour, flavour))
    with prefix as b:
        yield b


@pytest.fixture
def host(box):
    """This test's files and requests on the test bed's download host."""
    if not os.environ.get("MEROVIX_TEST_HOST_DIR"):
        pytest.skip("needs the test bed's download host (run scripts/test)")
    from download_host import DownloadHost
    h = DownloadHost(box)
    yield h
    h.close()
