#pragma once

namespace qm {

// Sole owner of one descriptor: closes it when it goes out of scope, so
// failure paths between creating descriptors and handing them on leak none.
class UniqueFd {
 public:
  UniqueFd() = default;
  explicit UniqueFd(int fd) : fd_(fd) {}
  UniqueFd(const UniqueFd&) = delete;
  UniqueFd& operator=(const UniqueFd&) = delete;
  UniqueFd(UniqueFd&& other) noexcept : fd_(other.Release()) {}
  UniqueFd& operator=(UniqueFd&& other) noexcept;
  ~UniqueFd() { Reset(); }

  int Get() const { return fd_; }
  bool Valid() const { return fd_ >= 0; }
  // Gives up ownership without closing.
  int Release();
  void Reset(int fd = -1);

 private:
  int fd_ = -1;
};

}  // namespace qm
