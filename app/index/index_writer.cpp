#include "app/index/index_writer.h"

#include <sys/stat.h>
#include <unistd.h>

#include <dirent.h>

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <new>
#include <set>
#include <system_error>
#include <thread>
#include <vector>

#include "app/export/devhelp_book.h"
#include "app/index/build_workers.h"
#include "app/index/button_link.h"
#include "app/index/command_list_reader.h"
#include "app/index/index_outputs.h"
#include "app/index/module_map.h"
#include "app/index/output_pieces.h"
#include "app/search/fulltext_index.h"
#include "app/search/search_details.h"
#include "system/contained_file.h"
#include "system/display_text.h"
#include "system/error_line.h"
#include "system/filesystem.h"
#include "system/fix_path.h"
#include "system/lifetime.h"
#include "system/standard_io.h"
#include "system/stream.h"
#include "system/strings.h"
#include "system/text_io.h"

namespace qm {

char* PutJsEscaped(char* p, std::string_view bytes, bool slashes) {
  for (const char byte : bytes) {
    if (byte == '"' || byte == '\\') {
      if (slashes && byte == '\\') {
        *p++ = '/';
        continue;
      }
      *p++ = '\\';
    }
    *p++ = byte;
  }
  return p;
}

void AppendJsEscaped(std::string& out, const String& text) {
  const std::string bytes = ToByteString(text);
  const std::size_t at = out.size();
  out.resize(at + 2 * bytes.size());
  out.resize(static_cast<std::size_t>(PutJsEscaped(out.data() + at, bytes) - out.data()));
}

namespace {

bool full_text_wanted = true;

// One line of the module list as Print writes it. A module of the list's
// own bytes goes out as its displayed bytes with no 16-bit copy, so that
// one huge module is never held twice over.
void PrintModuleLine(TTextStream& out, const ModuleText& module) {
  if (module.text != nullptr) {
    out.WriteLine(*module.text);
    return;
  }
  std::string shown;
  const bool ascii = std::none_of(module.bytes.begin(), module.bytes.end(), [](char c) { return c & 0x80; });
  if (!ascii) AppendDisplayUtf8(shown, module.bytes);
  std::string_view bytes = ascii ? module.bytes : std::string_view(shown);
  constexpr std::size_t kPiece = std::size_t{1} << 30;
  for (; !bytes.empty(); bytes.remove_prefix(std::min(kPiece, bytes.size())))
    out.WriteBytes(bytes.data(), static_cast<int>(std::min(kPiece, bytes.size())));
  out.WriteLine(String());
}

// From this many elements on, an array is written as a literal: engines
// limit the argument count of a call, so "new Array(...)" with that many
// arguments would not load in the pages.
constexpr std::size_t kLiteralArrayElements = 65536;

const char* ArrayOpening(std::size_t elements) { return elements >= kLiteralArrayElements ? "=[" : "=new Array("; }
const char* ArrayClosing(std::size_t elements) { return elements >= kLiteralArrayElements ? "];" : ");"; }

enum class Field { kName, kLink, kModule };

// The catalogue's texts over all records, judged from a few thousand spread
// evenly through it: enough to tell which output will be the longest.
struct TextSizes {
  double records = 0, names = 0, tails = 0, modules = 0, signatures = 0;
};
TextSizes SampledTextSizes(const Catalogue& catalogue) {
  const std::vector<CatalogueRecord>& records = catalogue.RecordsInReadOrder();
  TextSizes sizes;
  if (records.empty()) return sizes;
  constexpr std::size_t kSample = 4096;
  const std::size_t step = std::max<std::size_t>(1, records.size() / kSample);
  double sampled = 0;
  for (std::size_t k = 0; k < records.size(); k += step) {
    const CatalogueRecord& r = records[k];
    sizes.names += r.name_size;
    sizes.tails += r.tail_size;
    sizes.modules += r.module_size;
    // The text between the name and the separator.
    if (!r.whole && r.tail_offset > r.name_size + 1) sizes.signatures += r.tail_offset - 1 - r.name_size;
    ++sampled;
  }
  const double scale = static_cast<double>(records.size()) / sampled;
  sizes.records = static_cast<double>(records.size());
  for (double* size : {&sizes.names, &sizes.tails, &sizes.modules, &sizes.signatures}) *size *= scale;
  return sizes;
}
// A keyword's markup around its name and link.
constexpr double kBookBytesPerRecord = 48;

// One parallel array file in one walk over the sorted catalogue. Each link
// is the directory (its backslashes made "/" as 16-bit units, then written
// as bytes once) followed by the record's own part of the line.
void WriteArray(OutputPieces& out, const Catalogue& catalogue, const char* name, Field field) {
  const auto elements = static_cast<std::size_t>(catalogue.Count());
  std::string dir;
  if (field == Field::kLink) {
    String slashed = catalogue.Dir();
    std::replace(slashed.begin(), slashed.end(), u'\\', u'/');
    AppendJsEscaped(dir, slashed);
  }
  out.Append(std::string("var ") + name + ArrayOpening(elements));
  bool first = true;
  catalogue.ForEachRecord([&](const CatalogueRecord& record) {
    std::string_view text;
    std::string_view prefix;
    switch (field) {
      case Field::kName:
        text = catalogue.Name(record);
        break;
      case Field::kLink:
        text = catalogue.LinkTail(record);
        if (!record.whole) prefix = dir;
        break;
      case Field::kModule:
        text = catalogue.Module(record);
        break;
    }
    const bool slashes = field == Field::kLink && !record.whole;
    // A huge field goes out in pieces, so that the buffer stays a piece's
    // size however long a line is.
    constexpr std::size_t kFieldPiece = 1 << 16;
    std::string_view rest;
    if (text.size() > kFieldPiece) {
      rest = text.substr(kFieldPiece);
      text = text.substr(0, kFieldPiece);
    }
    char* p = out.Room(prefix.size() + 2 * text.size() + 3);
    if (!first) *p++ = ',';
    first = false;
    *p++ = '"';
    p = std::copy(prefix.begin(), prefix.end(), p);
    p = PutJsEscaped(p, text, slashes);
    for (; !rest.empty(); rest.remove_prefix(std::min(rest.size(), kFieldPiece))) {
      out.Advance(p);
      const std::string_view piece = rest.substr(0, kFieldPiece);
      p = PutJsEscaped(out.Room(2 * piece.size() + 1), piece, slashes);
    }
    *p++ = '"';
    out.Advance(p);
  });
  out.Append(ArrayClosing(elements));
}

// Files made while the pages are read (the full-text shards), written and
// made durable on a thread of their own so that the indexing never waits
// for the disk. Each temporary file is created here, on the set's thread;
// Finish joins them to the set in the order they were added, once all are
// written. Without that thread, each is written at once.
class BackgroundFiles {
 public:
  explicit BackgroundFiles(OutputSet& set) : set_(set) {}
  ~BackgroundFiles() { Stop(); }
  BackgroundFiles(const BackgroundFiles&) = delete;
  BackgroundFiles& operator=(const BackgroundFiles&) = delete;

  // false, with the reason, when the temporary file cannot be created.
  bool Add(const String& path, std::string bytes, String* error) {
    std::unique_ptr<OutputSet::Pending> pending = set_.Begin(path, error);
    if (!pending) return false;
    files_.push_back({path, std::move(pending)});
    OutputSet::Pending* const target = files_.back().pending.get();
    if (!started_) {
      started_ = true;
      // Two, so that one file's flush to the disk need not wait for the
      // other's.
      try {
        for (auto& writer : writers_) writer = std::jthread([this] { WriteQueued(); });
      } catch (const std::system_error&) {
      }
    }
    if (!writers_[0].joinable()) {
      OutputSet::Write(*target, [&bytes](const ByteSink& sink) { return sink(bytes); });
      return true;
    }
    std::unique_lock hold(lock_);
    // A slow disk holds back the build rather than filling the memory.
    changed_.wait(hold, [&] { return queue_.size() < kQueued; });
    queue_.push_back({target, std::move(bytes)});
    changed_.notify_all();
    return true;
  }

  // Waits for every write and joins the files to the set; false, with the
  // first failed file and its reason, when one could not be written.
  bool Finish(String* failed_path, String* error) {
    Stop();
    for (File& file : files_) {
      if (!set_.Finish(std::move(file.pending), error)) {
        *failed_path = file.path;
        files_.clear();
        return false;
      }
    }
    files_.clear();
    return true;
  }

 private:
  static constexpr std::size_t kQueued = 2;
  struct File {
    String path;
    std::unique_ptr<OutputSet::Pending> pending;
  };
  struct Job {
    OutputSet::Pending* pending;
    std::string bytes;
  };

  void WriteQueued() {
    for (;;) {
      Job job;
      {
        std::unique_lock hold(lock_);
        changed_.wait(hold, [&] { return !queue_.empty() || done_; });
        if (queue_.empty()) return;
        job = std::move(queue_.front());
        queue_.pop_front();
        changed_.notify_all();
      }
      OutputSet::Write(*job.pending, [&job](const ByteSink& sink) { return sink(job.bytes); });
    }
  }

  void Stop() {
    {
      const std::lock_guard hold(lock_);
      done_ = true;
      changed_.notify_all();
    }
    for (auto& writer : writers_)
      if (writer.joinable()) writer.join();
  }

  OutputSet& set_;
  std::vector<File> files_;
  std::mutex lock_;
  std::condition_variable changed_;
  std::deque<Job> queue_;
  bool done_ = false, started_ = false;
  std::jthread writers_[2];
};

// Memory the machine has at all: a list larger than that cannot be read.
std::uint64_t PhysicalMemory() {
  const long pages = sysconf(_SC_PHYS_PAGES);
  const long page_size = sysconf(_SC_PAGESIZE);
  if (pages <= 0 || page_size <= 0) return UINT64_MAX;
  return static_cast<std::uint64_t>(pages) * static_cast<std::uint64_t>(page_size);
}

class IndexBuild {
 public:
  explicit IndexBuild(unsigned workers) : workers_(workers) {}
  IndexBuildResult Run();

 private:
  bool Fail(const String& path, const String& reason) {
    result_.ok = false;
    result_.path = path;
    result_.reason = reason;
    // A person reads the path as the file system sees it; inside, the
    // program joins its paths with backslashes.
    WriteErrorLine("Index build failed: " + DisplayUtf8(FixPath(path)) + ": " + DisplayUtf8(reason));
    return false;
  }
  // Every large output goes through here: write hands its bytes over in
  // pieces, straight into the build's set as a durable temporary file; the
  // installed files change only when the whole set is committed.
  bool SaveWritten(const String& path, const std::function<bool(const ByteSink&)>& write) {
    String error;
    if (outputs_->AddWritten(path, write, &error)) return true;
    return Fail(path, error);
  }
  bool Save(const String& path, const std::string& bytes) {
    String error;
    if (outputs_->Add(path, bytes, &error)) return true;
    return Fail(path, error);
  }
  bool SaveTextTo(const String& path, const String& text) { return Save(path, SavedTextBytes(text)); }
  // A file written on its own, at once, the way SaveText writes it.
  static void SaveWorkingCopy(const String& path, const String& text) {
    OutputSet single;
    if (single.Add(path, SavedTextBytes(text))) single.Commit();
  }
  bool LockInstallation() {
    String reason;
    lock_ = LockIndex(tlwndir, &reason);
    if (!lock_) return Fail(IndexLockPath(tlwndir), reason);
    MendIndexOutputs(tlwndir);
    outputs_ = NewIndexOutputSet(tlwndir);
    return true;
  }
  bool CommitOutputs() {
    String error;
    if (outputs_->Commit(&error)) return true;
    return Fail(tlwndir + u"/docs/html", error);
  }
  bool ReadCommandListFile(const String& path, int& lines);
  // One reading of the pages gives the summaries and the full-text index;
  // ReadPagesOnce reads them, and SavePagesFiles, afterwards, joins what
  // they gave to the set, after sigs.js whenever they were read.
  struct PagesRead {
    explicit PagesRead(OutputSet& set) : shards(set) {}
    std::set<std::string> written;  // full-text files
    BackgroundFiles shards;
    std::unique_ptr<FullTextIndex> full_text;
    std::unique_ptr<RecordSummaries> summaries;
  };
  bool ReadPagesOnce(const String& index_dir);
  bool SavePagesFiles(const String& index_dir);

  // One of the large outputs. With several workers they are all written at
  // once, before they are due, and Place only joins each to the set at its
  // turn; with one they are written at their turn, one after another.
  struct LargeOutput {
    LargeOutput(String to, std::function<bool(const ByteSink&)> writer)
        : path(std::move(to)), write(std::move(writer)) {}
    String path;
    std::function<bool(const ByteSink&)> write;
    std::unique_ptr<OutputSet::Pending> pending;
    String error;  // why it could not even begin
    double bytes = 0;  // what it is judged to come to, for the order of writing
  };
  // Writes the outputs on threads of their own while this thread runs
  // meanwhile.
  void WriteAhead(std::vector<LargeOutput*> outputs, const std::function<void()>& meanwhile);
  bool Place(LargeOutput& output) {
    if (!output.pending && output.error.empty()) return SaveWritten(output.path, output.write);
    String error = output.error;
    if (output.pending && outputs_->Finish(std::move(output.pending), &error)) return true;
    return Fail(output.path, error);
  }

  unsigned workers_;
  IndexBuildResult result_;
  std::size_t list_bytes_ = 0;
  // Declared in this order so that an unfinished set is discarded before
  // the lock goes.
  std::unique_ptr<FileLock> lock_;
  std::unique_ptr<OutputSet> outputs_;
  std::unique_ptr<PagesRead> pages_;  // pending files of outputs_
};

bool IndexBuild::ReadCommandListFile(const String& path, int& lines) {
  // Opened for update, as the installation's list has always been: a list
  // that cannot be written is treated as missing. Only a regular file is
  // read, never blocking: a named pipe, a device or a socket would keep the
  // build waiting for ever. A list larger than the machine's memory cannot
  // be held.
  const auto system_path = SystemPath(path);
  std::string bytes;
  String error = u"invalid file name";
  if (!system_path || !ReadRegularFile(*system_path, true, PhysicalMemory(), &bytes, &error)) return Fail(path, error);
  lines = ReadSortedCatalogue(std::move(bytes), tlwndir, *list_command, *map_module, workers_);
  Print(u"Total commands: " + FromInt(list_command->Count()) + u" " + FromInt(lines));
  Print(u"");
  return true;
}

void IndexBuild::WriteAhead(std::vector<LargeOutput*> outputs, const std::function<void()>& meanwhile) {
  // Temporary files are made here, on the build's thread; the writers only
  // write into them and read the catalogue, which nothing changes meanwhile.
  std::vector<LargeOutput*> begun;
  for (LargeOutput* output : outputs) {
    output->pending = outputs_->Begin(output->path, &output->error);
    if (output->pending) begun.push_back(output);
  }
  // Longest first, so that the last to finish is a short one.
  std::stable_sort(begun.begin(), begun.end(), [](const LargeOutput* a, const LargeOutput* b) { return a->bytes > b->bytes; });
  const auto write_all = [&] {
    RunJobs(begun.size(), workers_, [&](std::size_t k) { OutputSet::Write(*begun[k]->pending, begun[k]->write); });
  };
  std::exception_ptr failure;
  std::jthread writers;
  try {
    writers = std::jthread([&] {
      try {
        write_all();
      } catch (...) {
        failure = std::current_exception();
      }
    });
  } catch (const std::system_error&) {
    write_all();  // no thread to be had: one after the other
  }
  // Should meanwhile throw, the writers are joined before the set goes.
  meanwhile();
  if (writers.joinable()) writers.join();
  if (failure) std::rethrow_exception(failure);
}

bool IndexBuild::ReadPagesOnce(const String& index_dir) {
  pages_ = std::make_unique<PagesRead>(*outputs_);
  PagesRead& pages = *pages_;
  // Summaries and postings beyond what is held wait beside the files they
  // go into.
  const std::string spill_dir = SystemPath(index_dir, true).value_or(std::string());
  if (full_text_wanted) {
    pages.full_text = std::make_unique<FullTextIndex>(
        NewFullTextBuildId(),
        [&](const std::string& name, const std::string& bytes) {
          pages.written.insert(name);
          const String path = index_dir + FromBytes(name);
          String error;
          return pages.shards.Add(path, bytes, &error) || Fail(path, error);
        },
        spill_dir);
  }
  pages.summaries = std::make_unique<RecordSummaries>(spill_dir);
  if (!ReadPages(*list_command, tlwndir, pages.full_text.get(), pages.summaries.get())) {
    if (result_.ok) {
      result_.ok = false;
      result_.stopped = true;
      result_.reason = u"stopped";
    }
    return false;
  }
  if (!pages.full_text || pages.full_text->Finish()) return true;
  if (!pages.full_text->Failure().empty())
    Fail(index_dir + FromBytes(std::string(kFullTextRoot)), FromBytes(pages.full_text->Failure()));
  return false;
}

// Full-text files an earlier build wrote and this one does not leave with
// the same commit.
bool IndexBuild::SavePagesFiles(const String& index_dir) {
  PagesRead& pages = *pages_;
  String failed, error;
  if (!pages.shards.Finish(&failed, &error)) return Fail(failed, error);
  if (const auto dir = SystemPath(index_dir, true)) {
    if (DIR* listing = opendir(dir->c_str())) {
      while (const dirent* entry = readdir(listing)) {
        const std::string name = entry->d_name;
        if (IsFullTextFileName(name) && pages.written.count(name) == 0) outputs_->Remove(index_dir + FromBytes(name));
      }
      closedir(listing);
    }
  }
  return SaveWritten(index_dir + u"summaries.js", [&pages](const ByteSink& sink) {
    return WriteSummariesArray(*list_command, *pages.summaries, sink);
  });
}

IndexBuildResult IndexBuild::Run() {
  if (!list_command) CreateCatalogue();
  list_command->Clear();
  const String list_path = tlwndir + u"\\docs\\html\\Modules\\commands.txt";
  Print(u"Tallowin dir  : " + tlwndir);
  Print(u"DirBase       : " + tlwndir);
  Print(u"Commands file : " + list_path);
  int lines = 0;
  String outside, reason;
  if (!OutputFoldersInside(tlwndir, &outside, &reason)) {
    Fail(outside, reason);
    return result_;
  }
  if (!ReadCommandListFile(list_path, lines)) return result_;
  if (!LockInstallation()) return result_;

  const String index_dir = tlwndir + u"\\docs\\html\\Modules\\";
  const String html = tlwndir + u"/docs/html/";
  const Catalogue& catalogue = *list_command;
  const auto array_file = [&catalogue](const char* name, Field field) {
    return [&catalogue, name, field](const ByteSink& sink) {
      OutputPieces out(sink);
      WriteArray(out, catalogue, name, field);
      return out.Finish();
    };
  };
  LargeOutput commands{index_dir + u"command.js", array_file("commands", Field::kName)};
  LargeOutput links{index_dir + u"links.js", array_file("links", Field::kLink)};
  LargeOutput modules{index_dir + u"modules.js", array_file("modules", Field::kModule)};
  LargeOutput mods{index_dir + u"mod.js", [](const ByteSink& sink) { return WriteModsArray(*map_module, sink); }};
  LargeOutput book{html + u"tallowin.devhelp2", [](const ByteSink& sink) { return WriteDevhelpBook(tlwndir, sink); }};
  // What the pages show beside each name, in files of their own.
  LargeOutput sigs{index_dir + u"sigs.js",
                   [&catalogue](const ByteSink& sink) { return WriteSignaturesArray(catalogue, sink); }};
  // With more than one worker, the large outputs are written at once
  // (longest first, so that the last to finish is a short one) while this
  // thread reads the pages: all of them only read the catalogue. A build
  // whose outputs cannot even begin fails with the first of them, as it
  // would on one worker, without reading a page.
  if (workers_ > 1) {
    const TextSizes sizes = SampledTextSizes(catalogue);
    links.bytes = sizes.tails + sizes.records * static_cast<double>(catalogue.Dir().size());
    book.bytes = sizes.names + sizes.tails + sizes.records * kBookBytesPerRecord;
    commands.bytes = sizes.names;
    modules.bytes = sizes.modules;
    sigs.bytes = sizes.signatures;
    std::vector<LargeOutput*> large{&links, &book, &commands, &modules, &sigs, &mods};
    bool pages_failed = false;
    WriteAhead(large, [&] {
      if (std::all_of(large.begin(), large.end(), [](const LargeOutput* output) { return output->pending != nullptr; }))
        pages_failed = !ReadPagesOnce(index_dir);
    });
    if (pages_failed) return result_;
  }

  if (!Place(commands) || !Place(links) || !Place(modules)) return result_;
  // One line each, as Print writes them, but flushed once: a catalogue with
  // a module per record would otherwise make a system call per record.
  TTextStream& out = StandardIOStream();
  map_module->ForEachModule([&out](const ModuleText& module) { PrintModuleLine(out, module); });
  out.Flush();
  if (!Place(mods)) return result_;
  if (!Place(sigs)) return result_;
  if ((!pages_ && !ReadPagesOnce(index_dir)) || !SavePagesFiles(index_dir)) return result_;
  Print(u"Indeces created...");

  const String search_page = LoadText(u"incbin::resources\\index.html");
  const String command_page = LoadText(u"incbin::resources\\commands.html");
  const String style_sheet = LoadText(u"incbin::resources\\tlwstyle.css");
  const String link_target = AppDir + u"/Quillmere";
  Print(u"AppDir : " + AppDir);
  Print(u"CurDir : " + CurrentDir());
  const String button = ButtonScript(link_target);
  Print(u"PostFile: <" + link_target + u"> -----");
  Print(u"SS1 = " + button);

  // The working copy is kept for whoever looks in the working folder; the
  // installed script does not depend on it, so a folder where it cannot be
  // written (said once at start-up) costs the build nothing.
  SaveWorkingCopy(CurrentDir() + u"/button.js", button);
  const String& installed_button = button;

  // Pages are replaced with the index files, so a failed build leaves the
  // previous pages in place instead of deleting them first.
  if (!SaveTextTo(html + u"index.html", search_page)) return result_;
  if (!SaveTextTo(html + u"Modules/commands.html", command_page)) return result_;
  if (!SaveTextTo(html + u"tlwstyle.css", style_sheet)) return result_;
  if (!SaveTextTo(html + u"Modules/tlwstyle.css", style_sheet)) return result_;
  if (!SaveTextTo(html + u"button.js", installed_button)) return result_;
  if (!SaveTextTo(html + u"Modules/button.js", installed_button)) return result_;
  if (!Place(book)) return result_;
  CommitOutputs();
  return result_;
}

}  // namespace

namespace {

std::string ArrayFileBytes(const Catalogue& catalogue, const char* name, Field field) {
  return CollectedBytes([&](const ByteSink& sink) {
    OutputPieces out(sink);
    WriteArray(out, catalogue, name, field);
    return out.Finish();
  });
}

}  // namespace

std::string CommandsArrayFile(const Catalogue& catalogue) {
  return ArrayFileBytes(catalogue, "commands", Field::kName);
}
std::string LinksArrayFile(const Catalogue& catalogue) { return ArrayFileBytes(catalogue, "links", Field::kLink); }
std::string ModulesArrayFile(const Catalogue& catalogue) {
  return ArrayFileBytes(catalogue, "modules", Field::kModule);
}

std::string ModsArrayFile(const ModuleMap& modules) {
  return CollectedBytes([&modules](const ByteSink& sink) { return WriteModsArray(modules, sink); });
}

bool WriteModsArray(const ModuleMap& modules, const ByteSink& sink) {
  // The list always ends with an empty name.
  const std::size_t elements = static_cast<std::size_t>(modules.Count()) + 1;
  OutputPieces out(sink);
  out.Append(std::string("var mods") + ArrayOpening(elements));
  modules.ForEachModule([&out](const ModuleText& module) {
    out.Append("\"");
    // In pieces, so that one huge module is never escaped whole in memory.
    constexpr std::size_t kUnits = 1 << 16;
    for (std::size_t at = 0; at < module.size(); at += kUnits) {
      const std::size_t count = std::min(kUnits, module.size() - at);
      char* p = out.Room(2 * count);
      for (std::size_t i = at; i < at + count; ++i) {
        const char byte = static_cast<char>(module[i] & 0xFF);
        if (byte == '"' || byte == '\\') *p++ = '\\';
        *p++ = byte;
      }
      out.Advance(p);
    }
    out.Append("\",");
  });
  out.Append("\"\"");
  out.Append(ArrayClosing(elements));
  return out.Finish();
}

String ButtonScript(const String& link_target) {
  // The link's HTML is a JavaScript string, escaped as the index files are.
  std::string script = "document.write(\"";
  AppendJsEscaped(script, RebuildLinkHtml(link_target));
  script += "\");";
  return FromBytes(script);
}

IndexBuildResult CreateSearchIndex() { return CreateSearchIndex(BuildWorkers()); }

IndexBuildResult CreateSearchIndex(unsigned workers) { return IndexBuild(workers).Run(); }

void SetFullTextIndexWanted(bool wanted) { full_text_wanted = wanted; }

}  // namespace qm
