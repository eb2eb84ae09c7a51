#include "app/shell/file_locations.h"

namespace qm {

FileLocations ChooseFileLocations(const std::string& app_dir, bool app_dir_writable, const UserDirs& dirs) {
  FileLocations places;
  const std::string beside = JoinPath(app_dir, "config.txt");
  if (app_dir_writable) {
    places.settings_file = beside;
    places.working_dir = app_dir.empty() ? std::string(".") : app_dir;
    return places;
  }
  places.beside_program = false;
  places.settings_file = JoinPath(UserBaseDir(dirs.xdg_config_home, dirs.home, ".config"), "quillmere/config.txt");
  places.settings_default = beside;
  places.working_dir = JoinPath(UserBaseDir(dirs.xdg_cache_home, dirs.home, ".cache"), "quillmere");
  return places;
}

}  // namespace qm
