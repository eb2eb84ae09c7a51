#include "app/shell/batch_mode.h"

#include "app/index/catalogue.h"
#include "app/rebuild/doc_rebuild.h"
#include "app/export/docset_export.h"
#include "app/index/index_writer.h"
#include "system/error_line.h"
#include "system/lifetime.h"

namespace qm {

void RunBatchMode(const ProgramOptions& options) {
  if (tlwndir.empty()) {
    WriteErrorLine("\nQuillmere: no Tallowin installation is set; choose one in the window "
                   "(start quillmere without arguments) or name it with --dir DIR.");
    End(1);
  }
  if (options.rebuild_docs) RebuildDocumentation(tlwndir);
  const IndexBuildResult result = CreateSearchIndex();
  const bool exported = !result.ok || options.docset_dir.empty() || ExportDocset(options.docset_dir, tlwndir);
  End(result.ok && exported ? 0 : 1);
}

}  // namespace qm
