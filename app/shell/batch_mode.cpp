#include "app/shell/batch_mode.h"

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "app/export/docset_export.h"
#include "app/index/catalogue.h"
#include "app/index/index_writer.h"
#include "app/rebuild/doc_rebuild.h"
#include "app/search/search_details.h"
#include "system/error_line.h"
#include "system/lifetime.h"

namespace qm {
namespace {

// A person watching a terminal sees how far the pages have come, on one
// line rewritten in place; a script reading standard error sees nothing
// extra.
bool PrintPageProgress(std::size_t done, std::size_t total) {
  using Clock = std::chrono::steady_clock;
  static Clock::time_point last_shown;
  const Clock::time_point now = Clock::now();
  if (done != total && done != 1 && now - last_shown < std::chrono::milliseconds(200)) return true;
  last_shown = now;
  std::fprintf(stderr, "\rIndexing pages: %zu of %zu%s", done, total, done == total ? "\n" : "");
  std::fflush(stderr);
  return true;
}

}  // namespace

void RunBatchMode(const ProgramOptions& options) {
  if (tlwndir.empty()) {
    WriteErrorLine("\nQuillmere: no Tallowin installation is set; choose one in the window "
                   "(start quillmere without arguments) or name it with --dir DIR.");
    End(1);
  }
  if (options.rebuild_docs) RebuildDocumentation(tlwndir);
  SetFullTextIndexWanted(options.full_text);
  if (isatty(STDERR_FILENO) == 1) SetPageReadingObserver(PrintPageProgress);
  const IndexBuildResult result = CreateSearchIndex();
  SetPageReadingObserver(nullptr);
  const bool exported = !result.ok || options.docset_dir.empty() || ExportDocset(options.docset_dir, tlwndir);
  End(result.ok && exported ? 0 : 1);
}

}  // namespace qm
