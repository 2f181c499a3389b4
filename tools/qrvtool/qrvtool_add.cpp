#include "qrvtool_add.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <charconv>
#include <filesystem>
#include <optional>
#include <utility>

#include "adddisk/add_disk.h"
#include "adddisk/scan_view.h"
#include "catalog/catalog_document.h"
#include "catalog/catalog_lock.h"
#include "catalog/cp1251.h"
#include "catalog/format.h"
#include "platform/path_text.h"
#include "platform/thumb_control.h"
#include "qrvtool.h"

namespace quorvel::qrvtool {
namespace {

constexpr char kAddUsage[] =
    "usage: qrvtool add CATALOG FOLDER NAME [--no-subfolders] [--exclude ENDING]... "
    "[--timeout MS]\n";
// The progress line is redrawn at most this often, so that a walk of many small files is not
// held up by the terminal.
constexpr int kRedrawMilliseconds = 100;
constexpr int kProgressColumns = 100;

struct AddOptions {
  std::string catalogue;
  QString folder;
  std::string name;  // Windows-1251
  bool include_subfolders = true;
  std::vector<std::string> excluded;  // Windows-1251
  std::optional<int> timeout;
};

// The page's texts on one line of a terminal, redrawn in place.
class TerminalView : public ScanView {
 public:
  TerminalView(const AddOptions& options, std::ostream& err, bool live)
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

  const AddOptions& options_;
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

AddOptions ParseAdd(const std::vector<std::string>& args) {
  AddOptions options;
  std::vector<std::string> positional;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--no-subfolders") {
      options.include_subfolders = false;
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
  if (positional.size() != 3) throw UsageError{"add takes CATALOG FOLDER NAME"};
  options.catalogue = positional[0];
  options.folder = QString::fromStdString(positional[1]);
  options.name = Utf8ToCp1251(positional[2]);
  if (!QFileInfo(options.folder).isDir()) {
    throw UsageError{"\"" + positional[1] + "\" is not a folder"};
  }
  if (options.name.empty()) throw UsageError{"NAME must not be empty"};
  if (options.name.size() > kMaxNameBytes) {
    throw UsageError{"NAME is " + std::to_string(options.name.size()) +
                     " bytes long in Windows-1251; at most 255 can be stored"};
  }
  return options;
}

// Opens CATALOG, or starts it empty when there is no such file; an error message otherwise.
std::optional<std::string> OpenCatalogue(CatalogDocument& document, const std::string& path) {
  document.UseFile(QStringToPath(QString::fromStdString(path)));
  const ReloadOutcome outcome = document.Reload(true);
  if (!outcome.load_error.empty()) return outcome.load_error;
  if (outcome.not_a_catalogue) return "\"" + path + "\" is not a catalogue";
  if (const auto& damage = document.Index().Damage) {
    return path + ": damaged at offset " + std::to_string(damage->offset) + ": " + damage->reason +
           "; not adding to it";
  }
  if (document.Index().DiskCount >= static_cast<int>(kMaxDisks)) {
    return path + " already holds 65535 disks, the most a catalogue can";
  }
  return std::nullopt;
}

}  // namespace

int RunAdd(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
           bool live_progress) {
  AddOptions options;
  try {
    options = ParseAdd(args);
  } catch (const UsageError& error) {
    err << "qrvtool: " << error.message << '\n' << kAddUsage;
    return kExitUsage;
  }
  // Held from reading the catalogue until the new disk is saved: a scan takes long, and any
  // change another program made to the file meanwhile would be overwritten.
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
  if (const auto problem = OpenCatalogue(document, options.catalogue)) {
    err << "qrvtool: " << *problem << '\n';
    return kExitBadCatalog;
  }

  ScanState state;
  state.IncludeSubfolders = options.include_subfolders;
  state.ScanFolder = options.folder;
  state.DiskName = options.name;
  state.ScanActive = true;
  ThumbControl thumb;
  AddDiskSummary summary;
  {
    TerminalView view(options, err, live_progress);
    try {
      summary = AddDisk(document, state, view, thumb);
    } catch (const std::exception& error) {
      err << "\nqrvtool: adding the disk failed, the catalogue is unchanged: " << error.what()
          << '\n';
      return kExitBadCatalog;
    }
  }
  try {
    document.Save();
  } catch (const std::exception& error) {
    err << "qrvtool: " << error.what() << '\n';
    return kExitBadCatalog;
  }
  for (const QString& path : summary.not_captured) {
    err << "qrvtool: not added, cannot be decoded: " << path.toStdString() << '\n';
  }
  if (summary.thumb_limit_reached) {
    err << "qrvtool: a disk holds at most 65535 thumbnails; the rest were not added\n";
  }
  out << "found\t" << summary.found << "\nadded\t" << summary.added << '\n';
  return kExitOk;
}

}  // namespace quorvel::qrvtool
