// The "pellisk" Python module: wraps triangle soups given as NumPy arrays,
// reads and writes mesh files and checks wraps, with the option words and
// the figures of the "pellisk" command, so that both front ends agree.
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>
#include <pybind11/stl/filesystem.h>

#include <PelliskPy_Arrays.hxx>
#include <PelliskPy_Notifier.hxx>

#include <HalfEdge_Mesh.hxx>
#include <Pelk_API.hxx>
#include <PelliskTool_MeshFile.hxx>
#include <PelliskTool_WrapOptions.hxx>
#include <PelliskTool_Json.hxx>
#include <PelliskTool_WrapReport.hxx>

#include <Standard_Failure.hxx>

#include <cerrno>
#include <cmath>
#include <filesystem>
#include <omp.h>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace py = pybind11;

namespace
{
//! One message of a failed wrap, as Python sees it.
struct Message
{
  py::str Severity;
  py::str Key;
  py::str Text;
};

// Set once at import; the module holds the exception type.
PyObject* THE_WRAP_ERROR = nullptr;

// Distinct objects equal to the documented default words: a caller's own
// "minsize" is another object, which tells a word given from a word left out
// (left out, the configuration's choice holds, as for the command). Kept for
// the life of the process: no Python object may be released after Python ends.
PyObject* THE_DEFAULT_VOXELIZATION = nullptr;
PyObject* THE_DEFAULT_TESSELLATION = nullptr;

// Library texts are meant to be UTF-8 but may carry any byte of a file name.
py::str text(const std::string& theText)
{
  return py::reinterpret_steal<py::str>(
      PyUnicode_DecodeUTF8(theText.data(), static_cast<py::ssize_t>(theText.size()), "replace"));
}

const char* severityWord(Pelk_MessageSeverity theSeverity)
{
  return theSeverity == Pelk_Error ? "error" : theSeverity == Pelk_Warning ? "warning" : "info";
}

//! What a wrap left when the GIL came back; plain C++, as it is filled without the GIL.
struct Outcome
{
  Handle(Poly_Triangulation) Result;
  bool                       IsDone = false;
  std::string                FailureKey; //!< an exception of the library, as a message
  std::string                FailureText;
};

[[noreturn]] void raiseWrapError(const Handle(Pelk_ProgressNotifier)& theNotifier,
                                 const Outcome&                       theOutcome,
                                 const std::string&                   theReason)
{
  py::list    aMessages;
  std::string aTexts;
  auto anAdd = [&](Pelk_MessageSeverity theSeverity, const std::string& theKey, const std::string& theText)
  {
    aMessages.append(Message{py::str(severityWord(theSeverity)), text(theKey), text(theText)});
    if (theSeverity == Pelk_Error)
    {
      aTexts += (aTexts.empty() ? "" : "\n") + theText;
    }
  };
  for (const Pelk_Message& aMessage : theNotifier->Messages())
  {
    anAdd(aMessage.Severity(), aMessage.Key().ToCString(), aMessage.Text().ToCString());
  }
  if (!theOutcome.FailureKey.empty())
  {
    anAdd(Pelk_Error, theOutcome.FailureKey, theOutcome.FailureText);
  }
  const std::string aReason = !theReason.empty() ? theReason : !aTexts.empty() ? aTexts : "the wrap failed";
  py::object        anError = py::reinterpret_borrow<py::object>(THE_WRAP_ERROR)(text(aReason));
  anError.attr("messages")  = aMessages;
  PyErr_SetObject(THE_WRAP_ERROR, anError.ptr());
  throw py::error_already_set();
}

double positive(const char* theName, double theValue)
{
  if (!(theValue > 0.0) || !std::isfinite(theValue))
  {
    throw py::value_error(std::string(theName) + " must be a number above 0");
  }
  return theValue;
}

// theWord checked against the two words of its stage; empty when left at its default.
std::string stageWord(const char*    theName,
                      const py::str& theWord,
                      PyObject*      theDefault,
                      const char*    theFirst,
                      const char*    theSecond)
{
  if (theWord.ptr() == theDefault)
  {
    return "";
  }
  const std::string aWord = theWord.cast<std::string>();
  if (aWord != theFirst && aWord != theSecond)
  {
    throw py::value_error(std::string(theName) + " must be '" + theFirst + "' or '" + theSecond + "', not '" +
                          aWord + "'");
  }
  return aWord;
}

PelliskTool_WrapOptions::Refinement refinement(const std::string& theWord)
{
  try
  {
    return PelliskTool_WrapOptions::ParseRefinement(theWord);
  }
  catch (const std::invalid_argument& theError)
  {
    // The reasons are worded for the command line.
    std::string aReason = theError.what();
    if (aReason.rfind("--refine ", 0) == 0)
    {
      aReason.erase(0, 9);
    }
    throw py::value_error("refine: " + aReason);
  }
  catch (const std::out_of_range&)
  {
    throw py::value_error("refine: '" + theWord + "' is out of range");
  }
}

int threadCount(const std::optional<int>& theThreads, int theDefault)
{
  if (theThreads && *theThreads < 1)
  {
    throw py::value_error("threads must be 1 or more");
  }
  return theThreads.value_or(theDefault);
}

PelliskTool_WrapOptions wrapOptions(const std::optional<double>&                   theCell,
                                    const std::optional<double>&                   theCellRel,
                                    const std::optional<std::filesystem::path>&    theConfig,
                                    const py::str&                                 theVoxelization,
                                    const py::str&                                 theTessellation,
                                    bool                                           theIsInner,
                                    const std::optional<std::vector<std::string>>& theRefine,
                                    const std::optional<int>&                      theThreads)
{
  if (theCell && theCellRel)
  {
    throw py::value_error("give cell or cell_rel, not both");
  }
  PelliskTool_WrapOptions anOptions;
  if (theCell)
  {
    anOptions.Cell = positive("cell", *theCell);
  }
  if (theCellRel)
  {
    anOptions.CellRelative = positive("cell_rel", *theCellRel);
  }
  anOptions.Config = theConfig ? theConfig->string() : "";
  anOptions.Voxelization =
      stageWord("voxelization", theVoxelization, THE_DEFAULT_VOXELIZATION, "minsize", "gsf");
  anOptions.Tessellation =
      stageWord("tessellation", theTessellation, THE_DEFAULT_TESSELLATION, "shrink", "cartesian");
  anOptions.IsInner = theIsInner;
  for (const std::string& aWord : theRefine.value_or(std::vector<std::string>()))
  {
    anOptions.Refinements.push_back(refinement(aWord));
  }
  if (theThreads)
  {
    anOptions.NbThreads = threadCount(theThreads, 0);
  }
  return anOptions;
}

Outcome runWrap(const PelliskTool_WrapOptions&    theOptions,
                const Handle(Poly_Triangulation)& theInput,
                const Handle(PelliskPy_Notifier)& theNotifier)
{
  Outcome anOutcome;
  try
  {
    const Handle(Pelk_WrappingSettings) aSettings = theOptions.MakeSettings(theNotifier);
    aSettings->SetCellSize(theOptions.CellSize(theInput));
    Pelk_API anAPI(theNotifier);
    anAPI.SetDirtyMesh(theInput);
    anOutcome.IsDone = anAPI.PerformWrapping(aSettings);
    if (anOutcome.IsDone)
    {
      anOutcome.Result = anAPI.GetResultTriangulation();
    }
  }
  catch (const std::invalid_argument& theError)
  {
    anOutcome.FailureKey  = "pellisk.Settings";
    anOutcome.FailureText = theError.what();
  }
  catch (const std::exception& theError)
  {
    anOutcome.FailureKey  = "pellisk.Exception";
    anOutcome.FailureText = theError.what();
  }
  catch (const Standard_Failure& theError)
  {
    anOutcome.FailureKey  = "pellisk.Exception";
    anOutcome.FailureText = theError.GetMessageString();
  }
  return anOutcome;
}

py::tuple wrapMesh(const py::object&                              theVertices,
                   const py::object&                              theFaces,
                   const std::optional<double>&                   theCell,
                   const std::optional<double>&                   theCellRel,
                   const std::optional<std::filesystem::path>&    theConfig,
                   const py::str&                                 theVoxelization,
                   const py::str&                                 theTessellation,
                   bool                                           theIsInner,
                   const std::optional<std::vector<std::string>>& theRefine,
                   const std::optional<int>&                      theThreads,
                   const py::object&                              theProgress)
{
  const PelliskTool_WrapOptions anOptions = wrapOptions(theCell, theCellRel, theConfig, theVoxelization,
                                                        theTessellation, theIsInner, theRefine, theThreads);
  if (!theProgress.is_none() && PyCallable_Check(theProgress.ptr()) == 0)
  {
    throw py::type_error("progress must be callable or None");
  }
  const Handle(Poly_Triangulation) anInput   = PelliskPy_Arrays::ToTriangulation(theVertices, theFaces, "");
  const Handle(PelliskPy_Notifier) aNotifier = new PelliskPy_Notifier(theProgress.ptr());
  Outcome                          anOutcome;
  {
    py::gil_scoped_release aRelease;
    anOutcome = runWrap(anOptions, anInput, aNotifier);
  }
  aNotifier->RaisePending();
  if (!anOutcome.IsDone)
  {
    raiseWrapError(aNotifier, anOutcome, "");
  }
  if (anOutcome.Result.IsNull() || anOutcome.Result->NbTriangles() == 0)
  {
    // Flat or degenerate input can leave nothing to wrap.
    raiseWrapError(aNotifier, anOutcome, "the wrap is empty: the input encloses nothing at this cell size");
  }
  aNotifier->Finish();
  aNotifier->RaisePending();
  return PelliskPy_Arrays::FromTriangulation(anOutcome.Result);
}

py::dict checkWrap(const py::object&         theVertices,
                   const py::object&         theFaces,
                   const py::object&         theReference,
                   const std::optional<int>& theThreads)
{
  const int                  aNbThreads = threadCount(theThreads, omp_get_max_threads());
  Handle(Poly_Triangulation) anInput;
  if (!theReference.is_none())
  {
    if (!py::isinstance<py::sequence>(theReference) || py::len(theReference) != 2 ||
        py::isinstance<py::str>(theReference))
    {
      throw py::value_error("reference must be a (vertices, faces) pair");
    }
    anInput =
        PelliskPy_Arrays::ToTriangulation(theReference[py::int_(0)], theReference[py::int_(1)], "reference ");
  }
  const Handle(Poly_Triangulation) aWrap    = PelliskPy_Arrays::ToTriangulation(theVertices, theFaces, "");
  const bool                       hasInput = !anInput.IsNull();
  if (aWrap.IsNull() || (!theReference.is_none() && !hasInput))
  {
    throw py::value_error(std::string(aWrap.IsNull() ? "" : "reference ") +
                          "faces is empty: nothing to check");
  }
  PelliskTool_WrapReport aReport;
  {
    py::gil_scoped_release aRelease;
    // Without a reference the distances are measured to the wrap itself and not reported.
    aReport = PelliskTool_WrapReport::Examine(hasInput ? anInput : aWrap, aWrap, aNbThreads);
  }
  // The keys and values of "pellisk check --json", spelled in one place.
  py::dict aDict = py::module_::import("json").attr("loads")(PelliskTool_Json::Report(aReport));
  if (!hasInput)
  {
    for (const char* aKey : {"input_nodes", "input_faces", "distance_mean", "distance_max",
                             "distance_mean_relative", "distance_max_relative", "input_diagonal"})
    {
      aDict[aKey] = py::none();
    }
  }
  return aDict;
}

std::string supportedFile(const std::filesystem::path& thePath)
{
  const std::string aName = thePath.string();
  if (!PelliskTool_MeshFile::IsSupported(aName))
  {
    throw py::value_error(aName + ": not a .stl or .ply file");
  }
  return aName;
}

py::tuple readMesh(const std::filesystem::path& thePath)
{
  const std::string          aName = supportedFile(thePath);
  std::string                anError;
  Handle(Poly_Triangulation) aMesh;
  {
    py::gil_scoped_release aRelease;
    aMesh = PelliskTool_MeshFile::Read(aName, anError);
  }
  if (aMesh.IsNull() && !std::filesystem::is_regular_file(thePath))
  {
    errno = std::filesystem::is_directory(thePath) ? EISDIR : ENOENT;
    PyErr_SetFromErrnoWithFilenameObject(PyExc_OSError, py::cast(thePath).ptr());
    throw py::error_already_set();
  }
  if (aMesh.IsNull())
  {
    throw py::value_error("cannot read " + aName + ": " + anError);
  }
  return PelliskPy_Arrays::FromTriangulation(aMesh);
}

void writeMesh(const std::filesystem::path& thePath,
               const py::object&            theVertices,
               const py::object&            theFaces,
               bool                         theIsAscii)
{
  const std::string                aName = supportedFile(thePath);
  const Handle(Poly_Triangulation) aMesh = PelliskPy_Arrays::ToTriangulation(theVertices, theFaces, "");
  if (aMesh.IsNull())
  {
    throw py::value_error("faces is empty: nothing to write");
  }
  bool isWritten = false;
  {
    py::gil_scoped_release aRelease;
    isWritten = PelliskTool_MeshFile::Write(new HalfEdge_Mesh(aMesh), aName, theIsAscii);
  }
  if (!isWritten)
  {
    PyErr_SetObject(PyExc_OSError, text("cannot write " + aName).ptr());
    throw py::error_already_set();
  }
}
} // namespace

PYBIND11_MODULE(pellisk, theModule)
{
  py::register_exception_translator(
      [](std::exception_ptr theError)
      {
        try
        {
          if (theError)
          {
            std::rethrow_exception(theError);
          }
        }
        catch (const Standard_Failure& theFailure)
        {
          // The kernel's exceptions are no std::exception.
          PyErr_SetString(PyExc_RuntimeError, theFailure.GetMessageString());
        }
      });
  theModule.doc() = "Wraps dirty triangle meshes into closed surfaces.\n\n"
                    "Meshes are NumPy arrays: vertices of shape (n, 3) and faces of shape (m, 3)\n"
                    "holding vertex numbers counted from 0.";

  py::class_<Message>(theModule, "Message", "One message the library issued during a wrap.")
      .def_readonly("severity", &Message::Severity, "'info', 'warning' or 'error'.")
      .def_readonly("key", &Message::Key, "Identifier of the message, such as 'Algo.NoAlgorithm'.")
      .def_readonly("text", &Message::Text, "The message for people to read.")
      .def("__repr__",
           [](const Message& theMessage)
           {
             return py::str("Message({!r}, {!r}, {!r})")
                 .format(theMessage.Severity, theMessage.Key, theMessage.Text);
           });

  THE_WRAP_ERROR = PyErr_NewExceptionWithDoc(
      "pellisk.WrapError", "A wrap failed or gave nothing. `messages` lists what the library said.",
      PyExc_RuntimeError, nullptr);
  theModule.add_object("WrapError", py::handle(THE_WRAP_ERROR));

  THE_DEFAULT_VOXELIZATION = py::str("minsize").release().ptr();
  THE_DEFAULT_TESSELLATION = py::str("shrink").release().ptr();
  theModule.def("wrap", &wrapMesh, py::arg("vertices"), py::arg("faces"), py::arg("cell") = py::none(),
                py::arg("cell_rel") = py::none(), py::arg("config") = py::none(),
                py::arg("voxelization") = py::handle(THE_DEFAULT_VOXELIZATION),
                py::arg("tessellation") = py::handle(THE_DEFAULT_TESSELLATION), py::arg("inner") = false,
                py::arg("refine") = py::none(), py::arg("threads") = py::none(),
                py::arg("progress") = py::none(),
                R"(Wraps a triangle soup into a closed surface; returns (vertices, faces).

vertices: (n, 3) numbers; faces: (m, 3) whole numbers, vertex numbers from 0.
cell: the cell size in model units, or cell_rel: a fraction of the side of the
  input's bounding cube (1/128 when neither is given); not both.
config: a configuration file, as "pellisk wrap --config"; None: the library's own.
voxelization: 'minsize' or 'gsf'; tessellation: 'shrink' or 'cartesian'. A word
  given explicitly overrides the configuration's choice; left out, the
  configuration's choice holds (minsize and shrink in the library's own).
inner: wrap the skin inside the outermost one (cavities).
refine: refinement step words as after "pellisk wrap --refine", such as
  "CollapseSmallEdge=0.1" or "Smoothing=Both:3"; they run after the
  configuration's steps.
threads: threads of the parallel loops (1 or more); None: the configuration's.
progress: called with the position in 0..1 as it moves on (by 1/1000 at least)
  and with 1.0 at the end of a successful wrap, on the calling thread. The GIL is
  released while the library works. An exception raised by progress, or a
  KeyboardInterrupt, cancels the wrap and is raised again once it has stopped.

Returns new float64 (k, 3) and int64 (l, 3) arrays. Raises ValueError for bad
arguments and WrapError when the wrap fails or is empty.)");

  theModule.def("read", &readMesh, py::arg("path"),
                R"(Reads a mesh file (.stl or .ply); returns (vertices, faces).

STL nodes at the same coordinates become one vertex. Raises FileNotFoundError for
a missing file and ValueError for another extension or a file that cannot be read.)");

  theModule.def(
      "write", &writeMesh, py::arg("path"), py::arg("vertices"), py::arg("faces"), py::arg("ascii") = false,
      R"(Writes a mesh file (.stl, binary unless ascii, or .ply); the file appears whole or not at all.

The mesh is written as the library's surfaces are: vertices closer than 1e-7
merged, faces that then repeat a vertex dropped, and faces that would make an
edge of three faces or more left out; a face against its neighbours' direction
is turned around. A wrap is written as it is. Raises ValueError for another
extension or bad arrays, and OSError when the file cannot be written.)");

  theModule.def("check", &checkWrap, py::arg("vertices"), py::arg("faces"), py::arg("reference") = py::none(),
                py::arg("threads") = py::none(),
                R"(Checks a wrap as "pellisk check --json" does; returns the same figures as a dict.

'valid' is True when the surface is closed, edge- and vertex-manifold,
outward-oriented and free of crossing faces. reference: the (vertices, faces)
of the input, to which the distances are measured; without it the distance
figures and the input's counts are None. threads: None for every thread.)");
}
