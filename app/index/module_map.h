#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "app/index/catalogue.h"
#include "system/map.h"

namespace qm {

// A module's text as the map holds it: the command list's bytes, one unit
// per byte, or a 16-bit text of its own.
struct ModuleText {
  std::string_view bytes;
  const String* text = nullptr;
  std::size_t size() const { return text != nullptr ? text->size() : bytes.size(); }
  char16_t operator[](std::size_t i) const {
    return text != nullptr ? (*text)[i] : static_cast<char16_t>(static_cast<unsigned char>(bytes[i]));
  }
};

// Per module, the record most recently read with it, keyed by the module's
// text with the letters a to z upper-cased; walked in key order.
//
// A build's registrations are kept as positions in its catalogue, four
// bytes each whatever the modules hold, so that a catalogue with a module
// per record, or one huge module, costs no copy of any module text. Records
// added on their own, and those of an earlier build once its catalogue is
// about to change (Detach), are kept whole.
class ModuleMap {
 public:
  ModuleMap() = default;
  ModuleMap(const ModuleMap&) = delete;
  ModuleMap& operator=(const ModuleMap&) = delete;
  ~ModuleMap();

  int Count() const { return own_.Count() + static_cast<int>(records_.size()); }

  // One record with its key; it replaces the value of an equal key.
  void Insert(const String& key, CommandPtr record);
  // A build's registration. records are positions in catalogue's read
  // order, in any order: for each key the last one read takes the entry.
  // wide_keys gives the key of a record whose module is not a piece of the
  // list's bytes (by position); the others are made from the bytes. Before
  // the catalogue is cleared or destroyed it has the map Detach; records
  // appended to it meanwhile change nothing here.
  void Register(const Catalogue& catalogue, std::vector<std::uint32_t> records,
                std::unordered_map<std::uint32_t, String> wide_keys);
  // The registered records become records of their own, so that their
  // catalogue may be cleared or refilled.
  void Detach();

  CommandPtr ValueForKey(const String& key) const;
  void Remove(const String& key);
  std::vector<String> Keys() const;
  std::vector<CommandPtr> Values() const;

  // Each entry's module text in key order, never copied from the list:
  // visit(const ModuleText&).
  template <class Visit>
  void ForEachModule(Visit visit) const {
    Walk([&](const OwnNode* own, std::uint32_t record) {
      if (own != nullptr) {
        visit(ModuleText{{}, &own->Value()->Modules});
      } else if (wide_keys_.count(record) != 0) {
        const CommandPtr made = catalogue_->MakeCommand(RecordAt(record));
        visit(ModuleText{{}, &made->Modules});
      } else {
        visit(ModuleText{catalogue_->Module(RecordAt(record))});
      }
    });
  }
  // Each entry's record in key order: visit(const tcommand&). A registered
  // record is made for the visit.
  template <class Visit>
  void ForEach(Visit visit) const {
    Walk([&](const OwnNode* own, std::uint32_t record) {
      visit(static_cast<const tcommand&>(own != nullptr ? *own->Value() : *catalogue_->MakeCommand(RecordAt(record))));
    });
  }

 private:
  using OwnNode = TMap<String, CommandPtr>::Node;
  // A key as its catalogue bytes (upper-cased as they are compared) or as
  // a text of its own.
  struct KeyView {
    std::string_view bytes;
    const String* text = nullptr;
    std::size_t Size() const;
    char16_t Unit(std::size_t i) const;
    String Text() const;
  };
  KeyView KeyOf(std::uint32_t record) const;
  static int CompareKeys(const KeyView& a, const KeyView& b);
  const CatalogueRecord& RecordAt(std::uint32_t record) const { return catalogue_->RecordsInReadOrder()[record]; }
  // The position in records_ of key's registration, or records_.size().
  std::size_t FindRegistered(const String& key) const;

  // Both parts in key order as one: visit(own, record), own null for a
  // registered record. No key is in both parts.
  template <class Visit>
  void Walk(Visit visit) const {
    std::size_t next = 0;
    for (const auto& node : own_) {
      const KeyView own_key{{}, &node.Key()};
      for (; next < records_.size() && CompareKeys(KeyOf(records_[next]), own_key) < 0; ++next)
        visit(nullptr, records_[next]);
      visit(&node, 0);
    }
    for (; next < records_.size(); ++next) visit(nullptr, records_[next]);
  }

  TMap<String, CommandPtr> own_;
  const Catalogue* catalogue_ = nullptr;
  std::vector<std::uint32_t> records_;  // in key order, one per key
  std::unordered_map<std::uint32_t, String> wide_keys_;
};

}  // namespace qm
