#include "app/shell/main_routine.h"

#include "app/shell/batch_mode.h"
#include "app/index/catalogue.h"
#include "app/index/index_outputs.h"
#include "app/shell/options.h"
#include "app/shell/services.h"
#include "app/shell/settings.h"
#include "app/shell/window_mode.h"
#include "gui/gadget.h"
#include "system/app_paths.h"
#include "system/display_text.h"
#include "system/error_line.h"
#include "system/lifetime.h"
#include "system/standard_io.h"
#include "system/strings.h"
#include "system/system_driver.h"
#include "system/text_io.h"

namespace qm {

namespace {

// Every argument, the program path included, in angle brackets with no
// line end, each pushed out at once and followed by a short pause.
void EchoArguments() {
  for (const auto& argument : AppArgs) {
    StandardIOStream().WriteString(u"<" + argument + u">");
    StandardIOStream().Flush();
    Delay(100);
  }
}

[[noreturn]] void PrintAndEnd(const String& text) {
  StandardIOStream().WriteString(text);
  StandardIOStream().Flush();
  End(0);
}

// Settings and working files beside the program when its folder is
// writable, else in the user's own folders. The working directory follows,
// so that working files land where they may be written.
FileLocations ChooseLocations() {
  const std::string app_dir = ToByteString(AppDir);
  return ChooseFileLocations(app_dir, DirectoryWritable(app_dir), UserDirsFromEnvironment());
}

// A folder that cannot be used (a file in its place, no right to write,
// no home at all) costs only the working files: the index is written
// without them, so one line says so and the run goes on.
void EnterWorkingDirectory(const FileLocations& places) {
  if (places.beside_program) return;  // start-up is there already
  if (MakeDirectories(places.working_dir) && DirectoryWritable(places.working_dir) &&
      ChangeWorkingDirectory(places.working_dir))
    return;
  WriteErrorLine("Quillmere: working files cannot be kept in " + places.working_dir +
                 " (not a folder this user may write); the index is built without them.");
}

// No installation is known yet: ask for one. A batch run asks only when a
// folder chooser can be shown, and saves only a folder actually chosen, so
// that a script or a build server never replaces the settings with nothing.
void AskForInstallation(bool batch) {
  if (batch && !gui_driver) return;
  tlwndir = RequestDir(u"Find the Tallowin dir", u"");
  if (!batch) {
    SaveInfo();
  } else if (!tlwndir.empty()) {
    String error;
    if (!WriteSettings(&error)) WriteErrorLine("The settings could not be saved: " + DisplayUtf8(error));
  }
}

}  // namespace

void MainRoutine() {
  RegisterEmbeddedPages();
  const ProgramOptions options = ParseCommandLine(AppArgs, LaunchDir);
  const FileLocations places = ChooseLocations();
  switch (options.action) {
    case ProgramOptions::Action::kHelp:
      PrintAndEnd(UsageText(FromBytes(places.settings_file), FromBytes(places.settings_default),
                            FromBytes(places.working_dir)));
    case ProgramOptions::Action::kVersion:
      PrintAndEnd(u"Quillmere " + version + u"\n");
    case ProgramOptions::Action::kUsageError:
      WriteErrorLine("quillmere: " + DisplayUtf8(options.problem) + " (see quillmere --help)");
      End(2);
    default:
      break;
  }
  UseSettingsLocations(places);
  RemoveLeftoverSettingsTemporaries();
  EnterWorkingDirectory(places);
  StartServices();
  LoadInfo();
  const bool batch = options.action == ProgramOptions::Action::kBatch;
  if (batch && !options.dir.empty()) {
    tlwndir = options.dir;  // for this run only: never saved
  } else if (tlwndir.empty()) {
    AskForInstallation(batch);
  }
  // Before anything reads or writes the installation: finish or discard a
  // commit that a killed build left behind.
  MendOutputsAtStart();
  CreateCatalogue();
  EchoArguments();
  if (batch) RunBatchMode(options);
  RunWindowMode();
}

}  // namespace qm
