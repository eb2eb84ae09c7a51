#include "app/index/catalogue.h"

#include <algorithm>

#include "app/index/build_workers.h"
#include "app/index/command_list_reader.h"
#include "app/index/module_map.h"
#include "system/strings.h"

namespace qm {

String tlwndir;
String buildDoc = u"0";
const String version = u"1.2";
std::shared_ptr<Catalogue> list_command;
std::shared_ptr<ModuleMap> map_module;

void CreateCatalogue() {
  list_command = std::make_shared<Catalogue>();
  map_module = std::make_shared<ModuleMap>();
}

Catalogue::~Catalogue() { ReleaseModuleMap(); }

void Catalogue::ReleaseModuleMap() {
  if (module_map_ != nullptr) module_map_->Detach();
}

void Catalogue::Clear() {
  ReleaseModuleMap();
  // Swapping with empty storage gives the memory back, not just the sizes.
  std::string().swap(text_);
  std::string().swap(extra_);
  dir_.clear();
  std::vector<CatalogueRecord>().swap(records_);
  std::vector<std::uint32_t>().swap(order_);
  whole_.clear();
}

void Catalogue::Add(CommandPtr command) {
  CatalogueRecord r;
  r.whole = true;
  r.module_in_extra = true;
  // Name, link and module one after another, so the link follows the name.
  const auto keep = [this](const String& text, std::uint32_t& size) {
    const std::string bytes = ToByteString(text);
    size = static_cast<std::uint32_t>(bytes.size());
    return AddExtra(bytes);
  };
  r.name_at = keep(command->comando, r.name_size);
  r.tail_offset = static_cast<std::uint32_t>(keep(command->link, r.tail_size) - r.name_at);
  r.module_at = keep(command->Modules, r.module_size);
  whole_.emplace(static_cast<std::uint32_t>(records_.size()), std::move(command));
  records_.push_back(r);
  order_.clear();
}

void Catalogue::Adopt(std::string text, const String& dir) {
  Clear();
  text_ = std::move(text);
  dir_ = dir;
}

std::uint64_t Catalogue::AddExtra(std::string_view bytes) {
  const std::uint64_t at = extra_.size();
  extra_.append(bytes);
  return at;
}

std::uint64_t NamePrefixKey(std::string_view name) {
  std::uint64_t key = 0;
  for (std::size_t i = 0; i < 8; ++i) key = (key << 8) | (i < name.size() ? static_cast<unsigned char>(name[i]) : 0u);
  return key;
}

namespace {

// A name's first twelve bytes, in the room the index leaves: generated
// names often share their first eight ("Command_12345", "Command_12346").
struct SortEntry {
  std::uint64_t key;   // bytes 0 to 7
  std::uint32_t more;  // bytes 8 to 11, as key packs them
  std::uint32_t index;
};

}  // namespace

void Catalogue::Sort(unsigned workers) {
  const std::size_t n = records_.size();
  std::vector<SortEntry> entries(n);
  order_.resize(n);
  // Equal names keep their reading order through the index tie-break, which
  // makes the unstable sort stable. string_view compares bytes as unsigned.
  // The order is total, so however the work is split the result is the same.
  const auto less = [this](const SortEntry& a, const SortEntry& b) {
    if (a.key != b.key) return a.key < b.key;
    if (a.more != b.more) return a.more < b.more;
    const int c = Name(records_[a.index]).compare(Name(records_[b.index]));
    return c != 0 ? c < 0 : a.index < b.index;
  };
  const auto sort_part = [&](std::size_t from, std::size_t to) {
    for (std::size_t k = from; k < to; ++k) {
      const std::string_view name = Name(records_[k]);
      const std::string_view rest = name.size() > 8 ? name.substr(8) : std::string_view();
      entries[k] = {NamePrefixKey(name), static_cast<std::uint32_t>(NamePrefixKey(rest) >> 32),
                    static_cast<std::uint32_t>(k)};
    }
    std::sort(entries.begin() + static_cast<std::ptrdiff_t>(from), entries.begin() + static_cast<std::ptrdiff_t>(to),
              less);
  };
  // Below this many records a second thread costs more than it saves.
  constexpr std::size_t kSplitRecords = 1 << 14;
  if (workers < 2 || n < kSplitRecords) {
    sort_part(0, n);
    for (std::size_t k = 0; k < n; ++k) order_[k] = entries[k].index;
    return;
  }
  // Two sorted halves, then one merge run from both ends at once: the front
  // takes the smaller heads until the middle, the back the larger tails
  // down to it, and the two meet exactly because no two entries are equal.
  const std::size_t half = n / 2;
  const SortEntry* const a = entries.data();
  const SortEntry* const b = entries.data() + half;
  RunJobs(2, workers, [&](std::size_t job) { job == 0 ? sort_part(0, half) : sort_part(half, n); });
  RunJobs(2, workers, [&](std::size_t job) {
    if (job == 0) {
      std::size_t i = 0, j = 0;
      for (std::size_t k = 0; k < half; ++k)
        order_[k] = (j < n - half && (i == half || less(b[j], a[i]))) ? b[j++].index : a[i++].index;
    } else {
      std::size_t i = half, j = n - half;
      for (std::size_t k = n; k-- > half;)
        order_[k] = (i > 0 && (j == 0 || less(b[j - 1], a[i - 1]))) ? a[--i].index : b[--j].index;
    }
  });
}

CommandPtr Catalogue::MakeCommand(const CatalogueRecord& r) const {
  if (r.whole) return whole_.at(static_cast<std::uint32_t>(&r - records_.data()));
  auto command = std::make_shared<tcommand>();
  command->comando = FromBytes(Name(r));
  // Made in place: a long line's link is never held twice.
  const std::string_view tail = LinkTail(r);
  String link;
  link.reserve(dir_.size() + tail.size());
  link.append(dir_);
  for (const char byte : tail) link += static_cast<char16_t>(static_cast<unsigned char>(byte));
  // A module reaching into the directory is taken from the 16-bit link: the
  // extra text only keeps its bytes as written.
  command->Modules = r.module_in_extra ? ModuleFromLink(link) : FromBytes(Module(r));
  std::replace(link.begin(), link.end(), u'\\', u'/');
  command->link = std::move(link);
  // The name is a prefix of its line, so the line's first byte is the
  // letter even when a cut emptied the name.
  command->fast_link = FromInt(static_cast<int>(static_cast<unsigned char>(text_[r.name_at])) - 65);
  return command;
}

}  // namespace qm
