"""Wrong types and hostile values give Python exceptions, never a crash of the interpreter,
and the documentation a user reaches with help() is there."""

import datetime
import threading

import pytest

import orvek
from conftest import golden_settings


@pytest.mark.parametrize("call", [
    lambda: orvek.run(None),
    lambda: orvek.run("Example.stg"),
    lambda: orvek.run_many([golden_settings(True), 3]),
    lambda: orvek.read_settings(None),
    lambda: orvek.Event(datetime.date(2005, 1, 1), "straw", 1, 1),
    lambda: setattr(golden_settings(True), "events", [1]),
    lambda: setattr(golden_settings(True), "start", "first of May"),
    lambda: orvek.read_parameters(3.5),
])
def test_wrong_types_raise(call):
    with pytest.raises((TypeError, ValueError)):
        call()


@pytest.mark.parametrize("field, value", [
    ("soil_c_content", 1e308), ("soil_c_content", -5), ("nmin", "1e400"), ("depth", 0),
])
def test_hostile_soil_values_end_in_the_programs_messages(field, value):
    s = golden_settings(False)
    try:
        setattr(s, field, value)
        orvek.run(s)
    except (orvek.CheckFailed, orvek.FileError) as e:
        assert str(e)


def test_a_nul_in_a_path_is_refused():
    with pytest.raises((orvek.FileError, ValueError)):
        orvek.read_settings("Example\0.stg")


def test_settings_changed_by_another_thread_during_runs():
    # The run copies its inputs first, so a thread changing the same object is harmless.
    s = golden_settings(False)
    stop = threading.Event()

    def meddle():
        while not stop.is_set():
            s.mode = "C only"
            s.mode = "C & N"

    t = threading.Thread(target=meddle)
    t.start()
    try:
        for _ in range(5):
            assert len(orvek.run(s).daily) == 730
    finally:
        stop.set()
        t.join()


def test_help_describes_the_entry_points():
    assert "CheckFailed" in orvek.run.__doc__ and "start_folder" in orvek.run.__doc__
    assert "input order" in orvek.run_many.__doc__ or "order of the list" in orvek.run_many.__doc__
    assert "DataFrame" in orvek.read_weather.__doc__
    assert "SOM_C_Mg_ha" in orvek.Result.__doc__
