#include "app/search/fulltext_tokens.h"
#include "system/display_text.h"

#include <cstdint>
#include <utility>

namespace qm {
namespace {

struct CodePoint {
  char32_t value;
  std::size_t at, size;  // its bytes in the text
};

// One code point from text at i; a byte that starts no valid sequence is
// read as U+FFFD, which separates words.
CodePoint Decode(std::string_view text, std::size_t i) {
  const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
  const unsigned char c = byte(i);
  if (c < 0x80) return {c, i, 1};
  const std::size_t size = c >= 0xF0 && c < 0xF5 ? 4 : c >= 0xE0 ? 3 : c >= 0xC2 && c < 0xE0 ? 2 : 0;
  if (size == 0 || i + size > text.size()) return {0xFFFD, i, 1};
  char32_t value = c & (0x7F >> size);
  for (std::size_t k = 1; k < size; ++k) {
    if ((byte(i + k) & 0xC0) != 0x80) return {0xFFFD, i, 1};
    value = (value << 6) | (byte(i + k) & 0x3F);
  }
  // Overlong forms and surrogates are no characters.
  if ((size == 3 && value < 0x800) || (size == 4 && (value < 0x10000 || value > 0x10FFFF)) ||
      (value >= 0xD800 && value <= 0xDFFF))
    return {0xFFFD, i, 1};
  return {value, i, size};
}

// Letters and digits: ASCII ones, and beyond ASCII everything that is not
// a known block of punctuation, symbols, spaces or private use. The page
// applies the same ranges to what is typed.
inline bool IsWordChar(char32_t c) {
  if (c < 0x80) return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
  if (c < 0xC0) return c == 0xAA || c == 0xB5 || c == 0xBA;
  if (c == 0xD7 || c == 0xF7) return false;
  if (c >= 0x2000 && c <= 0x2BFF) return false;  // punctuation, arrows, operators, shapes
  if (c >= 0x3000 && c <= 0x303F) return false;  // ideographic punctuation
  if (c >= 0xE000 && c <= 0xF8FF) return false;  // private use
  if (c >= 0xFE30 && c <= 0xFE4F) return false;
  if ((c >= 0xFF00 && c <= 0xFF0F) || (c >= 0xFF1A && c <= 0xFF20) || (c >= 0xFF3B && c <= 0xFF40) ||
      (c >= 0xFF5B && c <= 0xFF65) || c >= 0xFFF0)
    return c >= 0x10000 && c < 0x1F000;  // astral letters yes, emoji and symbols no
  return true;
}

// Upper-case letters of the scripts whose case the page also folds: Latin,
// Greek and Cyrillic.
inline bool IsUpper(char32_t c) {
  if (c >= 'A' && c <= 'Z') return true;
  if (c >= 0xC0 && c <= 0xDE) return c != 0xD7;
  if (c >= 0x100 && c <= 0x137) return c % 2 == 0;
  if (c >= 0x391 && c <= 0x3AB) return c != 0x3A2;
  return c >= 0x400 && c <= 0x42F;
}

char32_t Lower(char32_t c) {
  if (!IsUpper(c)) return c;
  if (c < 0x100 || (c >= 0x391 && c <= 0x3AB) || (c >= 0x410 && c <= 0x42F)) return c + 0x20;
  if (c >= 0x400 && c <= 0x40F) return c + 0x50;
  return c + 1;  // Latin Extended-A pairs
}
bool IsDigit(char32_t c) { return c >= '0' && c <= '9'; }

class Tokenizer {
 public:
  Tokenizer(std::string_view text, const std::function<void(std::string_view)>& emit) : text_(text), emit_(emit) {}

  void Run() {
    std::size_t i = 0;
    while (i < text_.size()) {
      const auto byte = static_cast<unsigned char>(text_[i]);
      if (byte < 0x80) {
        if (!IsWordChar(byte)) {
          ++i;
          continue;
        }
        // Most words of prose are lower-case ASCII letters and digits ended
        // by a blank or by punctuation that joins nothing: the word itself,
        // with no parts and no copy.
        std::size_t end = i;
        while (end < text_.size() && ((text_[end] >= 'a' && text_[end] <= 'z') || IsDigit(text_[end]))) ++end;
        const auto next = static_cast<unsigned char>(end < text_.size() ? text_[end] : ' ');
        if (end > i && next < 0x80 && !IsWordChar(next) && next != '_' && next != '.' && next != ':') {
          if (end - i <= kMaxTokenBytes) emit_(text_.substr(i, end - i));
          i = end;
          continue;
        }
        i = Compound(i);
        continue;
      }
      const CodePoint c = Decode(text_, i);
      if (!IsWordChar(c.value)) {
        i += c.size;
        continue;
      }
      i = Compound(i);
    }
  }

 private:
  // Reads one compound from its first word character; answers where it ends.
  // Lower-casing keeps every character's byte length, so a part is the
  // same span of the lower-cased compound as of the text.
  std::size_t Compound(std::size_t i) {
    parts_.clear();
    segments_.clear();
    whole_.clear();
    const std::size_t start = i;
    std::size_t segment_start = i, segment_first_part = 0;
    std::size_t part_start = i;
    char32_t before = 0;
    bool has_before = false;
    while (i < text_.size()) {
      const unsigned char byte = static_cast<unsigned char>(text_[i]);
      const CodePoint c = byte < 0x80 ? CodePoint{byte, i, 1} : Decode(text_, i);
      if (IsWordChar(c.value)) {
        // A change of case starts a part: "gtkWidget", and the last capital
        // of a run before lower case: "HTMLParser" reads html, parser.
        if (has_before && IsUpper(c.value) && !IsUpper(before) && !IsDigit(before)) {
          parts_.emplace_back(part_start - start, i - start);
          part_start = i;
        } else if (has_before && IsUpper(before) && !IsUpper(c.value) && !IsDigit(c.value) && i - part_start > 1 &&
                   IsUpper(Decode(text_, part_start).value)) {
          const std::size_t last_capital = PreviousStart(i);
          if (last_capital > part_start) {
            parts_.emplace_back(part_start - start, last_capital - start);
            part_start = last_capital;
          }
        }
        if (c.value < 0x80) {
          whole_ += static_cast<char>(c.value >= 'A' && c.value <= 'Z' ? c.value + ('a' - 'A') : c.value);
        } else {
          AppendCodePointUtf8(whole_, Lower(c.value));
        }
        before = c.value;
        has_before = true;
        i += c.size;
        continue;
      }
      // A joiner only joins when a word character follows it.
      const std::size_t joiner = c.value == '_' || c.value == '.' ? 1 : text_.substr(i, 2) == "::" ? 2 : 0;
      std::size_t next = i + joiner;
      if (c.value == '_')
        while (next < text_.size() && text_[next] == '_') ++next;
      if (joiner == 0 || next >= text_.size() || !IsWordChar(Decode(text_, next).value)) break;
      parts_.emplace_back(part_start - start, i - start);
      // A piece between joiners that has parts of its own ("CairoNode" of
      // "Gsk.CairoNode") is a word too.
      if (parts_.size() - segment_first_part > 1) segments_.emplace_back(segment_start - start, i - start);
      segment_start = next;
      segment_first_part = parts_.size();
      whole_.append(text_.substr(i, next - i));
      i = part_start = next;
      has_before = false;
    }
    parts_.emplace_back(part_start - start, i - start);
    if (segment_start != start && parts_.size() - segment_first_part > 1)
      segments_.emplace_back(segment_start - start, i - start);
    const std::string_view whole(whole_);
    if (parts_.size() > 1 && whole.size() <= kMaxTokenBytes) emit_(whole);
    for (const auto& [from, to] : segments_)
      if (to - from <= kMaxTokenBytes) emit_(whole.substr(from, to - from));
    for (const auto& [from, to] : parts_)
      if (to > from && to - from <= kMaxTokenBytes) emit_(whole.substr(from, to - from));
    return i;
  }

  std::size_t PreviousStart(std::size_t i) const {
    do --i;
    while (i > 0 && (static_cast<unsigned char>(text_[i]) & 0xC0) == 0x80);
    return i;
  }

  std::string_view text_;
  const std::function<void(std::string_view)>& emit_;
  std::vector<std::pair<std::size_t, std::size_t>> parts_;  // spans of whole_
  std::vector<std::pair<std::size_t, std::size_t>> segments_;
  std::string whole_;
};

}  // namespace

void ForEachToken(std::string_view utf8, const std::function<void(std::string_view token)>& emit) {
  Tokenizer(utf8, emit).Run();
}

std::vector<std::string> Tokens(std::string_view utf8) {
  std::vector<std::string> out;
  ForEachToken(utf8, [&](std::string_view token) { out.emplace_back(token); });
  return out;
}

}  // namespace qm
