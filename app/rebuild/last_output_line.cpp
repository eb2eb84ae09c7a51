#include "app/rebuild/last_output_line.h"

#include <algorithm>
#include <cstring>

#include "system/strings.h"

namespace qm {

namespace {
constexpr unsigned char kLineFeed = 10;
constexpr char kCarriageReturn = 13;

const unsigned char* LastFeedBefore(const unsigned char* begin, const unsigned char* end) {
  const void* found = memrchr(begin, kLineFeed, static_cast<std::size_t>(end - begin));
  return static_cast<const unsigned char*>(found);
}
}  // namespace

void LastOutputLine::Take(const unsigned char* bytes, std::size_t count) {
  const unsigned char* end = bytes + count;
  const unsigned char* last_feed = LastFeedBefore(bytes, end);
  if (!last_feed) {
    AddToPending(bytes, end);
    return;
  }
  // Only the last non-empty line completed in this block matters: walk back
  // from its last line feed over empty lines. The block's first line
  // completes the pending one.
  for (const unsigned char* line_end = last_feed;;) {
    const unsigned char* feed = LastFeedBefore(bytes, line_end);
    if (!feed) {
      EndLine(bytes, line_end);
      break;
    }
    const std::size_t length = static_cast<std::size_t>(line_end - (feed + 1));
    std::string line = Cleaned(std::string(feed + 1, feed + 1 + std::min(length, kKept)), length > kKept);
    if (!line.empty()) {
      last_ = std::move(line);
      break;
    }
    line_end = feed;
  }
  pending_.clear();
  cut_ = false;
  AddToPending(last_feed + 1, end);
}

String LastOutputLine::Line() const {
  const std::string rest = Cleaned(pending_, cut_);
  return FromBytes(rest.empty() ? last_ : rest);
}

void LastOutputLine::EndLine(const unsigned char* begin, const unsigned char* end) {
  AddToPending(begin, end);
  std::string line = Cleaned(pending_, cut_);
  if (!line.empty()) last_ = std::move(line);
}

void LastOutputLine::AddToPending(const unsigned char* begin, const unsigned char* end) {
  const std::size_t room = kKept - std::min(kKept, pending_.size());
  const std::size_t count = static_cast<std::size_t>(end - begin);
  pending_.append(reinterpret_cast<const char*>(begin), std::min(room, count));
  if (count > room) cut_ = true;
}

std::string LastOutputLine::Cleaned(std::string line, bool cut) {
  if (!cut && !line.empty() && line.back() == kCarriageReturn) line.pop_back();
  if (!line.empty() && line.front() == kCarriageReturn) line.erase(0, 1);
  return line;
}

}  // namespace qm
