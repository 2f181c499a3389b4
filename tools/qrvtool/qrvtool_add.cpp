#include "qrvtool_add.h"

#include <fcntl.h>
#include <unistd.h>

#include <QElapsedTimer>
#include <QMessageLogContext>
#include <cerrno>
#include <charconv>
#include <filesystem>
#include <optional>
#include <system_error>
#include <utility>
#include <variant>

#include "catalog/catalog_document.h"
#include "catalog/catalog_index.h"
#include "catalog/catalog_lock.h"
#include "catalog/cp1251.h"
#include "catalog/format.h"
#include "platform/path_text.h"
#include "qrvtool.h"
#include "scan/add_disk.h"
#include "scan/scan_view.h"
#include "scan/thumbnail_pipeline.h"
#include "scan/update_disk.h"

namespace quorvel::qrvtool {
namespace {

constexpr char kScanOptionsUsage[] =
    " [--no-subfolders] [--exclude ENDING]... [--timeout MS] [--no-embedded]\n";
constexpr char kAddUsage[] = "usage: qrvtool add CATALOG FOLDER NAME";
constexpr char kUpdateUsage[] = "usage: qrvtool update CATALOG DISK FOLDER";
// The progress line is redrawn at most this often, so that a walk of many small files is not
// held up by the terminal.
constexpr int kRedrawMilliseconds = 100;
constexpr int kProgressColumns = 100;

// `add` makes a new disk, `update` walks the folder of a catalogued one again.
enum class ScanCommand { kAdd, kUpdate };

struct ScanOptions {
  std::string catalogue;
  QString folder;
  std::string name;             // add: the new disk's, Windows-1251
  std::size_t disk_number = 0;  // update: the disk's number, 1-based
  bool include_subfolders = true;
  bool use_embedded_previews = true;
  std::vector<std::string> excluded;  // Windows-1251
  std::optional<int> timeout;
};

// The page's texts on one line of a terminal, redrawn in place.
class TerminalView : public ScanView {
 public:
  TerminalView(const ScanOptions& options, std::ostream& err, bool live)
      : options_(options), err_(err), live_(live) {
    redrawn_.start();
  }
  ~TerminalView() override {
    if (drawn_) err_ << '\n';
  }

  void SetStatusLine(const QString& text) override {
    status_ = text;
    Redraw(false);
  }
  void SetCounterLine(const QString& text) override {
    counter_ = text;
    Redraw(false);
  }
  void SetProgress(int position) override { progress_ = position; }
  void SetWaiting(bool) override {}
  bool TimeoutActive() override { return options_.timeout.has_value(); }
  // Without --timeout the box is unchecked and any positive time-out leaves the wait to the
  // renderer: it ends when the picture is done.
  QString TimeoutText() override { return QString::number(options_.timeout.value_or(1)); }
  std::vector<std::string> ExcludedEndings() override { return options_.excluded; }
  // No one can press "Пропустить" here: a folder that cannot be listed is named afterwards
  // instead of waited on.
  bool PersonCanSkip() override { return false; }

 private:
  void Redraw(bool force) {
    if (!live_ || (!force && redrawn_.elapsed() < kRedrawMilliseconds)) return;
    redrawn_.restart();
    QString line = counter_;
    if (progress_ >= 0) line += QStringLiteral(" %1%").arg(progress_);
    line += QLatin1Char(' ') + status_;
    if (line.size() > kProgressColumns) line = line.left(kProgressColumns - 1) + QChar(0x2026);
    err_ << "\r\x1b[K" << line.toStdString() << std::flush;
    drawn_ = true;
  }

  const ScanOptions& options_;
  std::ostream& err_;
  const bool live_;
  QString status_;
  QString counter_;
  int progress_ = -1;
  QElapsedTimer redrawn_;
  bool drawn_ = false;
};

struct UsageError {
  std::string message;
};

ScanOptions ParseScan(const std::vector<std::string>& args, ScanCommand command) {
  ScanOptions options;
  std::vector<std::string> positional;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--no-subfolders") {
      options.include_subfolders = false;
    } else if (arg == "--no-embedded") {
      options.use_embedded_previews = false;
    } else if (arg == "--exclude" || arg == "--timeout") {
      if (i + 1 == args.size()) throw UsageError{arg + " needs a value"};
      const std::string& value = args[++i];
      if (arg == "--exclude") {
        options.excluded.push_back(Utf8ToCp1251(value));
      } else {
        int ms = 0;
        const auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), ms);
        if (ec != std::errc() || end != value.data() + value.size() || ms < 0) {
          throw UsageError{"--timeout must be a number of milliseconds, not \"" + value + "\""};
        }
        options.timeout = ms;
      }
    } else if (arg.starts_with("--")) {
      throw UsageError{"unknown option " + arg};
    } else {
      positional.push_back(arg);
    }
  }
  const bool adding = command == ScanCommand::kAdd;
  if (positional.size() != 3) {
    throw UsageError{adding ? "add takes CATALOG FOLDER NAME" : "update takes CATALOG DISK FOLDER"};
  }
  // Paths are the file system's bytes, kept whole even where they are not UTF-8.
  options.catalogue = positional[0];
  const std::string& folder = positional[adding ? 1 : 2];
  const std::string& name = positional[adding ? 2 : 1];
  options.folder = PathToQString(std::filesystem::path(folder));
  std::error_code ec;
  if (!std::filesystem::is_directory(folder, ec)) {
    throw UsageError{"\"" + folder + "\" is not a folder"};
  }
  if (!adding) {
    const auto [end, ec] =
        std::from_chars(name.data(), name.data() + name.size(), options.disk_number);
    if (ec != std::errc() || end != name.data() + name.size() || options.disk_number == 0) {
      throw UsageError{"DISK must be a number from 1 on, as `qrvtool list` prints it, not \"" +
                       name + "\""};
    }
    return options;
  }
  options.name = Utf8ToCp1251(name);
  if (options.name.empty()) throw UsageError{"NAME must not be empty"};
  if (const std::string lost = CharactersNotInCp1251(name); !lost.empty()) {
    throw UsageError{"NAME holds characters that Windows-1251 cannot store: " + lost};
  }
  if (options.name.size() > kMaxNameBytes) {
    throw UsageError{"NAME is " + std::to_string(options.name.size()) +
                     " bytes long in Windows-1251; at most 255 can be stored"};
  }
  return options;
}

// Opens CATALOG, or starts it empty when there is no such file; an error message otherwise,
// also when it cannot take the new disk of `adding`.
std::optional<std::string> OpenCatalogue(CatalogDocument& document, const std::string& path,
                                         bool adding) {
  document.UseFile(std::filesystem::path(path));
  const ReloadOutcome outcome = document.Reload(true);
  if (!outcome.load_error.empty()) return outcome.load_error;
  if (outcome.not_a_catalogue) return "\"" + path + "\" is not a catalogue";
  if (const auto& damage = document.Index().Damage) {
    return path + ": damaged at offset " + std::to_string(damage->offset) + ": " + damage->reason +
           "; not changing it";
  }
  if (adding && document.Index().DiskCount >= static_cast<int>(kMaxDisks)) {
    return path + " already holds 65535 disks, the most a catalogue can";
  }
  return std::nullopt;
}

void DropQtMessage(QtMsgType, const QMessageLogContext&, const QString&) {}

// A second descriptor of stderr; stderr itself when none can be had.
int CopyOfStderr() {
  const int fd = ::fcntl(STDERR_FILENO, F_DUPFD_CLOEXEC, 3);
  return fd >= 0 ? fd : STDERR_FILENO;
}

}  // namespace

OwnStderr::OwnStderr() : fd_(CopyOfStderr()), buffer_(fd_), stream_(&buffer_) {
  qInstallMessageHandler(DropQtMessage);
  // Without a copy, pointing stderr nowhere would silence the tool too.
  if (fd_ == STDERR_FILENO) return;
  const int nowhere = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
  if (nowhere < 0) return;
  ::dup2(nowhere, STDERR_FILENO);
  ::close(nowhere);
}

OwnStderr::~OwnStderr() {
  qInstallMessageHandler(nullptr);
  if (fd_ == STDERR_FILENO) return;
  ::dup2(fd_, STDERR_FILENO);
  ::close(fd_);
}

OwnStderr::Buffer::int_type OwnStderr::Buffer::overflow(int_type c) {
  if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
  const char byte = traits_type::to_char_type(c);
  return xsputn(&byte, 1) == 1 ? c : traits_type::eof();
}

std::streamsize OwnStderr::Buffer::xsputn(const char* text, std::streamsize count) {
  std::streamsize written = 0;
  while (written < count) {
    const auto got = ::write(fd_, text + written, static_cast<std::size_t>(count - written));
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;
    written += got;
  }
  return written;
}

namespace {

// The 0-based index of disk number `number` (1-based, as `qrvtool list` prints it); an error
// message when the catalogue has no such disk.
std::variant<int, std::string> DiskNumbered(const CatalogIndex& index, std::size_t number) {
  if (number <= index.Disks.size()) return static_cast<int>(number - 1);
  return "the catalogue has " + std::to_string(index.Disks.size()) + " disks; there is no DISK " +
         std::to_string(number);
}

// add and update: the lock, the catalogue, the scan, the save and the notice.
int RunScan(const std::vector<std::string>& args, ScanCommand command, std::ostream& out,
            std::ostream& err, bool live_progress) {
  const bool adding = command == ScanCommand::kAdd;
  ScanOptions options;
  try {
    options = ParseScan(args, command);
  } catch (const UsageError& error) {
    err << "qrvtool: " << error.message << '\n'
        << (adding ? kAddUsage : kUpdateUsage) << kScanOptionsUsage;
    return kExitUsage;
  }
  // Held from reading the catalogue until the disk is saved: a scan takes long, and any change
  // another program made to the file meanwhile would be overwritten.
  std::optional<CatalogLock> lock;
  try {
    lock.emplace(QStringToPath(QString::fromStdString(options.catalogue)));
  } catch (const CatalogBusyError&) {
    err << "qrvtool: " << options.catalogue << ": " << kBusyMessage << '\n';
    return kExitBadCatalog;
  } catch (const CatalogError& error) {
    err << "qrvtool: " << error.what() << '\n';
    return kExitBadCatalog;
  }
  CatalogDocument document;
  if (const auto problem = OpenCatalogue(document, options.catalogue, adding)) {
    err << "qrvtool: " << *problem << '\n';
    return kExitBadCatalog;
  }
  int disk = -1;
  if (!adding) {
    const auto named = DiskNumbered(document.Index(), options.disk_number);
    if (const auto* problem = std::get_if<std::string>(&named)) {
      err << "qrvtool: " << options.catalogue << ": " << *problem << '\n';
      return kExitBadCatalog;
    }
    disk = std::get<int>(named);
  }

  ScanState state;
  state.IncludeSubfolders = options.include_subfolders;
  state.UseEmbeddedPreviews = options.use_embedded_previews;
  state.ScanFolder = options.folder;
  state.DiskName = options.name;
  state.ScanActive = true;
  ThumbnailPipeline thumbs;
  AddDiskSummary summary;
  DiskUpdateCounts counts;
  {
    TerminalView view(options, err, live_progress);
    try {
      if (adding) {
        summary = AddDisk(document, state, view, thumbs);
      } else {
        const UpdatedDisk updated = UpdateDisk(document, disk, state, view, thumbs);
        if (updated.summary.cancelled) throw ScanError("the update was stopped");
        summary = updated.summary;
        counts = updated.counts;
      }
    } catch (const std::exception& error) {
      err << "\nqrvtool: " << (adding ? "adding" : "updating")
          << " the disk failed, the catalogue is unchanged: " << error.what() << '\n';
      return kExitBadCatalog;
    }
  }
  try {
    document.Save();
  } catch (const std::exception& error) {
    err << "qrvtool: " << error.what() << '\n';
    return kExitBadCatalog;
  }
  for (const QString& path : summary.not_entered) {
    err << "qrvtool: not searched, cannot be opened: " << PathBytes(path) << '\n';
  }
  // The window's notice, in English: a count for each cause, then the files.
  const auto count_and_paths = [&err](const char* count, const char* each,
                                      const QStringList& paths) {
    if (paths.isEmpty()) return;
    err << "qrvtool: " << count << ": " << paths.size() << '\n';
    for (const QString& path : paths) err << "qrvtool: " << each << ": " << PathBytes(path) << '\n';
  };
  count_and_paths("could not read images", "cannot be decoded, stored as \"no preview\"",
                  summary.unreadable);
  count_and_paths("skipped images", "not rendered within the time-out, stored as \"no preview\"",
                  summary.skipped);
  count_and_paths("read errors", "read error, thumbnail made from the part read",
                  summary.read_errors);
  if (summary.replaced_paths > 0) {
    err << "qrvtool: paths with characters replaced by \"?\": " << summary.replaced_paths << '\n';
  }
  if (summary.thumb_limit_reached) {
    err << "qrvtool: a disk holds at most 65535 thumbnails; the rest were not added\n";
  }
  out << "found\t" << summary.found << '\n';
  if (adding) {
    out << "added\t" << summary.added << '\n';
  } else {
    out << "new\t" << counts.added << "\nchanged\t" << counts.changed << "\nremoved\t"
        << counts.removed << "\nunchanged\t" << counts.unchanged << "\nwithout_facts\t"
        << counts.without_facts << '\n';
  }
  return kExitOk;
}

}  // namespace

int RunAdd(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
           bool live_progress) {
  return RunScan(args, ScanCommand::kAdd, out, err, live_progress);
}

int RunUpdate(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
              bool live_progress) {
  return RunScan(args, ScanCommand::kUpdate, out, err, live_progress);
}

}  // namespace quorvel::qrvtool
