"""Shared fixtures: where the package, orvek-batch and the kept result files are.

ctest passes the build's folders in the environment; the package itself is found through
PYTHONPATH (build/python), as an installed one would be found through the site folder.
"""

import datetime
import os
import shutil
import subprocess

import pytest

import orvek

SOURCE_DIR = os.environ.get(
    "ORVEK_SOURCE_DIR",
    os.path.abspath(os.path.join(os.path.dirname(__file__), "..", "..")))
GOLDEN_DIR = os.path.join(SOURCE_DIR, "tests", "data", "golden")


@pytest.fixture
def batch_exe():
    exe = os.environ.get("ORVEK_BATCH_EXE")
    if not exe or not os.path.exists(exe):
        pytest.skip("orvek-batch is not built")
    return exe


@pytest.fixture
def start_folder(tmp_path):
    """A start folder holding the bundled parameter, option and substrate files."""
    folder = tmp_path / "start"
    folder.mkdir()
    for name in ("Parameter.Orvek", "Option.Orvek", "Substrates.Orvek"):
        shutil.copy(os.path.join(orvek.DATA_FOLDER, name), folder / name)
    return folder


def run_batch(exe, start, settings_path, env=None):
    return subprocess.run([exe, "--start-folder", str(start), str(settings_path)],
                          capture_output=True, text=True, env=env, check=False)


def golden_settings(carbon_only):
    """The kept golden runs: Milwaukee 2005-2006 on sandy soil with four events."""
    s = orvek.Settings()
    s.weather = os.path.join(orvek.DATA_FOLDER, "milwaukee_1991_2020_daily.wth")
    s.mode = "C only" if carbon_only else "C & N"
    s.start = datetime.date(2005, 1, 1)
    s.end = datetime.date(2006, 12, 31)
    s.soil_c_content = 10
    s.bulk_density = 1.3
    s.depth = 20
    s.nmin = 50
    s.texture = "Sand"
    s.events = [
        orvek.Event(datetime.date(2005, 8, 1), 1, 4, 90),
        orvek.Event(datetime.date(2005, 8, 1), 2, 1.5, 50),
        orvek.Event(datetime.date(2006, 4, 15), 3, 2, 20),
        orvek.Event(datetime.date(2006, 10, 1), 6, 3, 15),
    ]
    return s


def without_run_time(record):
    """A setting record without its "Run on" line, the one line that differs between runs."""
    return b"\r\n".join(line for line in record.split(b"\r\n") if b"Run on" not in line)
