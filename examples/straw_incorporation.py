#!/usr/bin/python3
"""Straw incorporated after harvest on the bundled Milwaukee weather: the same 5 Mg C/ha of
straw at three C:N ratios, side by side. The residue C decays along one curve whatever its
C:N; the mineral N does not: narrow straw releases N as it decays, wide straw ties it up. Draws residue C and mineral N and saves the figure as a PNG.

    python3 straw_incorporation.py [OUTPUT_FOLDER]
"""

import datetime
import os
import sys

import matplotlib

matplotlib.use("Agg")  # no screen needed: the figure goes to a file
import matplotlib.pyplot as plt  # noqa: E402

import orvek  # noqa: E402

CN_RATIOS = [40, 80, 120]


def straw_settings(cn):
    """Two years on a loam from 1 January 2005, straw worked in on 15 August 2005."""
    s = orvek.Settings()
    s.weather = os.path.join(orvek.DATA_FOLDER, "milwaukee_1991_2020_daily.wth")
    s.mode = "C & N"
    s.start = datetime.date(2005, 1, 1)
    s.end = datetime.date(2006, 12, 31)
    s.soil_c_content = 12
    s.bulk_density = 1.35
    s.depth = 25
    s.nmin = 40
    s.texture = "Loam"
    s.events = [orvek.Event(datetime.date(2005, 8, 15), 1, 5.0, cn)]  # cereal crop residues
    return s


def main(output_folder):
    results = orvek.run_many([straw_settings(cn) for cn in CN_RATIOS], jobs=2)

    fig, (carbon, nitrogen) = plt.subplots(2, 1, sharex=True, figsize=(8, 6))
    for cn, result in zip(CN_RATIOS, results):
        daily = result.daily
        carbon.plot(daily.index, daily["res_C_Mg_ha"], label=f"C:N {cn}")
        nitrogen.plot(daily.index, daily["ttl_Nm_kg_ha"], label=f"C:N {cn}")
    carbon.set_ylabel("Residue C (Mg/ha)")
    nitrogen.set_ylabel("Mineral N (kg/ha)")
    carbon.set_title("Straw incorporated on 15 August 2005, Milwaukee weather")
    carbon.legend()
    nitrogen.legend()
    fig.tight_layout()

    os.makedirs(output_folder, exist_ok=True)
    path = os.path.join(output_folder, "straw_incorporation.png")
    fig.savefig(path, dpi=100)
    plt.close(fig)

    for cn, result in zip(CN_RATIOS, results):
        end = result.daily.iloc[-1]
        print(f"C:N {cn:>3}: residue C {end['res_C_Mg_ha']:.2f} Mg/ha, "
              f"mineral N {end['ttl_Nm_kg_ha']:.1f} kg/ha at the end")
    print("figure saved in", path)
    return path


if __name__ == "__main__":
    saved = main(sys.argv[1] if len(sys.argv) > 1 else ".")
    with open(saved, "rb") as png:
        if png.read(8) != b"\x89PNG\r\n\x1a\n":
            sys.exit("the figure is not a PNG file")
