#pragma once
#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>

namespace qm {

// Tells, from the listings of the folders below one root, which paths are
// certainly not there, with no system call per path: a catalogue may name
// a million pages in a million folders that do not exist, and asking the
// system about each costs more than the rest of the build.
//
// Each folder is listed once, and only folders reached from the root
// through real folders, never through a link. Whatever cannot be told so
// (a link, "." or "..", a folder that cannot be listed, listings beyond
// max_entries names in all) may exist: the caller then looks as before.
class FolderListings {
 public:
  FolderListings(std::string root, std::size_t max_entries);
  ~FolderListings();
  FolderListings(const FolderListings&) = delete;
  FolderListings& operator=(const FolderListings&) = delete;

  // False only when relative (below the root, "/" separated, leading "/"
  // allowed) certainly names nothing.
  bool MayExist(std::string_view relative);

 private:
  struct Listing;
  // The listing of the folder at relative, read when first asked for; null
  // when it cannot be told.
  const Listing* ListingOf(std::string_view relative);

  std::string root_;
  std::size_t max_entries_;
  std::size_t entries_ = 0;
  struct Hash {
    using is_transparent = void;
    std::size_t operator()(std::string_view s) const { return std::hash<std::string_view>()(s); }
  };
  std::unordered_map<std::string, std::unique_ptr<Listing>, Hash, std::equal_to<>> listings_;
};

}  // namespace qm
