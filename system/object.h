#pragma once
#include <memory>
#include <string>

namespace qm {

// The system's strings are sequences of 16-bit code units.
using String = std::u16string;

// Root of the types that containers and events hold by reference. Ordering
// goes through Compare so that lists and maps can sort records by their own
// rules; the root order is object identity.
class Object {
 public:
  virtual ~Object() = default;
  virtual int Compare(const Object& other) const;
  virtual String ToString() const;
};

using ObjectRef = std::shared_ptr<Object>;

// A string held as an object, for the places (event extras, map keys) that
// carry an arbitrary object which may be text.
class StringObject : public Object {
 public:
  explicit StringObject(String value) : value(std::move(value)) {}
  int Compare(const Object& other) const override;
  String ToString() const override { return value; }
  String value;
};

}  // namespace qm
