#pragma once
#include <exception>
#include <string>

#include "system/object.h"

namespace qm {

// A run-time error that ends the program: only the outermost level catches
// it, writes its text to standard error and exits with status 255.
class RuntimeError : public std::exception {
 public:
  explicit RuntimeError(String text);
  const String& Text() const { return text_; }
  const char* what() const noexcept override { return utf8_.c_str(); }

 private:
  String text_;
  std::string utf8_;
};

}  // namespace qm
