"""Fixtures of the end-to-end tests: a fresh Wine prefix per test, the
programs under test, and the dialog helper."""
import os
import sys

import pytest

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
sys.path.insert(0, os.path.join(ROOT, "scripts", "lib"))
sys.path.insert(0, os.path.dirname(__file__))

from winebox import WineBox  # noqa: E402


@pytest.fixture
def box(tmp_path):
    """A fresh prefix (copy of the suite's template) with its own wineserver."""
    template = os.environ.get("MEROVIX_WINE_TEMPLATE")
    if not template or "DISPLAY" not in os.environ:
        pytest.skip("needs the Wine test bed (run scripts/test)")
    with WineBox(template, str(tmp_path / "prefix"), os.environ["DISPLAY"], ROOT, str(tmp_path)) as b:
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
