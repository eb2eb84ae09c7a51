#include "app/search/fulltext_postings.h"

#include <algorithm>
#include <memory>
#include <numeric>

#include "system/unnamed_file.h"

namespace qm {
namespace {

void PutVarint(std::string& out, std::uint32_t value) {
  while (value >= 0x80) {
    out += static_cast<char>((value & 0x7F) | 0x80);
    value >>= 7;
  }
  out += static_cast<char>(value);
}

// The first eight bytes of a term as a number that orders as they do; the
// rest is compared only on a tie.
std::uint64_t SortPrefix(std::string_view term) {
  std::uint64_t prefix = 0;
  for (std::size_t k = 0; k < 8; ++k)
    prefix = prefix << 8 | (k < term.size() ? static_cast<unsigned char>(term[k]) : 0u);
  return prefix;
}

// Bytes set aside are written to the file in pieces of this size, and read
// back by each run's cursor in pieces of the other.
constexpr std::size_t kWritePiece = std::size_t{1} << 16;
constexpr std::size_t kReadPiece = 4096;

}  // namespace

// FNV-1a: words are short, and this is all a lookup computes.
std::uint32_t TermTable::Hash(std::string_view term) {
  std::uint32_t hash = 2166136261u;
  for (const char c : term) hash = (hash ^ static_cast<unsigned char>(c)) * 16777619u;
  return hash;
}

std::uint32_t TermTable::Number(std::string_view term, std::uint32_t hash) {
  slots_.MakeRoom(starts_.size() + 1);
  std::uint64_t& slot = slots_.Probe(hash, [&](std::uint32_t number) { return At(number) == term; });
  if (slot != HashSlots::kEmpty) return HashSlots::Number(slot);
  const auto number = static_cast<std::uint32_t>(starts_.size());
  slot = HashSlots::Slot(hash, number);
  starts_.push_back(static_cast<std::uint32_t>(bytes_.size()));
  hashes_.push_back(hash);
  bytes_.append(term);
  return number;
}

std::uint32_t TermTable::Find(std::string_view term, std::uint32_t hash) const {
  const std::uint64_t* slot = slots_.Find(hash, [&](std::uint32_t number) { return At(number) == term; });
  return slot == nullptr ? UINT32_MAX : HashSlots::Number(*slot);
}

std::string_view TermTable::At(std::uint32_t number) const {
  const std::size_t begin = starts_[number];
  const std::size_t end = number + 1 < starts_.size() ? starts_[number + 1] : bytes_.size();
  return std::string_view(bytes_).substr(begin, end - begin);
}

void TermTable::Clear() {
  // A section's words are counted in a table emptied for each: a table
  // that once grew large is let go rather than wiped slot by slot each time.
  if (starts_.size() > 4096) {
    slots_.Clear();
    std::string().swap(bytes_);
    std::vector<std::uint32_t>().swap(starts_);
    std::vector<std::uint32_t>().swap(hashes_);
    return;
  }
  slots_.Empty();
  bytes_.clear();
  starts_.clear();
  hashes_.clear();
}

// Reads one run back, a term at a time: its bytes, the number of its
// postings, then each posting's value and length.
class PostingRuns::Cursor {
 public:
  Cursor(const PostingRuns& runs, Run run, std::size_t index)
      : runs_(runs), next_(run.begin), end_(run.end), index_(index) {}

  // The next term, false at the run's end or when it could not be read
  // (Failed() tells which).
  bool Next() {
    if (at_ == buffer_.size() && next_ == end_) return false;
    std::uint32_t size = 0;
    if (!Varint(&size) || !Fill(size)) return false;
    term_.assign(buffer_, at_, size);
    prefix_ = SortPrefix(term_);
    at_ += size;
    return Varint(&count_);
  }
  std::string_view Term() const { return term_; }
  std::uint64_t Prefix() const { return prefix_; }
  bool Failed() const { return failed_; }
  std::size_t Index() const { return index_; }
  bool Postings(std::vector<TermPosting>* out) {
    for (std::uint32_t k = 0; k < count_; ++k) {
      TermPosting posting;
      if (!Varint(&posting.value) || !Varint(&posting.length)) return false;
      out->push_back(posting);
    }
    return true;
  }

 private:
  bool Fail() {
    failed_ = true;
    return false;
  }
  // Whether size more bytes are buffered, reading them when they are not.
  bool Fill(std::size_t size) {
    const std::size_t held = buffer_.size() - at_;
    if (held >= size) return true;
    const std::uint64_t left = end_ - next_;
    if (size - held > left) return Fail();
    buffer_.erase(0, at_);
    at_ = 0;
    const auto more = static_cast<std::size_t>(std::min<std::uint64_t>(left, std::max(size - held, kReadPiece)));
    buffer_.resize(held + more);
    if (!runs_.ReadAt(next_, buffer_.data() + held, more)) return Fail();
    next_ += more;
    return true;
  }
  bool Varint(std::uint32_t* value) {
    *value = 0;
    for (unsigned shift = 0; shift < 35; shift += 7) {
      if (!Fill(1)) return false;
      const auto byte = static_cast<unsigned char>(buffer_[at_++]);
      *value |= static_cast<std::uint32_t>(byte & 0x7F) << shift;
      if (byte < 0x80) return true;
    }
    return Fail();
  }

  const PostingRuns& runs_;
  std::uint64_t next_, end_;
  std::size_t index_;
  std::string buffer_;
  std::size_t at_ = 0;
  std::string term_;
  std::uint64_t prefix_ = 0;
  std::uint32_t count_ = 0;
  bool failed_ = false;
};

PostingRuns::PostingRuns(std::string spill_dir, std::size_t run_bytes)
    : spill_dir_(std::move(spill_dir)), run_bytes_(run_bytes) {}
PostingRuns::~PostingRuns() = default;

void PostingRuns::SetLengths(std::size_t from, std::size_t to, std::uint32_t length) {
  for (std::size_t k = from; k < to; ++k) entries_[k].posting.length = length;
}

void PostingRuns::MayEndRun() {
  if (entries_.size() * sizeof(Entry) + terms_.Bytes() < run_bytes_) return;
  // The first run set aside opens the file; the last one, at the end, need
  // not, so a small index never touches the disk for this.
  if (!file_.Valid() && !spill_dir_.empty() && !OpenUnnamedFile(spill_dir_, &file_, nullptr)) spill_dir_.clear();
  EndRun();
}

void PostingRuns::EndRun() {
  if (entries_.empty()) return;
  // The run's terms in byte order, and its postings grouped by term in the
  // order they came.
  const std::size_t terms = terms_.Size();
  std::vector<std::pair<std::uint64_t, std::uint32_t>> order(terms);
  for (std::uint32_t k = 0; k < terms; ++k) order[k] = {SortPrefix(terms_.At(k)), k};
  std::sort(order.begin(), order.end(), [&](const auto& a, const auto& b) {
    return a.first != b.first ? a.first < b.first : terms_.At(a.second) < terms_.At(b.second);
  });
  std::vector<std::uint32_t> first(terms + 1, 0);
  for (const Entry& entry : entries_) ++first[entry.term + 1];
  std::partial_sum(first.begin(), first.end(), first.begin());
  std::vector<std::uint32_t> grouped(entries_.size());
  {
    std::vector<std::uint32_t> next(first.begin(), first.end() - 1);
    for (std::size_t k = 0; k < entries_.size(); ++k) grouped[next[entries_[k].term]++] = static_cast<std::uint32_t>(k);
  }
  const std::uint64_t begin = size_;
  std::string piece;
  for (const auto& [prefix, term] : order) {
    const std::string_view bytes = terms_.At(term);
    piece.clear();
    PutVarint(piece, static_cast<std::uint32_t>(bytes.size()));
    piece.append(bytes);
    PutVarint(piece, first[term + 1] - first[term]);
    for (std::uint32_t k = first[term]; k < first[term + 1]; ++k) {
      const TermPosting& posting = entries_[grouped[k]].posting;
      PutVarint(piece, posting.value);
      PutVarint(piece, posting.length);
    }
    Put(piece);
  }
  runs_.push_back({begin, size_});
  entries_.clear();
  terms_.Clear();
}

void PostingRuns::Put(std::string_view bytes) {
  size_ += bytes.size();
  if (!file_.Valid()) {
    memory_.append(bytes);
    return;
  }
  out_.append(bytes);
  if (out_.size() >= kWritePiece) FlushOut();
}

void PostingRuns::FlushOut() {
  if (out_.empty()) return;
  const std::uint64_t at = size_ - out_.size();
  if (!WriteAllAt(file_.Get(), out_.data(), out_.size(), at)) {
    // A full disk: what went out comes back, and the rest stays in memory.
    memory_.resize(static_cast<std::size_t>(at));
    if (!ReadAllAt(file_.Get(), memory_.data(), memory_.size(), 0)) read_failed_ = true;
    memory_.append(out_);
    file_.Reset();
    spill_dir_.clear();
  }
  out_.clear();
}

bool PostingRuns::ReadAt(std::uint64_t offset, char* to, std::size_t size) const {
  if (file_.Valid()) return ReadAllAt(file_.Get(), to, size, offset);
  if (offset + size > memory_.size()) return false;
  std::copy_n(memory_.data() + offset, size, to);
  return true;
}

bool PostingRuns::ForEachTerm(const std::function<bool(std::string_view, const std::vector<TermPosting>&)>& visit) {
  EndRun();
  FlushOut();
  if (read_failed_) return false;
  std::vector<std::unique_ptr<Cursor>> cursors;
  cursors.reserve(runs_.size());
  // A heap of the runs by their next term, the earlier run first on a tie,
  // so that a term's postings join in the order they were added.
  const auto later = [](const Cursor* a, const Cursor* b) {
    if (a->Prefix() != b->Prefix()) return a->Prefix() > b->Prefix();
    const int order = a->Term().compare(b->Term());
    return order != 0 ? order > 0 : a->Index() > b->Index();
  };
  std::vector<Cursor*> heap;
  for (std::size_t k = 0; k < runs_.size(); ++k) {
    cursors.push_back(std::make_unique<Cursor>(*this, runs_[k], k));
    if (cursors.back()->Next()) heap.push_back(cursors.back().get());
    if (cursors.back()->Failed()) return false;
  }
  std::make_heap(heap.begin(), heap.end(), later);
  std::string term;
  std::vector<TermPosting> postings;
  std::vector<Cursor*> taken;
  while (!heap.empty()) {
    term.assign(heap.front()->Term());
    postings.clear();
    taken.clear();
    while (!heap.empty() && heap.front()->Term() == term) {
      std::pop_heap(heap.begin(), heap.end(), later);
      Cursor* cursor = heap.back();
      heap.pop_back();
      if (!cursor->Postings(&postings)) return false;
      taken.push_back(cursor);
    }
    if (!visit(term, postings)) return false;
    for (Cursor* cursor : taken) {
      if (!cursor->Next()) {
        if (cursor->Failed()) return false;
        continue;
      }
      heap.push_back(cursor);
      std::push_heap(heap.begin(), heap.end(), later);
    }
  }
  return true;
}

}  // namespace qm
