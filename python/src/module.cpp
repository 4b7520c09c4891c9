// kexif._kexif: the library's two families for Python, over the same C++
// API the kexif tool uses (the tag names, the tree walk and the value
// parser of tools/). Values cross as (type, count, bytes) triples; the
// Python package turns them into Python objects. Every call that reads or
// writes a file, parses or walks a document releases the GIL; each handle
// carries a mutex so that threads sharing one object take turns.
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <optional>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "api/document_handle.h"
#include "edit/gps_directory.h"
#include "edit/tag_set.h"
#include "kexif.h"
#include "model/exif_constants.h"
#include "save/save_batch.h"
#include "tools/batched_saves.h"
#include "tools/cli.h"
#include "tools/commands.h"
#include "tools/tag_names.h"
#include "tools/tag_walk.h"
#include "tools/value_text.h"
#include "value_objects.h"

namespace py = pybind11;

namespace kexif::python {
namespace {

using Value = std::tuple<int32_t, int32_t, py::bytes>;  // type, count, value bytes
using Entry = std::tuple<std::string, int, uint32_t, int32_t, int32_t, py::bytes>;

// The file system encoding of a str name (a bytes name as it stands).
// Raises ValueError for a NUL inside the name, which would cut it short.
std::string FileSystemName(const py::object &name) {
  std::string bytes;
  if (py::isinstance<py::bytes>(name)) {
    bytes = name.cast<std::string>();
  } else {
    py::object encoded = py::reinterpret_steal<py::object>(PyUnicode_EncodeFSDefault(name.ptr()));
    if (!encoded) throw py::error_already_set();
    bytes = encoded.cast<std::string>();
  }
  if (bytes.find('\0') != std::string::npos) throw py::value_error("embedded null byte in a file name");
  return bytes;
}

[[noreturn]] void RaiseError(const py::object &file, const std::string &reason) {
  py::object error = py::module_::import("kexif._errors").attr("Error");
  PyErr_SetObject(error.ptr(), error(file, reason).ptr());
  throw py::error_already_set();
}

// Why a file the library would not open failed: the system's reason
// (FileNotFoundError, PermissionError, IsADirectoryError) when it cannot be
// read, else that it holds no JPEG or TIFF structure the library parses.
[[noreturn]] void RaiseOpenFailure(const py::object &file, const std::string &name) {
  struct stat status {};
  int error = 0;
  if (::stat(name.c_str(), &status) != 0) {
    error = errno;
  } else if (S_ISDIR(status.st_mode)) {
    error = EISDIR;
  } else if (std::FILE *handle = std::fopen(name.c_str(), "rb"); handle == nullptr) {
    error = errno;
  } else {
    std::fclose(handle);
  }
  if (error != 0) {
    errno = error;
    PyErr_SetFromErrnoWithFilenameObject(PyExc_OSError, file.ptr());
    throw py::error_already_set();
  }
  RaiseError(file, "not a JPEG or TIFF file, or its Exif data is damaged");
}

py::bytes Bytes(const void *data, size_t length) {
  return py::bytes(static_cast<const char *>(data), data == nullptr ? 0 : length);
}

// count x element size, or 0 for a negative count.
size_t ValueLength(int32_t type, int32_t count) {
  return count > 0 ? static_cast<size_t>(count) * static_cast<size_t>(ElementSize(type)) : 0;
}

// Runs work without the GIL, holding the handle's mutex.
template <typename Work>
auto Locked(std::mutex &mutex, Work work) {
  py::gil_scoped_release released;
  std::lock_guard<std::mutex> lock(mutex);
  return work();
}

// The editing family: one loaded document.
class Document {
 public:
  Document(py::object file) : file_(std::move(file)), name_(FileSystemName(file_)) { Load(); }
  ~Document() { kExifDestroy(handle_); }

  int32_t Format() { return Locked(mutex_, [&] { return kExifGetFileFormat(Handle()); }); }
  bool HasExif() { return Locked(mutex_, [&] { return kExifIsExifExist(Handle()) != 0; }); }
  bool HasSoundClip() { return Locked(mutex_, [&] { return kExifIsAudioExist(Handle()) != 0; }); }

  std::optional<Value> Get(uint32_t tag, int32_t directory) {
    TagValue value{0, 0, nullptr};
    const bool found = Locked(mutex_, [&] { return kExifGetTag(Handle(), tag, &value, directory) == 0; });
    if (!found) return std::nullopt;
    py::bytes bytes = Bytes(value.data, ValueLength(value.type, value.count));
    std::free(value.data);
    return Value{value.type, value.count, bytes};
  }

  bool Set(uint32_t tag, int32_t type, int32_t count, const std::string &bytes, int32_t directory) {
    if (ValueLength(type, count) != bytes.size()) throw py::value_error("count does not match the value bytes");
    TagValue value{type, count, const_cast<char *>(bytes.data())};
    return Locked(mutex_, [&] { return kExifSetTag(Handle(), tag, &value, directory) == 0; });
  }

  // The GPS directory's entry with this number, or nothing: GPS numbers
  // are shared with other directories, so they are looked up there only.
  std::optional<Value> GetGps(uint32_t tag) {
    std::optional<std::tuple<int32_t, int32_t, std::vector<uint8_t>>> found;
    Locked(mutex_, [&] {
      const TagNode *entry = FindGpsEntry(*ToDocument(Handle()), tag);
      if (entry != nullptr) found.emplace(entry->type, entry->count, cli::NodeValueBytes(*entry));
      return 0;
    });
    if (!found) return std::nullopt;
    const std::vector<uint8_t> &bytes = std::get<2>(*found);
    return Value{std::get<0>(*found), std::get<1>(*found), Bytes(bytes.data(), bytes.size())};
  }

  // Writes a GPS tag, making the GPS directory when it is missing.
  bool SetGps(uint32_t tag, int32_t type, int32_t count, const std::string &bytes) {
    if (ValueLength(type, count) != bytes.size()) throw py::value_error("count does not match the value bytes");
    TagValue value{type, count, const_cast<char *>(bytes.data())};
    return Locked(mutex_, [&] { return kExifSetGpsTag(Handle(), tag, &value) == 0; });
  }

  bool Delete(uint32_t tag, int32_t directory) {
    return Locked(mutex_, [&] { return kExifDelTag(Handle(), tag, directory) == 0; });
  }

  // Every entry of every directory, in reading order.
  std::vector<Entry> Entries() {
    std::vector<cli::ListedDirectory> directories =
        Locked(mutex_, [&] { return cli::ListDirectories(*ToDocument(Handle())); });
    std::vector<Entry> entries;
    for (const cli::ListedDirectory &directory : directories) {
      for (const cli::ListedEntry &entry : directory.entries) {
        entries.emplace_back(directory.name, static_cast<int>(directory.space), entry.tag, entry.type, entry.count,
                             Bytes(entry.bytes.data(), entry.bytes.size()));
      }
    }
    return entries;
  }

  std::optional<py::bytes> Thumbnail() {
    ThumbnailData thumbnail{nullptr, 0};
    const bool found = Locked(mutex_, [&] {
      return kExifIsThumbnailExist(Handle()) != 0 && kExifGetThumbnailData(Handle(), &thumbnail) == 0;
    });
    if (!found) return std::nullopt;
    py::bytes bytes = Bytes(thumbnail.data, thumbnail.data == nullptr ? 0 : static_cast<size_t>(thumbnail.length));
    std::free(thumbnail.data);
    return bytes;
  }

  bool SetThumbnail(const std::string &bytes) {
    if (bytes.size() > static_cast<size_t>(kMaxSegmentPayload)) return false;
    ThumbnailData thumbnail{reinterpret_cast<unsigned char *>(const_cast<char *>(bytes.data())),
                            static_cast<int32_t>(bytes.size())};
    return Locked(mutex_, [&] { return kExifSetThumbnailData(Handle(), &thumbnail) == 0; });
  }

  // Writes the sound clip to the file sound (a name the library opens).
  bool WriteSoundClip(const py::object &sound) {
    const std::string target = FileSystemName(sound);
    return Locked(mutex_, [&] { return kExifGetAudioFile(Handle(), target.c_str()) == 0; });
  }

  // The library reads the sound file again when it saves, so its name is
  // kept until then.
  bool SetSoundClip(const py::object &sound) {
    std::string source = FileSystemName(sound);
    return Locked(mutex_, [&] {
      if (kExifSetAudioFile(Handle(), source.c_str()) != 0) return false;
      soundNames_.push_back(std::move(source));
      return true;
    });
  }

  bool RemoveSoundClip() {
    return Locked(mutex_, [&] {
      if (kExifIsAudioExist(Handle()) == 0) return false;
      kExifRemoveAudio(Handle());  // answers 1 whatever happened
      return kExifIsAudioExist(Handle()) == 0;
    });
  }

  // Saves with the library's safe save, then loads the saved file: a saved
  // document has let go of its source and cannot be saved again.
  void Save(const py::object &target) {
    const std::string name = FileSystemName(target);
    const bool saved = Locked(mutex_, [&] { return kExifSaveFile(Handle(), name.c_str()) == 0; });
    if (!saved) RaiseError(target, "cannot save; the file was left as it was");
    file_ = target;
    name_ = name;
    Reload();
  }

  // The first half of a save over its own file with the others of a batch
  // (see SaveAll); false when its new file could not be written. Called
  // without the GIL.
  bool AddTo(SaveBatch &batch) {
    std::lock_guard<std::mutex> lock(mutex_);
    ExifDocument *document = handle_ != nullptr ? ToDocument(handle_) : nullptr;
    return document != nullptr && batch.Add(*document, name_.c_str()) == SaveResult::kSaved;
  }

  // After a save put the new file in place: loads it.
  void Reload() {
    Locked(mutex_, [&] {
      kExifDestroy(handle_);
      handle_ = nullptr;
      soundNames_.clear();
      return 0;
    });
    Load();
  }

  void Close() {
    Locked(mutex_, [&] {
      kExifDestroy(handle_);
      handle_ = nullptr;
      return 0;
    });
  }

  bool Closed() const { return handle_ == nullptr; }

 private:
  void Load() {
    {
      py::gil_scoped_release released;
      handle_ = kExifLoadFile(name_.c_str());
    }
    if (handle_ == nullptr) RaiseOpenFailure(file_, name_);
  }

  KExifHandle Handle() const {
    if (handle_ == nullptr) throw py::value_error("the photo is closed");
    return handle_;
  }

  py::object file_;
  std::string name_;
  KExifHandle handle_ = nullptr;
  std::vector<std::string> soundNames_;
  std::mutex mutex_;
};

// A value found by the read-only family, copied out of its context.
using FoundValue = std::tuple<int32_t, int32_t, std::string>;

// The tags' values (nothing for each one missing); runs without the GIL.
std::vector<std::optional<FoundValue>> LookUp(KRExifHandle handle, const std::vector<uint32_t> &tags) {
  std::vector<std::optional<FoundValue>> found(tags.size());
  for (size_t i = 0; i < tags.size(); ++i) {
    TagValue value{0, 0, nullptr};
    if (kRExifGetTag(handle, tags[i], &value) != 0) continue;
    // The bytes belong to the context until its next lookup.
    const auto *bytes = static_cast<const char *>(value.data);
    const size_t length = bytes == nullptr ? 0 : ValueLength(value.type, value.count);
    found[i].emplace(value.type, value.count, std::string(bytes == nullptr ? "" : bytes, length));
  }
  return found;
}

// The values as Python objects, None for each one missing.
py::list ToPython(const std::vector<std::optional<FoundValue>> &found) {
  py::list values(found.size());
  for (size_t i = 0; i < found.size(); ++i) {
    values[i] = found[i] ? DecodeValue(std::get<0>(*found[i]), std::get<2>(*found[i]).data(), std::get<2>(*found[i]).size())
                         : py::none();
  }
  return values;
}

// The read-only family: one reader context.
class Reader {
 public:
  Reader(const py::object &file) : name_(FileSystemName(file)) {
    {
      py::gil_scoped_release released;
      handle_ = kRExifBeginRead(name_.c_str());
    }
    if (handle_ == nullptr) RaiseOpenFailure(file, name_);
  }
  ~Reader() { kRExifEndRead(handle_); }

  int32_t Format() { return Locked(mutex_, [&] { return kRExifGetFileFormat(Handle()); }); }
  bool HasExif() { return Locked(mutex_, [&] { return kRExifIsExifExist(Handle()) != 0; }); }
  bool HasSoundClip() { return Locked(mutex_, [&] { return kRExifIsAudioExist(Handle()) != 0; }); }

  // The value of the tag as a Python object, or None.
  py::object Get(uint32_t tag) { return GetMany({tag})[0]; }

  // Several tags under one release of the GIL.
  py::list GetMany(const std::vector<uint32_t> &tags) {
    std::vector<std::optional<FoundValue>> found;
    Locked(mutex_, [&] {
      found = LookUp(Handle(), tags);
      return 0;
    });
    return ToPython(found);
  }

  std::optional<py::bytes> Thumbnail() {
    std::optional<std::string> copy;
    Locked(mutex_, [&] {
      ThumbnailData thumbnail{nullptr, 0};
      if (kRExifIsThumbnailExist(Handle()) != 0 && kRExifGetThumbnailData(Handle(), &thumbnail) == 0 &&
          thumbnail.data != nullptr && thumbnail.length > 0) {
        copy.emplace(reinterpret_cast<const char *>(thumbnail.data), static_cast<size_t>(thumbnail.length));
      }
      return 0;
    });
    if (!copy) return std::nullopt;
    return py::bytes(*copy);
  }

  bool WriteSoundClip(const py::object &sound) {
    const std::string target = FileSystemName(sound);
    return Locked(mutex_, [&] { return kRExifGetAudioFile(Handle(), target.c_str()) == 0; });
  }

  void Close() {
    Locked(mutex_, [&] {
      kRExifEndRead(handle_);
      handle_ = nullptr;
      return 0;
    });
  }

  bool Closed() const { return handle_ == nullptr; }

 private:
  KRExifHandle Handle() const {
    if (handle_ == nullptr) throw py::value_error("the reader is closed");
    return handle_;
  }

  std::string name_;
  KRExifHandle handle_ = nullptr;
  std::mutex mutex_;
};

// The same tags of many files, read under one release of the GIL; raises
// for the first file that cannot be read.
py::list ReadTags(const std::vector<py::object> &files, const std::vector<uint32_t> &tags) {
  std::vector<std::string> names;
  names.reserve(files.size());
  for (const py::object &file : files) names.push_back(FileSystemName(file));
  std::vector<std::vector<std::optional<FoundValue>>> found;
  found.reserve(files.size());
  {
    py::gil_scoped_release released;
    for (const std::string &name : names) {
      KRExifHandle handle = kRExifBeginRead(name.c_str());
      if (handle == nullptr) break;
      found.push_back(LookUp(handle, tags));
      kRExifEndRead(handle);
    }
  }
  if (found.size() < files.size()) RaiseOpenFailure(files[found.size()], names[found.size()]);
  py::list values(found.size());
  for (size_t i = 0; i < found.size(); ++i) values[i] = ToPython(found[i]);
  return values;
}

// Carries the Exif data of source into target exactly as `kexif copy-exif`
// does (the target is saved in place); raises with the tool's reason.
void CopyExif(const py::object &source, const py::object &target) {
  cli::Options options;
  options.args = {FileSystemName(source), FileSystemName(target)};
  std::ostringstream out;
  std::ostringstream err;
  int status = 0;
  {
    py::gil_scoped_release released;
    cli::Session session(out, err);
    status = cli::CommandCopyExif(options, session);
  }
  if (status == cli::kExitOk) return;
  // The tool reports "FILE: reason"; the reason follows the first ": "
  // after the name of whichever file failed.
  std::string line = err.str();
  while (!line.empty() && line.back() == '\n') line.pop_back();
  const bool sourceFailed = line.rfind(cli::PrintableText(options.args[0]) + ": ", 0) == 0;
  const std::string &failed = sourceFailed ? options.args[0] : options.args[1];
  const std::string prefix = cli::PrintableText(failed) + ": ";
  const std::string reason = line.rfind(prefix, 0) == 0 ? line.substr(prefix.size()) : line;
  RaiseError(sourceFailed ? source : target, reason);
}

// Saves every document over its own file, in batches of bounded size
// whose files are put on disk together; one failure does not stop the
// others. The reason each save failed, or nothing for a saved document
// (which then holds its saved file).
std::vector<std::optional<std::string>> SaveAll(const std::vector<Document *> &documents) {
  std::vector<std::optional<std::string>> reasons(documents.size());
  for (size_t next = 0; next < documents.size();) {
    std::vector<size_t> waiting;
    std::vector<SaveResult> results;
    {
      py::gil_scoped_release released;
      SaveBatch batch;
      for (; next < documents.size() && batch.waiting() < cli::BatchedSaves::kMaxFiles &&
             batch.waitingBytes() < cli::BatchedSaves::kMaxBytes;
           ++next) {
        if (documents[next]->AddTo(batch)) {
          waiting.push_back(next);
        } else {
          reasons[next] = "cannot save; the file was left as it was";
        }
      }
      results = batch.Commit();
    }
    for (size_t k = 0; k < waiting.size(); ++k) {
      if (results[k] == SaveResult::kSaved) {
        documents[waiting[k]]->Reload();
      } else {
        reasons[waiting[k]] = "cannot put the saved file in place; the file was left as it was";
      }
    }
  }
  return reasons;
}

std::optional<std::tuple<std::string, int32_t>> TagInfo(uint32_t number, int space) {
  const cli::TagInfo *info = cli::FindTagInfo(number, static_cast<cli::TagSpace>(space));
  if (info == nullptr) return std::nullopt;
  return std::make_tuple(std::string(info->name), info->defaultType);
}

std::optional<std::tuple<uint32_t, int, int32_t>> FindTag(const std::string &name) {
  const cli::TagInfo *info = cli::FindTagInfoByName(name);
  if (info == nullptr) return std::nullopt;
  return std::make_tuple(static_cast<uint32_t>(info->number), static_cast<int>(info->space), info->defaultType);
}

// Text read as a value of the type, by the rules of `kexif set`.
std::tuple<int32_t, int32_t, py::bytes> ParseValue(int32_t type, const std::string &text) {
  cli::EncodedValue value;
  std::string problem;
  if (!cli::ParseValue(type, text, value, problem)) throw py::value_error(problem);
  return {value.type, value.count, Bytes(value.bytes.data(), value.bytes.size())};
}

}  // namespace
}  // namespace kexif::python

PYBIND11_MODULE(_kexif, m) {
  using namespace kexif::python;
  m.doc() = "The kexif library's editing and read-only families (private; use the kexif package).";
  m.attr("FORMAT_JPEG") = kexif::kFormatJpeg;
  m.attr("FORMAT_TIFF") = kexif::kFormatTiff;
  m.attr("SPACE_IMAGE") = static_cast<int>(kexif::cli::TagSpace::kImage);
  m.attr("SPACE_GPS") = static_cast<int>(kexif::cli::TagSpace::kGps);
  m.attr("SPACE_INTEROP") = static_cast<int>(kexif::cli::TagSpace::kInterop);

  py::class_<Document>(m, "Document")
      .def(py::init<py::object>())
      .def("format", &Document::Format)
      .def("has_exif", &Document::HasExif)
      .def("has_sound_clip", &Document::HasSoundClip)
      .def("get", &Document::Get)
      .def("set", &Document::Set)
      .def("get_gps", &Document::GetGps)
      .def("set_gps", &Document::SetGps)
      .def("delete", &Document::Delete)
      .def("entries", &Document::Entries)
      .def("thumbnail", &Document::Thumbnail)
      .def("set_thumbnail", &Document::SetThumbnail)
      .def("write_sound_clip", &Document::WriteSoundClip)
      .def("set_sound_clip", &Document::SetSoundClip)
      .def("remove_sound_clip", &Document::RemoveSoundClip)
      .def("save", &Document::Save)
      .def("close", &Document::Close)
      .def_property_readonly("closed", &Document::Closed);

  py::class_<Reader>(m, "Reader")
      .def(py::init<py::object>())
      .def("format", &Reader::Format)
      .def("has_exif", &Reader::HasExif)
      .def("has_sound_clip", &Reader::HasSoundClip)
      .def("get", &Reader::Get)
      .def("get_many", &Reader::GetMany)
      .def("thumbnail", &Reader::Thumbnail)
      .def("write_sound_clip", &Reader::WriteSoundClip)
      .def("close", &Reader::Close)
      .def_property_readonly("closed", &Reader::Closed);

  m.def("copy_exif", &CopyExif);
  m.def("save_all", &SaveAll);
  m.def("read_tags", &ReadTags);
  m.def("set_rational_factory", &SetRationalFactory);
  m.def("decode", [](int32_t type, const py::bytes &raw) {
    const std::string_view bytes = raw;
    return DecodeValue(type, bytes.data(), bytes.size());
  });
  m.def("tag_info", &TagInfo);
  m.def("find_tag", &FindTag);
  m.def("parse_value", &ParseValue);
  m.def("type_name", &kexif::cli::TypeName);
  m.def("guess_type", [](const std::string &text) { return kexif::cli::GuessType(text); });
  m.def("is_exif_directory_tag", [](uint32_t tag) { return kexif::IsExifDirectoryTag(tag) != 0; });
}
