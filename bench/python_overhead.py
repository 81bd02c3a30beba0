#!/usr/bin/env python3
"""Time of a wrap through the Python module against the "pellisk wrap" command.

Run from the build tree's parent, with the module on the path:
  PYTHONPATH=build/lib /usr/bin/python3 bench/python_overhead.py [--pellisk build/bin/pellisk] MESH...
Each mesh is wrapped with cell_rel 1/128 on 2 threads, best of 3 runs each way.
The command's time (as `time` would measure it) includes starting the process
and reading and writing the files, so the Python side is timed both for the
wrap alone and for the same work: reading, wrapping and writing.
"""

import argparse
import os
import pathlib
import subprocess
import sys
import tempfile
import time

# OpenMP reads it when the library loads: set before importing the module.
os.environ["OMP_WAIT_POLICY"] = "passive"

import pellisk  # noqa: E402

CELL_REL = 1.0 / 128.0
THREADS = 2
RUNS = 3


def best(run):
    times = []
    for _ in range(RUNS):
        start = time.perf_counter()
        run()
        times.append(time.perf_counter() - start)
    return min(times)


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--pellisk", default="build/bin/pellisk", help="the pellisk command")
    parser.add_argument("meshes", nargs="+", type=pathlib.Path)
    args = parser.parse_args()
    print(f"{'mesh':24} {'command s':>10} {'wrap s':>8} {'files s':>8} {'overhead':>9}")
    with tempfile.TemporaryDirectory() as folder:
        output = pathlib.Path(folder) / "wrap.stl"
        for mesh in args.meshes:
            command = [args.pellisk, "wrap", str(mesh), str(output), "--cell-rel", str(CELL_REL),
                       "--threads", str(THREADS)]
            by_command = best(lambda: subprocess.run(command, check=True, stderr=subprocess.DEVNULL))
            vertices, faces = pellisk.read(mesh)
            wrap_only = best(lambda: pellisk.wrap(vertices, faces, cell_rel=CELL_REL, threads=THREADS))
            with_files = best(lambda: pellisk.write(
                output, *pellisk.wrap(*pellisk.read(mesh), cell_rel=CELL_REL, threads=THREADS)))
            print(f"{mesh.name:24} {by_command:10.3f} {wrap_only:8.3f} {with_files:8.3f} "
                  f"{100.0 * (with_files / by_command - 1.0):+8.1f}%")
    return 0


if __name__ == "__main__":
    sys.exit(main())
