#pragma once
#include <memory>
#include <string>
#include <string_view>

struct sqlite3;
struct sqlite3_stmt;

namespace qm {

// The search database of a docset: one table searchIndex(id, name, type,
// path) with a unique index on (name, type, path). Rows go in through one
// prepared statement inside one transaction; texts are bound as
// parameters, never pasted into SQL. A row equal to one already there is
// kept once.
class DocsetIndex {
 public:
  // Creates the database file at path (which must not exist yet); null with
  // the reason in *error when that fails.
  static std::unique_ptr<DocsetIndex> Create(const std::string& path, std::string* error);
  ~DocsetIndex();
  DocsetIndex(const DocsetIndex&) = delete;
  DocsetIndex& operator=(const DocsetIndex&) = delete;

  bool Add(std::string_view name, std::string_view type, std::string_view path);
  // Commits the rows and closes the file; false with the reason in *error.
  bool Finish(std::string* error);
  // The reason the last failed call gave.
  std::string LastError() const;

 private:
  DocsetIndex() = default;
  bool Exec(const char* sql);

  sqlite3* db_ = nullptr;
  sqlite3_stmt* insert_ = nullptr;
};

}  // namespace qm
