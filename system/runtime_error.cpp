#include "system/runtime_error.h"

#include "system/strings.h"

namespace qm {

RuntimeError::RuntimeError(String text) : text_(std::move(text)), utf8_(ToUtf8(text_)) {}

}  // namespace qm
