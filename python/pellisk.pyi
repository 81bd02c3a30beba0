"""Wraps dirty triangle meshes into closed surfaces.

Meshes are NumPy arrays: vertices of shape (n, 3) and faces of shape (m, 3)
holding vertex numbers counted from 0.
"""

import os
from typing import Any, Callable, Optional, Sequence, Tuple, Union

import numpy as np
import numpy.typing as npt

_Path = Union[str, os.PathLike[str]]
_Mesh = Tuple[npt.NDArray[np.float64], npt.NDArray[np.int64]]

class Message:
    """One message the library issued during a wrap."""

    @property
    def severity(self) -> str:
        """'info', 'warning' or 'error'."""
    @property
    def key(self) -> str:
        """Identifier of the message, such as 'Algo.NoAlgorithm'."""
    @property
    def text(self) -> str:
        """The message for people to read."""

class WrapError(RuntimeError):
    """A wrap failed or gave nothing. `messages` lists what the library said."""

    messages: list[Message]

def wrap(
    vertices: npt.ArrayLike,
    faces: npt.ArrayLike,
    cell: Optional[float] = None,
    cell_rel: Optional[float] = None,
    config: Optional[_Path] = None,
    voxelization: str = "minsize",
    tessellation: str = "shrink",
    inner: bool = False,
    refine: Optional[Sequence[str]] = None,
    threads: Optional[int] = None,
    progress: Optional[Callable[[float], Any]] = None,
) -> _Mesh:
    """Wraps a triangle soup into a closed surface; returns (vertices, faces).

    cell: the cell size in model units, or cell_rel: a fraction of the side of
    the input's bounding cube (1/128 when neither is given); not both.
    config: a configuration file, as "pellisk wrap --config"; None: the
    library's own. voxelization ('minsize' or 'gsf') and tessellation ('shrink'
    or 'cartesian') given explicitly override the configuration's choice; left
    out, the configuration's choice holds (minsize and shrink in the library's
    own). inner: wrap the skin inside the outermost one. refine: step words as
    after "pellisk wrap --refine", run after the configuration's steps.
    threads: 1 or more; None: the configuration's count. progress: called with
    the position in 0..1 (by 1/1000 at least, and 1.0 at the end) on the
    calling thread; an exception it raises, or a KeyboardInterrupt, cancels
    the wrap and is raised again. Raises ValueError for bad arguments and
    WrapError when the wrap fails or is empty.
    """

def read(path: _Path) -> _Mesh:
    """Reads a mesh file (.stl or .ply); returns (vertices, faces).

    Raises FileNotFoundError for a missing file and ValueError for another
    extension or a file that cannot be read.
    """

def write(path: _Path, vertices: npt.ArrayLike, faces: npt.ArrayLike, ascii: bool = False) -> None:
    """Writes a mesh file (.stl, binary unless ascii, or .ply), whole or not at all.

    Vertices closer than 1e-7 are merged, faces that then repeat a vertex and
    faces that would make an edge of three faces or more are left out, and a
    face against its neighbours' direction is turned around. Raises ValueError
    for another extension or bad arrays, OSError when the file cannot be written.
    """

def check(
    vertices: npt.ArrayLike,
    faces: npt.ArrayLike,
    reference: Optional[Tuple[npt.ArrayLike, npt.ArrayLike]] = None,
    threads: Optional[int] = None,
) -> dict[str, Optional[Union[bool, int, float]]]:
    """Checks a wrap as "pellisk check --json" does; returns the same figures.

    Without reference (the input's vertices and faces) the distance figures
    and the input's counts are None.
    """
