"""Weather files as DataFrames, checked as the run checks them."""

import os

import numpy as np
import pandas as pd
import pytest

import orvek


def test_the_bundled_daily_and_monthly_files():
    daily = orvek.read_weather(os.path.join(orvek.DATA_FOLDER, "milwaukee_1991_2020_daily.wth"))
    assert len(daily) == 10958
    assert daily.index[0] == pd.Timestamp("1991-01-01")
    assert daily.index[-1] == pd.Timestamp("2020-12-31")
    assert list(daily.columns) == ["year", "day", "tmax", "tmin"]
    assert daily.attrs["kind"] == "Daily weather data"
    assert (daily["tmax"] >= daily["tmin"]).mean() > 0.99
    monthly = orvek.read_weather(
        os.path.join(orvek.DATA_FOLDER, "milwaukee_1991_2020_monthly.wth"))
    assert len(monthly) == 360 and list(monthly.columns) == ["year", "month", "tmax", "tmin"]
    july = monthly[monthly["month"] == 7]["tmax"].mean()
    assert np.isclose(july, daily[daily.index.month == 7]["tmax"].mean(), atol=1.5)


def test_a_faulty_line_is_named(tmp_path):
    path = tmp_path / "bad.wth"
    path.write_bytes(b"a\r\nb\r\nc\r\nd\r\n2005\t1\t1.0\t-2.0\r\n2005\t2\twarm\t-1.0\r\n")
    with pytest.raises(orvek.FileError, match="line 6"):
        orvek.read_weather(str(path))
    with pytest.raises(orvek.FileError):
        orvek.read_weather(str(tmp_path / "missing.wth"))


IMPORT_DIR = os.path.join(os.environ.get(
    "ORVEK_SOURCE_DIR", os.path.join(os.path.dirname(__file__), "..", "..")),
    "tests", "data", "weather-import")


def test_an_import_is_the_file_a_run_reads(tmp_path):
    out = tmp_path / "daymet.wth"
    imported = orvek.import_weather(os.path.join(IMPORT_DIR, "daymet.csv"), save_to=str(out))
    assert imported.attrs["layout"] == "Daymet single-pixel CSV"
    assert imported.attrs["site"] == "latitude 43.0389, longitude -87.9065"
    assert list(imported.columns) == ["year", "day", "tmax", "tmin", "precip"]
    # The leap year's last day is copied from the day before, and dated 31 December.
    assert imported.index[2] == pd.Timestamp("2020-12-31")
    assert imported.loc["2020-12-31", "precip"] == 4.2
    reread = orvek.read_weather(str(out))
    assert list(reread.index) == list(imported.index)
    # The frame keeps the converted values; the file holds them to a tenth.
    assert np.allclose(reread["tmin"], imported["tmin"], rtol=0, atol=0.05 + 1e-9)


def test_gaps_are_refused_with_every_fault_named_unless_filled(tmp_path):
    source = os.path.join(IMPORT_DIR, "meteostat.csv")
    out = tmp_path / "meteo.wth"
    with pytest.raises(orvek.CheckFailed, match="fill_gaps") as refused:
        orvek.import_weather(source, save_to=str(out))
    assert refused.value.problems == ["2021-07-03: precipitation missing (line 4)"]
    assert not out.exists()
    filled = orvek.import_weather(source, fill_gaps="linear", save_to=str(out))
    assert filled.attrs["filled"] and out.exists()
    assert filled["precip"].tolist() == [0.0, 12.3, 6.7, 1.1]


def test_unreadable_and_unknown_files_and_wrong_options():
    with pytest.raises(orvek.FileError, match="NASA POWER"):
        orvek.import_weather(os.path.join(IMPORT_DIR, "unknown.csv"))
    with pytest.raises(orvek.FileError):
        orvek.import_weather(os.path.join(IMPORT_DIR, "missing.csv"))
    with pytest.raises(ValueError, match="linear"):
        orvek.import_weather(os.path.join(IMPORT_DIR, "daymet.csv"), fill_gaps="spline")
    with pytest.raises(ValueError, match="standard"):
        orvek.import_weather(os.path.join(IMPORT_DIR, "noaa_metric.csv"), noaa_units="imperial")
