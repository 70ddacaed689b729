"""The benchmark's own arithmetic: growth exponents and what the link map
says takes the space, downtime spans and ratios. (Its measurements run in
scripts/bench --quick.)"""
import pytest
import service_figures
import size_figure
from stats import Sample, growth, ms, number, ratio_row

MAP = """\
Discarded input sections
 .text$_ZN7merovix6UnusedEv
                0x0000000000000000       0x40 libcommon_win.a(launch.cpp.obj)

Linker script and memory map

.text           0x0000000140001000     0x2000
 *(.text)
 .text          0x0000000140001000      0x510 /usr/lib/gcc/x86_64-w64-mingw32/12-posix/../lib/crt2.o
                0x00000001400014b0                WinMainCRTStartup
 .text$_ZN7merovix18RunCommandCapturedERKNSt7__cxx1112basic_stringIcSt11char_traitsIcESaIcEEES7_RS5_
                0x0000000140001510      0x300 libcommon_win.a(launch.cpp.obj)
 .text$WinMain  0x0000000140001810      0x150 app/CMakeFiles/Update_Merovix.dir/main.cpp.obj
 .text          0x0000000140001960      0x200 /usr/lib/gcc/x86_64-w64-mingw32/12-posix/libstdc++.a(string-inst.o)
 .text          0x0000000140001b60        0x8 /usr/x86_64-w64-mingw32/lib/libkernel32.a(libkernel32s00260.o)
.bss            0x0000000140005000      0x230
 .bss           0x0000000140005000      0x230 libcommon_win.a(launch.cpp.obj)
.rsrc           0x0000000140006000      0x400
 .rsrc          0x0000000140006000      0x400 app/CMakeFiles/Update_Merovix.dir/res/Update_Merovix.rc.res
"""


@pytest.mark.parametrize("times,expected", [([1, 10, 100], 1.0), ([1, 100, 10000], 2.0), ([5, None], None)])
def test_growth_exponent_between_the_two_largest_sizes(times, expected):
    sizes = [10, 100, 1000][:len(times)]
    exponent = growth(sizes, times)
    assert exponent == pytest.approx(expected) if expected is not None else exponent is None


def test_sample_shows_median_and_range_with_three_significant_digits():
    assert Sample([3.0, 1.0, 1500.0]).show(ms) == "3 ms (1 ms–1.5 s)"
    assert [number(v) for v in (0, 0.12345, 12.345, 123456.0)] == ["0", "0.123", "12.3", "123456"]


def test_link_map_is_split_by_library_object_and_function(tmp_path):
    path = tmp_path / "program.map"
    path.write_text(MAP)
    parts = size_figure.breakdown(str(path), "x86_64-w64-mingw32")
    # Discarded sections and .bss take no room in the file.
    assert dict(parts["libraries"]) == {"ours": 0x300 + 0x150, "start-up code": 0x510, "libstdc++": 0x200,
                                        "import stubs": 8, "resources": 0x400}
    assert parts["objects"][0] == ("crt2.o", 0x510)
    assert parts["functions"][0][1] == 0x300
    assert parts["functions"][0][0].startswith("merovix::RunCommandCaptured(std::string const&")


class LoggedService:
    def __init__(self, *lines):
        self._lines = list(lines)

    def lines(self):
        return self._lines


def test_downtime_runs_from_the_first_stop_to_the_last_service_running_within_each_run():
    keep_alive = LoggedService("state=4 checkpoint=0 hint=0", "clock state=4 us=500", "clock state=3 us=1000",
                               "clock state=1 us=1100", "clock state=2 us=3000", "clock state=4 us=3500",
                               "clock state=3 us=10000", "clock state=4 us=12500")
    merovix = LoggedService("clock state=3 us=1200", "clock state=4 us=2900", "clock state=3 us=10400",
                            "clock state=4 us=12000")
    assert service_figures.downtime([(900, 4000), (9000, 13000)], keep_alive, merovix) == [2.5, 2.5]
    with pytest.raises(RuntimeError):
        service_figures.downtime([(4000, 9000)], keep_alive, merovix)  # nothing stopped in between


def test_a_ratio_is_judged_on_the_fastest_runs_with_the_median_of_pairs_beside_it():
    row = ratio_row("7 downtime", [120.0, 300.0, 110.0], [100.0, 150.0, 100.0], "script", 1.10)
    assert row["verdict"] == "met: 1.10× (fastest runs), 1.20× (median of pairs)"
    assert row["baseline"] == "script 100 ms (100 ms–150 ms)"
    assert ratio_row("x", [150.0], [100.0], "y", 1.25)["verdict"].startswith("MISSED by 20%")
    assert ratio_row("x", [100.4], [100.0], "y", 1.0)["verdict"].startswith("MISSED by 0.4%")
