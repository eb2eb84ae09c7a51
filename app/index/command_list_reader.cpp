#include "app/index/command_list_reader.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <string_view>
#include <type_traits>
#include <unordered_map>
#include <utility>

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

// Where the module is in a link, as [first, second); empty when second is
// not past first. Positions follow the rules literally, including their
// not-found values: an absent "Modules/" counts from index 7, an absent
// "index" gives nothing. The text before the first "." only survives when
// "Modules/" starts the link, so it is only cut out then. Every non-empty
// span lies inside the link.
template <class Unit>
std::pair<int, int> ModuleSpan(std::basic_string_view<Unit> link) {
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

void AddCommandForIndex(Catalogue& catalogue, CatalogueRecord record, std::string_view name) {
  if (name.empty()) return;
  name = CleanName(name);
  record.name_size = static_cast<std::uint32_t>(name.size());
  catalogue.Add(record);
}

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

// Reads one build's lines into a catalogue. Records point into the list's
// bytes; only the module map gets 16-bit texts, once per module.
class CatalogueReader {
 public:
  CatalogueReader(Catalogue& catalogue, ModuleMap& modules) : catalogue_(catalogue), modules_(modules) {
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
        const void* at = std::memchr(t + pos, found.byte, size - pos);
        found.at = at ? static_cast<std::size_t>(static_cast<const char*>(at) - t) : size;
        found.known = true;
      }
      return found.at;
    };
    while (pos < size) {
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

    record.name_at = start;
    AddCommandForIndex(catalogue_, record, name);
  }

  // The module is found in the whole link, before any backslash changes,
  // exactly as the list reader finds it.
  void PlaceModule(CatalogueRecord& record, std::string_view tail) {
    const std::uint32_t index = static_cast<std::uint32_t>(catalogue_.Count());
    std::pair<int, int> span;
    if (wide_dir_) {
      wide_link_.assign(catalogue_.Dir());
      wide_link_.append(FromBytes(tail));
      span = ModuleSpan(std::u16string_view(wide_link_));
    } else {
      link_.assign(dir_bytes_).append(tail);
      span = ModuleSpan(std::string_view(link_));
    }
    const auto [a, b] = span;
    const std::size_t dir_size = dir_bytes_.size();
    if (b - a < 1) {
      record.module_at = record.tail_at;
      latest_[std::string_view()] = index;
    } else if (static_cast<std::size_t>(a) >= dir_size) {
      record.module_at = record.tail_at + (static_cast<std::size_t>(a) - dir_size);
      record.module_size = static_cast<std::uint32_t>(b - a);
      latest_[tail.substr(static_cast<std::size_t>(a) - dir_size, record.module_size)] = index;
    } else {
      // Reaches into the directory: its bytes are kept once per run of
      // equal modules, its 16-bit text for the module map.
      String wide =
          wide_dir_
              ? wide_link_.substr(static_cast<std::size_t>(a), static_cast<std::size_t>(b - a))
              : FromBytes(std::string_view(link_).substr(static_cast<std::size_t>(a), static_cast<std::size_t>(b - a)));
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
  // records, in reading order, leaves the same map.
  void RegisterModules() {
    std::vector<std::pair<std::uint32_t, String>> last;
    for (const auto& [module, index] : latest_) last.emplace_back(index, FromBytes(module));
    for (auto& [module, index] : latest_extra_) last.emplace_back(index, std::move(module));
    std::sort(last.begin(), last.end(), [](const auto& x, const auto& y) { return x.first < y.first; });
    const auto& records = catalogue_.RecordsInReadOrder();
    for (auto& [index, module] : last) modules_.Insert(Upper(module), catalogue_.MakeCommand(records[index]));
  }

  Catalogue& catalogue_;
  ModuleMap& modules_;
  bool wide_dir_ = false;
  std::string dir_bytes_;
  std::string link_;
  String wide_link_;
  std::unordered_map<std::string_view, std::uint32_t> latest_;
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

}  // namespace qm
