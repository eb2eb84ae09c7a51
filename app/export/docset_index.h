#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "system/object.h"

struct sqlite3;
struct sqlite3_stmt;

namespace qm {

// The search database of a docset: one table searchIndex(id, name, type,
// path) with a unique index on (name, type, path). Rows go in through
// prepared statements inside one transaction; texts are bound as
// parameters, never pasted into SQL. A row equal to one already there is
// kept once (the first one).
//
// A large catalogue makes this the slow part of an export, so rows go in
// many to a statement and the unique index is built once, after the last
// row, instead of being kept up to date row by row. Until it exists,
// duplicates are kept out by a hash of every row: a row whose hash was seen
// before is held back and offered again once the index is there, which
// drops it if it is a real duplicate and keeps it if only the hashes met.
class DocsetIndex {
 public:
  using RowHash = std::uint64_t (*)(std::string_view name, std::string_view type, std::string_view path);

  // Creates the database file at path (which must not exist yet); null with
  // the reason in *error when that fails. hash replaces the row hash (for
  // tests that make rows meet).
  static std::unique_ptr<DocsetIndex> Create(const std::string& path, String* error, RowHash hash = nullptr);
  ~DocsetIndex();
  DocsetIndex(const DocsetIndex&) = delete;
  DocsetIndex& operator=(const DocsetIndex&) = delete;

  // False with the reason in *error when the rows cannot be stored.
  bool Add(std::string_view name, std::string_view type, std::string_view path, String* error);
  // Commits the rows, builds the index and closes the file; false with the
  // reason in *error.
  bool Finish(String* error);

  // Rows one statement inserts.
  static constexpr int kRowsPerInsert = 64;

 private:
  DocsetIndex() = default;
  bool Exec(const char* sql);
  // Notes hash as seen; false if it was already.
  bool FirstSeen(std::uint64_t hash);
  // Inserts the rows waiting in the batch with statement (one that takes
  // exactly that many rows).
  bool InsertBatch(sqlite3_stmt* statement);
  bool InsertHeldBack();
  // The database's own reason for the failure just seen.
  String Reason() const;

  sqlite3* db_ = nullptr;
  sqlite3_stmt* insert_many_ = nullptr;
  RowHash hash_ = nullptr;
  // The hashes of the rows added, in open addressing; 0 marks a free slot.
  std::vector<std::uint64_t> seen_;
  std::size_t seen_count_ = 0;
  // Rows whose hash met an earlier row's: name, type and path of each.
  std::vector<std::string> held_back_;
  // The rows not yet inserted: their texts one after another, and the
  // lengths of each row's name, type and path.
  std::string batch_text_;
  std::size_t batch_sizes_[kRowsPerInsert][3];
  int batched_ = 0;
};

}  // namespace qm
