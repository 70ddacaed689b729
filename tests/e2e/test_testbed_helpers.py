"""The test bed's own helpers, which every end-to-end test leans on: a wait
that cannot hang, a reader of the logs that programs in the prefix write,
and the question whether a 32-bit program can run under Wine here."""
import itertools

import pytest
import winebed
from winebed import read_lines, wait_until


def test_wait_until_returns_the_first_true_value_and_gives_up_in_time():
    calls = itertools.count(1)
    assert wait_until(lambda: next(calls) >= 3 and "ready", timeout=10, interval=0.01) == "ready"
    polled = []
    with pytest.raises(TimeoutError, match="the flag"):
        wait_until(lambda: polled.append(1), timeout=0.2, what="the flag", interval=0.01)
    assert len(polled) > 1  # asked again until the time was up, and once more at its end


def test_read_lines_reads_ansi_logs_whatever_their_bytes(tmp_path):
    log = tmp_path / "Merovix.log"
    assert read_lines(str(log)) == []
    # 0xC4 is "Ä" in the ANSI code page, 0x81 has no character there.
    log.write_bytes(b"start \xc4rger.exe\r\n\x81\r\n\r\nlast")
    assert read_lines(str(log)) == ["start \u00c4rger.exe", "\ufffd", "", "last"]


def test_a_32_bit_wine_is_asked_for_not_assumed(tmp_path, monkeypatch):
    template = tmp_path / "template"
    (template / "drive_c" / "windows" / "syswow64").mkdir(parents=True)  # as wine64 alone leaves it: empty
    monkeypatch.setattr(winebed, "WINE32", str(tmp_path / "wine"))
    assert "wine32:i386 is not installed" in winebed.wow64_missing(str(template))
    made_without = winebed.template_recipe()
    (tmp_path / "wine").touch()
    assert "syswow64 is empty" in winebed.wow64_missing(str(template))
    assert winebed.template_recipe() != made_without, "a template made without wine32 must be remade"
