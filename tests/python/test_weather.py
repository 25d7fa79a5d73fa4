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
