#include "app/export/docset_index.h"

#include <sqlite3.h>

#include <algorithm>
#include <functional>

#include "system/strings.h"

namespace qm {

namespace {

std::string InsertStatement(int rows, const char* verb = "INSERT") {
  std::string sql = std::string(verb) + " INTO searchIndex(name, type, path) VALUES (?, ?, ?)";
  for (int i = 1; i < rows; ++i) sql += ", (?, ?, ?)";
  return sql + ";";
}

std::uint64_t MixIn(std::uint64_t hash, std::string_view text) {
  // Each text hashed on its own and mixed in order, so that moving bytes
  // from one text to the next gives another hash.
  return (hash ^ std::hash<std::string_view>{}(text)) * 0x9E3779B97F4A7C15ull + text.size();
}

std::uint64_t HashRow(std::string_view name, std::string_view type, std::string_view path) {
  return MixIn(MixIn(MixIn(0, name), type), path);
}

}  // namespace

std::unique_ptr<DocsetIndex> DocsetIndex::Create(const std::string& path, String* error, RowHash hash) {
  std::unique_ptr<DocsetIndex> index(new DocsetIndex);
  index->hash_ = hash ? hash : HashRow;
  const int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX;
  const bool ok =
      sqlite3_open_v2(path.c_str(), &index->db_, flags, nullptr) == SQLITE_OK &&
      // The file is new and lives in a folder that only becomes the docset
      // once complete, so a rollback journal buys nothing; the caller
      // flushes the finished file to disk itself. A cache large enough for
      // the whole index of a big catalogue keeps the inserts off the disk
      // until the end (the cache only grows as far as it is used); larger
      // pages make a shallower index that builds faster.
      index->Exec("PRAGMA page_size=16384; PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF;"
                  "PRAGMA locking_mode=EXCLUSIVE; PRAGMA cache_size=-262144; PRAGMA temp_store=MEMORY;") &&
      index->Exec("CREATE TABLE searchIndex(id INTEGER PRIMARY KEY, name TEXT, type TEXT, path TEXT); BEGIN;") &&
      sqlite3_prepare_v2(index->db_, InsertStatement(kRowsPerInsert).c_str(), -1, &index->insert_many_, nullptr) ==
          SQLITE_OK;
  if (ok) return index;
  *error = index->Reason();
  return nullptr;
}

DocsetIndex::~DocsetIndex() {
  sqlite3_finalize(insert_many_);
  sqlite3_close(db_);
}

bool DocsetIndex::Exec(const char* sql) { return sqlite3_exec(db_, sql, nullptr, nullptr, nullptr) == SQLITE_OK; }

bool DocsetIndex::FirstSeen(std::uint64_t hash) {
  if (hash == 0) hash = 1;  // 0 marks a free slot
  if (2 * (seen_count_ + 1) > seen_.size()) {
    std::vector<std::uint64_t> old(std::max<std::size_t>(1024, 2 * seen_.size()), 0);
    old.swap(seen_);
    seen_count_ = 0;
    for (const std::uint64_t kept : old) {
      if (kept) FirstSeen(kept);
    }
  }
  const std::size_t mask = seen_.size() - 1;
  for (std::size_t slot = hash & mask;; slot = (slot + 1) & mask) {
    if (seen_[slot] == hash) return false;
    if (seen_[slot] == 0) {
      seen_[slot] = hash;
      ++seen_count_;
      return true;
    }
  }
}

bool DocsetIndex::Add(std::string_view name, std::string_view type, std::string_view path, String* error) {
  if (!FirstSeen(hash_(name, type, path))) {
    held_back_.insert(held_back_.end(), {std::string(name), std::string(type), std::string(path)});
    return true;
  }
  if (batched_ == 0) batch_text_.clear();
  batch_text_.append(name).append(type).append(path);
  batch_sizes_[batched_][0] = name.size();
  batch_sizes_[batched_][1] = type.size();
  batch_sizes_[batched_][2] = path.size();
  if (++batched_ < kRowsPerInsert || InsertBatch(insert_many_)) return true;
  *error = Reason();
  return false;
}

bool DocsetIndex::InsertBatch(sqlite3_stmt* statement) {
  // The texts are bound in place: batch_text_ does not change until the
  // statement has run.
  bool ok = true;
  int slot = 1;
  const char* text = batch_text_.data();
  for (int row = 0; ok && row < batched_; ++row) {
    for (const std::size_t size : batch_sizes_[row]) {
      ok = ok && sqlite3_bind_text(statement, slot++, text, static_cast<int>(size), SQLITE_STATIC) == SQLITE_OK;
      text += size;
    }
  }
  ok = ok && sqlite3_step(statement) == SQLITE_DONE;
  sqlite3_reset(statement);
  batched_ = 0;
  return ok;
}

bool DocsetIndex::InsertHeldBack() {
  sqlite3_stmt* insert = nullptr;
  bool ok = sqlite3_prepare_v2(db_, InsertStatement(1, "INSERT OR IGNORE").c_str(), -1, &insert, nullptr) == SQLITE_OK;
  for (std::size_t at = 0; ok && at + 2 < held_back_.size(); at += 3) {
    for (int column = 0; ok && column < 3; ++column) {
      const std::string& text = held_back_[at + static_cast<std::size_t>(column)];
      ok =
          sqlite3_bind_text(insert, column + 1, text.data(), static_cast<int>(text.size()), SQLITE_STATIC) == SQLITE_OK;
    }
    ok = ok && sqlite3_step(insert) == SQLITE_DONE;
    sqlite3_reset(insert);
  }
  sqlite3_finalize(insert);
  return ok;
}

bool DocsetIndex::Finish(String* error) {
  bool ok = true;
  if (batched_ > 0) {
    // The last rows, fewer than a batch, in a statement made to their count.
    sqlite3_stmt* rest = nullptr;
    ok = sqlite3_prepare_v2(db_, InsertStatement(batched_).c_str(), -1, &rest, nullptr) == SQLITE_OK &&
         InsertBatch(rest);
    sqlite3_finalize(rest);
  }
  sqlite3_finalize(insert_many_);
  insert_many_ = nullptr;
  // Every row inserted so far differs from the others by its hash, so the
  // index builds; the rows held back go in after it, through it.
  if (!ok || !Exec("CREATE UNIQUE INDEX anchor ON searchIndex (name, type, path);") || !InsertHeldBack() ||
      !Exec("COMMIT;")) {
    *error = Reason();
    return false;
  }
  const int closed = sqlite3_close(db_);
  if (closed != SQLITE_OK) {
    *error = FromByteString(sqlite3_errstr(closed));
    return false;
  }
  db_ = nullptr;
  return true;
}

String DocsetIndex::Reason() const {
  return FromByteString(db_ ? sqlite3_errmsg(db_) : "cannot allocate the database");
}

}  // namespace qm
