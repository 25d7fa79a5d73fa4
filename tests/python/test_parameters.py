"""Parameters by their short names, with the checks of the run."""

import os

import pytest

import orvek
from conftest import golden_settings


def test_the_bundled_file_reads_all_27_by_name():
    p = orvek.read_parameters()
    assert len(orvek.PARAMETER_NAMES) == 27
    assert list(p.to_dict()) == orvek.PARAMETER_NAMES
    assert p.q10 == p["q10"] == 2.0
    assert p.tmax_cutoff == 35.0


def test_a_changed_parameter_is_the_same_as_that_parameter_file(start_folder):
    p = orvek.read_parameters()
    p.cereal_residue_r = 0.1
    lines = (start_folder / "Parameter.Orvek").read_bytes().split(b"\r\n")
    assert lines[3].startswith(b"0.078")
    lines[3] = b"0.1" + lines[3][len(b"0.078"):]
    (start_folder / "Parameter.Orvek").write_bytes(b"\r\n".join(lines))
    s = golden_settings(False)
    from_object = orvek.run(s, parameters=p)
    from_folder = orvek.run(s, start_folder=str(start_folder))
    assert from_object.result_file("ResultDaily.~") == from_folder.result_file("ResultDaily.~")
    assert from_object.result_file("ResultDaily.~") != orvek.run(s).result_file("ResultDaily.~")


def test_values_the_model_cannot_use_are_refused_and_nothing_changes():
    p = orvek.read_parameters()
    with pytest.raises(orvek.CheckFailed):
        p.da_max = p.da_min - 0.5
    assert p.da_max == orvek.read_parameters().da_max
    with pytest.raises(KeyError):
        p["q11"]
    with pytest.raises(KeyError):
        p["q11"] = 1


def test_a_broken_parameter_file_names_its_line(tmp_path):
    source = os.path.join(orvek.DATA_FOLDER, "Parameter.Orvek")
    with open(source, "rb") as f:
        lines = f.read().split(b"\r\n")
    lines[5] = b"fast\tR of cereal crop roots"
    bad = tmp_path / "Parameter.Orvek"
    bad.write_bytes(b"\r\n".join(lines))
    with pytest.raises(orvek.FileError, match="line 6"):
        orvek.read_parameters(str(bad))
    with pytest.raises(orvek.FileError):
        orvek.run(golden_settings(False), start_folder=str(tmp_path))
