"""The pellisk Python module: arrays in and out, argument errors, failures,
progress and cancellation, mesh files, and independence of the thread count."""

import _thread
import collections
import pathlib
import threading

import numpy as np
import pytest

import pellisk

DATA = pathlib.Path(__file__).resolve().parents[1] / "data"

TETRA = (np.array([[0, 0, 0], [1, 0, 0], [0, 1, 0], [0, 0, 1]], float),
         np.array([[0, 2, 1], [0, 1, 3], [0, 3, 2], [1, 2, 3]]))
# Vertex 4x + 2y + z sits at (x, y, z) * 2: a cube of side 2, faces outward.
BOX = (2.0 * np.array([[x, y, z] for x in (0, 1) for y in (0, 1) for z in (0, 1)], float),
       np.array([[0, 1, 3], [0, 3, 2], [4, 6, 7], [4, 7, 5], [0, 4, 5], [0, 5, 1],
                 [2, 3, 7], [2, 7, 6], [0, 2, 6], [0, 6, 4], [1, 5, 7], [1, 7, 3]]))


def closed_volume(vertices, faces):
    """Volume of a closed, consistently oriented surface; fails the test otherwise."""
    runs = collections.Counter((a, b) for t in faces.tolist() for a, b in zip(t, t[1:] + t[:1]))
    assert all(n == 1 and runs[(b, a)] == 1 for (a, b), n in runs.items()), "not closed or not oriented"
    p = vertices[faces]
    return np.einsum("ij,ij->i", p[:, 0], np.cross(p[:, 1], p[:, 2])).sum() / 6.0


@pytest.mark.parametrize("name, mesh, volume, vdtype, fdtype, fortran", [
    ("tetra", TETRA, 1.0 / 6.0, np.float64, np.int64, False),
    ("tetra", TETRA, 1.0 / 6.0, np.float32, np.uint16, True),
    ("box", BOX, 8.0, np.int32, np.int32, False),
])
def test_wrap_gives_closed_arrays(name, mesh, volume, vdtype, fdtype, fortran):
    order = "F" if fortran else "C"
    vertices, faces = (np.array(mesh[0], vdtype, order=order), np.array(mesh[1], fdtype, order=order))
    before = (vertices.copy(), faces.copy())
    wv, wf = pellisk.wrap(vertices, faces, cell_rel=1 / 16, threads=2)
    assert (wv.dtype, wf.dtype, wv.shape[1], wf.shape[1]) == (np.float64, np.int64, 3, 3)
    assert wf.min() == 0 and wf.max() == len(wv) - 1
    assert closed_volume(wv, wf) == pytest.approx(volume, rel=0.03)
    assert np.array_equal(vertices, before[0]) and np.array_equal(faces, before[1])
    report = pellisk.check(wv, wf, reference=mesh)
    assert report["valid"] and report["faces"] == len(wf) and report["input_faces"] == len(mesh[1])


def bad(vertices=TETRA[0], faces=TETRA[1], **kwargs):
    return (vertices, faces, kwargs)


@pytest.mark.parametrize("args, reason", [
    (bad(vertices=TETRA[0][:, :2]), r"vertices must have the shape \(n, 3\), not \(4, 2\)"),
    (bad(vertices=TETRA[0].ravel()), r"vertices must have the shape"),
    (bad(vertices=TETRA[0].astype(str)), "vertices must hold numbers"),
    (bad(vertices=[[0, 0], [1]]), "vertices must be an array of numbers"),
    (bad(vertices=np.where(TETRA[0] == 1, np.nan, TETRA[0])), "vertices must be finite; row 1"),
    (bad(faces=TETRA[1].astype(float)), "faces must hold whole numbers"),
    (bad(faces=TETRA[1].astype(bool)), "faces must hold whole numbers"),
    (bad(faces=TETRA[1][:, :2]), r"faces must have the shape \(m, 3\)"),
    (bad(faces=TETRA[1] + 1), "faces row 1 names vertex 4, outside 0..3"),
    (bad(faces=TETRA[1] - 1), "faces row 0 names vertex -1"),
    (bad(faces=np.full((1, 3), 2**64 - 1, np.uint64)), "faces row 0 names vertex"),
    (bad(cell=-1.0), "cell must be a number above 0"),
    (bad(cell=0.0), "cell must be a number above 0"),
    (bad(cell_rel=float("inf")), "cell_rel must be a number above 0"),
    (bad(cell=0.1, cell_rel=0.1), "not both"),
    (bad(voxelization="shrink"), "voxelization must be 'minsize' or 'gsf', not 'shrink'"),
    (bad(tessellation="gsf"), "tessellation must be 'shrink' or 'cartesian'"),
    (bad(refine=["Bogus"]), "refine: unknown refinement step 'Bogus'"),
    (bad(refine=["CollapseSmallEdge=-1"]), "refine: CollapseSmallEdge needs a number above 0"),
    (bad(refine=["SwapEdge=1e999"]), "refine: 'SwapEdge=1e999' is out of range"),
    (bad(refine=["Smoothing=Both:0"]), "refine: Smoothing needs a whole number above 0"),
    (bad(threads=0), "threads must be 1 or more"),
])
def test_bad_arguments_name_the_argument(args, reason):
    vertices, faces, kwargs = args
    with pytest.raises(ValueError, match=reason):
        pellisk.wrap(vertices, faces, **kwargs)


@pytest.mark.parametrize("call, reason", [
    (lambda: pellisk.check(*TETRA, reference=TETRA[0]), "reference must be a"),
    (lambda: pellisk.check(*TETRA, reference=(TETRA[0], TETRA[1] + 9)), "reference faces row 0"),
    (lambda: pellisk.check(TETRA[0], TETRA[1][:0]), "faces is empty"),
    (lambda: pellisk.write("mesh.obj", *TETRA), "not a .stl or .ply file"),
    (lambda: pellisk.read("mesh.off"), "not a .stl or .ply file"),
    (lambda: pellisk.read(DATA / "README.md"), "not a .stl or .ply file"),
])
def test_other_functions_refuse_bad_arguments(call, reason):
    with pytest.raises(ValueError, match=reason):
        call()


def test_real_mesh_wraps_valid_and_close():
    vertices, faces = pellisk.read(DATA / "spider_assimp.stl")
    assert vertices.shape[1] == 3 and len(faces) > 1000
    wv, wf = pellisk.wrap(vertices, faces, cell_rel=1 / 32, threads=2)
    report = pellisk.check(wv, wf, reference=(vertices, faces), threads=2)
    assert report["valid"] and report["crossing_pairs"] == 0 and report["smallest_angle"] > 0
    assert report["distance_mean_relative"] < 2e-3 and report["distance_max_relative"] < 2e-2
    alone = pellisk.check(wv, wf)
    assert alone["distance_mean"] is None and alone["input_faces"] is None
    assert {k: v for k, v in alone.items() if v is not None} == {
        k: v for k, v in report.items() if k in alone and alone[k] is not None}


def test_progress_rises_by_steps_to_one():
    calls = []
    pellisk.wrap(*BOX, cell_rel=1 / 16, progress=calls.append)
    steps = np.diff(calls)
    assert len(calls) > 10 and calls[-1] == 1.0 and 0.0 < calls[0]
    assert (steps > 0).all() and (steps[:-1] >= 1e-3 - 1e-12).all()


class Stop(Exception):
    pass


def raise_from_callback(vertices, faces, positions):
    def progress(position):
        positions.append(position)
        raise Stop(position)
    pellisk.wrap(vertices, faces, cell_rel=1 / 64, threads=2, progress=progress)


def interrupt_from_timer(vertices, faces, positions):
    # Ctrl-C arrives while the library works without the GIL.
    timer = threading.Timer(0.05, _thread.interrupt_main)
    timer.start()
    try:
        pellisk.wrap(vertices, faces, cell_rel=1 / 64, threads=2, progress=positions.append)
    finally:
        timer.cancel()


@pytest.fixture(scope="module")
def spider():
    """The spider mesh."""
    return pellisk.read(DATA / "spider_assimp.stl")


@pytest.mark.parametrize("cancel, error, nb_calls", [(raise_from_callback, Stop, 1),
                                                     (interrupt_from_timer, KeyboardInterrupt, None)])
def test_cancellation_stops_the_wrap_and_raises(spider, cancel, error, nb_calls):
    vertices, faces = spider
    positions = []
    with pytest.raises(error):
        cancel(vertices, faces, positions)
    # Stopped before the end: no call reached 1.0, and none came after the raising one.
    assert positions[-1] < 1.0 and len(positions) == (nb_calls or len(positions))


@pytest.mark.parametrize("config, kwargs, key", [
    ("Voxelization = Bogus\nTessellation = ShrinkWrapping\n", {}, "pellisk.Settings"),
    ("Voxelization = Bogus\nTessellation = ShrinkWrapping\n", {"voxelization": "minsize"}, None),
    ("Voxelization = MinVoxelSize\nTessellation = Bogus\n", {"tessellation": "shrink"}, None),
    ("Voxelization = MinVoxelSize\nTessellation = ShrinkWrapping\n", {"faces": TETRA[1][:0]},
     "Algo_Voxelization.NoMesh"),
    (None, {"config": "no/such/file.conf"}, "Pelk_API.ConfigFileError"),
])
def test_failures_carry_the_messages(tmp_path, config, kwargs, key):
    path = tmp_path / "wrap.conf"
    if config is not None:
        path.write_text(config)
    kwargs = {"vertices": TETRA[0], "faces": TETRA[1], "config": path, "cell_rel": 1 / 8, **kwargs}
    if key is None:
        assert len(pellisk.wrap(**kwargs)[1]) > 0
        return
    with pytest.raises(pellisk.WrapError) as failure:
        pellisk.wrap(**kwargs)
    assert isinstance(failure.value, RuntimeError) and str(failure.value)
    messages = failure.value.messages
    assert all(m.severity in ("info", "warning", "error") and m.text for m in messages)
    assert key in [m.key for m in messages]
    assert any(m.severity == "error" and m.text in str(failure.value) for m in messages)


def triangles(vertices, faces):
    """The faces as sets of corner points, each turned to start at its least corner."""
    corners = [tuple(map(tuple, vertices[f])) for f in faces]
    return sorted(min(c[k:] + c[:k] for k in range(3)) for c in corners)


@pytest.mark.parametrize("name, ascii", [("m.stl", False), ("m.STL", True), ("m.ply", False)])
def test_write_read_round_trip(tmp_path, name, ascii):
    # Coordinates that float32 (PLY) holds exactly.
    vertices, faces = BOX[0] - 0.5, BOX[1].astype(np.int32)
    pellisk.write(tmp_path / name, vertices, faces, ascii=ascii)
    assert [p.name for p in tmp_path.iterdir()] == [name]
    assert triangles(*pellisk.read(str(tmp_path / name))) == triangles(vertices, faces)
    with pytest.raises(FileNotFoundError):
        pellisk.read(tmp_path / ("missing" + name))
    with pytest.raises(OSError):
        pellisk.write(tmp_path / "no" / name, vertices, faces)


def test_one_and_two_threads_agree():
    one = pellisk.wrap(*BOX, cell_rel=1 / 16, threads=1, refine=["Smoothing=Both:2", "SplitEdge"])
    two = pellisk.wrap(*BOX, cell_rel=1 / 16, threads=2, refine=["Smoothing=Both:2", "SplitEdge"])
    assert all(np.array_equal(a, b) for a, b in zip(one, two))
    assert pellisk.check(*one, threads=1) == pellisk.check(*one, threads=2)
