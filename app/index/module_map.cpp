#include "app/index/module_map.h"

#include <algorithm>

namespace qm {

namespace {

char16_t UpperUnit(char16_t unit) { return unit >= u'a' && unit <= u'z' ? static_cast<char16_t>(unit - 32) : unit; }

}  // namespace

// Units as a key holds them: a text's as they are, a byte's upper-cased.
std::size_t ModuleMap::KeyView::Size() const { return text != nullptr ? text->size() : bytes.size(); }
char16_t ModuleMap::KeyView::Unit(std::size_t i) const {
  return text != nullptr ? (*text)[i] : UpperUnit(static_cast<unsigned char>(bytes[i]));
}
String ModuleMap::KeyView::Text() const { return text != nullptr ? *text : Upper(FromBytes(bytes)); }

ModuleMap::~ModuleMap() {
  if (catalogue_ != nullptr) catalogue_->module_map_ = nullptr;
}

ModuleMap::KeyView ModuleMap::KeyOf(std::uint32_t record) const {
  if (!wide_keys_.empty())
    if (const auto it = wide_keys_.find(record); it != wide_keys_.end()) return {{}, &it->second};
  return {catalogue_->Module(RecordAt(record)), nullptr};
}

int ModuleMap::CompareKeys(const KeyView& a, const KeyView& b) {
  if (a.text == nullptr && b.text == nullptr) {
    const std::size_t n = std::min(a.bytes.size(), b.bytes.size());
    for (std::size_t i = 0; i < n; ++i) {
      const char16_t x = UpperUnit(static_cast<unsigned char>(a.bytes[i]));
      const char16_t y = UpperUnit(static_cast<unsigned char>(b.bytes[i]));
      if (x != y) return x < y ? -1 : 1;
    }
    return a.bytes.size() == b.bytes.size() ? 0 : a.bytes.size() < b.bytes.size() ? -1 : 1;
  }
  const std::size_t n = std::min(a.Size(), b.Size());
  for (std::size_t i = 0; i < n; ++i) {
    const char16_t x = a.Unit(i), y = b.Unit(i);
    if (x != y) return x < y ? -1 : 1;
  }
  return a.Size() == b.Size() ? 0 : a.Size() < b.Size() ? -1 : 1;
}

std::size_t ModuleMap::FindRegistered(const String& key) const {
  const KeyView wanted{{}, &key};
  const auto at = std::lower_bound(records_.begin(), records_.end(), wanted, [this](std::uint32_t r, const KeyView& k) {
    return CompareKeys(KeyOf(r), k) < 0;
  });
  if (at == records_.end() || CompareKeys(KeyOf(*at), wanted) != 0) return records_.size();
  return static_cast<std::size_t>(at - records_.begin());
}

void ModuleMap::Insert(const String& key, CommandPtr record) {
  if (const std::size_t at = FindRegistered(key); at < records_.size()) {
    wide_keys_.erase(records_[at]);
    records_.erase(records_.begin() + static_cast<std::ptrdiff_t>(at));
  }
  own_.Insert(key, std::move(record));
}

void ModuleMap::Register(const Catalogue& catalogue, std::vector<std::uint32_t> records,
                         std::unordered_map<std::uint32_t, String> wide_keys) {
  Detach();
  catalogue_ = &catalogue;
  catalogue.module_map_ = this;
  wide_keys_ = std::move(wide_keys);
  // By key, the last read last; then the last of each run of equal keys.
  // The first six units of each key, packed high to low, settle most
  // comparisons, and tell most neighbours apart, without reading the
  // catalogue: generated module names often share their first four.
  struct Entry {
    std::uint64_t prefix;  // units 0 to 3
    std::uint32_t more;    // units 4 and 5
    std::uint32_t record;
  };
  std::vector<Entry> entries(records.size());
  for (std::size_t i = 0; i < records.size(); ++i) {
    const KeyView key = KeyOf(records[i]);
    const auto unit = [&key](std::size_t k) -> std::uint32_t { return k < key.Size() ? key.Unit(k) : 0; };
    std::uint64_t prefix = 0;
    for (std::size_t k = 0; k < 4; ++k) prefix = (prefix << 16) | unit(k);
    entries[i] = {prefix, unit(4) << 16 | unit(5), records[i]};
  }
  const auto same_start = [](const Entry& a, const Entry& b) { return a.prefix == b.prefix && a.more == b.more; };
  std::sort(entries.begin(), entries.end(), [&](const Entry& a, const Entry& b) {
    if (!same_start(a, b)) return a.prefix != b.prefix ? a.prefix < b.prefix : a.more < b.more;
    const int c = CompareKeys(KeyOf(a.record), KeyOf(b.record));
    return c != 0 ? c < 0 : a.record < b.record;
  });
  std::size_t kept = 0;
  for (std::size_t i = 0; i < entries.size(); ++i) {
    if (i + 1 < entries.size() && same_start(entries[i], entries[i + 1]) &&
        CompareKeys(KeyOf(entries[i].record), KeyOf(entries[i + 1].record)) == 0) {
      wide_keys_.erase(entries[i].record);
      continue;
    }
    records[kept++] = entries[i].record;
  }
  std::vector<Entry>().swap(entries);
  records.resize(kept);
  records.shrink_to_fit();
  records_ = std::move(records);
  // This build's records replace what an earlier one left under their keys.
  if (own_.IsEmpty()) return;
  for (const std::uint32_t record : records_) own_.Remove(KeyOf(record).Text());
}

void ModuleMap::Detach() {
  if (catalogue_ == nullptr) return;
  for (const std::uint32_t record : records_) own_.Insert(KeyOf(record).Text(), catalogue_->MakeCommand(RecordAt(record)));
  std::vector<std::uint32_t>().swap(records_);
  wide_keys_.clear();
  catalogue_->module_map_ = nullptr;
  catalogue_ = nullptr;
}

CommandPtr ModuleMap::ValueForKey(const String& key) const {
  if (const std::size_t at = FindRegistered(key); at < records_.size())
    return catalogue_->MakeCommand(RecordAt(records_[at]));
  return own_.ValueForKey(key);
}

void ModuleMap::Remove(const String& key) {
  if (const std::size_t at = FindRegistered(key); at < records_.size()) {
    wide_keys_.erase(records_[at]);
    records_.erase(records_.begin() + static_cast<std::ptrdiff_t>(at));
  }
  own_.Remove(key);
}

std::vector<String> ModuleMap::Keys() const {
  std::vector<String> keys;
  Walk([&](const OwnNode* own, std::uint32_t record) {
    keys.push_back(own != nullptr ? own->Key() : KeyOf(record).Text());
  });
  return keys;
}

std::vector<CommandPtr> ModuleMap::Values() const {
  std::vector<CommandPtr> values;
  Walk([&](const OwnNode* own, std::uint32_t record) {
    values.push_back(own != nullptr ? own->Value() : catalogue_->MakeCommand(RecordAt(record)));
  });
  return values;
}

}  // namespace qm
