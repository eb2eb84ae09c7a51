// Runs the real program's documentation rebuild (batch mode) with a
// generator that prints 200 MB and with one that prints nothing, and
// compares the extra time with the time the same script takes writing to
// /dev/null, and the program's peak memory with its baseline.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace fs = std::filesystem;

namespace {

constexpr long kOutputBytes = 200L * 1024 * 1024;
constexpr int kRepeats = 3;

double Seconds(std::chrono::steady_clock::duration d) { return std::chrono::duration<double>(d).count(); }

void WriteScript(const fs::path& file, const std::string& body) {
  std::ofstream(file, std::ios::binary) << "#!/bin/sh\n" << body << "\n";
  fs::permissions(file, fs::perms::owner_all);
}

struct Run {
  double seconds = -1;
  long peak_kib = -1;
};

// Peak memory as wait4 reports it: the largest resident size of the
// program and of the children it reaped (the generator's shell and tools
// are far smaller than the program).
Run RunProgram(const fs::path& exe, const fs::path& cwd) {
  const auto t0 = std::chrono::steady_clock::now();
  const pid_t pid = fork();
  if (pid == 0) {
    if (chdir(cwd.c_str()) != 0 || !freopen("/dev/null", "w", stdout) || !freopen("/dev/null", "r", stdin)) _exit(126);
    execl(exe.c_str(), exe.c_str(), "--rebuild-docs", static_cast<char*>(nullptr));
    _exit(127);
  }
  rusage usage{};
  if (wait4(pid, nullptr, 0, &usage) != pid) return {};
  return {Seconds(std::chrono::steady_clock::now() - t0), usage.ru_maxrss};
}

double TimeScriptAlone(const fs::path& script, const std::string& sink) {
  const std::string command = "'" + script.string() + "' " + sink;
  const auto t0 = std::chrono::steady_clock::now();
  if (std::system(command.c_str()) != 0) return -1;
  return Seconds(std::chrono::steady_clock::now() - t0);
}

}  // namespace

int main() {
  const fs::path root = fs::temp_directory_path() / ("quillmere-generator-bench-" + std::to_string(getpid()));
  const fs::path app = root / "app", inst = root / "inst";
  fs::create_directories(app);
  fs::copy(fs::path(QM_SOURCE_DIR) / "examples/sample-install", inst, fs::copy_options::recursive);
  fs::copy_file(QM_EXECUTABLE, app / "Quillmere");
  std::ofstream(app / "config.txt", std::ios::binary) << inst.string() << "\r\n0\r\n";

  const fs::path writer = root / "writer";
  WriteScript(writer, "yes 'Writing page 123 of module tlw.streams: commands, events, examples' | head -c " +
                          std::to_string(kOutputBytes));
  // Into a pipe the bytes are copied twice more than into /dev/null,
  // whoever reads them; cat shows what that costs by itself.
  double alone = -1, piped = -1;
  for (int i = 0; i < kRepeats; ++i) {
    const double seconds = TimeScriptAlone(writer, "> /dev/null");
    const double through_cat = TimeScriptAlone(writer, "| cat > /dev/null");
    if (alone < 0 || (seconds >= 0 && seconds < alone)) alone = seconds;
    if (piped < 0 || (through_cat >= 0 && through_cat < piped)) piped = through_cat;
  }

  // Other work on the machine only ever slows a run down, so each figure
  // is the best of a few runs.
  const auto best = [&](const fs::path& generator) {
    fs::copy_file(generator, inst / "bin/makedocs", fs::copy_options::overwrite_existing);
    Run kept;
    for (int i = 0; i < kRepeats; ++i) {
      const Run run = RunProgram(app / "Quillmere", root);
      if (kept.seconds < 0 || run.seconds < kept.seconds) kept.seconds = run.seconds;
      if (run.peak_kib > kept.peak_kib) kept.peak_kib = run.peak_kib;
    }
    return kept;
  };
  const fs::path silent = root / "silent";
  WriteScript(silent, "exit 0");
  const Run quiet = best(silent);
  const Run loud = best(writer);

  std::printf("best of %d runs; peak memory is the highest seen\n", kRepeats);
  std::printf("%-34s %10s %12s\n", "run", "seconds", "peak MiB");
  std::printf("%-34s %10.3f %12s\n", "script alone, to /dev/null", alone, "-");
  std::printf("%-34s %10.3f %12s\n", "script alone, through cat", piped, "-");
  std::printf("%-34s %10.3f %12.1f\n", "program, silent generator", quiet.seconds, quiet.peak_kib / 1024.0);
  std::printf("%-34s %10.3f %12.1f\n", "program, 200 MB generator", loud.seconds, loud.peak_kib / 1024.0);
  std::printf("extra time over the silent run: %.3f s (%.2f x the script alone)\n", loud.seconds - quiet.seconds,
              alone > 0 ? (loud.seconds - quiet.seconds) / alone : 0.0);
  std::printf("extra peak memory over the silent run: %.1f MiB\n", (loud.peak_kib - quiet.peak_kib) / 1024.0);
  fs::remove_all(root);
  return 0;
}
