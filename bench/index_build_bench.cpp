// Builds synthetic command lists of 10^4, 10^5 and 10^6 lines and reports,
// for each, the build time, the peak memory of the building process, and the
// ratio of the build time to a stable `sort` of the same file by name, and
// the ratio of the peak memory to the size of the command list. On a busy
// machine the processor time of both (user plus system) is the steadier
// comparison, so it is printed beside the wall-clock times.
// The last two columns are the docset export of the catalogue just built
// (`--docset`) and its time over the build's; the installation holds the
// pages the links name, so the export copies a documentation tree.
// Each build runs in a child process so that its peak memory is its own
// (measured before the export). A second table times reading a list of
// 10^7 zero bytes next to 10^7 bytes of ordinary lines.
// A third takes catalogues of other shapes at 10^6 records (every record in
// its own module, 200-byte signatures) and one line of 100 MB, without the
// export. The build uses as many threads as BuildWorkers gives:
// QUILLMERE_BUILD_THREADS=1 measures the one-core build.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "app/export/docset_export.h"
#include "app/index/build_workers.h"
#include "app/index/catalogue.h"
#include "app/index/command_list_reader.h"
#include "app/index/index_writer.h"
#include "app/shell/services.h"
#include "system/lifetime.h"
#include "system/strings.h"

namespace fs = std::filesystem;

namespace {

const char* const kModules[] = {"gfx.draw", "str.util", "net.sock", "io.file",  "math.vec",
                                "snd.mix",  "gui.win",  "sys.proc", "data.map", "text.fmt"};

// The pages the synthetic links name, in both page layouts.
void WritePages(const fs::path& inst) {
  for (const char* module : kModules) {
    const fs::path modules = inst / "docs/html/Modules" / module;
    fs::create_directories(modules);
    std::ofstream(modules / "index.html") << "<html><body>" << module << "</body></html>\n";
    const fs::path doc = inst / "mod/pub.mod" / (std::string(module) + ".mod") / "doc";
    fs::create_directories(doc);
    std::ofstream(doc / "commands.html") << "<html><body>" << module << "</body></html>\n";
  }
}

void WriteSyntheticList(const fs::path& file, int lines) {
  std::mt19937 random(12345);
  std::ofstream out(file, std::ios::binary);
  for (int i = 0; i < lines; ++i) {
    std::string name;
    name += static_cast<char>('A' + random() % 26);
    const int length = 4 + static_cast<int>(random() % 12);
    for (int k = 0; k < length; ++k) name += static_cast<char>('a' + random() % 26);
    const char* module = kModules[random() % 10];
    if (i % 3 == 0) {
      out << name << ":Int( x:Int )|/docs/html/Modules/" << module << "/index.html#" << name << "\r\n";
    } else {
      out << name << "|/mod/pub.mod/" << module << ".mod/doc/commands.html#" << name << "\n";
    }
  }
}

// Catalogues unlike the usual one. Every record in a module of its own.
void WriteDistinctModulesList(const fs::path& file, int lines) {
  std::ofstream out(file, std::ios::binary);
  for (int i = 0; i < lines; ++i) {
    const std::string name = "Cmd" + std::to_string(static_cast<long long>(i) * 7919 % lines);
    out << name << "|/docs/html/Modules/m" << i << ".lib/index.html#" << name << "\n";
  }
}

// Every name followed by a 200-byte parameter list, cut off by the reader.
void WriteSignatureList(const fs::path& file, int lines) {
  std::mt19937 random(54321);
  std::ofstream out(file, std::ios::binary);
  std::string signature = ":Int( ";
  while (signature.size() < 198) signature += "arg" + std::to_string(signature.size()) + ":Int, ";
  signature.resize(198);
  signature += " )";
  for (int i = 0; i < lines; ++i) {
    std::string name(1, static_cast<char>('A' + random() % 26));
    for (int k = 0; k < 8; ++k) name += static_cast<char>('a' + random() % 26);
    out << name << signature << "|/docs/html/Modules/" << kModules[random() % 10] << "/index.html#" << name << "\n";
  }
}

// One line of about 100 MB: a command whose module path is the whole line.
void WriteLongLine(const fs::path& file, int) {
  std::ofstream out(file, std::ios::binary);
  out << "Huge|/docs/html/Modules/" << std::string(100u << 20, 'm') << "/index.html#Huge\n";
}

double Seconds(std::chrono::steady_clock::duration d) { return std::chrono::duration<double>(d).count(); }

struct BuildFigures {
  double seconds = 0;
  double cpu_seconds = 0;
  long peak_kib = 0;
  double docset_seconds = -1;
};

double CpuSeconds(const rusage& usage) {
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

BuildFigures BuildInChild(const fs::path& app, const fs::path& inst, const fs::path& out, bool export_docset = true) {
  int channel[2];
  if (pipe(channel) != 0) return {};
  const pid_t pid = fork();
  if (pid == 0) {
    close(channel[0]);
    if (chdir(app.c_str()) != 0) _exit(1);
    if (!freopen("/dev/null", "w", stdout)) _exit(1);
    qm::AppDir = qm::FromBytes(app.string());
    qm::tlwndir = qm::FromBytes(inst.string());
    qm::RegisterEmbeddedPages();
    qm::CreateCatalogue();
    rusage before{};
    getrusage(RUSAGE_SELF, &before);
    const auto t0 = std::chrono::steady_clock::now();
    const bool ok = qm::CreateSearchIndex().ok;
    BuildFigures figures;
    figures.seconds = ok ? Seconds(std::chrono::steady_clock::now() - t0) : -1;
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    figures.peak_kib = usage.ru_maxrss;
    figures.cpu_seconds = CpuSeconds(usage) - CpuSeconds(before);
    const auto t1 = std::chrono::steady_clock::now();
    if (ok && export_docset && qm::ExportDocset(qm::FromBytes(out.string()), qm::tlwndir)) {
      figures.docset_seconds = Seconds(std::chrono::steady_clock::now() - t1);
    }
    if (write(channel[1], &figures, sizeof figures) != sizeof figures) _exit(1);
    _exit(0);
  }
  close(channel[1]);
  BuildFigures figures;
  if (read(channel[0], &figures, sizeof figures) != sizeof figures) figures.seconds = -1;
  close(channel[0]);
  waitpid(pid, nullptr, 0);
  return figures;
}

struct SortFigures {
  double seconds = -1;
  double cpu_seconds = 0;
};

SortFigures TimeSort(const fs::path& file) {
  const std::string command = "LC_ALL=C sort -s -t'|' -k1,1 '" + file.string() + "' > /dev/null";
  rusage before{}, after{};
  getrusage(RUSAGE_CHILDREN, &before);
  const auto t0 = std::chrono::steady_clock::now();
  if (std::system(command.c_str()) != 0) return {};
  SortFigures figures;
  figures.seconds = Seconds(std::chrono::steady_clock::now() - t0);
  getrusage(RUSAGE_CHILDREN, &after);
  figures.cpu_seconds = CpuSeconds(after) - CpuSeconds(before);
  return figures;
}

// Reading a list is linear in its size whatever its bytes: 10^7 zero bytes
// (a file a crash left zeroed: every byte ends an empty line) against 10^7
// bytes of ordinary lines. Printed as a second table after the first.
double ReadSeconds(const std::string& bytes) {
  qm::Catalogue catalogue;
  qm::ModuleMap modules;
  const auto t0 = std::chrono::steady_clock::now();
  qm::ReadCatalogue(bytes, u"/inst", catalogue, modules);
  return Seconds(std::chrono::steady_clock::now() - t0);
}

void PrintReadTable() {
  constexpr std::size_t kBytes = 10000000;
  std::string ordinary;
  ordinary.reserve(kBytes + 64);
  for (int i = 0; ordinary.size() < kBytes; ++i)
    ordinary += "Name" + std::to_string(i) + "|/docs/html/Modules/gfx.draw/index.html#Name" + std::to_string(i) + "\n";
  ordinary.resize(kBytes);
  const double lines_s = ReadSeconds(ordinary);
  const double zeros_s = ReadSeconds(std::string(kBytes, '\0'));
  std::printf("\n%-28s %9s %12s\n", "list of 10^7 bytes", "read s", "vs ordinary");
  std::printf("%-28s %9.3f %12.2f\n", "ordinary lines", lines_s, 1.0);
  std::printf("%-28s %9.3f %12.2f\n", "zero bytes, no line feed", zeros_s, lines_s > 0 ? zeros_s / lines_s : 0.0);
}

}  // namespace

int main() {
  const fs::path root = fs::temp_directory_path() / ("quillmere-bench-" + std::to_string(getpid()));
  std::printf("%8s %9s %9s %9s %11s %9s %9s %9s %9s %10s %9s %13s\n", "lines", "list MiB", "build s", "sort s",
              "build/sort", "build cpu", "sort cpu", "cpu ratio", "peak MiB", "peak/list", "docset s", "docset/build");
  std::fflush(stdout);  // the children must not inherit unwritten output
  for (int lines : {10000, 100000, 1000000}) {
    const fs::path app = root / "app";
    const fs::path inst = root / "inst";
    const fs::path out = root / ("docset-" + std::to_string(lines));
    fs::create_directories(app);
    fs::create_directories(out);
    WritePages(inst);
    const fs::path list = inst / "docs/html/Modules/commands.txt";
    WriteSyntheticList(list, lines);
    const BuildFigures build = BuildInChild(app, inst, out);
    const SortFigures sort = TimeSort(list);
    const double list_mib = static_cast<double>(fs::file_size(list)) / (1024.0 * 1024.0);
    const double peak_mib = build.peak_kib / 1024.0;
    std::printf("%8d %9.1f %9.3f %9.3f %11.2f %9.3f %9.3f %9.2f %9.1f %10.2f %9.3f %13.2f\n", lines, list_mib,
                build.seconds, sort.seconds, sort.seconds > 0 ? build.seconds / sort.seconds : 0.0, build.cpu_seconds,
                sort.cpu_seconds, sort.cpu_seconds > 0 ? build.cpu_seconds / sort.cpu_seconds : 0.0, peak_mib,
                peak_mib / list_mib, build.docset_seconds,
                build.seconds > 0 ? build.docset_seconds / build.seconds : 0.0);
    std::fflush(stdout);
  }

  // Catalogue shapes, without the export: wall and processor time of the
  // build and of sort on the same file, and the peak memory over the list.
  struct Shape {
    const char* name;
    int lines;
    void (*write)(const fs::path&, int);
  };
  const Shape shapes[] = {{"present list", 1000000, WriteSyntheticList},
                          {"distinct modules", 1000000, WriteDistinctModulesList},
                          {"200-byte signatures", 1000000, WriteSignatureList},
                          {"one 100 MB line", 1, WriteLongLine}};
  std::printf("\nthreads: %u\n", qm::BuildWorkers());
  std::printf("%-20s %9s %9s %9s %11s %9s %9s %9s %9s %10s\n", "shape", "list MiB", "build s", "sort s", "build/sort",
              "build cpu", "sort cpu", "cpu ratio", "peak MiB", "peak/list");
  std::fflush(stdout);
  for (const Shape& shape : shapes) {
    const fs::path app = root / "app";
    const fs::path inst = root / "inst";
    fs::remove_all(inst);
    fs::create_directories(app);
    WritePages(inst);
    const fs::path list = inst / "docs/html/Modules/commands.txt";
    shape.write(list, shape.lines);
    const BuildFigures build = BuildInChild(app, inst, root / "unused", false);
    const SortFigures sort = TimeSort(list);
    const double list_mib = static_cast<double>(fs::file_size(list)) / (1024.0 * 1024.0);
    const double peak_mib = build.peak_kib / 1024.0;
    std::printf("%-20s %9.1f %9.3f %9.3f %11.2f %9.3f %9.3f %9.2f %9.1f %10.2f\n", shape.name, list_mib, build.seconds,
                sort.seconds, sort.seconds > 0 ? build.seconds / sort.seconds : 0.0, build.cpu_seconds,
                sort.cpu_seconds, sort.cpu_seconds > 0 ? build.cpu_seconds / sort.cpu_seconds : 0.0, peak_mib,
                peak_mib / list_mib);
    std::fflush(stdout);
  }
  fs::remove_all(root);
  PrintReadTable();
  return 0;
}
