#include "app/index/command_list_reader.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <string_view>
#include <type_traits>
#include <unordered_map>
#include <utility>

#include "app/index/build_workers.h"
#include "app/index/module_map.h"
#include "system/hash_slots.h"
#include "system/strings.h"

namespace qm {

namespace {

// Find on either kind of text: first position at or after start (a negative
// start counts as 0), or -1.
template <class Unit>
int FindAscii(std::basic_string_view<Unit> s, std::string_view needle, int start = 0) {
  const std::size_t p = static_cast<std::size_t>(std::max(start, 0));
  if (p > s.size()) return -1;
  std::size_t at;
  if constexpr (std::is_same_v<Unit, char>) {
    at = s.find(needle, p);
  } else {
    at = s.find(std::basic_string<Unit>(needle.begin(), needle.end()), p);
  }
  return at == std::basic_string_view<Unit>::npos ? -1 : static_cast<int>(at);
}

// A link as the directory's bytes followed by the line's own part, searched
// without putting the two together.
struct JoinedBytes {
  std::string_view head, tail;
  std::size_t size() const { return head.size() + tail.size(); }
  char At(std::size_t i) const { return i < head.size() ? head[i] : tail[i - head.size()]; }
};

int FindAscii(const JoinedBytes& s, std::string_view needle, int start = 0) {
  const std::size_t p = static_cast<std::size_t>(std::max(start, 0));
  if (p > s.size()) return -1;
  const std::size_t head = s.head.size();
  if (p < head) {
    // Wholly in the head, then across the seam; any of those starts earlier
    // than a match in the tail.
    if (const std::size_t at = s.head.find(needle, p); at != std::string_view::npos) return static_cast<int>(at);
    for (std::size_t q = std::max(p, head + 1 > needle.size() ? head + 1 - needle.size() : 0); q < head; ++q) {
      if (q + needle.size() > s.size()) break;
      std::size_t k = 0;
      while (k < needle.size() && s.At(q + k) == needle[k]) ++k;
      if (k == needle.size()) return static_cast<int>(q);
    }
  }
  const std::size_t at = s.tail.find(needle, p > head ? p - head : 0);
  return at == std::string_view::npos ? -1 : static_cast<int>(head + at);
}

// Where the module is in a link, as [first, second); empty when second is
// not past first. Positions follow the rules literally, including their
// not-found values: an absent "Modules/" counts from index 7, an absent
// "index" gives nothing. The text before the first "." only survives when
// "Modules/" starts the link, so it is only cut out then. Every non-empty
// span lies inside the link.
template <class Text>
std::pair<int, int> ModuleSpan(const Text& link) {
  const int modules_at = FindAscii(link, "Modules/");
  std::pair<int, int> span =
      modules_at != 0 ? std::pair{modules_at + 8, FindAscii(link, "index") - 1} : std::pair{0, FindAscii(link, ".")};
  if (FindAscii(link, ".mod") != 0 && span.second - span.first < 1) {
    const int a = FindAscii(link, "mod");
    const int b = FindAscii(link, ".mod", a + 1);
    const int c = FindAscii(link, ".mod", b + 1);
    span = {a + 4, c};
  }
  return span;
}

}  // namespace

String ModuleFromLink(const String& link) {
  const auto [a, b] = ModuleSpan(std::u16string_view(link));
  return Slice(link, a, b);
}

namespace {

// The name as listed: cut before the first ":" and "[]", and before an "="
// from index 2 on (a one-letter name followed by "=" is kept whole).
template <class Unit>
std::basic_string_view<Unit> CleanName(std::basic_string_view<Unit> name) {
  for (const std::string_view cut : {":", "[]"})
    if (const int at = FindAscii(name, cut); at >= 0) name = name.substr(0, static_cast<std::size_t>(at));
  if (const int at = FindAscii(name, "="); at >= 2) name = name.substr(0, static_cast<std::size_t>(at));
  return name;
}

}  // namespace

int AddCommandForIndex(const String& command, const String& link, int letter, const String& module) {
  if (command.empty()) return 0;
  const std::u16string_view name = CleanName(std::u16string_view(command));
  auto record = std::make_shared<tcommand>();
  record->comando = String(name);
  record->link = link;
  std::replace(record->link.begin(), record->link.end(), u'\\', u'/');
  record->fast_link = FromInt(letter);
  record->Modules = module;
  map_module->Insert(Upper(module), record);
  list_command->Add(std::move(record));
  return 0;
}

namespace {

// The first occurrence of what, or the size when there is none.
std::size_t FirstOf(std::string_view text, std::string_view what) { return std::min(text.find(what), text.size()); }

// The a-z letters of a byte made upper-case, as Upper does.
char UpperByte(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

// Per upper-cased module, the last record read with it: an open-addressed
// table of record indexes whose modules are found in the list's bytes, so
// that a catalogue in which every record has a module of its own costs a few
// bytes per record and no copy of any module text.
class LatestByModule {
 public:
  // Indexes are places in records, whose texts are the catalogue's.
  LatestByModule(const Catalogue& catalogue, const std::vector<CatalogueRecord>& records)
      : catalogue_(catalogue), records_(records) {}

  void Note(std::string_view module, std::uint32_t index) { Put(static_cast<std::uint32_t>(Hash(module)), module, index); }
  // Notes what later noted, read after every record noted here, its
  // indexes moved on by offset; the records it names must be in records by
  // then.
  void Merge(const LatestByModule& later, std::uint32_t offset) {
    later.slots_.ForEach([&](std::uint64_t slot) {
      const std::uint32_t index = HashSlots::Number(slot) + offset;
      Put(static_cast<std::uint32_t>(slot >> 32), ModuleOf(index), index);
    });
  }
  std::size_t Count() const { return count_; }
  template <class Visit>
  void ForEach(Visit visit) const {
    slots_.ForEach([&](std::uint64_t slot) { visit(HashSlots::Number(slot)); });
  }
  void Clear() {
    slots_.Clear();
    count_ = 0;
  }

 private:
  // With a module per record, each module read is a cache miss: the slots
  // keep the hashes, so that one is read only when they agree.
  void Put(std::uint32_t hash, std::string_view module, std::uint32_t index) {
    slots_.MakeRoom(count_ + 1);
    std::uint64_t& slot = slots_.Probe(hash, [&](std::uint32_t there) { return SameKey(ModuleOf(there), module); });
    if (slot == HashSlots::kEmpty) ++count_;
    slot = HashSlots::Slot(hash, index);
  }

  std::string_view ModuleOf(std::uint32_t index) const { return catalogue_.Module(records_[index]); }
  static std::size_t Hash(std::string_view module) {
    std::uint64_t h = 1469598103934665603ull;  // FNV-1a over the upper-cased bytes
    for (const char c : module) h = (h ^ static_cast<unsigned char>(UpperByte(c))) * 1099511628211ull;
    return static_cast<std::size_t>(h ^ (h >> 29));
  }
  static bool SameKey(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
      if (UpperByte(a[i]) != UpperByte(b[i])) return false;
    return true;
  }

  const Catalogue& catalogue_;
  const std::vector<CatalogueRecord>& records_;
  HashSlots slots_;  // the module's hash above the latest record's index
  std::size_t count_ = 0;
};

// Reads one build's lines into a catalogue. Records point into the list's
// bytes, and the module map into the catalogue.
class CatalogueReader {
 public:
  CatalogueReader(Catalogue& catalogue, ModuleMap& modules)
      : catalogue_(catalogue), modules_(modules), latest_(catalogue, catalogue.RecordsInReadOrder()) {
    const String& dir = catalogue.Dir();
    wide_dir_ = std::any_of(dir.begin(), dir.end(), [](char16_t u) { return u > 0xFF; });
    dir_bytes_ = ToByteString(dir);
  }

  // With workers > 1 and a list large enough to gain, its two halves are
  // read side by side: each line's record is found apart from every other
  // line, and only the modules, noted in read order afterwards, depend on
  // the lines before. The records and the map are the same either way.
  int ReadAll(unsigned workers = 1) {
    std::string& text = catalogue_.Text();
    const std::size_t size = text.size();
    constexpr std::size_t kHalvesFrom = std::size_t{1} << 20;
    if (workers < 2 || size < kHalvesFrom) {
      catalogue_.Reserve(static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')) + 1);
      const int lines = ReadLines(0, size, [&](const CatalogueRecord& record) {
        catalogue_.Add(record);
        NoteModule(static_cast<std::uint32_t>(catalogue_.Count() - 1));
      });
      RegisterModules();
      return lines;
    }
    // The halves meet after a line's end, so no line is split. The first
    // half's records go straight into the catalogue, the second's into a
    // vector of their own, appended once both are read.
    const char* const t = text.data();
    std::size_t split = size / 2;
    while (split < size && t[split] != '\n' && t[split] != '\0') ++split;
    split = std::min(split + 1, size);
    std::vector<CatalogueRecord>& records = catalogue_.RecordsToFill();
    std::vector<CatalogueRecord> later;
    struct Half {
      std::size_t begin, end;
      std::vector<CatalogueRecord>& records;
      LatestByModule& latest;
      std::vector<std::uint32_t> extras;  // records whose module NoteModule makes
      std::size_t bound = 0;              // the records it is likely to hold
      int lines = 0;
    };
    LatestByModule latest_later(catalogue_, later);
    Half halves[2] = {{0, split, records, latest_, {}}, {split, size, later, latest_later, {}}};
    // Room for the lines a sample of each half promises, and a quarter more:
    // reserved, not touched, so a list of long lines costs nothing for it,
    // and a list the sample misjudged only makes the vectors grow.
    for (Half& h : halves) {
      constexpr std::size_t kSample = std::size_t{1} << 20;
      const std::size_t sample = std::min(kSample, h.end - h.begin);
      const auto ends = static_cast<std::size_t>(std::count(t + h.begin, t + h.begin + sample, '\n') +
                                                 std::count(t + h.begin, t + h.begin + sample, '\0'));
      // A record's line holds a name and a bar: at most one per two bytes.
      h.bound = std::min((ends + 1) * ((h.end - h.begin) / std::max<std::size_t>(sample, 1) + 1) * 5 / 4,
                         (h.end - h.begin) / 2 + 1);
    }
    records.reserve(halves[0].bound + halves[1].bound);
    later.reserve(halves[1].bound);
    RunJobs(2, workers, [&](std::size_t k) {
      Half& h = halves[k];
      h.lines = ReadLines(h.begin, h.end, [&h, this](const CatalogueRecord& record) {
        const auto index = static_cast<std::uint32_t>(h.records.size());
        h.records.push_back(record);
        if (record.module_in_extra) {
          h.extras.push_back(index);
        } else {
          h.latest.Note(catalogue_.Module(record), index);
        }
      });
    });
    const auto offset = static_cast<std::uint32_t>(records.size());
    records.insert(records.end(), later.begin(), later.end());
    std::vector<CatalogueRecord>().swap(later);
    latest_.Merge(latest_later, offset);
    for (const std::uint32_t index : halves[0].extras) NoteModule(index);
    for (const std::uint32_t index : halves[1].extras) NoteModule(index + offset);
    RegisterModules();
    return halves[0].lines + halves[1].lines;
  }

 private:
  // Reads the lines of text[begin, end) in order, handing each record to
  // add with its module's place: in the list's bytes, or (module_in_extra)
  // a span of the link that reaches into the directory, for NoteModule to
  // make. Touches nothing but those bytes, so halves may run at once.
  template <class Add>
  int ReadLines(std::size_t begin, std::size_t end_of_text, Add add) {
    char* const t = catalogue_.Text().data();
    int lines = 0;
    std::size_t pos = begin;
    // The next LF and the next zero byte at or after pos, each found once and
    // kept until pos passes it: searching afresh for every line would make a
    // file of zero bytes (as a crash can leave) quadratic to read.
    struct NextByte {
      char byte;
      std::size_t at = 0;
      bool known = false;
    };
    NextByte lf{'\n'}, nul{'\0'};
    const auto next = [&](NextByte& found) {
      if (!found.known || found.at < pos) {
        const void* at = std::memchr(t + pos, found.byte, end_of_text - pos);
        found.at = at ? static_cast<std::size_t>(static_cast<const char*>(at) - t) : end_of_text;
        found.known = true;
      }
      return found.at;
    };
    String wide_link;
    while (pos < end_of_text) {
      // A line ends at LF, at a zero byte or at the end.
      const std::size_t end = std::min(next(lf), next(nul));
      // Carriage returns are dropped wherever they are: the rest of the line
      // moves left over them, inside its own bytes.
      std::size_t line_end = end;
      if (const void* cr = std::memchr(t + pos, '\r', end - pos)) {
        char* out = static_cast<char*>(const_cast<void*>(cr));
        for (const char* in = out; in < t + end; ++in)
          if (*in != '\r') *out++ = *in;
        line_end = static_cast<std::size_t>(out - t);
      }
      ++lines;
      CatalogueRecord record;
      if (ReadLine(pos, line_end, wide_link, record)) add(record);
      pos = end + 1;
    }
    return lines;
  }

  bool ReadLine(std::size_t start, std::size_t end, String& wide_link, CatalogueRecord& record) const {
    const std::string_view line(catalogue_.Text().data() + start, end - start);
    // The separator is the second bar when there are two or more; with no
    // bar the name is empty and the line makes no record.
    const std::size_t first_bar = line.find('|');
    if (first_bar == std::string_view::npos) return false;
    const std::size_t second_bar = line.find('|', first_bar + 1);
    const std::size_t bar = second_bar != std::string_view::npos ? second_bar : first_bar;
    std::string_view name = line.substr(0, bar);
    name = name.substr(0, FirstOf(name, "("));
    if (name.empty()) return false;

    record.name_at = start;
    record.tail_offset = static_cast<std::uint32_t>(bar + 1);
    record.tail_size = static_cast<std::uint32_t>(line.size() - bar - 1);
    // The name is cleaned only now: one that only cleaning empties still
    // makes a record.
    record.name_size = static_cast<std::uint32_t>(CleanName(name).size());
    PlaceModule(record, line.substr(bar + 1), wide_link);
    return true;
  }

  // The module is found in the whole link, before any backslash changes,
  // exactly as the list reader finds it.
  void PlaceModule(CatalogueRecord& record, std::string_view tail, String& wide_link) const {
    std::pair<int, int> span;
    if (wide_dir_) {
      wide_link.assign(catalogue_.Dir());
      wide_link.append(FromBytes(tail));
      span = ModuleSpan(std::u16string_view(wide_link));
    } else {
      span = ModuleSpan(JoinedBytes{dir_bytes_, tail});
    }
    const auto [a, b] = span;
    const std::size_t dir_size = dir_bytes_.size();
    if (b - a < 1) {
      record.module_at = record.TailAt();
    } else if (static_cast<std::size_t>(a) >= dir_size) {
      record.module_at = record.TailAt() + (static_cast<std::size_t>(a) - dir_size);
      record.module_size = static_cast<std::uint32_t>(b - a);
    } else {
      // Reaches into the directory: made by NoteModule, in read order.
      record.module_in_extra = true;
      record.module_at = static_cast<std::uint64_t>(a);
      record.module_size = static_cast<std::uint32_t>(b - a);
    }
  }

  // Notes the record at index under its module, in read order; a module
  // that reaches into the directory gets its bytes kept once per run of
  // equal modules, its 16-bit text for the module map.
  void NoteModule(std::uint32_t index) {
    CatalogueRecord& record = catalogue_.RecordsToFill()[index];
    if (!record.module_in_extra) {
      latest_.Note(catalogue_.Module(record), index);
      return;
    }
    const auto a = static_cast<std::size_t>(record.module_at);
    const std::size_t n = record.module_size;
    const std::string_view tail = catalogue_.LinkTail(record);
    String wide;
    if (wide_dir_) {
      String link = catalogue_.Dir();
      link.append(FromBytes(tail));
      wide = link.substr(a, n);
    } else {
      const JoinedBytes link{dir_bytes_, tail};
      for (std::size_t i = a; i < a + n; ++i) wide += static_cast<char16_t>(static_cast<unsigned char>(link.At(i)));
    }
    const std::string bytes = ToByteString(wide);
    if (bytes != last_extra_ || !has_extra_) {
      last_extra_at_ = catalogue_.AddExtra(bytes);
      last_extra_ = bytes;
      has_extra_ = true;
    }
    record.module_at = last_extra_at_;
    record.module_size = static_cast<std::uint32_t>(bytes.size());
    latest_extra_[std::move(wide)] = index;
  }

  // Registering every record under its module leaves, per upper-cased
  // module, the last record read with it; registering only those last
  // records, as positions in the catalogue, leaves the same map.
 public:
  // With registration deferred, ReadAll leaves it to RegisterNow, so that
  // it can run beside the sort.
  void DeferRegistration() { deferred_ = true; }
  void RegisterNow() {
    deferred_ = false;
    RegisterModules();
  }
  std::size_t DistinctModules() const { return latest_.Count() + latest_extra_.size(); }

 private:
  void RegisterModules() {
    if (deferred_) return;
    std::vector<std::uint32_t> last;
    last.reserve(latest_.Count() + latest_extra_.size());
    latest_.ForEach([&](std::uint32_t index) { last.push_back(index); });
    latest_.Clear();
    std::unordered_map<std::uint32_t, String> wide_keys;
    for (auto& [module, index] : latest_extra_) {
      last.push_back(index);
      wide_keys.emplace(index, Upper(module));
    }
    latest_extra_.clear();
    modules_.Register(catalogue_, std::move(last), std::move(wide_keys));
  }

  Catalogue& catalogue_;
  ModuleMap& modules_;
  bool deferred_ = false;
  bool wide_dir_ = false;
  std::string dir_bytes_;
  LatestByModule latest_;
  std::map<String, std::uint32_t> latest_extra_;
  std::string last_extra_;
  std::uint64_t last_extra_at_ = 0;
  bool has_extra_ = false;
};

}  // namespace

int ReadCatalogue(std::string bytes, const String& dir, Catalogue& catalogue, ModuleMap& modules) {
  catalogue.Adopt(std::move(bytes), dir);
  return CatalogueReader(catalogue, modules).ReadAll();
}

int ReadSortedCatalogue(std::string bytes, const String& dir, Catalogue& catalogue, ModuleMap& modules,
                        unsigned workers) {
  catalogue.Adopt(std::move(bytes), dir);
  CatalogueReader reader(catalogue, modules);
  reader.DeferRegistration();
  const int lines = reader.ReadAll(workers);
  // Registration fills the map, the sort the catalogue's order: they share
  // nothing they change. With few modules registration is short and the
  // sort gets every thread; with many it is the longer of the two.
  const bool many_modules = reader.DistinctModules() > static_cast<std::size_t>(catalogue.Count()) / 16;
  if (workers < 2 || !many_modules) {
    reader.RegisterNow();
    catalogue.Sort(workers);
  } else {
    RunJobs(2, workers, [&](std::size_t job) { job == 0 ? reader.RegisterNow() : catalogue.Sort(1); });
  }
  return lines;
}

}  // namespace qm
