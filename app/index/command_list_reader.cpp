#include "app/index/command_list_reader.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <string_view>
#include <type_traits>
#include <utility>

#include "app/index/build_workers.h"
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

// Cuts text before the first occurrence of what, in place.
void CutAt(String& text, std::u16string_view what, std::size_t from_index = 0) {
  const std::size_t at = text.find(what);
  if (at != String::npos && at >= from_index) text.resize(at);
}

// The record maker on strings it may consume: the reader hands over its
// pieces instead of copying them, which matters for catalogues of millions.
int AddCommand(String command, String link, int letter, String module, CommandList& list, ModuleMap& modules) {
  if (command.empty()) return 0;
  std::replace(link.begin(), link.end(), u'\\', u'/');
  CutAt(command, u":");
  CutAt(command, u"[]");
  // An "=" at index 0 or 1 stays: a one-letter name followed by "=" is kept whole.
  CutAt(command, u"=", 2);
  auto record = std::make_shared<tcommand>();
  record->comando = std::move(command);
  record->link = std::move(link);
  record->fast_link = FromInt(letter);
  String key = Upper(module);
  record->Modules = std::move(module);
  modules.Insert(std::move(key), record);
  list.AddLast(std::move(record));
  return 0;
}

}  // namespace

int AddCommandForIndex(const String& command, const String& link, int letter, const String& module, CommandList& list,
                       ModuleMap& modules) {
  return AddCommand(command, link, letter, module, list, modules);
}

int AddCommandForIndex(const String& command, const String& link, int letter, const String& module) {
  // Made as for a list, then kept by the catalogue.
  CommandList made;
  AddCommand(command, link, letter, module, made, *map_module);
  made.ForEach([](const CommandPtr& record) { list_command->Add(record); });
  return 0;
}

void ReadCommandLine(const String& line, const String& dir, CommandList& list, ModuleMap& modules) {
  // The separator is the second bar when there are two or more.
  int bar = Instr(line, u"|");
  if (const int second = Instr(line, u"|", bar + 1); second > 0) bar = second;
  String name = Left(line, bar - 1);
  CutAt(name, u"(");
  String link;
  link.reserve(dir.size() + line.size());
  link.append(dir).append(line, static_cast<std::size_t>(bar), String::npos);
  const int letter = name.empty() ? -65 : static_cast<int>(name[0]) - 65;
  String module = ModuleFromLink(link);
  AddCommand(std::move(name), std::move(link), letter, std::move(module), list, modules);
}

int ReadCommandList(std::string_view bytes, const String& dir, CommandList& list, ModuleMap& modules) {
  int lines = 0;
  std::size_t pos = 0;
  String line;
  while (pos < bytes.size()) {
    line.clear();
    while (pos < bytes.size()) {
      const unsigned char byte = static_cast<unsigned char>(bytes[pos++]);
      if (byte == 10 || byte == 0) break;
      if (byte != 13) line += static_cast<char16_t>(byte);
    }
    ++lines;
    ReadCommandLine(line, dir, list, modules);
  }
  return lines;
}

namespace {

// The first occurrence of what, or the size when there is none.
std::size_t FirstOf(std::string_view text, std::string_view what) { return std::min(text.find(what), text.size()); }

// The a-z letters of a byte made upper-case, as Upper does.
char UpperByte(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

// The map key of a module held as bytes: its units upper-cased.
String UpperKey(std::string_view module) {
  String key(module.size(), u'\0');
  std::transform(module.begin(), module.end(), key.begin(),
                 [](char c) { return static_cast<char16_t>(static_cast<unsigned char>(UpperByte(c))); });
  return key;
}

// Per upper-cased module, the last record read with it: an open-addressed
// table of record indexes whose modules are found in the list's bytes, so
// that a catalogue in which every record has a module of its own costs a few
// bytes per record and no copy of any module text.
class LatestByModule {
 public:
  explicit LatestByModule(const Catalogue& catalogue) : catalogue_(catalogue) {}

  void Note(std::string_view module, std::uint32_t index) {
    if (2 * (count_ + 1) > slots_.size()) Grow();
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t at = Hash(module) & mask;; at = (at + 1) & mask) {
      std::uint32_t& slot = slots_[at];
      if (slot == kEmpty) {
        slot = index;
        ++count_;
        return;
      }
      if (SameKey(ModuleOf(slot), module)) {
        slot = index;
        return;
      }
    }
  }
  std::size_t Count() const { return count_; }
  template <class Visit>
  void ForEach(Visit visit) const {
    for (const std::uint32_t slot : slots_)
      if (slot != kEmpty) visit(slot);
  }
  void Clear() {
    std::vector<std::uint32_t>().swap(slots_);
    count_ = 0;
  }

 private:
  static constexpr std::uint32_t kEmpty = UINT32_MAX;

  std::string_view ModuleOf(std::uint32_t index) const {
    return catalogue_.Module(catalogue_.RecordsInReadOrder()[index]);
  }
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
  void Grow() {
    std::vector<std::uint32_t> old(std::max<std::size_t>(64, 2 * slots_.size()), kEmpty);
    old.swap(slots_);
    const std::size_t mask = slots_.size() - 1;
    for (const std::uint32_t index : old) {
      if (index == kEmpty) continue;
      std::size_t at = Hash(ModuleOf(index)) & mask;
      while (slots_[at] != kEmpty) at = (at + 1) & mask;
      slots_[at] = index;
    }
  }

  const Catalogue& catalogue_;
  std::vector<std::uint32_t> slots_;
  std::size_t count_ = 0;
};

// Reads one build's lines into a catalogue. Records point into the list's
// bytes; only the module map gets 16-bit texts, once per module.
class CatalogueReader {
 public:
  CatalogueReader(Catalogue& catalogue, ModuleMap& modules)
      : catalogue_(catalogue), modules_(modules), latest_(catalogue) {
    const String& dir = catalogue.Dir();
    wide_dir_ = std::any_of(dir.begin(), dir.end(), [](char16_t u) { return u > 0xFF; });
    dir_bytes_ = ToByteString(dir);
  }

  int ReadAll() {
    std::string& text = catalogue_.Text();
    catalogue_.Reserve(static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')) + 1);
    char* const t = text.data();
    const std::size_t size = text.size();
    int lines = 0;
    std::size_t pos = 0;
    while (pos < size) {
      // A line ends at LF, at a zero byte or at the end.
      const void* lf = std::memchr(t + pos, '\n', size - pos);
      std::size_t end = lf ? static_cast<std::size_t>(static_cast<const char*>(lf) - t) : size;
      if (const void* nul = std::memchr(t + pos, 0, end - pos))
        end = static_cast<std::size_t>(static_cast<const char*>(nul) - t);
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
      ReadLine(pos, line_end);
      pos = end + 1;
    }
    RegisterModules();
    return lines;
  }

 private:
  void ReadLine(std::size_t start, std::size_t end) {
    const std::string_view line(catalogue_.Text().data() + start, end - start);
    // The separator is the second bar when there are two or more; with no
    // bar the name is empty and the line makes no record.
    const std::size_t first_bar = line.find('|');
    if (first_bar == std::string_view::npos) return;
    const std::size_t second_bar = line.find('|', first_bar + 1);
    const std::size_t bar = second_bar != std::string_view::npos ? second_bar : first_bar;
    std::string_view name = line.substr(0, bar);
    name = name.substr(0, FirstOf(name, "("));
    if (name.empty()) return;

    CatalogueRecord record;
    record.tail_at = start + bar + 1;
    record.tail_size = static_cast<std::uint32_t>(line.size() - bar - 1);
    const std::string_view tail = line.substr(bar + 1);
    PlaceModule(record, tail);

    name = name.substr(0, FirstOf(name, ":"));
    name = name.substr(0, FirstOf(name, "[]"));
    // An "=" at index 0 or 1 stays: a one-letter name followed by "=" is kept whole.
    if (const std::size_t equals = name.find('='); equals != std::string_view::npos && equals >= 2)
      name = name.substr(0, equals);
    record.name_at = start;
    record.name_size = static_cast<std::uint32_t>(name.size());
    catalogue_.Add(record);
  }

  // The module is found in the whole link, before any backslash changes,
  // exactly as the list reader finds it.
  void PlaceModule(CatalogueRecord& record, std::string_view tail) {
    const std::uint32_t index = static_cast<std::uint32_t>(catalogue_.Count());
    std::pair<int, int> span;
    const JoinedBytes link{dir_bytes_, tail};
    if (wide_dir_) {
      wide_link_.assign(catalogue_.Dir());
      wide_link_.append(FromBytes(tail));
      span = ModuleSpan(std::u16string_view(wide_link_));
    } else {
      span = ModuleSpan(link);
    }
    const auto [a, b] = span;
    const std::size_t dir_size = dir_bytes_.size();
    if (b - a < 1) {
      record.module_at = record.tail_at;
      latest_.Note(std::string_view(), index);
    } else if (static_cast<std::size_t>(a) >= dir_size) {
      record.module_at = record.tail_at + (static_cast<std::size_t>(a) - dir_size);
      record.module_size = static_cast<std::uint32_t>(b - a);
      latest_.Note(tail.substr(static_cast<std::size_t>(a) - dir_size, record.module_size), index);
    } else {
      // Reaches into the directory: its bytes are kept once per run of
      // equal modules, its 16-bit text for the module map.
      String wide;
      if (wide_dir_) {
        wide = wide_link_.substr(static_cast<std::size_t>(a), static_cast<std::size_t>(b - a));
      } else {
        for (int i = a; i < b; ++i) wide += static_cast<char16_t>(static_cast<unsigned char>(link.At(i)));
      }
      const std::string bytes = ToByteString(wide);
      if (bytes != last_extra_ || !has_extra_) {
        last_extra_at_ = catalogue_.AddExtra(bytes);
        last_extra_ = bytes;
        has_extra_ = true;
      }
      record.module_at = last_extra_at_;
      record.module_size = static_cast<std::uint32_t>(bytes.size());
      record.module_in_extra = true;
      latest_extra_[std::move(wide)] = index;
    }
  }

  // Registering every record under its module leaves, per upper-cased
  // module, the last record read with it; registering only those last
  // records leaves the same map. Inserted in key order (the later record
  // last among equal keys), the tree is built along its right edge.
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
    String().swap(wide_link_);
    const auto& records = catalogue_.RecordsInReadOrder();
    std::vector<std::pair<String, std::uint32_t>> last;
    last.reserve(latest_.Count() + latest_extra_.size());
    latest_.ForEach(
        [&](std::uint32_t index) { last.emplace_back(UpperKey(catalogue_.Module(records[index])), index); });
    latest_.Clear();
    for (auto& [module, index] : latest_extra_) last.emplace_back(Upper(module), index);
    std::sort(last.begin(), last.end());
    for (auto& [key, index] : last) modules_.Insert(std::move(key), catalogue_.MakeCommand(records[index]));
  }

  Catalogue& catalogue_;
  ModuleMap& modules_;
  bool deferred_ = false;
  bool wide_dir_ = false;
  std::string dir_bytes_;
  String wide_link_;
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
  const int lines = reader.ReadAll();
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
