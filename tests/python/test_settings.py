"""Settings: setting files read and written as the window does, changes through the input
page's rules, and bad input refused with the program's messages."""

import datetime
import os

import pytest

import orvek
from conftest import golden_settings

EXAMPLE = os.path.join(orvek.DATA_FOLDER, "Example.stg")


def test_example_reads_with_readable_names():
    s = orvek.read_settings(EXAMPLE)
    assert s.mode == "C & N"
    assert (s.start, s.end) == (datetime.date(2005, 1, 1), datetime.date(2009, 12, 31))
    assert os.path.basename(s.weather) == "milwaukee_1991_2020_daily.wth"
    assert s.weather_kind == "Daily weather data"
    assert s.events[0].date == datetime.date(2005, 9, 15)
    assert (s.events[0].substrate, s.events[0].c, s.events[0].cn) == (1, 2.5, 80.0)
    assert len(s.events) == 5 and s.events_file is None
    assert (s.soil_c_content, s.bulk_density, s.depth, s.nmin) == (12.5, 1.35, 30.0, 40.0)
    assert (s.texture, s.output_step) == ("Loam", "daily")


def test_read_and_save_unchanged_gives_the_same_bytes(tmp_path):
    # The weather file is written with its folder, so a file the window saved reads and saves
    # back to itself.
    first = tmp_path / "first.stg"
    orvek.read_settings(EXAMPLE).save(str(first))
    second = tmp_path / "second.stg"
    orvek.read_settings(str(first)).save(str(second))
    assert second.read_bytes() == first.read_bytes()
    lines = first.read_bytes().split(b"\r\n")
    assert len(lines) == 68 and lines[-1] == b""


def test_changed_settings_are_saved_and_read_back(tmp_path):
    s = golden_settings(False)
    s.output_step = "monthly"
    path = tmp_path / "changed.stg"
    s.save(str(path))
    back = orvek.read_settings(str(path))
    assert back.mode == "C & N" and back.output_step == "monthly" and back.texture == "Sand"
    assert [(e.date, e.substrate, e.c, e.cn) for e in back.events] == [
        (e.date, e.substrate, e.c, e.cn) for e in s.events]
    assert orvek.run(back).result_file("ResultDaily.~") == orvek.run(s).result_file(
        "ResultDaily.~")


def test_soil_fields_recompute_the_stock_and_refuse_text_that_is_no_number():
    s = orvek.Settings()
    s.soil_c_content, s.bulk_density, s.depth = 10, 1.3, 20
    assert s.soil_c_stock == 26.0
    with pytest.raises(orvek.FileError, match="'abc' is not a valid floating point value"):
        s.depth = "abc"
    assert s.depth == 20.0 and s.soil_c_stock == 26.0


def test_events_replace_the_page_rows_and_refuse_more_than_it_holds():
    s = golden_settings(False)
    s.events = [orvek.Event("2005-03-01", 5, 1.25, 12)]
    assert [(e.date, e.substrate, e.c, e.cn) for e in s.events] == [
        (datetime.date(2005, 3, 1), 5, 1.25, 12.0)]
    eleven = [orvek.Event(datetime.date(2005, 3, 1), 1, 1, 50)] * 11
    with pytest.raises(ValueError, match="holds 10 events"):
        s.events = eleven
    with pytest.raises(ValueError, match="type code from 1 to 6"):
        s.events = [orvek.Event(datetime.date(2005, 3, 1), 7, 1, 50)]
    with pytest.raises(ValueError):
        s.events = [orvek.Event(datetime.date(2005, 2, 30), 1, 1, 50)]
    assert len(s.events) == 1


def test_choices_outside_the_page_are_refused():
    s = orvek.Settings()
    for field, value in (("mode", "N only"), ("texture", "Peat"), ("output_step", "weekly")):
        with pytest.raises(ValueError):
            setattr(s, field, value)
    with pytest.raises(TypeError):
        s.nmin = [1]
    with pytest.raises(TypeError):
        s.start = 5


@pytest.mark.parametrize("change, message", [
    (lambda s: setattr(s, "end", datetime.date(2004, 12, 31)),
     "Simulation ending date set before the start date."),
    (lambda s: setattr(s, "events", [orvek.Event("2005-08-01", 1, "x", 90)]),
     "'x' is not a valid floating point value"),
])
def test_failed_checks_raise_the_programs_message(change, message):
    s = golden_settings(False)
    change(s)
    with pytest.raises(orvek.CheckFailed) as caught:
        orvek.run(s)
    assert str(caught.value) == message


def test_file_errors_name_the_file(tmp_path):
    with pytest.raises(orvek.FileError, match="File not found"):
        orvek.read_settings(str(tmp_path / "missing.stg"))
    bad = tmp_path / "bad.stg"
    bad.write_bytes(b"N\r\nw.wth\r\nY\r\nDaily weather data\r\n1/1/91 - 12/31/20\r\nsoon\r\n")
    with pytest.raises(orvek.FileError, match="Invalid numeric input"):
        orvek.read_settings(str(bad))
    s = golden_settings(False)
    with pytest.raises(orvek.FileError):
        s.weather = str(tmp_path / "missing.wth")
    assert os.path.basename(s.weather) == "milwaukee_1991_2020_daily.wth"


def test_copies_are_independent():
    s = golden_settings(False)
    t = s.copy()
    t.mode = "C only"
    assert s.mode == "C & N"
