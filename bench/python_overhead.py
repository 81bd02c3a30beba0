#!/usr/bin/env python3
"""Time of a wrap through the Python module against the "pellisk wrap" command.

Run from the build tree's parent, with the module on the path:
  PYTHONPATH=build/lib /usr/bin/python3 bench/python_overhead.py [--pellisk build/bin/pellisk] MESH...
Each mesh is wrapped with cell_rel 1/128 on 2 threads, best of 3 runs each way,
in wall time and in CPU time (user + system, as `time` gives them; CPU time
suffers less when other work shares the machine). The command's time includes
starting the process and reading and writing the files, so the Python side is
timed both for the wrap alone and for the same work: reading, wrapping and
writing. The overhead compares the same work.
"""

import argparse
import os
import resource
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


def cpu_time():
    """User and system time of this process and of its finished children."""
    own, children = resource.getrusage(resource.RUSAGE_SELF), resource.getrusage(resource.RUSAGE_CHILDREN)
    return own.ru_utime + own.ru_stime + children.ru_utime + children.ru_stime


def best(run):
    """Best wall and best CPU time of RUNS runs."""
    walls, cpus = [], []
    for _ in range(RUNS):
        wall, cpu = time.perf_counter(), cpu_time()
        run()
        walls.append(time.perf_counter() - wall)
        cpus.append(cpu_time() - cpu)
    return min(walls), min(cpus)


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--pellisk", default="build/bin/pellisk", help="the pellisk command")
    parser.add_argument("meshes", nargs="+", type=pathlib.Path)
    args = parser.parse_args()
    print(f"{'mesh':18} {'time':5} {'command s':>10} {'wrap s':>8} {'files s':>8} {'overhead':>9}")
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
            for k, kind in enumerate(("wall", "cpu")):
                print(f"{mesh.name:18} {kind:5} {by_command[k]:10.3f} {wrap_only[k]:8.3f} {with_files[k]:8.3f} "
                      f"{100.0 * (with_files[k] / by_command[k] - 1.0):+8.1f}%", flush=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
