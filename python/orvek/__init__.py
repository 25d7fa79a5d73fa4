"""Orvek C&N for Python: the engine of the window and orvek-batch, results as DataFrames.

    import orvek
    s = orvek.read_settings("Example.stg")
    r = orvek.run(s)
    r.daily.plot(y="res_C_Mg_ha")

read_settings, read_parameters, read_weather, import_weather, run and run_many are the entry points; see
help(orvek.run). Checks that fail raise CheckFailed and file errors FileError, with the
messages the program shows.
"""

import os as _os

import pandas as _pandas  # noqa: F401 - loaded with the package, not at the first result

from ._core import (CheckFailed, Event, FileError, Parameters, PARAMETER_NAMES, Result,
                    SUBSTRATES, Settings, read_parameters, read_settings, read_weather, run,
                    run_many, import_weather)
from . import _core

#: The bundled data files: parameters, options, substrates, an example setting file and the
#: Milwaukee weather of 1991-2020 (daily and monthly).
DATA_FOLDER = _os.path.join(_os.path.dirname(_os.path.abspath(__file__)), "data")
_core._set_data_folder(DATA_FOLDER + _os.sep)

__all__ = ["CheckFailed", "DATA_FOLDER", "Event", "FileError", "Parameters", "PARAMETER_NAMES",
           "Result", "SUBSTRATES", "Settings", "read_parameters", "read_settings",
           "read_weather", "import_weather", "run", "run_many"]
