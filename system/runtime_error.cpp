#include "system/runtime_error.h"

#include "system/display_text.h"

namespace qm {

RuntimeError::RuntimeError(String text) : text_(std::move(text)), utf8_(DisplayUtf8(text_)) {}

}  // namespace qm
