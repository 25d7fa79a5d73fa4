#!/usr/bin/python3
"""orvek.run against orvek-batch on the 100-year, 500-event C & N run, and the conversion of
its 36,525 days into DataFrames. Prints medians of several rounds (the machine is shared).

    bench_python.py BUILD_DIR       (BUILD_DIR configured with -DORVEK_PYTHON=ON)
"""

import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

ROUNDS = 5


def median_seconds(action, rounds=ROUNDS):
    times = []
    for _ in range(rounds):
        t0 = time.perf_counter()
        action()
        times.append(time.perf_counter() - t0)
    return statistics.median(times)


def main(build):
    sys.path.insert(0, os.path.join(build, "python"))
    import orvek

    folder = tempfile.mkdtemp(prefix="orvek-bench-python-")
    try:
        stg = subprocess.run([os.path.join(build, "bench", "bench_python_inputs"), folder],
                             check=True, capture_output=True, text=True).stdout.strip()
        batch = os.path.join(build, "orvek-batch")
        batch_seconds = median_seconds(lambda: subprocess.run(
            [batch, "--start-folder", folder, stg], check=True, capture_output=True))

        settings = orvek.read_settings(stg)
        results = []
        run_seconds = median_seconds(lambda: results.append(orvek.run(settings)))
        simulation = statistics.median(r.simulation_seconds for r in results)
        with open(os.path.join(folder, "ResultDaily.~"), "rb") as f:
            assert results[0].result_file("ResultDaily.~") == f.read()

        def convert(result):
            t0 = time.perf_counter()
            frame = result.daily
            elapsed = time.perf_counter() - t0
            assert len(frame) == 36525
            return elapsed
        conversions = [convert(r) for r in results]
        conversion = statistics.median(conversions)
        many = median_seconds(lambda: orvek.run_many([settings] * 2, jobs=2), rounds=3)
    finally:
        shutil.rmtree(folder, ignore_errors=True)

    print(f"100-year daily C & N run, 500 events, median of {ROUNDS}")
    print(f"  orvek-batch (whole process)      {batch_seconds:.3f} s")
    print(f"  orvek.run (whole call)           {run_seconds:.3f} s "
          f"({100 * (run_seconds / batch_seconds - 1):+.1f} % against orvek-batch)")
    print(f"  orvek.run simulation alone       {simulation:.3f} s")
    print(f"  Result.daily, 36,525 rows        {conversion * 1000:.1f} ms "
          f"(best {min(conversions) * 1000:.1f} ms)")
    print(f"  run_many of 2 on 2 threads       {many:.3f} s")


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "build")
