// Times a docset export of a synthetic catalogue against the index build
// that produced it, both in one process, and prints the ratio.
// The installation holds the pages the links name (one per module, in both
// page layouts), so the export copies a realistic documentation tree.
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "app/catalogue.h"
#include "app/docset_export.h"
#include "app/index_writer.h"
#include "app/services.h"
#include "system/lifetime.h"
#include "system/strings.h"

namespace fs = std::filesystem;

namespace {

const char* const kModules[] = {"gfx.draw", "str.util", "net.sock", "io.file",  "math.vec",
                                "snd.mix",  "gui.win",  "sys.proc", "data.map", "text.fmt"};

void WriteInstallation(const fs::path& inst, int lines) {
  const fs::path html = inst / "docs/html";
  for (const char* module : kModules) {
    fs::create_directories(html / "Modules" / module);
    std::ofstream(html / "Modules" / module / "index.html") << "<html><body>" << module << "</body></html>\n";
    const fs::path doc = inst / "mod/pub.mod" / (std::string(module) + ".mod") / "doc";
    fs::create_directories(doc);
    std::ofstream(doc / "commands.html") << "<html><body>" << module << "</body></html>\n";
  }
  std::mt19937 random(4711);
  std::ofstream out(html / "Modules/commands.txt", std::ios::binary);
  for (int i = 0; i < lines; ++i) {
    std::string name(1, static_cast<char>('A' + random() % 26));
    const int length = 4 + static_cast<int>(random() % 12);
    for (int k = 0; k < length; ++k) name += static_cast<char>('a' + random() % 26);
    const char* module = kModules[random() % 10];
    if (i % 3 == 0) {
      out << name << ":Int( x:Int )|/docs/html/Modules/" << module << "/index.html#" << name << "\n";
    } else {
      out << name << "|/mod/pub.mod/" << module << ".mod/doc/commands.html#" << name << "\n";
    }
  }
}

// Processor time of this process, user and system.
double CpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  const auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

double SecondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int main() {
  const fs::path root = fs::temp_directory_path() / ("quillmere-docset-bench-" + std::to_string(getpid()));
  const fs::path app = root / "app", inst = root / "inst", out = root / "out";
  fs::create_directories(app);
  fs::create_directories(out);
  qm::AppDir = qm::FromBytes(app.string());
  qm::tlwndir = qm::FromBytes(inst.string());
  if (chdir(app.c_str()) != 0) return 1;
  qm::RegisterEmbeddedPages();
  qm::CreateCatalogue();

  // The table goes to the real standard output; the progress lines of the
  // build and the export, which would swamp it, go nowhere.
  FILE* table = fdopen(dup(STDOUT_FILENO), "w");
  const int null = open("/dev/null", O_WRONLY);
  if (!table || null < 0 || dup2(null, STDOUT_FILENO) < 0) return 1;
  close(null);

  // Wall-clock time decides the ratio; processor time shows how much of it
  // was waiting (for the disk, or for a busy machine).
  std::fprintf(table, "%10s %10s %10s %10s %10s %14s\n", "commands", "build s", "cpu s", "docset s", "cpu s",
               "docset/build");
  for (int lines : {10000, 100000}) {
    WriteInstallation(inst, lines);
    const double c0 = CpuSeconds();
    const auto t0 = std::chrono::steady_clock::now();
    const bool built = qm::CreateSearchIndex().ok;
    const double build = SecondsSince(t0);
    const double c1 = CpuSeconds();
    const auto t1 = std::chrono::steady_clock::now();
    const bool exported = built && qm::ExportDocset(qm::FromBytes(out.string()), qm::tlwndir);
    const double docset = SecondsSince(t1);
    const double c2 = CpuSeconds();
    if (!exported) return 1;
    std::fprintf(table, "%10d %10.3f %10.3f %10.3f %10.3f %14.2f\n", lines, build, c1 - c0, docset, c2 - c1,
                 docset / build);
    std::fflush(table);
  }
  fs::remove_all(root);
  return 0;
}
