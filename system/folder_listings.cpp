#include "system/folder_listings.h"

#include <dirent.h>
#include <fcntl.h>

#include <unordered_map>

#include "system/unique_fd.h"

namespace qm {

struct FolderListings::Listing {
  // Each name with whether it is a real folder (not a link to one).
  std::unordered_map<std::string, bool, Hash, std::equal_to<>> folder;
};

FolderListings::FolderListings(std::string root, std::size_t max_entries)
    : root_(std::move(root)), max_entries_(max_entries) {}
FolderListings::~FolderListings() = default;

const FolderListings::Listing* FolderListings::ListingOf(std::string_view relative) {
  if (const auto it = listings_.find(relative); it != listings_.end()) return it->second.get();
  std::unique_ptr<Listing> listing;
  const std::string path = root_ + (relative.empty() ? "" : "/") + std::string(relative);
  // Never blocks and never follows a link in its place; the folders above
  // it were listed as real folders already.
  UniqueFd fd(open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
  const std::unique_ptr<DIR, int (*)(DIR*)> dir(fd.Valid() ? fdopendir(fd.Get()) : nullptr, &closedir);
  if (dir) {
    fd.Release();  // the listing owns it now
    listing = std::make_unique<Listing>();
    while (const dirent* entry = readdir(dir.get())) {
      if (++entries_ > max_entries_) {
        listing.reset();
        break;
      }
      listing->folder.emplace(entry->d_name, entry->d_type == DT_DIR);
    }
  }
  // Kept even when it could not be read, so that it is not tried again.
  return listings_.emplace(std::string(relative), std::move(listing)).first->second.get();
}

bool FolderListings::MayExist(std::string_view relative) {
  std::size_t folder_end = 0;  // relative[0, folder_end) is the folder looked in
  std::size_t at = 0;
  while (at < relative.size() && relative[at] == '/') ++at;
  const auto folder = [&] {
    std::string_view f = relative.substr(0, folder_end);
    while (!f.empty() && f.front() == '/') f.remove_prefix(1);
    return f;
  };
  while (at < relative.size()) {
    std::size_t end = relative.find('/', at);
    if (end == std::string_view::npos) end = relative.size();
    const std::string_view part = relative.substr(at, end - at);
    if (part == "." || part == "..") return true;
    const Listing* listing = ListingOf(folder());
    if (listing == nullptr) return true;
    const auto entry = listing->folder.find(part);
    if (entry == listing->folder.end()) return false;
    // Below a link, or below what the listing could not tell apart, the
    // system decides.
    if (end < relative.size() && !entry->second) return true;
    folder_end = end;
    at = end;
    while (at < relative.size() && relative[at] == '/') ++at;
  }
  return true;
}

}  // namespace qm
