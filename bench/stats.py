"""Figures of the benchmark: repeated measurements, how they are shown, and
how they grow with the size of the input."""
import math
import statistics


class Sample:
    """Repeated measurements of one figure (milliseconds, bytes, KiB ...)."""

    def __init__(self, values):
        self.values = list(values)

    def __bool__(self):
        return bool(self.values)

    @property
    def median(self):
        return statistics.median(self.values)

    def show(self, fmt=None):
        """"412 ms (380 ms–470 ms)": the median, then min and max of several
        runs, each formatted by `fmt` (default: a plain number)."""
        fmt = fmt or number
        text = fmt(self.median)
        if min(self.values) != max(self.values):
            text += " (%s–%s)" % (fmt(min(self.values)), fmt(max(self.values)))
        return text


def number(value):
    """Three significant digits, without a trailing ".0"."""
    if value == 0:
        return "0"
    digits = max(0, 2 - int(math.floor(math.log10(abs(value)))))
    return ("%.*f" % (digits, value)).rstrip("0").rstrip(".") if digits else "%.0f" % value


def ms(value):
    return "%s s" % number(value / 1000) if value >= 1000 else "%s ms" % number(value)


def size(n):
    """Bytes as B, KiB or MiB."""
    n = int(n)
    if n >= 1 << 20:
        return "%s MiB" % number(n / (1 << 20))
    if n >= 1 << 10:
        return "%s KiB" % number(n / (1 << 10))
    return "%d B" % n


def growth(sizes, times):
    """The exponent of growth between the two largest sizes measured: about 1
    for linear, 2 for quadratic. None when fewer than two were measured.
    Pass the fastest time of each size: load only adds time, and would blur
    the exponent."""
    pairs = [(s, t) for s, t in zip(sizes, times) if t is not None and t > 0]
    if len(pairs) < 2:
        return None
    (s1, t1), (s2, t2) = pairs[-2:]
    return math.log(t2 / t1) / math.log(s2 / s1)


def growth_verdict(exponent, limit=1.3):
    """"met: growth ~n^1.02 (linear)", or MISSED when it grows faster."""
    if exponent is None:
        return "growth not measured"
    word = "linear" if exponent <= limit else ("quadratic" if exponent >= 1.7 else "faster than linear")
    return "%s: growth ~n^%.2f (%s)" % ("met" if exponent <= limit else "MISSED", exponent, word)


def kib(value):
    return size(value * 1024)


def ratio_row(figure, value, baseline, what, goal_ratio):
    """The row of a figure whose goal is a ratio to a baseline (`what` it is)
    measured in pairs, back to back under about the same load (times in ms).
    Load only adds time: the fastest runs show what each costs by itself and
    the goal is judged on their ratio; the median of the pairs' ratios is
    shown beside it."""
    paired = Sample(v / b for v, b in zip(value, baseline)).median
    value, baseline = Sample(value), Sample(baseline)
    fastest = min(value.values) / min(baseline.values)
    return {
        "figure": figure,
        "value": value.show(ms),
        "baseline": "%s %s" % (what, baseline.show(ms)),
        "goal": "≤ %.2f×" % goal_ratio,
        "verdict": "%s: %.2f× (fastest runs), %.2f× (median of pairs)" % (
            "met" if fastest <= goal_ratio else "MISSED by %s%%" % number((fastest / goal_ratio - 1) * 100),
            fastest, paired),
    }


def pairs_note(what, value, baseline):
    """"start pairs, updater/message box (ms): 107/61, 60/85"."""
    return "%s (ms): %s" % (what, ", ".join("%.0f/%.0f" % pair for pair in zip(value, baseline)))
