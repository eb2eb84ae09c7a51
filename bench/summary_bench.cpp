// The summary pass against libxml2's own tool, and its memory.
//
// usage: summary_bench [INSTALLATION ...]
//
// For each installation given (one made by bench/summary-coverage.js), times
// the summary pass over the pages its command list links to, and
// `xmllint --html --noout` over the same pages; the pass should take at most
// twice as long. Then builds a synthetic installation of 10^5 records over
// 10^4 pages in a child process, with and without the full-text index, and
// reports its peak memory, and that peak less what the process held before
// the build began, beside three times the size of the command list plus the
// largest page.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>

#include "app/index/catalogue.h"
#include "app/index/command_list_reader.h"
#include "app/index/index_writer.h"
#include "app/search/search_details.h"
#include "app/shell/services.h"
#include "system/lifetime.h"
#include "system/strings.h"

namespace fs = std::filesystem;

namespace {

double Seconds(std::chrono::steady_clock::duration d) { return std::chrono::duration<double>(d).count(); }

double CpuSeconds(const rusage& usage) {
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

std::string FileBytes(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::stringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

void CompareWithXmllint(const fs::path& inst) {
  const fs::path list = inst / "docs/html/Modules/commands.txt";
  std::string bytes = FileBytes(list);
  // The pages the records link to, each once.
  std::set<std::string> pages;
  std::istringstream lines(bytes);
  for (std::string line; std::getline(lines, line);) {
    const std::size_t bar = line.rfind('|');
    if (bar == std::string::npos) continue;
    const std::string link = line.substr(bar + 1);
    pages.insert(inst.string() + link.substr(0, link.find('#')));
  }
  std::uintmax_t page_bytes = 0;
  const fs::path names = fs::temp_directory_path() / ("quillmere-pages-" + std::to_string(getpid()));
  {
    std::ofstream out(names, std::ios::binary);
    for (const auto& page : pages) {
      std::error_code error;
      const auto size = fs::file_size(page, error);
      if (!error) page_bytes += size;
      out << page << '\0';
    }
  }
  qm::Catalogue catalogue;
  qm::ModuleMap modules;
  const qm::String dir = qm::FromBytes(inst.string());
  qm::ReadCatalogue(std::move(bytes), dir, catalogue, modules);
  catalogue.Sort();
  std::size_t read = 0;
  qm::SetPageReadingObserver([&](std::size_t done, std::size_t) {
    read = done;
    return true;
  });
  rusage before{}, after{};
  getrusage(RUSAGE_SELF, &before);
  auto t0 = std::chrono::steady_clock::now();
  const auto summaries = qm::ReadSummaries(catalogue, dir);
  const double pass = Seconds(std::chrono::steady_clock::now() - t0);
  getrusage(RUSAGE_SELF, &after);
  const double pass_cpu = CpuSeconds(after) - CpuSeconds(before);
  qm::SetPageReadingObserver(nullptr);
  std::size_t found = 0;
  for (const std::string& summary : summaries) found += summary.empty() ? 0 : 1;

  getrusage(RUSAGE_CHILDREN, &before);
  t0 = std::chrono::steady_clock::now();
  const std::string command = "xargs -0 xmllint --html --noout < '" + names.string() + "' > /dev/null 2>&1";
  const int status = std::system(command.c_str());
  const double xmllint = Seconds(std::chrono::steady_clock::now() - t0);
  getrusage(RUSAGE_CHILDREN, &after);
  const double xmllint_cpu = CpuSeconds(after) - CpuSeconds(before);
  fs::remove(names);
  std::printf("%-28s %7zu %7zu %8.1f %8zu %8.3f %9.3f %8.2f %8.3f %9.3f %8.2f%s\n",
              inst.parent_path().filename().c_str(), summaries.size(), pages.size(),
              static_cast<double>(page_bytes) / (1 << 20), read, pass, xmllint, xmllint / pass, pass_cpu, xmllint_cpu,
              xmllint_cpu / pass_cpu, WIFEXITED(status) ? "" : " (xmllint failed)");
  std::printf("%28s %zu of %zu records have a summary\n", "", found, summaries.size());
}

// 10^4 pages of ten items each, and a command list of one line per item.
void WriteSyntheticInstallation(const fs::path& inst, std::uintmax_t* largest_page) {
  const fs::path modules = inst / "docs/html/Modules";
  fs::create_directories(modules);
  std::ofstream list(modules / "commands.txt", std::ios::binary);
  for (int page = 0; page < 10000; ++page) {
    const std::string folder = "mod" + std::to_string(page % 50);
    fs::create_directories(modules / folder);
    const std::string file = "page" + std::to_string(page) + ".html";
    std::ofstream out(modules / folder / file, std::ios::binary);
    out << "<html><head><title>Page " << page << "</title></head><body><table>\n";
    for (int item = 0; item < 10; ++item) {
      const std::string name = "Item" + std::to_string(page) + "x" + std::to_string(item);
      out << "<tr><td><a name=\"" << name << "\"></a><b>" << name << "</b></td><td><pre>" << name
          << ":Int( a:Int, b:String )</pre>Does the work of item " << item << " on page " << page
          << ", with enough words to be a sentence of ordinary length. Then more.</td></tr>\n";
      list << name << ":Int( a:Int, b:String )|/docs/html/Modules/" << folder << "/" << file << "#" << name << "\n";
    }
    out << "</table></body></html>\n";
    out.close();
    *largest_page = std::max(*largest_page, fs::file_size(modules / folder / file));
  }
}

// The resident size of this process now, in KiB (0 when unknown).
long ResidentKib() {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);)
    if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
  return 0;
}

// One build in a child process, with or without the full-text index: its
// peak resident size, and the size it started from (the program's code and
// libraries, there before the build reads anything).
void MeasureBuild(const fs::path& app, const fs::path& inst, bool full_text, double budget) {
  int channel[2];
  if (pipe(channel) != 0) return;
  std::fflush(stdout);
  const pid_t pid = fork();
  if (pid == 0) {
    close(channel[0]);
    if (chdir(app.c_str()) != 0) _exit(1);
    if (!freopen("/dev/null", "w", stdout)) _exit(1);
    qm::AppDir = qm::FromBytes(app.string());
    qm::tlwndir = qm::FromBytes(inst.string());
    qm::RegisterEmbeddedPages();
    qm::CreateCatalogue();
    qm::SetFullTextIndexWanted(full_text);
    const long start = ResidentKib();
    if (write(channel[1], &start, sizeof start) != sizeof start) _exit(1);
    _exit(qm::CreateSearchIndex().ok ? 0 : 1);
  }
  close(channel[1]);
  long start_kib = 0;
  if (read(channel[0], &start_kib, sizeof start_kib) != sizeof start_kib) start_kib = 0;
  close(channel[0]);
  int status = 0;
  rusage usage{};
  const auto t0 = std::chrono::steady_clock::now();
  wait4(pid, &status, 0, &usage);
  const double seconds = Seconds(std::chrono::steady_clock::now() - t0);
  const double peak = static_cast<double>(usage.ru_maxrss) / 1024.0;
  const double start = static_cast<double>(start_kib) / 1024.0;
  std::printf("%-10s %10.2f %8.2f %9.2f %10.2f %8.2f%s\n", full_text ? "on" : "off", budget, peak, start, peak - start,
              seconds, WIFEXITED(status) && WEXITSTATUS(status) == 0 ? "" : " (build failed)");
}

void MeasureMemory(const fs::path& root) {
  const fs::path app = root / "app", inst = root / "inst";
  fs::create_directories(app);
  std::uintmax_t largest = 0;
  WriteSyntheticInstallation(inst, &largest);
  const auto list = fs::file_size(inst / "docs/html/Modules/commands.txt");
  const double mib = 1 << 20;
  const double budget = 3.0 * static_cast<double>(list + largest) / mib;
  std::printf("\n10^5 records over 10^4 pages: list %.2f MiB, largest page %.1f KiB\n", static_cast<double>(list) / mib,
              static_cast<double>(largest) / 1024.0);
  std::printf("%-10s %10s %8s %9s %10s %8s\n", "full text", "budget MiB", "peak MiB", "start MiB", "build MiB",
              "build s");
  for (const bool full_text : {false, true}) MeasureBuild(app, inst, full_text, budget);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1) {
    std::printf("%-28s %7s %7s %8s %8s %8s %9s %8s %8s %9s %8s\n", "set", "records", "pages", "MiB", "read", "pass s",
                "xmllint s", "ratio", "pass cpu", "xmllint cpu", "cpu ratio");
    for (int i = 1; i < argc; ++i) CompareWithXmllint(argv[i]);
  }
  const fs::path root = fs::temp_directory_path() / ("quillmere-summary-bench-" + std::to_string(getpid()));
  MeasureMemory(root);
  fs::remove_all(root);
  return 0;
}
