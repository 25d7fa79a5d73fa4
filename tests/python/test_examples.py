"""The notebook in examples/ runs as it stands and draws the same figure as the script."""

import json
import os

from conftest import SOURCE_DIR


def test_the_notebook_runs_and_saves_its_figure(tmp_path, monkeypatch):
    monkeypatch.chdir(tmp_path)
    path = os.path.join(SOURCE_DIR, "examples", "straw_incorporation.ipynb")
    with open(path, encoding="utf-8") as f:
        notebook = json.load(f)
    assert notebook["nbformat"] == 4
    namespace = {}
    for cell in notebook["cells"]:
        if cell["cell_type"] == "code":
            exec("".join(cell["source"]), namespace)  # noqa: S102 - our own example
    assert (tmp_path / "straw_incorporation.png").read_bytes()[:8] == b"\x89PNG\r\n\x1a\n"
    results = namespace["results"]
    # Wider straw leaves less mineral N, the same residue C.
    ends = [r.daily.iloc[-1] for r in results]
    assert ends[0]["ttl_Nm_kg_ha"] > ends[1]["ttl_Nm_kg_ha"] > ends[2]["ttl_Nm_kg_ha"]
    assert ends[0]["res_C_Mg_ha"] == ends[2]["res_C_Mg_ha"]
