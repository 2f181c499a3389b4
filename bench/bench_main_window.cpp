// The main window's views over large catalogues, on the offscreen platform: choosing a disk of
// 65535 thumbnails until its first thumbnails are on screen (and what that choice costs in
// memory), painting one screenful of thumbnails, one thumbnail decode, and opening a 100 MB
// catalogue until both lists are painted beside reading the same file into memory.
//
// Run a Release build; `--benchmark_repetitions=N` makes the closing summary use medians.
#include <benchmark/benchmark.h>
#include <malloc.h>
#include <unistd.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QImage>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListView>
#include <QSize>
#include <QString>
#include <QStringList>
#include <QTreeView>
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "catalog/catalog_document.h"
#include "catalog/catalog_index.h"
#include "catalog/cp1251.h"
#include "catalog/disk_record_writer.h"
#include "catalog/format.h"
#include "catalog/stream.h"
#include "catalog/thumbnail_jpeg.h"
#include "mainwindow/main_window.h"
#include "paint_counter.h"
#include "platform/path_text.h"
#include "platform/user_prompts.h"
#include "settings/catalog_opening.h"
#include "support/catalog_builder.h"
#include "support/realistic_catalog.h"

namespace quorvel {
namespace {

using Clock = std::chrono::steady_clock;

constexpr int kLargeDiskThumbs = 65535;
constexpr int kSmallDiskThumbs = 20;
constexpr int kOpenDisks = 100;
constexpr int kOpenThumbsPerDisk = 420;  // about 100 MB of the gradient thumbnails
constexpr int kDistinctJpegs = 64;
// A window on a laptop's screen, its height then trimmed to whole rows: its view holds eight
// columns of five rows of thumbnails.
constexpr int kWindowWidth = 1280;
constexpr int kWindowHeight = 700;
// A view that has not painted by then is not going to.
constexpr int kPaintTimeoutMs = 10000;

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

// Heap bytes in use: the arenas' allocated chunks plus the blocks glibc maps on their own.
std::int64_t HeapInUse() {
  const struct mallinfo2 info = mallinfo2();
  return static_cast<std::int64_t>(info.uordblks + info.hblkhd);
}

// Resident set size from /proc/self/statm.
std::int64_t ResidentBytes() {
  std::ifstream statm("/proc/self/statm");
  std::int64_t pages_total = 0, pages_resident = 0;
  statm >> pages_total >> pages_resident;
  return pages_resident * sysconf(_SC_PAGESIZE);
}

// Answers nothing and remembers that it was asked: any question or notice means a broken
// fixture, since opening and browsing a sound catalogue asks the user nothing.
class QuietPrompts : public UserPrompts {
 public:
  void Warn(QWidget*, const QString&, const QString& text) override { warnings.append(text); }
  void Error(QWidget*, const QString&, const QString& text) override { warnings.append(text); }
  void Inform(QWidget*, const QString&, const QString& text) override { warnings.append(text); }
  Answer AskYesNoCancel(QWidget*, const QString&, const QString& text) override {
    warnings.append(text);
    return Answer::kCancel;
  }
  Answer WarnYesNo(QWidget*, const QString&, const QString& text) override {
    warnings.append(text);
    return Answer::kNo;
  }
  Answer ConfirmYesNo(QWidget*, const QString&, const QString& text) override {
    warnings.append(text);
    return Answer::kNo;
  }
  std::optional<QString> InputText(QWidget*, const QString&, const QString& prompt,
                                   const QString&) override {
    warnings.append(prompt);
    return std::nullopt;
  }
  QString ChooseFile(QFileDialog*) override {
    warnings.append(QStringLiteral("file dialog"));
    return {};
  }
  QString ChooseFolder(QWidget*, const QString& title, const QString&) override {
    warnings.append(title);
    return {};
  }
  QStringList warnings;
};

// Runs the event loop until every counter has gone past its `before` value. False on time-out.
bool ProcessUntilPainted(const std::vector<std::pair<const PaintCounter*, int>>& counters) {
  QElapsedTimer waited;
  waited.start();
  const auto all_painted = [&counters] {
    return std::all_of(counters.begin(), counters.end(),
                       [](const auto& c) { return c.first->count() > c.second; });
  };
  while (!all_painted()) {
    if (waited.elapsed() > kPaintTimeoutMs) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents);
  }
  return true;
}

// Image paths as a camera's card copied to a disk: "E:\Photos\2019\07\DSC_00001.JPG", 31 bytes.
std::string ImagePath(int disk, int k) {
  char path[64];
  std::snprintf(path, sizeof path, "E:\\Photos\\%04d\\%02d\\DSC_%05d.JPG", 2000 + disk % 24,
                1 + k / 5000 % 12, k + 1);
  return path;
}

// Real 100 x 100 quality-90 thumbnails, repeated through the catalogue.
const std::vector<Bytes>& JpegPool() {
  static const std::vector<Bytes> pool = [] {
    std::vector<Bytes> jpegs;
    for (int seed = 1; seed <= kDistinctJpegs; ++seed) {
      jpegs.push_back(testkit::GradientJpeg(static_cast<std::uint32_t>(seed)));
    }
    return jpegs;
  }();
  return pool;
}

struct DiskPlan {
  std::string name;
  int thumbs;
};

// Writes the catalogue through the program's own writer straight into one stream.
Bytes BuildCatalogue(const std::vector<DiskPlan>& disks) {
  const std::vector<Bytes>& pool = JpegPool();
  Bytes stream;
  int next = 0;
  for (std::size_t d = 0; d < disks.size(); ++d) {
    DiskRecordHead head = BeginDiskRecord(stream, disks[d].name);
    for (int k = 0; k < disks[d].thumbs; ++k) {
      const Bytes& jpeg = pool[static_cast<std::size_t>(next++ % kDistinctJpegs)];
      AppendThumbnailRecord(stream, head, ImagePath(static_cast<int>(d), k), ByteView(jpeg));
    }
    FinishDiskRecord(stream, head);
  }
  return stream;
}

// The image names of `disk` converted all at once, as the window once did for its list.
QStringList ConvertNames(const CatalogDocument& document, int disk) {
  const CatInfo& info = document.Index().Disks[static_cast<std::size_t>(disk)];
  QStringList names;
  names.reserve(static_cast<qsizetype>(info.Thumbs.size()));
  for (const Disc& thumb : info.Thumbs) {
    names.append(QString::fromStdString(Cp1251ToUtf8(thumb.Name())));
  }
  return names;
}

// The heap those names take, measured: the allocator's rounding included.
std::int64_t MeasuredNamesHeap(const CatalogDocument& document, int disk) {
  const std::int64_t before = HeapInUse();
  const QStringList names = ConvertNames(document, disk);
  return HeapInUse() - before;
}

// What the thumbnail view's model must hold for its items: one (disk, thumbnail) pair each. The
// names are converted only as items are painted.
std::int64_t HeldItemsSize(const QListView& view) {
  return static_cast<std::int64_t>(view.model()->rowCount()) *
         static_cast<std::int64_t>(sizeof(ThumbRef));
}

// The disk list sorts by name: the small disk is row 0, the large one row 1.
constexpr int kSmallRow = 0;
constexpr int kLargeRow = 1;

// A shown main window over a catalogue file in a folder of its own.
class OpenWindow {
 public:
  OpenWindow(const Bytes& catalogue, QSize size)
      : file_(folder_.File("catalogue.qrv", catalogue)),
        window_(document_, prompts_, folder_.path() / "quorvel.ini", opening_) {
    window_.OpenStartupCatalog(PathToQString(file_));
    window_.show();
    window_.resize(size);
    thumbnails_ = window_.findChild<QListView*>(QStringLiteral("thumbnail_view"));
    thumbnail_paints_ = std::make_unique<PaintCounter>(thumbnails_->viewport());
    ok_ = prompts_.warnings.isEmpty() && ProcessUntilPainted({{thumbnail_paints_.get(), 0}});
    // The height that shows whole rows only, so that every painted item is seen whole.
    const int item_height = thumbnails_->visualRect(thumbnails_->model()->index(0, 0)).height();
    const int viewport_height = thumbnails_->viewport()->height();
    if (ok_ && item_height > 0 && viewport_height % item_height != 0) {
      const int before = thumbnail_paints_->count();
      window_.resize(size.width(), size.height() - viewport_height % item_height);
      ok_ = ProcessUntilPainted({{thumbnail_paints_.get(), before}});
    }
  }

  bool ok() const { return ok_ && prompts_.warnings.isEmpty(); }
  MainWindow& window() { return window_; }
  const CatalogDocument& document() const { return document_; }
  QListView* thumbnails() const { return thumbnails_; }
  const PaintCounter& thumbnail_paints() const { return *thumbnail_paints_; }

  // Makes `row` of the disk list current and alone selected, as a click on it does.
  void SelectRow(int row) const {
    QTreeView* disks = window_.findChild<QTreeView*>(QStringLiteral("disk_list"));
    disks->setCurrentIndex(disks->model()->index(row, 0));
  }

  // Selects the row and runs the event loop until the view has painted after it. A row that
  // is already the one selected changes nothing and paints nothing.
  bool SelectAndPaint(int row) {
    const QTreeView* disks = window_.findChild<QTreeView*>(QStringLiteral("disk_list"));
    const QModelIndexList selected = disks->selectionModel()->selectedRows();
    if (selected.size() == 1 && selected.front().row() == row) return true;
    const int before = thumbnail_paints_->count();
    SelectRow(row);
    return ProcessUntilPainted({{thumbnail_paints_.get(), before}});
  }

  // Shows the large disk from its top, freshly chosen even when it was already shown.
  bool ShowLargeDisk() { return SelectAndPaint(kSmallRow) && SelectAndPaint(kLargeRow); }

  // Items of the view that the viewport shows at least in part.
  int VisibleItems() const {
    const QRect viewport = thumbnails_->viewport()->rect();
    const int rows = thumbnails_->model()->rowCount();
    int visible = 0;
    for (int row = 0; row < rows; ++row) {
      const QRect item = thumbnails_->visualRect(thumbnails_->model()->index(row, 0));
      if (item.top() > viewport.bottom()) break;
      if (item.intersects(viewport)) ++visible;
    }
    return visible;
  }

  std::int64_t FileSize() const { return static_cast<std::int64_t>(file_size(file_)); }

 private:
  testkit::TempDir folder_;
  std::filesystem::path file_;
  CatalogDocument document_;
  QuietPrompts prompts_;
  CatalogOpening opening_;
  MainWindow window_;
  QListView* thumbnails_ = nullptr;
  std::unique_ptr<PaintCounter> thumbnail_paints_;
  bool ok_ = false;
};

std::unique_ptr<OpenWindow> MakeSelectionWindow() {
  const Bytes catalogue = BuildCatalogue({{"Archive 2019", kLargeDiskThumbs},  // disk 1
                                          {"Album", kSmallDiskThumbs}});       // disk 2
  return std::make_unique<OpenWindow>(catalogue, QSize(kWindowWidth, kWindowHeight));
}

void SetGrowthCounters(benchmark::State& state, std::int64_t heap_growth, std::int64_t items) {
  state.counters["heap_growth_MB"] = static_cast<double>(heap_growth) / 1e6;
  state.counters["items_held_MB"] = static_cast<double>(items) / 1e6;
  state.counters["beyond_items_KB"] = static_cast<double>(heap_growth - items) / 1024;
}

// From the choice of the 65535-thumbnail disk, while a small one is shown, to the end of the
// view's first paint after it. The heap's growth over that choice is set beside what its
// items take. From the second choice on, storage the view grew for the large disk the
// first time (and kept while the small one was shown) is reused and not counted again.
void BM_SelectLargeDisk(benchmark::State& state, OpenWindow& fixture) {
  if (!fixture.ok()) {
    state.SkipWithError("the window over the catalogue did not come up");
    return;
  }
  double call_seconds = 0;
  std::int64_t heap_growth = 0;
  for (auto _ : state) {
    if (!fixture.SelectAndPaint(kSmallRow) ||
        fixture.thumbnails()->model()->rowCount() != kSmallDiskThumbs) {
      state.SkipWithError("the small disk was not shown");
      break;
    }
    const std::int64_t heap_before = HeapInUse();
    const int paints = fixture.thumbnail_paints().count();

    const Clock::time_point start = Clock::now();
    fixture.SelectRow(kLargeRow);
    const Clock::time_point selected = Clock::now();
    const bool painted = ProcessUntilPainted({{&fixture.thumbnail_paints(), paints}});
    const Clock::time_point end = Clock::now();

    if (!painted || fixture.thumbnails()->model()->rowCount() != kLargeDiskThumbs) {
      state.SkipWithError("the large disk was not painted");
      break;
    }
    heap_growth = HeapInUse() - heap_before;
    call_seconds += Seconds(selected - start);
    state.SetIterationTime(Seconds(end - start));
  }
  if (state.iterations() == 0) return;
  const double iterations = static_cast<double>(state.iterations());
  const std::int64_t items_held = HeldItemsSize(*fixture.thumbnails());
  const std::int64_t names_measured = MeasuredNamesHeap(fixture.document(), 0);
  state.counters["select_call_ms"] = call_seconds / iterations * 1e3;
  state.counters["names_measured_MB"] = static_cast<double>(names_measured) / 1e6;
  SetGrowthCounters(state, heap_growth, items_held);
}

// The very first choice of the large disk in a fresh window: the view grows its layout storage
// for 65535 items here. The resident size is shown too, though it mostly stays flat: the
// allocator reuses memory the process freed before (the catalogue built for the window), so
// the heap in use is the measure.
void BM_SelectLargeDiskFirstTime(benchmark::State& state) {
  for (auto _ : state) {
    std::unique_ptr<OpenWindow> fixture = MakeSelectionWindow();
    if (!fixture->ok() || !fixture->SelectAndPaint(kSmallRow)) {
      state.SkipWithError("the window over the catalogue did not come up");
      break;
    }
    const std::int64_t heap_before = HeapInUse();
    const std::int64_t rss_before = ResidentBytes();
    const int paints = fixture->thumbnail_paints().count();
    const Clock::time_point start = Clock::now();
    fixture->SelectRow(kLargeRow);
    const std::int64_t heap_after_call = HeapInUse();
    const bool painted = ProcessUntilPainted({{&fixture->thumbnail_paints(), paints}});
    state.SetIterationTime(Seconds(Clock::now() - start));
    if (!painted) {
      state.SkipWithError("the large disk was not painted");
      break;
    }
    const std::int64_t heap_growth = HeapInUse() - heap_before;
    // The call fills the items and resets the model; the layout and the paint come after.
    state.counters["call_growth_MB"] = static_cast<double>(heap_after_call - heap_before) / 1e6;
    state.counters["paint_growth_KB"] =
        static_cast<double>(heap_growth - (heap_after_call - heap_before)) / 1024;
    state.counters["rss_growth_MB"] = static_cast<double>(ResidentBytes() - rss_before) / 1e6;
    SetGrowthCounters(state, heap_growth, HeldItemsSize(*fixture->thumbnails()));
  }
}

// The view laying out the large disk's items again, as it does on every fill and resize.
void BM_LayoutLargeDisk(benchmark::State& state, OpenWindow& fixture) {
  if (!fixture.ok() || !fixture.ShowLargeDisk()) {
    state.SkipWithError("the large disk was not shown");
    return;
  }
  for (auto _ : state) fixture.thumbnails()->doItemsLayout();
  state.counters["items"] = fixture.thumbnails()->model()->rowCount();
}

// Converting the large disk's stored names all at once, which the view no longer does.
void BM_ConvertLargeDiskNames(benchmark::State& state, OpenWindow& fixture) {
  for (auto _ : state) {
    const QStringList names = ConvertNames(fixture.document(), 0);
    benchmark::DoNotOptimize(names.data());
  }
}

// One paint of the view's viewport with the large disk shown from its top: every visible
// item read, decoded and drawn, into an image of the viewport's size.
void BM_PaintThumbnailViewport(benchmark::State& state, OpenWindow& fixture) {
  if (!fixture.ok() || !fixture.ShowLargeDisk()) {
    state.SkipWithError("the large disk was not shown");
    return;
  }
  QWidget* viewport = fixture.thumbnails()->viewport();
  QImage image(viewport->size(), QImage::Format_ARGB32_Premultiplied);
  const int paints = fixture.thumbnail_paints().count();
  for (auto _ : state) {
    viewport->render(&image);
    benchmark::DoNotOptimize(image.constBits());
  }
  if (fixture.thumbnail_paints().count() - paints < state.iterations()) {
    state.SkipWithError("the viewport did not paint on every render");
    return;
  }
  const int visible = fixture.VisibleItems();
  state.counters["items_visible"] = visible;
  state.counters["viewport_w"] = viewport->width();
  state.counters["viewport_h"] = viewport->height();
}

// A thumbnail with a photograph's fine detail: a smooth scene under grain and sharp edges,
// which costs the entropy decoder more than a gradient does.
Bytes PhotoLikeJpeg() {
  Bytes pixels(kThumbSide * kThumbSide * 3);
  std::uint32_t noise = 2463534242u;
  for (int y = 0; y < kThumbSide; ++y) {
    for (int x = 0; x < kThumbSide; ++x) {
      noise ^= noise << 13, noise ^= noise >> 17, noise ^= noise << 5;
      const int grain = static_cast<int>(noise % 41) - 20;
      const bool ground = y > 55 + (x * 7 % 23) / 3;
      const bool stripe = ((x / 3 + y / 5) % 4) == 0;
      const int base_r = ground ? 70 + x / 2 : 120 + y;
      const int base_g = ground ? 110 + (stripe ? 40 : 0) : 160 + y / 2;
      const int base_b = ground ? 40 : 220 - y;
      std::uint8_t* p = &pixels[static_cast<std::size_t>((y * kThumbSide + x) * 3)];
      p[0] = static_cast<std::uint8_t>(std::clamp(base_r + grain, 0, 255));
      p[1] = static_cast<std::uint8_t>(std::clamp(base_g + grain, 0, 255));
      p[2] = static_cast<std::uint8_t>(std::clamp(base_b + grain, 0, 255));
    }
  }
  Bytes jpeg;
  AppendJpeg(jpeg, RgbView{pixels.data(), kThumbSide, kThumbSide, kThumbSide * 3});
  return jpeg;
}

// Every pixel random: the most a 100 x 100 quality-90 JPEG can ask of the decoder.
Bytes NoiseJpeg() {
  Bytes pixels(kThumbSide * kThumbSide * 3);
  std::uint32_t noise = 88172645u;
  for (std::uint8_t& p : pixels) {
    noise ^= noise << 13, noise ^= noise >> 17, noise ^= noise << 5;
    p = static_cast<std::uint8_t>(noise);
  }
  Bytes jpeg;
  AppendJpeg(jpeg, RgbView{pixels.data(), kThumbSide, kThumbSide, kThumbSide * 3});
  return jpeg;
}

// One decode as the view does it per paint, into a picture reused between decodes.
void BM_DecodeThumbnail(benchmark::State& state, const Bytes& jpeg) {
  RgbImage picture;
  for (auto _ : state) {
    if (!DecodeJpeg(ByteView(jpeg), picture)) {
      state.SkipWithError("the thumbnail does not decode");
      break;
    }
    benchmark::DoNotOptimize(picture.pixels.data());
  }
  state.counters["jpeg_bytes"] = static_cast<double>(jpeg.size());
}

// The 100 MB catalogue file for the opening benchmarks, written once. It is then in the page
// cache: both the load and the opening read it from memory, not from the disk.
class OpeningCatalogue {
 public:
  OpeningCatalogue() {
    std::vector<DiskPlan> disks;
    for (int d = 0; d < kOpenDisks; ++d) {
      char name[32];
      std::snprintf(name, sizeof name, "Disk %03d", d + 1);
      disks.push_back({name, kOpenThumbsPerDisk});
    }
    file_ = folder_.File("large.qrv", BuildCatalogue(disks));
  }
  const testkit::TempDir& folder() const { return folder_; }
  const std::filesystem::path& file() const { return file_; }

 private:
  testkit::TempDir folder_;
  std::filesystem::path file_;
};

// Reading the whole file into memory, what every opening must do at least.
void BM_LoadCatalogueFile(benchmark::State& state, const OpeningCatalogue& catalogue) {
  std::int64_t size = 0;
  for (auto _ : state) {
    const Bytes bytes = LoadFile(catalogue.file());
    benchmark::DoNotOptimize(bytes.data());
    size = static_cast<std::int64_t>(bytes.size());
  }
  state.SetBytesProcessed(state.iterations() * size);
  state.counters["file_MB"] = static_cast<double>(size) / 1e6;
}

// The document's part of an opening: the file read, the undo snapshot taken, the index built.
void BM_ReloadDocument(benchmark::State& state, const OpeningCatalogue& catalogue) {
  for (auto _ : state) {
    auto document = std::make_unique<CatalogDocument>();
    const Clock::time_point start = Clock::now();
    document->UseStartupFile(catalogue.file());
    const ReloadOutcome outcome = document->Reload(true);
    state.SetIterationTime(Seconds(Clock::now() - start));
    if (!outcome.read_file || document->Index().Disks.size() != kOpenDisks) {
      state.SkipWithError("the catalogue did not load whole");
      break;
    }
  }
}

// Opening the catalogue as start-up does: a new window, its creation over the file, the show,
// until both lists have painted. Closing the window is not timed.
void BM_OpenCatalogueWindow(benchmark::State& state, const OpeningCatalogue& catalogue) {
  const std::filesystem::path settings = catalogue.folder().path() / "quorvel.ini";
  const QString path = PathToQString(catalogue.file());
  for (auto _ : state) {
    const Clock::time_point start = Clock::now();
    bool painted = false;
    bool quiet = false;
    std::size_t disks = 0;
    {
      CatalogDocument document;
      QuietPrompts prompts;
      CatalogOpening opening;
      MainWindow window(document, prompts, settings, opening);
      PaintCounter disk_paints(
          window.findChild<QTreeView*>(QStringLiteral("disk_list"))->viewport());
      PaintCounter thumbnail_paints(
          window.findChild<QListView*>(QStringLiteral("thumbnail_view"))->viewport());
      window.OpenStartupCatalog(path);
      window.show();
      painted = ProcessUntilPainted({{&disk_paints, 0}, {&thumbnail_paints, 0}});
      state.SetIterationTime(Seconds(Clock::now() - start));
      quiet = prompts.warnings.isEmpty();
      disks = document.Index().Disks.size();
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    if (!painted || !quiet || disks != kOpenDisks) {
      state.SkipWithError("the catalogue did not open whole to a painted window");
      break;
    }
  }
}

// A word typed into the search field, letter by letter, over 1,000 disks of 1,000 realistic
// paths each, whose thumbnails are stand-ins drawn as empty frames (a decode costs each visible
// item what BM_DecodeThumbnail shows). Each letter is timed from its key to the end of the
// thumbnail view's paint after it. The field has the focus first, as a click or Ctrl+F gives it.
constexpr int kSearchDisks = 1000;
constexpr int kSearchThumbsPerDisk = 1000;

// The window's search field with the focus, as a click or Ctrl+F leaves it; null, with the
// benchmark skipped, when the window did not come up.
QLineEdit* FocusedSearchField(benchmark::State& state, OpenWindow& fixture) {
  auto* field = fixture.window().findChild<QLineEdit*>(QStringLiteral("SearchField"));
  if (!fixture.ok() || field == nullptr) {
    state.SkipWithError("the window over the catalogue did not come up");
    return nullptr;
  }
  fixture.window().activateWindow();
  field->setFocus();
  return field;
}

void BM_SearchAsTyped(benchmark::State& state, OpenWindow& fixture) {
  QLineEdit* field = FocusedSearchField(state, fixture);
  if (field == nullptr) return;
  QCoreApplication::processEvents();
  const QString word = QStringLiteral("отпуск");
  double worst = 0, total = 0;
  int letters = 0, first_results = 0;
  for (auto _ : state) {
    field->clear();
    QCoreApplication::processEvents();
    double slowest = 0;
    for (const QChar letter : word) {
      const int before = fixture.thumbnail_paints().count();
      const Clock::time_point start = Clock::now();
      QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(letter));
      QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(letter));
      QCoreApplication::sendEvent(field, &press);
      QCoreApplication::sendEvent(field, &release);
      if (!ProcessUntilPainted({{&fixture.thumbnail_paints(), before}})) {
        state.SkipWithError("the results were not painted");
        return;
      }
      const double seconds = Seconds(Clock::now() - start);
      if (letters % static_cast<int>(word.size()) == 0) {
        first_results = fixture.thumbnails()->model()->rowCount();
      }
      slowest = std::max(slowest, seconds);
      total += seconds;
      ++letters;
    }
    worst = std::max(worst, slowest);
    state.SetIterationTime(slowest);
  }
  if (field->text() != word) {
    state.SkipWithError("the field did not take the letters");
    return;
  }
  state.counters["worst_letter_ms"] = worst * 1e3;
  state.counters["mean_letter_ms"] = total / letters * 1e3;
  state.counters["first_letter_results"] = first_results;
  state.counters["word_results"] = fixture.thumbnails()->model()->rowCount();
}

// A query for a range of days pasted into the search field, over 1,000 disks of 1,000 thumbnails
// that carry their facts: from the paste to the end of the thumbnail view's paint of the results,
// and the same for a plain word of about as many results, the field cleared between runs.
void BM_SearchPasted(benchmark::State& state, OpenWindow& fixture, const QString& query) {
  QLineEdit* field = FocusedSearchField(state, fixture);
  if (field == nullptr) return;
  for (auto _ : state) {
    field->clear();
    QCoreApplication::processEvents();
    const int before = fixture.thumbnail_paints().count();
    const Clock::time_point start = Clock::now();
    field->setText(query);
    if (!ProcessUntilPainted({{&fixture.thumbnail_paints(), before}})) {
      state.SkipWithError("the results were not painted");
      return;
    }
    state.SetIterationTime(Seconds(Clock::now() - start));
  }
  state.counters["results"] = fixture.thumbnails()->model()->rowCount();
}

// The usual console output, then one line per figure: the median over repetitions (the one
// run without them), beside the bound it is held to.
class SummaryReporter : public benchmark::ConsoleReporter {
 public:
  using ConsoleReporter::ConsoleReporter;

  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      if (run.error_occurred) continue;
      const double to_ms = benchmark::GetTimeUnitMultiplier(benchmark::kMillisecond) /
                           benchmark::GetTimeUnitMultiplier(run.time_unit);
      const double ms = run.GetAdjustedRealTime() * to_ms;
      const double cpu_ms = run.GetAdjustedCPUTime() * to_ms;
      Sample& sample = samples_[run.run_name.function_name];
      if (run.run_type == Run::RT_Iteration) {
        sample.ms.push_back(ms);
        sample.cpu_ms.push_back(cpu_ms);
        for (const auto& [name, counter] : run.counters) sample.counters[name].push_back(counter);
      } else if (run.aggregate_name == "median") {
        // The library's median of the repetitions, also when they are not reported one by one.
        sample.repetitions = static_cast<std::size_t>(run.repetitions);
        sample.ms = {ms};
        sample.cpu_ms = {cpu_ms};
        sample.counters.clear();
        for (const auto& [name, counter] : run.counters) sample.counters[name] = {counter};
      }
    }
    ConsoleReporter::ReportRuns(runs);
  }

  void Finalize() override {
    ConsoleReporter::Finalize();
    std::ostream& out = GetOutputStream();
    out << "\nSummary (medians of " << Repetitions() << " run(s)):\n";
    const double select = Ms("BM_SelectLargeDisk");
    Line(out, "choose a disk of 65535 thumbnails until painted", select, "ms", 50);
    Line(out, "  of it: the selection call (items, model reset)",
         Counter("BM_SelectLargeDisk", "select_call_ms"), "ms", 0);
    Line(out, "  the same, the first time in a fresh window", Ms("BM_SelectLargeDiskFirstTime"),
         "ms", 50);
    Line(out, "  heap growth", Counter("BM_SelectLargeDisk", "heap_growth_MB"), "MB", 0);
    Line(out, "  items as held (computed)", Counter("BM_SelectLargeDisk", "items_held_MB"), "MB",
         0);
    Line(out, "  its names, were they converted up front (measured)",
         Counter("BM_SelectLargeDisk", "names_measured_MB"), "MB", 0);
    Line(out, "  growth beyond the items", Counter("BM_SelectLargeDisk", "beyond_items_KB"), "KB",
         1024);
    Line(out, "  first time: growth beyond the items",
         Counter("BM_SelectLargeDiskFirstTime", "beyond_items_KB"), "KB", 1024);
    Line(out, "  first time: growth in the selection call",
         Counter("BM_SelectLargeDiskFirstTime", "call_growth_MB"), "MB", 0);
    Line(out, "  first time: growth in layout and paint",
         Counter("BM_SelectLargeDiskFirstTime", "paint_growth_KB"), "KB", 0);
    Line(out, "  first time: resident growth",
         Counter("BM_SelectLargeDiskFirstTime", "rss_growth_MB"), "MB", 0);
    Line(out, "  view layout of 65535 items", Ms("BM_LayoutLargeDisk"), "ms", 0);
    Line(out, "  conversion of 65535 names", Ms("BM_ConvertLargeDiskNames"), "ms", 0);
    Line(out, "paint one viewport of thumbnails", Ms("BM_PaintThumbnailViewport"), "ms", 8);
    Line(out, "  its CPU time", CpuMs("BM_PaintThumbnailViewport"), "ms", 0);
    const double visible = Counter("BM_PaintThumbnailViewport", "items_visible");
    Line(out, "  items visible", visible, "", 0);
    if (visible > 0) Line(out, "  per item", Ms("BM_PaintThumbnailViewport") / visible, "ms", 0);
    for (const char* kind : {"gradient", "photo_like", "noise"}) {
      const std::string name = std::string("BM_DecodeThumbnail/") + kind;
      Line(out, "decode one 100 x 100 thumbnail, " + std::string(kind), Ms(name), "ms",
           std::string(kind) == "noise" ? 0 : 0.2);
    }
    Line(out, "search as typed, 1,000,000 thumbnails: slowest letter",
         Counter("BM_SearchAsTyped", "worst_letter_ms"), "ms", 50);
    Line(out, "  mean letter", Counter("BM_SearchAsTyped", "mean_letter_ms"), "ms", 0);
    Line(out, "  results of the first letter", Counter("BM_SearchAsTyped", "first_letter_results"),
         "", 0);
    Line(out, "  results of the word", Counter("BM_SearchAsTyped", "word_results"), "", 0);
    Line(out, "search pasted, 1,000,000 thumbnails with facts: a range of days",
         Ms("BM_SearchPasted/date_range"), "ms", 30);
    Line(out, "  a range of years and a word", Ms("BM_SearchPasted/date_range_and_word"), "ms",
         30);
    Line(out, "  a camera", Ms("BM_SearchPasted/camera"), "ms", 30);
    Line(out, "  a plain word", Ms("BM_SearchPasted/word"), "ms", 0);
    const double open = Ms("BM_OpenCatalogueWindow");
    const double load = Ms("BM_LoadCatalogueFile");
    Line(out, "open the catalogue to a painted window", open, "ms", 0);
    Line(out, "  of it: the document's reload (read, snapshot, index)", Ms("BM_ReloadDocument"),
         "ms", 0);
    Line(out, "  read the same file into memory", load, "ms", 0);
    Line(out, "  its CPU time", CpuMs("BM_LoadCatalogueFile"), "ms", 0);
    Line(out, "  file size", Counter("BM_LoadCatalogueFile", "file_MB"), "MB", 0);
    if (open > 0 && load > 0) Line(out, "  opening / reading", open / load, "x", 2);
  }

 private:
  struct Sample {
    std::vector<double> ms;
    std::vector<double> cpu_ms;  // also what other processes took, when the times differ
    std::map<std::string, std::vector<double>> counters;
    std::size_t repetitions = 0;  // set by the median of repetitions, which then stands alone
  };

  static double Median(std::vector<double> values) {
    if (values.empty()) return -1;
    std::sort(values.begin(), values.end());
    const std::size_t mid = values.size() / 2;
    return values.size() % 2 ? values[mid] : (values[mid - 1] + values[mid]) / 2;
  }

  const Sample* Find(const std::string& name) const {
    const auto it = samples_.find(name);
    return it == samples_.end() ? nullptr : &it->second;
  }
  double Ms(const std::string& name) const {
    const Sample* sample = Find(name);
    return sample ? Median(sample->ms) : -1;
  }
  double CpuMs(const std::string& name) const {
    const Sample* sample = Find(name);
    return sample ? Median(sample->cpu_ms) : -1;
  }
  double Counter(const std::string& name, const std::string& counter) const {
    const Sample* sample = Find(name);
    if (!sample) return -1;
    const auto it = sample->counters.find(counter);
    return it == sample->counters.end() ? -1 : Median(it->second);
  }
  std::size_t Repetitions() const {
    std::size_t most = 0;
    for (const auto& [name, sample] : samples_) {
      most = std::max({most, sample.ms.size(), sample.repetitions});
    }
    return most;
  }
  // A negative value was not measured; a bound of 0 is shown for information only.
  static void Line(std::ostream& out, const std::string& what, double value, const char* unit,
                   double bound) {
    char text[256];
    if (value < 0) {
      std::snprintf(text, sizeof text, "  %-55s not measured\n", what.c_str());
    } else if (bound > 0) {
      std::snprintf(text, sizeof text, "  %-55s %10.3f %-2s (at most %g: %s)\n", what.c_str(),
                    value, unit, bound, value <= bound ? "met" : "MISSED");
    } else {
      std::snprintf(text, sizeof text, "  %-55s %10.3f %s\n", what.c_str(), value, unit);
    }
    out << text;
  }

  std::map<std::string, Sample> samples_;
};

}  // namespace
}  // namespace quorvel

int main(int argc, char** argv) {
  using quorvel::OpenWindow;
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  // The views paint into memory; no display is needed or wanted.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);

  {
    const std::unique_ptr<OpenWindow> selection = quorvel::MakeSelectionWindow();
    const quorvel::OpeningCatalogue opening;
    OpenWindow searching(
        quorvel::testkit::RealisticCatalog(quorvel::kSearchDisks, quorvel::kSearchThumbsPerDisk, 7),
        QSize(quorvel::kWindowWidth, quorvel::kWindowHeight));
    OpenWindow searching_facts(quorvel::testkit::RealisticCatalogWithFacts(
                                   quorvel::kSearchDisks, quorvel::kSearchThumbsPerDisk, 7),
                               QSize(quorvel::kWindowWidth, quorvel::kWindowHeight));
    const quorvel::Bytes gradient = quorvel::JpegPool().front();
    const quorvel::Bytes photo_like = quorvel::PhotoLikeJpeg();
    const quorvel::Bytes noise = quorvel::NoiseJpeg();
    std::printf("selection catalogue: %.1f MB; opening catalogue: %.1f MB; window %dx%d\n",
                static_cast<double>(selection->FileSize()) / 1e6,
                static_cast<double>(file_size(opening.file())) / 1e6, selection->window().width(),
                selection->window().height());

    benchmark::RegisterBenchmark("BM_SelectLargeDisk", quorvel::BM_SelectLargeDisk,
                                 std::ref(*selection))
        ->Unit(benchmark::kMillisecond)
        ->UseManualTime();
    benchmark::RegisterBenchmark("BM_SelectLargeDiskFirstTime",
                                 quorvel::BM_SelectLargeDiskFirstTime)
        ->Unit(benchmark::kMillisecond)
        ->UseManualTime()
        ->Iterations(1);
    benchmark::RegisterBenchmark("BM_LayoutLargeDisk", quorvel::BM_LayoutLargeDisk,
                                 std::ref(*selection))
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    benchmark::RegisterBenchmark("BM_ConvertLargeDiskNames", quorvel::BM_ConvertLargeDiskNames,
                                 std::ref(*selection))
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    benchmark::RegisterBenchmark("BM_PaintThumbnailViewport", quorvel::BM_PaintThumbnailViewport,
                                 std::ref(*selection))
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    for (const auto& [kind, jpeg] :
         {std::pair{"gradient", &gradient}, std::pair{"photo_like", &photo_like},
          std::pair{"noise", &noise}}) {
      benchmark::RegisterBenchmark((std::string("BM_DecodeThumbnail/") + kind).c_str(),
                                   quorvel::BM_DecodeThumbnail, std::cref(*jpeg))
          ->Unit(benchmark::kMicrosecond);
    }
    benchmark::RegisterBenchmark("BM_LoadCatalogueFile", quorvel::BM_LoadCatalogueFile,
                                 std::cref(opening))
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    benchmark::RegisterBenchmark("BM_ReloadDocument", quorvel::BM_ReloadDocument,
                                 std::cref(opening))
        ->Unit(benchmark::kMillisecond)
        ->UseManualTime();
    benchmark::RegisterBenchmark("BM_OpenCatalogueWindow", quorvel::BM_OpenCatalogueWindow,
                                 std::cref(opening))
        ->Unit(benchmark::kMillisecond)
        ->UseManualTime();

    benchmark::RegisterBenchmark("BM_SearchAsTyped", quorvel::BM_SearchAsTyped, std::ref(searching))
        ->Unit(benchmark::kMillisecond)
        ->UseManualTime();
    for (const auto& [name, query] :
         {std::pair{"BM_SearchPasted/date_range", QStringLiteral("дата:2010-07-01..2010-08-15")},
          std::pair{"BM_SearchPasted/date_range_and_word", QStringLiteral("дата:2005..2012 крым")},
          std::pair{"BM_SearchPasted/camera", QStringLiteral("камера:canon")},
          std::pair{"BM_SearchPasted/word", QStringLiteral("крым")}}) {
      benchmark::RegisterBenchmark(name, quorvel::BM_SearchPasted, std::ref(searching_facts), query)
          ->Unit(benchmark::kMillisecond)
          ->UseManualTime();
    }

    quorvel::SummaryReporter reporter(isatty(STDOUT_FILENO)
                                          ? quorvel::SummaryReporter::OO_ColorTabular
                                          : quorvel::SummaryReporter::OO_Tabular);
    benchmark::RunSpecifiedBenchmarks(&reporter);
  }
  benchmark::Shutdown();
  return 0;
}
