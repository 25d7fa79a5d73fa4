"""run_many runs on threads without shared state: every result equals the single run."""

import datetime

import pandas as pd
import pytest

import orvek
from conftest import golden_settings


def variants():
    """Three C:N ratios of the straw and a C only run, different enough to tell apart."""
    out = []
    for cn in (40, 90, 150):
        s = golden_settings(False)
        events = s.events
        events[0].cn = cn
        s.events = events
        out.append(s)
    out.append(golden_settings(True))
    return out


def test_two_threads_give_the_single_runs_in_order():
    settings = variants() * 2
    single = [orvek.run(s) for s in settings]
    many = orvek.run_many(settings, jobs=2)
    assert len(many) == len(single)
    for a, b in zip(single, many):
        pd.testing.assert_frame_equal(a.daily, b.daily, check_exact=True)
        pd.testing.assert_frame_equal(a.monthly, b.monthly, check_exact=True)
        assert a.result_file("ResultDaily.~") == b.result_file("ResultDaily.~")
    # The runs differ from each other, so a mixed-up order would show.
    assert single[0].daily["ttl_Nm_kg_ha"].iloc[-1] != single[2].daily["ttl_Nm_kg_ha"].iloc[-1]


def test_more_threads_than_runs_and_no_runs():
    assert orvek.run_many([], jobs=4) == []
    [only] = orvek.run_many([golden_settings(True)], jobs=4)
    assert len(only.daily) == 730
    with pytest.raises(ValueError):
        orvek.run_many([golden_settings(True)], jobs=0)


def test_the_first_failure_in_list_order_is_raised():
    late = golden_settings(False)
    late.end = datetime.date(2004, 1, 1)
    empty = golden_settings(False)
    empty.events = [orvek.Event(datetime.date(2005, 8, 1), 1, "", 90)]
    with pytest.raises(orvek.CheckFailed, match="ending date set before the start date"):
        orvek.run_many([golden_settings(True), late, empty], jobs=2)
