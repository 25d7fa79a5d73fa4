"""A run from Python is the run of the window and orvek-batch: the same result files byte for
byte, and DataFrames holding the values those files were rounded from."""

import datetime
import os
import shutil
from decimal import ROUND_HALF_UP, Decimal

import numpy as np
import pandas as pd
import pytest

import orvek
from conftest import GOLDEN_DIR, golden_settings, run_batch, without_run_time

DECIMALS = {"SOM_C_Mg_ha": 2, "res_C_Mg_ha": 2, "ttl_C_Mg_ha": 2, "net_Nm_kg_ha": 1,
            "ttl_Nm_kg_ha": 1, "ttl_N_kg_ha": 0, "res_CN": 1, "SOM_CN": 1}
RESULT_FILES = ["ResultDaily.~", "ResultMonthly.~", "ResultDailyForMemo.~",
                "ResultMonthlyForMemo.~", "SettingRecord.~"]


def as_file_writes(value, decimals):
    """The shortest decimal form of the value rounded half away from zero; a value that rounds
    to zero is written without its sign."""
    rounded = Decimal(repr(float(value))).quantize(Decimal(1).scaleb(-decimals),
                                                   rounding=ROUND_HALF_UP)
    return str(abs(rounded) if rounded == 0 else rounded)


def file_rows(path, count_name):
    """The data rows of a result file as lists of their texts."""
    with open(path, "rb") as f:
        lines = f.read().decode("ascii").split("\r\n")
    assert lines[3].split("\t")[1] == count_name
    return [line.rstrip("\t").split("\t") for line in lines[4:] if line]


def frame_rows(frame, count_name, serial_of):
    rows = []
    for date, row in frame.iterrows():
        cells = [str(serial_of(date)), str(int(row[count_name]))]
        cells += [as_file_writes(row[c], DECIMALS[c]) for c in frame.columns[1:]]
        rows.append(cells)
    return rows


def serial(date):
    return (date.date() - datetime.date(1899, 12, 30)).days


@pytest.mark.parametrize("mode", ["c", "cn"])
def test_golden_runs_give_the_kept_files_and_their_values(mode):
    result = orvek.run(golden_settings(mode == "c"))
    folder = os.path.join(GOLDEN_DIR, mode)
    for name in RESULT_FILES[:4]:
        with open(os.path.join(folder, name), "rb") as f:
            assert result.result_file(name) == f.read(), name
    assert frame_rows(result.daily, "DAS", serial) == file_rows(
        os.path.join(folder, "ResultDaily.~"), "DAS")
    assert frame_rows(result.monthly, "MAS", serial) == file_rows(
        os.path.join(folder, "ResultMonthly.~"), "MAS")


@pytest.mark.parametrize("mode", ["c", "cn"])
def test_frames_have_the_export_columns_as_unrounded_floats(mode):
    result = orvek.run(golden_settings(mode == "c"))
    expected = ["SOM_C_Mg_ha", "res_C_Mg_ha", "ttl_C_Mg_ha"]
    if mode == "cn":
        expected += ["net_Nm_kg_ha", "ttl_Nm_kg_ha", "ttl_N_kg_ha", "res_CN", "SOM_CN"]
    daily, monthly = result.daily, result.monthly
    assert list(daily.columns) == ["DAS"] + expected
    assert list(monthly.columns) == ["MAS"] + expected
    assert all(daily[c].dtype == np.float64 for c in expected)
    assert isinstance(daily.index, pd.DatetimeIndex) and daily.index.name == "Date"
    assert len(daily) == 730 and result.last_das == 730
    assert daily.index[0] == pd.Timestamp("2005-01-01")
    assert daily.index[-1] == pd.Timestamp("2006-12-31")
    assert list(daily["DAS"][:3]) == [1, 2, 3]
    assert list(monthly["MAS"][:3]) == [0, 1, 2]
    # Unrounded: the residue C shows more than the file's two decimals once the straw decays.
    assert (daily["res_C_Mg_ha"] * 100 % 1 != 0).any()
    assert np.allclose(daily["ttl_C_Mg_ha"], daily["SOM_C_Mg_ha"] + daily["res_C_Mg_ha"])


def test_example_run_matches_orvek_batch_file_by_file(batch_exe, start_folder, tmp_path):
    settings = os.path.join(orvek.DATA_FOLDER, "Example.stg")
    shutil.copy(os.path.join(orvek.DATA_FOLDER, "milwaukee_1991_2020_daily.wth"), start_folder)
    shutil.copy(settings, start_folder)
    batch = run_batch(batch_exe, start_folder, start_folder / "Example.stg")
    assert batch.returncode == 0, batch.stderr

    result = orvek.run(orvek.read_settings(str(start_folder / "Example.stg")))
    saved = tmp_path / "saved"
    saved.mkdir()
    result.save(str(saved))
    for name in RESULT_FILES:
        expected = (start_folder / name).read_bytes()
        for produced in (result.result_file(name), (saved / name).read_bytes()):
            if name == "SettingRecord.~":
                assert without_run_time(produced) == without_run_time(expected)
            else:
                assert produced == expected, name
    assert result.setting_record.startswith("Settings for the simulation:")


def test_a_run_leaves_no_file_behind(start_folder, tmp_path, monkeypatch):
    temp = tmp_path / "temp"
    temp.mkdir()
    monkeypatch.setenv("TMPDIR", str(temp))
    before = sorted(p.name for p in start_folder.iterdir())
    orvek.run(golden_settings(False), start_folder=str(start_folder))
    with pytest.raises(orvek.CheckFailed):
        bad = golden_settings(False)
        bad.end = datetime.date(2004, 1, 1)
        orvek.run(bad, start_folder=str(start_folder))
    assert sorted(p.name for p in start_folder.iterdir()) == before
    assert list(temp.iterdir()) == []


def test_monthly_weather_runs_as_its_daily_days():
    daily = golden_settings(False)
    monthly = golden_settings(False)
    monthly.weather = os.path.join(orvek.DATA_FOLDER, "milwaukee_1991_2020_monthly.wth")
    assert monthly.weather_kind == "Monthly weather data"
    result = orvek.run(monthly)
    assert len(result.daily) == 730
    # Monthly means decay the straw differently from the observed days, but not wildly.
    difference = result.daily["res_C_Mg_ha"] - orvek.run(daily).daily["res_C_Mg_ha"]
    assert 0 < difference.abs().max() < 1


def test_a_result_saved_to_a_missing_folder_raises_file_error(tmp_path):
    result = orvek.run(golden_settings(True))
    with pytest.raises(orvek.FileError):
        result.save(str(tmp_path / "missing" / "deeper"))
    with pytest.raises(KeyError):
        result.result_file("ResultYearly.~")
