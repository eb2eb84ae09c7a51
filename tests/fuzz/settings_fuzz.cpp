// Feeds arbitrary bytes as a settings file and checks that they either
// count as no settings, or give settings that are saved and read back
// unchanged, so that a damaged file is never turned into another one.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "app/shell/settings.h"
#include "system/strings.h"

namespace {

[[noreturn]] void Fail(const char* what) {
  std::fprintf(stderr, "settings check failed: %s\n", what);
  std::abort();
}

bool Damaging(unsigned char byte) {
  return (byte < 0x20 && byte != '\t' && byte != '\r' && byte != '\n') || byte == 0x7F;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const auto parsed = qm::ParseSettings(bytes);
  bool damaged = bytes.empty();
  for (const char byte : bytes) damaged = damaged || Damaging(static_cast<unsigned char>(byte));
  if (parsed.has_value() == damaged) Fail("damaged files are exactly those refused");
  if (!parsed) return 0;
  std::string first_line;
  for (const char byte : bytes.substr(0, bytes.find('\n'))) {
    if (byte != '\r') first_line += byte;
  }
  if (qm::ToByteString(parsed->dir) != first_line) Fail("the folder is the first line without its CRs");
  if (qm::FromInt(qm::ToInt(parsed->rebuild)) != parsed->rebuild) Fail("the choice is a plain number");
  const auto saved = qm::FormatSettings(*parsed);
  if (!saved) Fail("what was read can be saved");
  const auto again = qm::ParseSettings(*saved);
  if (!again || again->dir != parsed->dir || again->rebuild != parsed->rebuild)
    Fail("saved settings read back the same");
  if (qm::FormatSettings(*again) != saved) Fail("saving is stable");
  return 0;
}
