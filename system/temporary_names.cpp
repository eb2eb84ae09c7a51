#include "system/temporary_names.h"

#include <unistd.h>

#include <charconv>

namespace qm {
namespace {

constexpr std::string_view kMarker = ".quillmere-tmp-";

bool AllDigits(std::string_view text) {
  if (text.empty()) return false;
  for (const char c : text)
    if (c < '0' || c > '9') return false;
  return true;
}

}  // namespace

std::string TemporaryNameFor(const std::string& target) {
  static unsigned long counter = 0;
  const std::size_t slash = target.rfind('/');
  const std::string dir = slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
  // Short enough that the suffix cannot push the name past the system limit.
  const std::string base = target.substr(slash == std::string::npos ? 0 : slash + 1).substr(0, 128);
  return dir + "." + base + std::string(kMarker) + std::to_string(getpid()) + "-" + std::to_string(++counter);
}

std::optional<pid_t> TemporaryWriter(std::string_view name) {
  if (name.empty() || name.front() != '.') return std::nullopt;
  const std::size_t marker = name.rfind(kMarker);
  if (marker == std::string_view::npos || marker == 0) return std::nullopt;
  const std::string_view tail = name.substr(marker + kMarker.size());
  const std::size_t dash = tail.find('-');
  if (dash == std::string_view::npos) return std::nullopt;
  const std::string_view pid_text = tail.substr(0, dash);
  if (!AllDigits(pid_text) || !AllDigits(tail.substr(dash + 1))) return std::nullopt;
  pid_t pid = 0;
  const auto [end, error] = std::from_chars(pid_text.data(), pid_text.data() + pid_text.size(), pid);
  if (error != std::errc() || end != pid_text.data() + pid_text.size() || pid <= 0) return std::nullopt;
  return pid;
}

}  // namespace qm
