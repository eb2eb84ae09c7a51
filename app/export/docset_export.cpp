#include "app/export/docset_export.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <set>
#include <string>

#include "app/export/catalogue_export_source.h"
#include "app/export/docset_index.h"
#include "app/export/staged_folder.h"
#include "app/export/url_reference.h"
#include "app/index/catalogue.h"
#include "app/index/doc_location.h"
#include "system/contained_file.h"
#include "system/display_text.h"
#include "system/error_line.h"
#include "system/fix_path.h"
#include "system/strings.h"
#include "system/text_io.h"

namespace qm {

namespace fs = std::filesystem;

namespace {

constexpr const char* kDocsetName = "Tallowin.docset";
constexpr const char* kLogo = "tlwn120.png";

constexpr const char* kInfoPlist =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" \"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
    "<plist version=\"1.0\">\n"
    "<dict>\n"
    "  <key>CFBundleIdentifier</key>\n  <string>tallowin</string>\n"
    "  <key>CFBundleName</key>\n  <string>Tallowin</string>\n"
    "  <key>DocSetPlatformFamily</key>\n  <string>tallowin</string>\n"
    "  <key>isDashDocset</key>\n  <true/>\n"
    "  <key>dashIndexFilePath</key>\n  <string>docs/html/index.html</string>\n"
    "  <key>isJavaScriptEnabled</key>\n  <true/>\n"
    "</dict>\n"
    "</plist>\n";

fs::path BytePath(const String& path) { return fs::path(ToByteString(FixPath(path))); }

struct FileId {
  dev_t device;
  ino_t inode;
  auto operator<=>(const FileId&) const = default;
};

bool IdOf(const fs::path& path, FileId& id) {
  struct stat info;
  if (lstat(path.c_str(), &info) != 0) return false;
  id = {info.st_dev, info.st_ino};
  return true;
}

class DocsetExport {
 public:
  DocsetExport(const String& dir, const String& install_dir)
      : dir_text_(dir), install_dir_(install_dir), dir_(BytePath(dir)), install_(BytePath(install_dir)) {}
  bool Run();

 private:
  bool Fail(const std::string& reason) {
    WriteErrorLine("Docset export failed: " + DisplayUtf8(FixPath(dir_text_)) + ": " + reason);
    return false;
  }
  bool Fail(const std::string& what, const std::error_code& error) { return Fail(what + ": " + error.message()); }
  bool Fail(const std::string& what, const String& error) { return Fail(what + DisplayUtf8(error)); }
  bool CheckDirectory();
  // Whether the page at path (relative to the installation, "/"-separated)
  // may be exported: its real path, every link resolved, lies inside the
  // installation's. A page that does not exist stays listed, as before.
  bool PageInside(std::string_view page);
  bool CopyHtmlTree();
  bool LinkOrCopy(const fs::path& from, const fs::path& to);
  bool WriteIndex();
  bool CopyOutsidePages();
  bool WriteFile(const fs::path& path, const std::string& bytes);
  bool Publish();

  String dir_text_;
  String install_dir_;
  fs::path dir_;
  fs::path install_;
  StagedFolder staged_;
  fs::path documents_;
  std::set<FileId> skip_;  // folders never copied into Documents
  // Command pages outside docs/html, as bytes; looked up by view, so a page
  // already listed costs no copy.
  std::set<std::string, std::less<>> outside_pages_;
  std::string install_real_;
  std::map<std::string, bool, std::less<>> page_inside_;
  long rows_ = 0;
  long left_out_ = 0;        // commands whose page lies outside
  long files_left_out_ = 0;  // files of docs/html leading outside
};

bool DocsetExport::CheckDirectory() {
  struct stat info;
  if (stat(dir_.c_str(), &info) != 0) return Fail(std::strerror(errno));
  if (!S_ISDIR(info.st_mode)) return Fail(std::strerror(ENOTDIR));
  install_real_ = RealPathOf(install_.string());
  // A docset inside the documentation would be exported again into the
  // next one, growing with every export.
  const std::string html_real = RealPathOf((install_ / "docs" / "html").string());
  std::string dir_real;
  if (!html_real.empty() && PathWithin(dir_.string(), html_real, &dir_real))
    return Fail("lies inside the installation's documentation " + html_real + "; choose a folder outside it");
  if (String error; !staged_.Create(dir_, kDocsetName, &error)) return Fail("", error);
  return true;
}

bool DocsetExport::LinkOrCopy(const fs::path& from, const fs::path& to) {
  std::error_code error;
  fs::create_hard_link(from, to, error);
  if (!error) return true;
  // Another file system, or one without hard links: a copy does as well.
  error.clear();
  fs::copy_file(from, to, error);
  if (error) return Fail("cannot copy " + from.string(), error);
  return true;
}

bool DocsetExport::PageInside(std::string_view page) {
  const auto known = page_inside_.find(page);
  if (known != page_inside_.end()) return known->second;
  std::string real;
  const bool inside = PathWithin((install_ / std::string(page)).string(), install_real_, &real) || real.empty();
  page_inside_.emplace(std::string(page), inside);
  return inside;
}

bool DocsetExport::CopyHtmlTree() {
  const fs::path from = install_ / "docs" / "html";
  const fs::path to = documents_ / "docs" / "html";
  std::error_code error;
  fs::create_directories(to, error);
  if (error) return Fail("cannot create " + to.string(), error);
  // An export into the documentation itself must not copy itself.
  FileId id;
  if (IdOf(staged_.path(), id)) skip_.insert(id);
  if (IdOf(dir_ / kDocsetName, id)) skip_.insert(id);

  fs::recursive_directory_iterator it(from, error), end;
  for (; !error && it != end; it.increment(error)) {
    const fs::path& source = it->path();
    const fs::path target = to / source.lexically_relative(from);
    const fs::file_status status = it->symlink_status(error);
    if (error) break;
    if (fs::is_directory(status)) {
      if (IdOf(source, id) && skip_.count(id)) {
        it.disable_recursion_pending();
        continue;
      }
      fs::create_directory(target, error);
      if (error) return Fail("cannot create " + target.string(), error);
    } else if (fs::is_symlink(status) || fs::is_regular_file(status)) {
      // Whatever leads outside the installation (a link to a private file,
      // or a file reached through one) is left out.
      std::string real;
      if (!PathWithin(source.string(), install_real_, &real) && !real.empty()) {
        ++files_left_out_;
        continue;
      }
      if (fs::is_symlink(status)) {
        fs::copy_symlink(source, target, error);
        if (error) return Fail("cannot copy " + source.string(), error);
      } else if (!LinkOrCopy(source, target)) {
        return false;
      }
    }
    // Sockets, pipes and devices are no documentation and are passed over.
  }
  if (error) return Fail("cannot read " + from.string(), error);
  return true;
}

bool DocsetExport::WriteIndex() {
  String error;
  const auto index = DocsetIndex::Create((documents_.parent_path() / "docSet.dsidx").string(), &error);
  if (!index) return Fail("cannot create the search database: ", error);
  bool ok = true;
  // Readers resolve the stored path as a URL: it is stored as a reference
  // to exactly that file.
  const auto add = [&](const String& name, const char* type, const String& page, const String& suffix) {
    if (ok && !index->Add(DisplayUtf8(name), type, UrlReference("", DisplayUtf8(page), DisplayUtf8(suffix)), &error))
      ok = false;
    ++rows_;
  };
  CatalogueVisitor visitor;
  visitor.record = [&](const String& name, const String& link, const String&) {
    const DocLocation location = LocateInInstallation(link, install_dir_);
    const std::string page = location.inside ? ToByteString(location.file) : std::string();
    if (!location.inside || !PageInside(page)) {
      ++left_out_;
      return;
    }
    if (!page.starts_with("docs/html/")) outside_pages_.insert(page);
    add(name, "Function", location.file, location.suffix);
  };
  std::string shown_name, shown_page, shown_suffix, reference;
  visitor.plain_record = [&](std::string_view name, std::string_view path, std::size_t page_size) {
    const std::string_view page = path.substr(0, page_size);
    if (!PageInside(page)) {
      ++left_out_;
      return;
    }
    if (!page.starts_with("docs/html/") && outside_pages_.find(page) == outside_pages_.end()) {
      outside_pages_.emplace(page);
    }
    shown_name.clear();
    AppendDisplayUtf8(shown_name, name);
    shown_page.clear();
    AppendDisplayUtf8(shown_page, page);
    shown_suffix.clear();
    AppendDisplayUtf8(shown_suffix, path.substr(page_size));
    reference.clear();
    AppendUrlReference(reference, "", shown_page, shown_suffix);
    if (ok && !index->Add(shown_name, "Function", reference, &error)) ok = false;
    ++rows_;
  };
  visitor.module = [&](const String& module, const String& link) {
    const DocLocation location = LocateInInstallation(link, install_dir_);
    if (module.empty() || !location.inside || !PageInside(ToByteString(location.file))) return;
    add(module, "Module", location.file, String());
  };
  VisitCatalogue(visitor, install_dir_);
  if (!ok || !index->Finish(&error)) return Fail("cannot write the search database: ", error);
  return true;
}

bool DocsetExport::CopyOutsidePages() {
  for (const std::string& page : outside_pages_) {
    const fs::path source = install_ / page;
    std::error_code error;
    if (!fs::is_regular_file(source, error)) continue;  // a dangling link stays dangling
    if (!PageInside(page)) continue;                    // rows for it were left out already
    const fs::path target = documents_ / page;
    fs::create_directories(target.parent_path(), error);
    if (error) return Fail("cannot create " + target.parent_path().string(), error);
    if (!fs::exists(target, error) && !LinkOrCopy(source, target)) return false;
  }
  return true;
}

bool DocsetExport::WriteFile(const fs::path& path, const std::string& bytes) {
  FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return Fail("cannot create " + path.string() + ": " + std::strerror(errno));
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  const int error = errno;
  if (std::fclose(file) != 0 || !written) return Fail("cannot write " + path.string() + ": " + std::strerror(error));
  return true;
}

bool DocsetExport::Publish() {
  String error;
  return staged_.Publish(&error) || Fail("", error);
}

bool DocsetExport::Run() {
  if (!CheckDirectory()) return false;
  const fs::path contents = staged_.path() / "Contents";
  documents_ = contents / "Resources" / "Documents";
  if (!CopyHtmlTree()) return false;
  if (!WriteIndex()) return false;
  if (!CopyOutsidePages()) return false;
  if (!WriteFile(contents / "Info.plist", kInfoPlist)) return false;
  std::error_code error;
  const fs::path logo = install_ / "docs" / "html" / kLogo;
  if (fs::is_regular_file(logo, error) && PageInside(std::string("docs/html/") + kLogo) &&
      !LinkOrCopy(logo, staged_.path() / "icon.png"))
    return false;
  if (!Publish()) return false;
  Print(u"Docset        : " + dir_text_ + u"/" + FromByteString(kDocsetName) + u", " +
        FromInt(static_cast<int>(rows_)) + u" entries");
  if (left_out_ > 0 || files_left_out_ > 0) {
    const auto count = [](long n, const char16_t* what) {
      return n == 0 ? String() : FromInt(static_cast<int>(n)) + what + (n == 1 ? u"" : u"s");
    };
    const String commands = count(left_out_, u" command"), files = count(files_left_out_, u" file");
    Print(u"Docset        : " + commands + (commands.empty() || files.empty() ? u"" : u" and ") + files +
          u" left out: they lead outside the installation");
  }
  return true;
}

}  // namespace

bool ExportDocset(const String& dir, const String& install_dir) { return DocsetExport(dir, install_dir).Run(); }

}  // namespace qm
