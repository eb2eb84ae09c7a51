#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "system/hash_slots.h"
#include "system/unique_fd.h"

namespace qm {

// Words numbered in the order first met, each held once.
class TermTable {
 public:
  static std::uint32_t Hash(std::string_view term);
  // The word's number, new ones numbered from Size(); hash is Hash(term).
  std::uint32_t Number(std::string_view term, std::uint32_t hash);
  std::uint32_t Number(std::string_view term) { return Number(term, Hash(term)); }
  // The number of term, or UINT32_MAX when it is not in the table.
  std::uint32_t Find(std::string_view term, std::uint32_t hash) const;
  std::string_view At(std::uint32_t number) const;
  std::uint32_t HashAt(std::uint32_t number) const { return hashes_[number]; }
  std::size_t Size() const { return starts_.size(); }
  std::size_t Bytes() const { return bytes_.size() + starts_.size() * 24; }
  // Empties the table, keeping the room of a table that stays small.
  void Clear();

 private:
  std::string bytes_;
  std::vector<std::uint32_t> starts_;
  std::vector<std::uint32_t> hashes_;
  HashSlots slots_;
};

// One occurrence of a term for the index: the posting as the index stores
// it, and the length (in words) its score is normalised by.
struct TermPosting {
  std::uint32_t value = 0;
  std::uint32_t length = 0;
};

// The postings of every term, gathered in bounded memory: a run is held
// until it fills, then sorted by term and set aside in a file with no name
// beside the index (in memory when no such file can be had), and the runs
// are merged once every page is in. Each term's postings come out in the
// order they were added.
class PostingRuns {
 public:
  static constexpr std::size_t kRunBytes = std::size_t{1} << 18;
  // spill_dir "": runs are set aside in memory.
  explicit PostingRuns(std::string spill_dir = {}, std::size_t run_bytes = kRunBytes);
  ~PostingRuns();
  PostingRuns(const PostingRuns&) = delete;
  PostingRuns& operator=(const PostingRuns&) = delete;

  void Add(std::string_view term, std::uint32_t hash, TermPosting posting) {
    entries_.push_back({terms_.Number(term, hash), posting});
  }
  // Postings added to the run so far, and a change of the length of some of
  // them, before the run is set aside.
  std::size_t Added() const { return entries_.size(); }
  void SetLengths(std::size_t from, std::size_t to, std::uint32_t length);
  // Where a run may end (between pages, so that one page's postings are
  // never split between runs): a full run is set aside.
  void MayEndRun();
  // visit(term, postings) once per term, in byte order, until it returns
  // false; false then, or when a run set aside could not be read back.
  bool ForEachTerm(const std::function<bool(std::string_view, const std::vector<TermPosting>&)>& visit);
  std::size_t Runs() const { return runs_.size(); }

 private:
  struct Entry {
    std::uint32_t term;
    TermPosting posting;
  };
  struct Run {
    std::uint64_t begin, end;
  };
  class Cursor;
  void EndRun();
  void Put(std::string_view bytes);
  void FlushOut();
  bool ReadAt(std::uint64_t offset, char* to, std::size_t size) const;

  std::string spill_dir_;
  std::size_t run_bytes_;
  TermTable terms_;
  std::vector<Entry> entries_;
  std::vector<Run> runs_;
  UniqueFd file_;
  std::string memory_;  // the runs, when no file holds them
  std::uint64_t size_ = 0;  // of what was set aside
  std::string out_;  // bytes on their way to the file
  bool read_failed_ = false;
};

}  // namespace qm
