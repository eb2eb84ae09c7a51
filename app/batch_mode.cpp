#include "app/batch_mode.h"

#include <algorithm>

#include "app/catalogue.h"
#include "app/doc_rebuild.h"
#include "app/docset_export.h"
#include "app/index_writer.h"
#include "system/lifetime.h"

namespace qm {

void RunBatchMode() {
  if (tlwndir.empty()) End();
  const bool rebuild = std::find(AppArgs.begin() + 1, AppArgs.end(), String(u"--rebuild-docs")) != AppArgs.end();
  if (rebuild) RebuildDocumentation(tlwndir);
  const IndexBuildResult result = CreateSearchIndex();
  End(result.ok && RunDocsetOption(AppArgs) ? 0 : 1);
}

}  // namespace qm
