#include "app/docset_index.h"

#include <sqlite3.h>

namespace qm {

std::unique_ptr<DocsetIndex> DocsetIndex::Create(const std::string& path, std::string* error) {
  std::unique_ptr<DocsetIndex> index(new DocsetIndex);
  const int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX;
  const bool ok =
      sqlite3_open_v2(path.c_str(), &index->db_, flags, nullptr) == SQLITE_OK &&
      // The file is new and lives in a folder that only becomes the docset
      // once complete, so a rollback journal buys nothing; the caller
      // flushes the finished file to disk itself. A cache large enough for
      // the whole index of a big catalogue keeps the inserts off the disk
      // until the end (the cache only grows as far as it is used).
      index->Exec("PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF; PRAGMA locking_mode=EXCLUSIVE;"
                  "PRAGMA cache_size=-262144;") &&
      index->Exec("CREATE TABLE searchIndex(id INTEGER PRIMARY KEY, name TEXT, type TEXT, path TEXT);"
                  "CREATE UNIQUE INDEX anchor ON searchIndex (name, type, path);"
                  "BEGIN;") &&
      sqlite3_prepare_v2(index->db_, "INSERT OR IGNORE INTO searchIndex(name, type, path) VALUES (?1, ?2, ?3);", -1,
                         &index->insert_, nullptr) == SQLITE_OK;
  if (ok) return index;
  if (error) *error = index->LastError();
  return nullptr;
}

DocsetIndex::~DocsetIndex() {
  sqlite3_finalize(insert_);
  sqlite3_close(db_);
}

bool DocsetIndex::Exec(const char* sql) { return sqlite3_exec(db_, sql, nullptr, nullptr, nullptr) == SQLITE_OK; }

bool DocsetIndex::Add(std::string_view name, std::string_view type, std::string_view path) {
  const auto bind = [&](int slot, std::string_view text) {
    return sqlite3_bind_text(insert_, slot, text.data(), static_cast<int>(text.size()), SQLITE_STATIC) == SQLITE_OK;
  };
  const bool ok = bind(1, name) && bind(2, type) && bind(3, path) && sqlite3_step(insert_) == SQLITE_DONE;
  sqlite3_reset(insert_);
  return ok;
}

bool DocsetIndex::Finish(std::string* error) {
  sqlite3_finalize(insert_);
  insert_ = nullptr;
  if (!Exec("COMMIT;")) {
    if (error) *error = LastError();
    return false;
  }
  const int closed = sqlite3_close(db_);
  if (closed != SQLITE_OK) {
    if (error) *error = sqlite3_errstr(closed);
    return false;
  }
  db_ = nullptr;
  return true;
}

std::string DocsetIndex::LastError() const { return db_ ? sqlite3_errmsg(db_) : "cannot allocate the database"; }

}  // namespace qm
