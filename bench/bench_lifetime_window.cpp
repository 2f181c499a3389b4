// The main window over a catalogue of a lifetime's discs (500 disks x 1,000 real thumbnails,
// about 1.3 GB): opening it until the disk list is painted, deleting one disk and undoing that
// until the list is repainted, the anonymous memory the delete holds, and one repaint of a disk's
// thumbnails. These are today's figures, the ones a change that makes an edit cost the change
// rather than the file is measured against.
//
// Usage: bench_lifetime_window [rounds]  (5 by default). Each figure is the median of the rounds;
// each round is a fresh document and window, so that every delete is the first after an open, as
// a user's is. QT_QPA_PLATFORM chooses the platform (offscreen when unset).
#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QKeyEvent>
#include <QListView>
#include <QTemporaryDir>
#include <QTreeView>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "catalog/catalog_document.h"
#include "lifetime_catalogue.h"
#include "mainwindow/main_window.h"
#include "paint_counter.h"
#include "platform/path_text.h"
#include "platform/user_prompts.h"
#include "settings/catalog_opening.h"

namespace quorvel {
namespace {

using Clock = std::chrono::steady_clock;

// The thumbnail view is measured showing eight columns of five rows: a laptop's screenful.
constexpr int kColumnsShown = 8;
constexpr int kRowsShown = 5;
// Generous: the work being waited for is done before the wait starts; only the paint is left.
constexpr int kPaintTimeoutMs = 30000;

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

// RssAnon of /proc/self/status in MB: the heap's pages actually in memory, which is where the
// catalogue's bytes and their copies live (the file's page cache is not counted).
double RssAnonMb() {
  std::ifstream status("/proc/self/status");
  std::string key;
  while (status >> key) {
    if (key == "RssAnon:") {
      double kb = 0;
      status >> kb;
      return kb * 1024 / 1e6;
    }
    status.ignore(4096, '\n');
  }
  return -1;
}

// Says yes to the delete's confirmation, as the user who pressed Delete does; anything else
// asked means the run is not the one intended, and is kept to be reported.
class YesPrompts : public UserPrompts {
 public:
  void Warn(QWidget*, const QString&, const QString& text) override { unexpected.append(text); }
  void Error(QWidget*, const QString&, const QString& text) override { unexpected.append(text); }
  void Inform(QWidget*, const QString&, const QString& text) override { unexpected.append(text); }
  Answer AskYesNoCancel(QWidget*, const QString&, const QString& text) override {
    unexpected.append(text);
    return Answer::kCancel;
  }
  Answer WarnYesNo(QWidget*, const QString&, const QString& text) override {
    unexpected.append(text);
    return Answer::kNo;
  }
  Answer ConfirmYesNo(QWidget*, const QString&, const QString&) override {
    ++confirmations;
    return Answer::kYes;
  }
  std::optional<QString> InputText(QWidget*, const QString&, const QString& prompt,
                                   const QString&) override {
    unexpected.append(prompt);
    return std::nullopt;
  }
  QString ChooseFile(QFileDialog*) override {
    unexpected.append(QStringLiteral("file dialog"));
    return {};
  }
  QString ChooseFolder(QWidget*, const QString& title, const QString&) override {
    unexpected.append(title);
    return {};
  }

  int confirmations = 0;
  QStringList unexpected;
};

// Runs the event loop until `counter` has gone past `before`. False on time-out.
bool ProcessUntilPainted(const PaintCounter& counter, int before) {
  QElapsedTimer waited;
  waited.start();
  while (counter.count() <= before) {
    if (waited.elapsed() > kPaintTimeoutMs) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents);
  }
  return true;
}

// Items of the view that its viewport shows at least in part.
int VisibleItems(const QListView& view) {
  const QRect viewport = view.viewport()->rect();
  int visible = 0;
  for (int row = 0; row < view.model()->rowCount(); ++row) {
    const QRect item = view.visualRect(view.model()->index(row, 0));
    if (item.top() > viewport.bottom()) break;
    if (item.intersects(viewport)) ++visible;
  }
  return visible;
}

struct Round {
  std::map<std::string, double> figures;
  int visible_thumbnails = 0;
};

// One open, delete, undo and repaint in a fresh window; the reason when it went wrong.
std::optional<std::string> RunRound(const QString& catalogue, std::size_t disks, Round& round) {
  // A settings file of its own, so that no round opens at the placement the last one left.
  QTemporaryDir settings_dir;
  const std::filesystem::path settings = QStringToPath(settings_dir.filePath("quorvel.ini"));
  CatalogDocument document;
  YesPrompts prompts;
  CatalogOpening opening;

  const Clock::time_point open_start = Clock::now();
  MainWindow window(document, prompts, settings, opening);
  auto* list = window.findChild<QTreeView*>(QStringLiteral("disk_list"));
  auto* thumbnails = window.findChild<QListView*>(QStringLiteral("thumbnail_view"));
  // Installed before the show and the load, so that no paint of the list is missed; the
  // window's constructor paints nothing, its cost is inside the measured span anyway.
  PaintCounter list_paints(list->viewport());
  PaintCounter thumbnail_paints(thumbnails->viewport());
  const Clock::time_point load_start = Clock::now();
  window.OpenStartupCatalog(catalogue);
  round.figures["load_s"] = Ms(Clock::now() - load_start) / 1e3;
  window.show();
  // The load is synchronous, so the list's first paint is of its rows.
  if (!ProcessUntilPainted(list_paints, 0)) return "the disk list was never painted";
  round.figures["open_s"] = Ms(Clock::now() - open_start) / 1e3;
  if (document.Index().Disks.size() != disks || list->model()->rowCount() == 0) {
    return "the catalogue did not open whole";
  }
  round.figures["rss_open_mb"] = RssAnonMb();

  const int middle = list->model()->rowCount() / 2;
  int before = thumbnail_paints.count();
  list->setCurrentIndex(list->model()->index(middle, 0));
  if (!ProcessUntilPainted(thumbnail_paints, before)) return "the middle disk was not shown";
  // The window grows by what the view lacks for whole columns and rows of its items (the
  // start-up size shows only a few); the rest of the round runs at that size.
  const QSize item = thumbnails->visualRect(thumbnails->model()->index(0, 0)).size();
  const QSize lacking =
      QSize(kColumnsShown * item.width() + item.width() / 2, kRowsShown * item.height()) -
      thumbnails->viewport()->size();
  window.resize(window.size() + lacking);
  QCoreApplication::processEvents();

  // Delete: the key goes to the list, whose keys the window turns into the "RemoveDisk" action;
  // the confirmation is answered yes at once.
  const double rss_before = RssAnonMb();
  before = list_paints.count();
  const Clock::time_point delete_start = Clock::now();
  QKeyEvent press(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier);
  QKeyEvent release(QEvent::KeyRelease, Qt::Key_Delete, Qt::NoModifier);
  QCoreApplication::sendEvent(list, &press);
  QCoreApplication::sendEvent(list, &release);
  // The command runs inside the key's delivery: the new bytes, the document taking them, the
  // lists refilled. What follows is layout and paint.
  round.figures["delete_call_ms"] = Ms(Clock::now() - delete_start);
  if (!ProcessUntilPainted(list_paints, before)) return "the list was not repainted after delete";
  round.figures["delete_ms"] = Ms(Clock::now() - delete_start);
  round.figures["rss_delete_mb"] = RssAnonMb() - rss_before;
  if (prompts.confirmations != 1 || document.Index().Disks.size() != disks - 1) {
    return "the delete did not happen";
  }

  // Undo: the action Ctrl+Z triggers. The key itself reaches it only through Qt's shortcut map,
  // which needs a real key path (Qt Test or the platform's input); what it runs is the same.
  auto* undo = window.findChild<QAction*>(QStringLiteral("Undo"));
  before = list_paints.count();
  const Clock::time_point undo_start = Clock::now();
  undo->trigger();
  if (!ProcessUntilPainted(list_paints, before)) return "the list was not repainted after undo";
  round.figures["undo_ms"] = Ms(Clock::now() - undo_start);
  round.figures["rss_undo_mb"] = RssAnonMb() - rss_before;
  if (document.Index().Disks.size() != disks) return "the undo did not bring the disk back";

  // One repaint of a disk's thumbnails: every visible item read, decoded and drawn (the
  // delegate keeps no decoded pictures, so each repaint does all of that again).
  before = thumbnail_paints.count();
  list->setCurrentIndex(list->model()->index(middle, 0));
  if (!ProcessUntilPainted(thumbnail_paints, before)) return "the disk was not shown";
  QCoreApplication::processEvents();
  before = thumbnail_paints.count();
  const Clock::time_point paint_start = Clock::now();
  thumbnails->viewport()->repaint();
  round.figures["paint_ms"] = Ms(Clock::now() - paint_start);
  if (thumbnail_paints.count() == before) return "the thumbnail view did not repaint";
  round.visible_thumbnails = VisibleItems(*thumbnails);

  // Save after deleting a disk: the action "Сохранить" until it returns, the file replaced.
  // The catalogue is a copy of the benchmark's own, put back by an undo and a second save.
  list->setCurrentIndex(list->model()->index(middle, 0));
  QCoreApplication::sendEvent(list, &press);
  QCoreApplication::sendEvent(list, &release);
  auto* save = window.findChild<QAction*>(QStringLiteral("Save"));
  const Clock::time_point save_start = Clock::now();
  save->trigger();
  round.figures["save_s"] = Ms(Clock::now() - save_start) / 1e3;
  if (document.Modified() || document.Index().Disks.size() != disks - 1) {
    return "the save after the delete did not happen";
  }
  document.Undo();
  document.Save();
  if (document.Modified() || document.Index().Disks.size() != disks) {
    return "the catalogue was not put back";
  }

  if (!prompts.unexpected.isEmpty()) return "asked: " + prompts.unexpected.front().toStdString();
  return std::nullopt;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const std::size_t mid = values.size() / 2;
  return values.size() % 2 ? values[mid] : (values[mid - 1] + values[mid]) / 2;
}

}  // namespace
}  // namespace quorvel

int main(int argc, char** argv) {
  using namespace quorvel;
  const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);

  // The same file the catalogue benchmark uses, written once and reused by both.
  const char* tmp = std::getenv("TMPDIR");
  const std::filesystem::path folder =
      std::filesystem::path(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") / "quorvel-lifetime";
  const std::filesystem::path made = folder / "lifetime.qrv";
  const LifetimeShape shape;
  std::string error;
  std::filesystem::create_directories(folder);
  if (!MakeLifetimeCatalogue(made, shape, &error)) {
    std::fprintf(stderr, "bench_lifetime_window: %s\n", error.c_str());
    return 1;
  }
  // The rounds save, so they work on a copy.
  const std::filesystem::path path = folder / "window.qrv";
  std::filesystem::copy_file(made, path, std::filesystem::copy_options::overwrite_existing);
  std::printf("catalogue %s: %.1f MB, %d disks x %d thumbnails; platform %s; %d round(s)\n",
              path.c_str(), static_cast<double>(std::filesystem::file_size(path)) / 1e6,
              shape.disks, shape.thumbs_per_disk, qPrintable(QApplication::platformName()), rounds);

  std::map<std::string, std::vector<double>> samples;
  int visible = 0;
  for (int r = 0; r < rounds; ++r) {
    Round round;
    if (const auto failure = RunRound(PathToQString(path), shape.disks, round)) {
      std::fprintf(stderr, "round %d: %s\n", r + 1, failure->c_str());
      return 1;
    }
    for (const auto& [name, value] : round.figures) samples[name].push_back(value);
    visible = round.visible_thumbnails;
    // The window's deleted children go now, not during the next round's timing.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }

  std::printf("\n%-52s %10s %10s %10s\n", "", "median", "min", "max");
  const auto line = [&samples](const char* what, const char* name) {
    const std::vector<double>& values = samples[name];
    std::printf("%-52s %10.3f %10.3f %10.3f\n", what, Median(values),
                *std::min_element(values.begin(), values.end()),
                *std::max_element(values.begin(), values.end()));
  };
  line("open until the disk list painted (s)", "open_s");
  line("  of it: OpenStartupCatalog (read, index, lists) (s)", "load_s");
  line("RssAnon after opening (MB)", "rss_open_mb");
  line("delete one disk, key to list repainted (ms)", "delete_ms");
  line("  of it: the key's delivery, the command run (ms)", "delete_call_ms");
  line("undo, action to list repainted (ms)", "undo_ms");
  line("RssAnon growth by the delete (MB)", "rss_delete_mb");
  line("RssAnon growth after the undo, from before (MB)", "rss_undo_mb");
  char what[64];
  std::snprintf(what, sizeof what, "repaint of the thumbnail view, %d shown (ms)", visible);
  line(what, "paint_ms");
  line("save after deleting a disk, action to return (s)", "save_s");
  std::filesystem::remove(path);
  return 0;
}
