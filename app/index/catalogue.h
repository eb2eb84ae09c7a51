#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "app/index/tcommand.h"

namespace qm {

class ModuleMap;

// Where one record's texts are. The name is a prefix of its line and the
// link's own part is the rest of the line after the bar; both live in the
// command list's bytes. The module usually does too; one that reaches into
// the installation directory lives in the catalogue's extra text. A whole
// record added from 16-bit texts keeps all three there, its link complete.
// Thirty-two bytes: the link's part is found from the name's start, and the
// two flags share a word with the module's place.
struct CatalogueRecord {
  std::uint64_t name_at = 0;
  std::uint64_t module_at : 62 = 0;
  std::uint64_t module_in_extra : 1 = 0;
  std::uint64_t whole : 1 = 0;
  std::uint32_t tail_offset = 0;  // from name_at
  std::uint32_t name_size = 0;
  std::uint32_t tail_size = 0;
  std::uint32_t module_size = 0;

  std::uint64_t TailAt() const { return name_at + tail_offset; }
};
static_assert(sizeof(CatalogueRecord) == 32);

// The records of one build, stored compactly: the command list's bytes in
// one buffer and, per record, where its pieces are. Every unit of these
// texts is a byte, so nothing is widened to 16-bit strings unless asked for
// one record at a time.
class Catalogue {
 public:
  Catalogue() = default;
  Catalogue(const Catalogue&) = delete;
  Catalogue& operator=(const Catalogue&) = delete;
  ~Catalogue();

  int Count() const { return static_cast<int>(records_.size()); }
  void Clear();

  // Takes the command list's bytes and the directory the links start with.
  void Adopt(std::string text, const String& dir);
  std::string& Text() { return text_; }
  const std::string& Text() const { return text_; }
  const String& Dir() const { return dir_; }
  // Appends a module text that is not a piece of the list; returns where.
  std::uint64_t AddExtra(std::string_view bytes);
  void Add(const CatalogueRecord& record) { records_.push_back(record); }
  // Adds a record made elsewhere. Its texts are kept as the index files
  // write them, one byte per unit, and it sorts by those bytes.
  void Add(CommandPtr command);
  void Reserve(std::size_t records) { records_.reserve(records); }
  // The records in read order, for the list reader to fill in place.
  std::vector<CatalogueRecord>& RecordsToFill() {
    order_.clear();
    return records_;
  }

  // Stable ascending order of the names by unsigned bytes, a shorter name
  // before its extensions: the order the described record comparison gives.
  // With two or more workers the halves are sorted and merged side by side;
  // the order is the same.
  void Sort(unsigned workers = 1);

  std::string_view Name(const CatalogueRecord& r) const {
    return {(r.whole ? extra_.data() : text_.data()) + r.name_at, r.name_size};
  }
  // The link without the directory and before backslashes become "/"; the
  // complete link of a whole record.
  std::string_view LinkTail(const CatalogueRecord& r) const {
    return {(r.whole ? extra_.data() : text_.data()) + r.TailAt(), r.tail_size};
  }
  std::string_view Module(const CatalogueRecord& r) const {
    return {(r.module_in_extra ? extra_.data() : text_.data()) + r.module_at, r.module_size};
  }
  // The whole record with 16-bit texts, as the list reader makes it.
  CommandPtr MakeCommand(const CatalogueRecord& r) const;

  // The records in catalogue order (read order until sorted).
  template <class Visit>
  void ForEachRecord(Visit visit) const {
    if (order_.empty()) {
      for (const auto& r : records_) visit(r);
    } else {
      // Sorted records are visited out of memory order: fetching a few
      // records, and their texts, ahead hides most of the cache misses.
      const std::size_t n = order_.size();
      for (std::size_t i = 0; i < n; ++i) {
        if (i + 16 < n) __builtin_prefetch(&records_[order_[i + 16]]);
        if (i + 8 < n) {
          const CatalogueRecord& ahead = records_[order_[i + 8]];
          if (!ahead.whole) {
            __builtin_prefetch(text_.data() + ahead.name_at);
            __builtin_prefetch(text_.data() + ahead.TailAt());
          }
        }
        visit(records_[order_[i]]);
      }
    }
  }
  // Each record in catalogue order as a whole record with 16-bit texts:
  // visit(const tcommand&). Costly per record; for exports, not the build.
  template <class Visit>
  void ForEach(Visit visit) const {
    ForEachRecord([&](const CatalogueRecord& r) { visit(static_cast<const tcommand&>(*MakeCommand(r))); });
  }
  const std::vector<CatalogueRecord>& RecordsInReadOrder() const { return records_; }
  // The record at a position of catalogue order.
  const CatalogueRecord& RecordAt(std::size_t position) const {
    return records_[order_.empty() ? position : order_[position]];
  }

 private:
  friend class ModuleMap;
  // A module map that registered records of this catalogue keeps them whole
  // before they change or go.
  void ReleaseModuleMap();

  mutable ModuleMap* module_map_ = nullptr;
  std::string text_;
  std::string extra_;
  String dir_;
  std::vector<CatalogueRecord> records_;
  std::vector<std::uint32_t> order_;                     // record indexes once sorted
  std::unordered_map<std::uint32_t, CommandPtr> whole_;  // by record index
};

// The first eight bytes of a name packed high to low, missing bytes as 0.
// Wherever two keys differ their order is the names' order, so most
// comparisons of the catalogue sort never leave its sort array.
std::uint64_t NamePrefixKey(std::string_view name);

// A link's page as written, before any decoding: up to its fragment or
// query.
inline std::string_view PageOfLink(std::string_view link) {
  const std::string_view page = link.substr(0, link.find('#'));
  return page.substr(0, page.find('?'));
}

// Program-wide state of the index builder, living for the whole run.
extern String tlwndir;   // the installation directory; empty when unknown
extern String buildDoc;  // the "Rebuild docs" choice as decimal text
extern const String version;
extern std::shared_ptr<Catalogue> list_command;
// Never emptied: a second build in one run still lists earlier modules.
extern std::shared_ptr<ModuleMap> map_module;

void CreateCatalogue();

}  // namespace qm
