#include "adddisk/add_disk_page.h"

#include <QCheckBox>
#include <QDesktopServices>
#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMetaObject>
#include <QProgressBar>
#include <QPushButton>
#include <QStyle>
#include <QThread>
#include <QToolButton>
#include <QUrl>
#include <algorithm>
#include <exception>
#include <iostream>
#include <utility>

#include "adddisk/scan_summary_text.h"
#include "adddisk/thumbnail_preview.h"
#include "catalog/catalog_document.h"
#include "catalog/catalog_error.h"
#include "catalog/cp1251.h"
#include "catalog/format.h"
#include "platform/disk_name_text.h"
#include "platform/form_controls.h"
#include "platform/path_text.h"
#include "scan/thumbnail_pipeline.h"

namespace quorvel {
namespace {

// Positions inside the page, in pixels. A label sized by its text gives only its corner.
constexpr QPoint kFolderLabelAt(8, 8);
constexpr QRect kFolderRect(8, 24, 313, 21);
constexpr QRect kFolderButtonRect(328, 24, 23, 22);
constexpr QRect kSubfoldersRect(8, 56, 97, 17);
constexpr QPoint kDiskNameLabelAt(8, 80);
constexpr QRect kDiskNameRect(8, 96, 345, 21);
constexpr QRect kThumbnailRect(8, 123, 100, 100);
constexpr QRect kProgressRect(8, 232, 345, 17);
constexpr QRect kTimeoutBoxRect(8, 256, 153, 17);
constexpr QRect kTimeoutRect(160, 256, 41, 21);
constexpr QPoint kTimeoutUnitAt(208, 256);
constexpr QRect kStatusRect(8, 280, 345, 19);
// The counter line grows with its text; it may take the width of the page's other rows.
constexpr QPoint kCounterAt(8, 304);
constexpr int kCounterWidth = 345;
constexpr QRect kSkipRect(8, 332, 137, 25);
constexpr QRect kShowFolderRect(8, 364, 137, 25);
constexpr QRect kStartRect(192, 388, 75, 25);
constexpr QRect kCancelRect(278, 388, 75, 25);
constexpr QSize kGlyphSize(16, 16);

const QString kTitle = QStringLiteral("Quorvel");
// The colours of the skip button's text: red while a wait runs.
constexpr QColor kWaitingText(255, 0, 0);
constexpr QColor kIdleText(0, 0, 0);
// How often the scan's status texts are painted at most: faster than the eye follows them.
constexpr qint64 kTextsEveryMs = 40;

// The folder part of `path`: everything up to and including its last separator or drive colon.
QString FolderPart(const QString& path) {
  const qsizetype cut =
      std::max({path.lastIndexOf(QLatin1Char('/')), path.lastIndexOf(QLatin1Char('\\')),
                path.lastIndexOf(QLatin1Char(':'))});
  return path.left(cut + 1);
}

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& text, const QPoint& at) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(QString::fromLatin1(name));
  label->move(at);
  label->adjustSize();
  return label;
}

QLineEdit* MakeEdit(QWidget* parent, const char* name, const QRect& rect) {
  auto* edit = new QLineEdit(parent);
  edit->setObjectName(QString::fromLatin1(name));
  edit->setGeometry(rect);
  return edit;
}

QCheckBox* MakeCheckBox(QWidget* parent, const char* name, const QString& text, const QRect& rect) {
  auto* box = new QCheckBox(text, parent);
  box->setObjectName(QString::fromLatin1(name));
  box->setGeometry(rect);
  WidenToText(box);
  return box;
}

}  // namespace

AddDiskPage::AddDiskPage(SettingsState& state, UserPrompts& prompts, QWidget* parent)
    : QWidget(parent), state_(state), prompts_(prompts) {
  setObjectName(QStringLiteral("add_disk_page"));

  folder_label_ = MakeLabel(this, "folder_label", QStringLiteral("Папка:"), kFolderLabelAt);
  folder_edit_ = MakeEdit(this, "folder_edit", kFolderRect);
  folder_label_->setBuddy(folder_edit_);
  folder_button_ = MakeToolButton(this, "folder_button", QString(), kFolderButtonRect);
  folder_button_->setIcon(style()->standardIcon(QStyle::SP_DirOpenIcon));
  folder_button_->setIconSize(kGlyphSize);
  folder_button_->setAccessibleName(QStringLiteral("Выбрать папку"));
  subfolders_box_ =
      MakeCheckBox(this, "subfolders_box", QStringLiteral("Поддиректории"), kSubfoldersRect);

  disk_name_label_ =
      MakeLabel(this, "disk_name_label", QStringLiteral("Название диска"), kDiskNameLabelAt);
  disk_name_edit_ = MakeEdit(this, "disk_name_edit", kDiskNameRect);
  disk_name_label_->setBuddy(disk_name_edit_);

  thumbnail_preview_ = new ThumbnailPreview(this);
  thumbnail_preview_->setGeometry(kThumbnailRect);
  thumbnail_preview_->hide();

  progress_bar_ = new QProgressBar(this);
  progress_bar_->setObjectName(QStringLiteral("progress_bar"));
  progress_bar_->setGeometry(kProgressRect);
  progress_bar_->setRange(0, 100);
  progress_bar_->setValue(0);
  progress_bar_->setTextVisible(false);

  timeout_box_ =
      MakeCheckBox(this, "timeout_box", QStringLiteral("Пропустить если прошло"), kTimeoutBoxRect);
  // The field and its unit make room for a check box that had to grow for its text.
  const int timeout_shift = timeout_box_->width() - kTimeoutBoxRect.width();
  timeout_edit_ = MakeEdit(this, "timeout_edit", kTimeoutRect.translated(timeout_shift, 0));
  timeout_edit_->setText(QString::fromLatin1(kUnreadTimeoutText));
  timeout_edit_->setAccessibleName(QStringLiteral("Пропустить если прошло, ms"));
  timeout_edit_->setEnabled(false);
  timeout_edit_->installEventFilter(this);
  timeout_unit_label_ = MakeLabel(this, "timeout_unit_label", QStringLiteral("ms"),
                                  kTimeoutUnitAt + QPoint(timeout_shift, 0));

  status_line_ = MakeEdit(this, "status_line", kStatusRect);
  status_line_->setReadOnly(true);
  status_line_->setFrame(false);
  QPalette status_palette = status_line_->palette();
  status_palette.setBrush(QPalette::Base, status_palette.brush(QPalette::Button));
  status_line_->setPalette(status_palette);
  counter_line_ = MakeLabel(this, "counter_line", QString(), kCounterAt);
  counter_line_->resize(kCounterWidth, counter_line_->height());

  skip_button_ = MakeToolButton(this, "skip_button", QStringLiteral("Пропустить"), kSkipRect);
  show_folder_button_ = MakeToolButton(this, "show_folder_button",
                                        QStringLiteral("Открыть в проводнике"), kShowFolderRect);
  start_button_ = MakeButton(this, "start_button", QStringLiteral("OK"), kStartRect);
  cancel_button_ = MakeButton(this, "cancel_button", QStringLiteral("Отмена"), kCancelRect);

  connect(folder_edit_, &QLineEdit::textChanged, this,
          [this](const QString& text) { state_.values().folder = text.toStdString(); });
  connect(subfolders_box_, &QCheckBox::toggled, this,
          [this](bool checked) { state_.values().include_subfolders = checked; });
  connect(timeout_box_, &QCheckBox::toggled, this, &AddDiskPage::TimeoutBoxToggled);
  connect(timeout_edit_, &QLineEdit::textChanged, this, &AddDiskPage::TimeoutTextChanged);
  connect(start_button_, &QPushButton::clicked, this, &AddDiskPage::StartAddition);
  connect(cancel_button_, &QPushButton::clicked, this, &AddDiskPage::CancelOrClose);
  connect(skip_button_, &QToolButton::clicked, this, &AddDiskPage::Skip);
  connect(show_folder_button_, &QToolButton::clicked, this, &AddDiskPage::OpenCapturedFolder);
  connect(folder_button_, &QToolButton::clicked, this, &AddDiskPage::ChooseFolder);
  texts_timer_.setSingleShot(true);
  connect(&texts_timer_, &QTimer::timeout, this, &AddDiskPage::ShowTexts);
  CopyTimeout();
}

AddDiskPage::~AddDiskPage() {
  if (!worker_.joinable()) return;
  // The scan's last calls to the page are posted to it and dropped with it.
  StopScan();
  worker_.join();
}

void AddDiskPage::SetLinks(AddDiskLinks links,
                           std::function<std::vector<std::string>()> excluded_endings) {
  links_ = std::move(links);
  excluded_endings_ = std::move(excluded_endings);
}

void AddDiskPage::ApplyStoredSettings(const DialogSettings& stored) {
  timeout_box_->setChecked(stored.timeout_active);
  subfolders_box_->setChecked(stored.include_subfolders);
  timeout_edit_->setText(QString::fromStdString(stored.timeout_text));
  folder_edit_->setText(QString::fromStdString(stored.folder));
  SetTimeoutFieldEnabled(stored.timeout_field_enabled);
}

void AddDiskPage::SetPipeline(std::unique_ptr<ThumbnailPipeline> pipeline) {
  pipeline_ = std::move(pipeline);
}

void AddDiskPage::PrepareForShowing() {
  // Hiding the thumbnail mid-capture would hide the pictures arriving, and the name field still
  // holds the name of the disk being added.
  if (AdditionRunning()) return;
  thumbnail_preview_->hide();
  ShowDiskName();
}

void AddDiskPage::SetUpdatedDisk(std::optional<int> disk) {
  if (AdditionRunning()) return;
  const bool was_updating = Updating();
  update_disk_ = disk;
  update_name_ = disk ? links_.document->Index().Disks.at(static_cast<std::size_t>(*disk)).Name
                      : std::string();
  // A name typed for an addition stays while the page goes on adding.
  if (was_updating || Updating()) ShowDiskName();
}

void AddDiskPage::ShowDiskName() {
  disk_name_edit_->setReadOnly(Updating());
  if (Updating()) {
    disk_name_edit_->setText(QString::fromStdString(Cp1251ToUtf8(update_name_)));
    return;
  }
  // One more than the disks of the open catalogue, 1 when none is open.
  const bool open = links_.document && links_.document->CatalogOpen();
  const int disks = open ? links_.document->Index().DiskCount : 0;
  disk_name_edit_->setText(QStringLiteral("Диск %1").arg(disks + 1));
}

void AddDiskPage::BeginScan() {
  start_button_->setEnabled(false);
  scan_.IncludeSubfolders = subfolders_box_->isChecked();
  scan_.ScanFolder = folder_edit_->text();
  scan_.UseEmbeddedPreviews = state_.values().use_embedded_previews;
  scan_.ScanActive = true;
  CopyExcludedEndings();
  if (links_.scan_running) links_.scan_running(true, [this] { StopScan(); });
}

void AddDiskPage::StartAddition() {
  if (AdditionRunning() || !InputIsValid()) return;
  if (Updating()) {
    StartUpdate();
    return;
  }
  BeginScan();
  scan_.DiskName = Utf8ToCp1251(disk_name_edit_->text().toStdString());
  try {
    // A walk that could not be kept is not begun.
    links_.document->RequireRoomForDisk();
  } catch (const std::exception& error) {
    std::cerr << "quorvel: adding the disk failed: " << error.what() << '\n';
    FinishAddition(nullptr);
    return;
  }
  worker_ = std::thread([this] {
    std::shared_ptr<ScannedDisk> disk;
    try {
      disk = std::make_shared<ScannedDisk>(ScanDisk(scan_, *this, *pipeline_));
    } catch (const std::exception& error) {
      // The catalogue is as it was; the status lines stay, to show where it stopped.
      std::cerr << "quorvel: adding the disk failed: " << error.what() << '\n';
    }
    QMetaObject::invokeMethod(
        this, [this, disk] { FinishAddition(disk); }, Qt::QueuedConnection);
  });
}

void AddDiskPage::StartUpdate() {
  BeginScan();
  const int disk = *update_disk_;
  // The scan reads the catalogue as it is now: a copy of a version shares its bytes.
  worker_ = std::thread([this, disk, catalogued = links_.document->Current()] {
    std::shared_ptr<UpdatedDisk> updated;
    try {
      updated =
          std::make_shared<UpdatedDisk>(ScanDiskUpdate(catalogued, disk, scan_, *this, *pipeline_));
    } catch (const std::exception& error) {
      std::cerr << "quorvel: updating the disk failed: " << error.what() << '\n';
    }
    QMetaObject::invokeMethod(
        this, [this, disk, updated] { FinishUpdate(disk, updated); }, Qt::QueuedConnection);
  });
}

bool AddDiskPage::InputIsValid() {
  if (!links_.document || !pipeline_) return false;
  if (!QFileInfo(folder_edit_->text()).isDir()) {
    prompts_.Error(window(), kTitle, QStringLiteral("Каталог указан неверно."));
    folder_edit_->setFocus();
    return false;
  }
  if (Updating()) return UpdatedDiskFound();
  if (const QString refusal = DiskNameRefusal(disk_name_edit_->text()); !refusal.isEmpty()) {
    prompts_.Error(window(), kTitle, refusal);
    disk_name_edit_->setFocus();
    return false;
  }
  if (links_.document->Index().Damage) {
    // A record appended after bytes that cannot be read could never be read back either.
    prompts_.Error(window(), kTitle,
                   QStringLiteral("Каталог повреждён: диск, добавленный после нечитаемых данных, "
                                  "не будет виден. Диск не добавлен."));
    return false;
  }
  if (links_.document->Index().DiskCount >= static_cast<int>(kMaxDisks)) {
    prompts_.Error(
        window(), kTitle,
        QStringLiteral("В каталоге уже %1 дисков: больше он вместить не может.").arg(kMaxDisks));
    return false;
  }
  return true;
}

bool AddDiskPage::UpdatedDiskFound() {
  const std::vector<CatInfo>& disks = links_.document->Index().Disks;
  const auto named = [this](const CatInfo& disk) { return disk.Name == update_name_; };
  if (static_cast<std::size_t>(*update_disk_) < disks.size() &&
      named(disks[static_cast<std::size_t>(*update_disk_)])) {
    return true;
  }
  // Disks removed or the catalogue reopened since: another disk may stand at that index now.
  const auto found = std::find_if(disks.begin(), disks.end(), named);
  if (found == disks.end()) {
    prompts_.Error(window(), kTitle,
                   QStringLiteral("Диска \"%1\" больше нет в каталоге.")
                       .arg(QString::fromStdString(Cp1251ToUtf8(update_name_))));
    return false;
  }
  update_disk_ = static_cast<int>(found - disks.begin());
  return true;
}

void AddDiskPage::FinishAddition(std::shared_ptr<ScannedDisk> disk) {
  if (worker_.joinable()) worker_.join();
  scan_.ScanActive = false;
  bool added = false;
  if (disk) {
    try {
      AppendScannedDisk(*links_.document, *this, *disk);
      added = true;
    } catch (const std::exception& error) {
      std::cerr << "quorvel: adding the disk failed: " << error.what() << '\n';
    }
  }
  ShowTexts();
  if (links_.scan_running) links_.scan_running(false, {});
  if (!added) {
    prompts_.Inform(window(), kTitle, QStringLiteral("File Access Denied"));
  } else {
    window()->hide();
    if (links_.disk_added) links_.disk_added();
    TellSummary(AdditionSummaryLines(disk->summary), true);
  }
  ScanEnded();
}

void AddDiskPage::FinishUpdate(int disk, std::shared_ptr<UpdatedDisk> updated) {
  if (worker_.joinable()) worker_.join();
  scan_.ScanActive = false;
  const bool cancelled = updated && updated->summary.cancelled;
  bool applied = false;
  if (updated && !cancelled) {
    try {
      ApplyUpdatedDisk(*links_.document, disk, *this, *updated);
      applied = true;
    } catch (const std::exception& error) {
      std::cerr << "quorvel: updating the disk failed: " << error.what() << '\n';
    }
  }
  ShowTexts();
  if (links_.scan_running) links_.scan_running(false, {});
  if (cancelled) {
    // Half a walk would drop every file not reached yet: the disk stays as it was.
    prompts_.Inform(window(), kTitle, QStringLiteral("Обновление прервано: диск не изменён."));
  } else if (!applied) {
    prompts_.Inform(window(), kTitle, QStringLiteral("File Access Denied"));
  } else {
    update_disk_.reset();
    window()->hide();
    if (links_.disk_updated) links_.disk_updated(disk);
    // The counts are news either way; files that could not be read make it a warning.
    const QStringList lines = UpdateSummaryLines(updated->counts, updated->summary);
    TellSummary(lines, !AdditionSummaryLines(updated->summary).isEmpty());
  }
  ScanEnded();
}

void AddDiskPage::ScanEnded() {
  start_button_->setEnabled(true);
  emit AdditionEnded();
}

void AddDiskPage::TellSummary(const QStringList& lines, bool warning) {
  if (lines.isEmpty()) return;
  const QString text = lines.join(QLatin1Char('\n'));
  if (warning) {
    prompts_.Warn(window()->parentWidget(), kTitle, text);
  } else {
    prompts_.Inform(window()->parentWidget(), kTitle, text);
  }
}

void AddDiskPage::CancelOrClose() {
  if (!scan_.ScanActive) window()->close();
  StopScan();
}

void AddDiskPage::StopScan() { scan_.RequestStop(); }

void AddDiskPage::Skip() { scan_.RequestSkip(); }

void AddDiskPage::OpenCapturedFolder() {
  const QString folder = FolderPart(scan_.CurrentImageFile.Get());
  if (links_.open_folder) {
    links_.open_folder(folder);
  } else {
    QDesktopServices::openUrl(QUrl::fromLocalFile(folder));
  }
}

void AddDiskPage::ChooseFolder() {
  const QString chosen =
      prompts_.ChooseFolder(window(), QStringLiteral("Выберите папку"), folder_edit_->text());
  if (!chosen.isEmpty()) folder_edit_->setText(QDir::toNativeSeparators(chosen));
}

void AddDiskPage::SetFolder(const QString& folder) {
  if (!AdditionRunning()) folder_edit_->setText(QDir::toNativeSeparators(folder));
}

void AddDiskPage::SetStatusLine(const QString& text) {
  {
    const std::lock_guard lock(texts_mutex_);
    status_text_ = text;
    texts_pending_ = true;
  }
  if (!texts_posted_.exchange(true)) {
    QMetaObject::invokeMethod(this, &AddDiskPage::TextsArrived, Qt::QueuedConnection);
  }
}

void AddDiskPage::SetCounterLine(const QString& text) {
  {
    const std::lock_guard lock(texts_mutex_);
    counter_text_ = text;
    texts_pending_ = true;
  }
  if (!texts_posted_.exchange(true)) {
    QMetaObject::invokeMethod(this, &AddDiskPage::TextsArrived, Qt::QueuedConnection);
  }
}

void AddDiskPage::TextsArrived() {
  texts_posted_ = false;
  // The walk asks for the list with every file: a change made on the settings page meanwhile
  // counts from the next beat on.
  CopyExcludedEndings();
  if (!texts_shown_.isValid() || texts_shown_.elapsed() >= kTextsEveryMs) {
    ShowTexts();
  } else if (!texts_timer_.isActive()) {
    texts_timer_.start(static_cast<int>(kTextsEveryMs - texts_shown_.elapsed()));
  }
}

void AddDiskPage::ShowTexts() {
  QString status;
  QString counter;
  {
    const std::lock_guard lock(texts_mutex_);
    if (!texts_pending_) return;
    texts_pending_ = false;
    status = status_text_;
    counter = counter_text_;
  }
  texts_timer_.stop();
  status_line_->setText(status);
  counter_line_->setText(counter);
  texts_shown_.start();
}

void AddDiskPage::SetProgress(int position) {
  QMetaObject::invokeMethod(
      this,
      [this, position] {
        if (position < progress_bar_->minimum()) {
          progress_bar_->reset();  // an empty bar
        } else {
          progress_bar_->setValue(position);
        }
      },
      Qt::QueuedConnection);
}

void AddDiskPage::SetWaiting(bool waiting) {
  QMetaObject::invokeMethod(
      this,
      [this, waiting] {
        // What is waited for is on the status line by the time the button turns red.
        ShowTexts();
        QPalette palette = skip_button_->palette();
        palette.setColor(QPalette::ButtonText, waiting ? kWaitingText : kIdleText);
        skip_button_->setPalette(palette);
      },
      Qt::QueuedConnection);
}

void AddDiskPage::ShowThumbnail(const QImage& thumbnail, const QString& path) {
  QMetaObject::invokeMethod(
      this,
      [this, thumbnail, name = QFileInfo(path).fileName()] {
        thumbnail_preview_->SetPicture(thumbnail);
        // A screen reader names the picture on show by its file.
        thumbnail_preview_->setAccessibleName(name);
        thumbnail_preview_->show();
      },
      Qt::QueuedConnection);
}

bool AddDiskPage::TimeoutActive() {
  const std::lock_guard lock(read_mutex_);
  return timeout_active_;
}

QString AddDiskPage::TimeoutText() {
  const std::lock_guard lock(read_mutex_);
  return timeout_text_;
}

std::vector<std::string> AddDiskPage::ExcludedEndings() {
  // On the window's thread the list is the settings page's own; the scan's thread has the copy.
  if (QThread::currentThread() == thread()) CopyExcludedEndings();
  const std::lock_guard lock(read_mutex_);
  return excluded_copy_;
}

void AddDiskPage::CopyExcludedEndings() {
  std::vector<std::string> endings =
      excluded_endings_ ? excluded_endings_() : std::vector<std::string>();
  const std::lock_guard lock(read_mutex_);
  excluded_copy_ = std::move(endings);
}

void AddDiskPage::CopyTimeout() {
  {
    const std::lock_guard lock(read_mutex_);
    timeout_active_ = timeout_box_->isChecked();
    timeout_text_ = timeout_edit_->text();
  }
  // A wait running counts the change at once.
  scan_.Wake->Notify();
}

void AddDiskPage::TimeoutBoxToggled() {
  state_.values().timeout_active = timeout_box_->isChecked();
  SetTimeoutFieldEnabled(timeout_box_->isChecked());
  CopyTimeout();
}

void AddDiskPage::TimeoutTextChanged() {
  const QString text = timeout_edit_->text();
  const QString kept = QString::fromStdString(state_.TimeoutTextChanged(text.toStdString()));
  // Putting the last number back changes the text again, and that change records it.
  if (kept != text) {
    timeout_edit_->setText(kept);
    return;
  }
  CopyTimeout();
}

bool AddDiskPage::TimeoutKeyAccepted(const QString& typed) const {
  // Only characters count as typed: keys without one (arrows, Delete) and the editing
  // shortcuts, whose text is a control character, keep their meaning. A paste is checked by
  // TimeoutTextChanged like every other change.
  for (const QChar c : typed) {
    if (c.category() != QChar::Other_Control && !AcceptedInTimeoutField(c.unicode())) return false;
  }
  return true;
}

bool AddDiskPage::eventFilter(QObject* watched, QEvent* event) {
  if (watched == timeout_edit_ && event->type() == QEvent::KeyPress &&
      !TimeoutKeyAccepted(static_cast<QKeyEvent*>(event)->text())) {
    return true;
  }
  return QWidget::eventFilter(watched, event);
}

void AddDiskPage::SetTimeoutFieldEnabled(bool enabled) {
  timeout_edit_->setEnabled(enabled);
  state_.values().timeout_field_enabled = enabled;
}

}  // namespace quorvel
