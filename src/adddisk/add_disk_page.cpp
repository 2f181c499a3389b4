#include "adddisk/add_disk_page.h"

#include <QCheckBox>
#include <QDesktopServices>
#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QStyle>
#include <QToolButton>
#include <QUrl>
#include <algorithm>
#include <iostream>
#include <optional>
#include <utility>

#include "catalog/catalog_document.h"
#include "catalog/catalog_error.h"
#include "catalog/cp1251.h"
#include "catalog/format.h"
#include "platform/disk_name_text.h"
#include "platform/form_controls.h"
#include "platform/path_text.h"
#include "scan/scan_rules.h"
#include "scan/thumb_control.h"

namespace quorvel {
namespace {

// Positions inside the page, in pixels. A label sized by its text gives only its corner.
constexpr QPoint kFolderLabelAt(8, 8);
constexpr QRect kFolderRect(8, 24, 313, 21);
constexpr QRect kFolderButtonRect(328, 24, 23, 22);
constexpr QRect kSubfoldersRect(8, 56, 97, 17);
constexpr QPoint kDiskNameLabelAt(8, 80);
constexpr QRect kDiskNameRect(8, 96, 345, 21);
constexpr QRect kThumbControlRect(8, 123, 100, 100);
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
// How many names of files stored without a thumbnail of their own, and of folders that could
// not be opened, the notice after an addition lists for each cause.
constexpr int kNamesListed = 10;

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
  setObjectName(QStringLiteral("TabSheet1"));

  folder_label_ = MakeLabel(this, "Label1", QStringLiteral("Папка:"), kFolderLabelAt);
  folder_edit_ = MakeEdit(this, "Edit1", kFolderRect);
  folder_label_->setBuddy(folder_edit_);
  folder_button_ = MakeSpeedButton(this, "SpeedButton1", QString(), kFolderButtonRect);
  folder_button_->setIcon(style()->standardIcon(QStyle::SP_DirOpenIcon));
  folder_button_->setIconSize(kGlyphSize);
  folder_button_->setAccessibleName(QStringLiteral("Выбрать папку"));
  subfolders_box_ =
      MakeCheckBox(this, "CheckBox1", QStringLiteral("Поддиректории"), kSubfoldersRect);

  disk_name_label_ = MakeLabel(this, "Label5", QStringLiteral("Название диска"), kDiskNameLabelAt);
  disk_name_edit_ = MakeEdit(this, "Edit2", kDiskNameRect);
  disk_name_label_->setBuddy(disk_name_edit_);

  progress_bar_ = new QProgressBar(this);
  progress_bar_->setObjectName(QStringLiteral("ProgressBar1"));
  progress_bar_->setGeometry(kProgressRect);
  progress_bar_->setRange(0, 100);
  progress_bar_->setValue(0);
  progress_bar_->setTextVisible(false);

  timeout_box_ =
      MakeCheckBox(this, "CheckBox2", QStringLiteral("Пропустить если прошло"), kTimeoutBoxRect);
  // The field and its unit make room for a check box that had to grow for its text.
  const int timeout_shift = timeout_box_->width() - kTimeoutBoxRect.width();
  timeout_edit_ = MakeEdit(this, "Edit4", kTimeoutRect.translated(timeout_shift, 0));
  timeout_edit_->setText(QString::fromLatin1(kUnreadTimeoutText));
  timeout_edit_->setAccessibleName(QStringLiteral("Пропустить если прошло, ms"));
  timeout_edit_->setEnabled(false);
  timeout_edit_->installEventFilter(this);
  timeout_unit_label_ =
      MakeLabel(this, "Label3", QStringLiteral("ms"), kTimeoutUnitAt + QPoint(timeout_shift, 0));

  status_line_ = MakeEdit(this, "Edit5", kStatusRect);
  status_line_->setReadOnly(true);
  status_line_->setFrame(false);
  QPalette status_palette = status_line_->palette();
  status_palette.setBrush(QPalette::Base, status_palette.brush(QPalette::Button));
  status_line_->setPalette(status_palette);
  counter_line_ = MakeLabel(this, "Label2", QString(), kCounterAt);
  counter_line_->resize(kCounterWidth, counter_line_->height());

  skip_button_ = MakeSpeedButton(this, "SpeedButton5", QStringLiteral("Пропустить"), kSkipRect);
  show_folder_button_ = MakeSpeedButton(this, "SpeedButton6",
                                        QStringLiteral("Открыть в проводнике"), kShowFolderRect);
  start_button_ = MakeButton(this, "Button3", QStringLiteral("OK"), kStartRect);
  cancel_button_ = MakeButton(this, "Button2", QStringLiteral("Отмена"), kCancelRect);

  connect(folder_edit_, &QLineEdit::textChanged, this,
          [this](const QString& text) { state_.values().folder = text.toStdString(); });
  connect(subfolders_box_, &QCheckBox::toggled, this,
          [this](bool checked) { state_.values().include_subfolders = checked; });
  connect(timeout_box_, &QCheckBox::toggled, this, &AddDiskPage::CheckBox2Click);
  connect(timeout_edit_, &QLineEdit::textChanged, this, &AddDiskPage::Edit4Change);
  connect(start_button_, &QPushButton::clicked, this, &AddDiskPage::Button3Click);
  connect(cancel_button_, &QPushButton::clicked, this, &AddDiskPage::Button2Click);
  connect(skip_button_, &QToolButton::clicked, this, &AddDiskPage::SpeedButton5Click);
  connect(show_folder_button_, &QToolButton::clicked, this, &AddDiskPage::SpeedButton6Click);
  connect(folder_button_, &QToolButton::clicked, this, &AddDiskPage::SpeedButton1Click);
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

void AddDiskPage::PlaceThumbControl(ThumbControl* thumb_control) {
  thumb_control_ = thumb_control;
  thumb_control->setParent(this);
  thumb_control->setGeometry(kThumbControlRect);
  thumb_control->hide();
}

void AddDiskPage::FormShow() {
  // Hiding the renderer mid-capture would spoil the pictures, and the name field still holds
  // the name of the disk being added.
  if (scan_.ScanActive) return;
  if (thumb_control_) thumb_control_->hide();
  // One more than the disks of the open catalogue, 1 when none is open.
  const bool open = links_.document && links_.document->CatalogOpen();
  const int disks = open ? links_.document->Index().DiskCount : 0;
  disk_name_edit_->setText(QStringLiteral("Диск %1").arg(disks + 1));
}

void AddDiskPage::Button3Click() {
  if (!InputIsValid()) return;
  start_button_->setEnabled(false);
  scan_.IncludeSubfolders = subfolders_box_->isChecked();
  scan_.ScanFolder = folder_edit_->text();
  scan_.DiskName = Utf8ToCp1251(disk_name_edit_->text().toStdString());
  scan_.UseEmbeddedPreviews = state_.values().use_embedded_previews;
  scan_.ScanActive = true;
  AddDisk();
  start_button_->setEnabled(true);
}

bool AddDiskPage::InputIsValid() {
  if (!links_.document || !thumb_control_) return false;
  if (!QFileInfo(folder_edit_->text()).isDir()) {
    prompts_.Error(window(), kTitle, QStringLiteral("Каталог указан неверно."));
    folder_edit_->setFocus();
    return false;
  }
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

void AddDiskPage::AddDisk() {
  if (links_.scan_running) links_.scan_running(true, [this] { StopScan(); });
  std::optional<AddDiskSummary> summary;
  try {
    summary = quorvel::AddDisk(*links_.document, scan_, *this, *thumb_control_);
  } catch (const std::exception& error) {
    // The catalogue is as it was; the status lines stay, to show where it stopped.
    std::cerr << "quorvel: adding the disk failed: " << error.what() << '\n';
  }
  ShowTexts();
  if (links_.scan_running) links_.scan_running(false, {});
  if (!summary) {
    prompts_.Inform(window(), kTitle, QStringLiteral("File Access Denied"));
    return;
  }
  window()->hide();
  if (links_.disk_added) links_.disk_added();
  TellSummary(*summary);
}

void AddDiskPage::TellSummary(const AddDiskSummary& summary) {
  QStringList lines;
  if (summary.thumb_limit_reached) {
    lines.append(QStringLiteral("На диске может быть не больше %1 эскизов: добавлены первые %1 "
                                "из %2 найденных изображений.")
                     .arg(kMaxThumbsPerDisk)
                     .arg(summary.found));
  }
  const auto count_and_names = [&lines](const QString& count_line, const QStringList& names) {
    if (names.isEmpty()) return;
    lines.append(count_line.arg(names.size()));
    lines.append(names.mid(0, kNamesListed));
    if (names.size() > kNamesListed) lines.append(QStringLiteral("…"));
  };
  count_and_names(QStringLiteral("Не удалось прочитать изображений: %1."), summary.unreadable);
  count_and_names(QStringLiteral("Пропущено изображений: %1."), summary.skipped);
  count_and_names(
      QStringLiteral("Файлов с ошибками чтения: %1. Их эскизы сделаны по прочитанной части:"),
      summary.read_errors);
  count_and_names(QStringLiteral("Не удалось открыть папок: %1. Изображения в них не искались:"),
                  summary.not_entered);
  if (summary.replaced_paths > 0) {
    lines.append(
        QStringLiteral("Путей с заменёнными знаками («?»): %1.").arg(summary.replaced_paths));
  }
  if (!lines.isEmpty()) {
    prompts_.Warn(window()->parentWidget(), kTitle, lines.join(QLatin1Char('\n')));
  }
}

void AddDiskPage::Button2Click() {
  if (!scan_.ScanActive) window()->close();
  StopScan();
}

void AddDiskPage::StopScan() {
  scan_.ScanActive = false;
  scan_.SkipRequested = true;
}

void AddDiskPage::SpeedButton5Click() { scan_.SkipRequested = true; }

void AddDiskPage::SpeedButton6Click() {
  const QString folder = FolderPart(scan_.CurrentImageFile);
  if (links_.open_folder) {
    links_.open_folder(folder);
  } else {
    QDesktopServices::openUrl(QUrl::fromLocalFile(folder));
  }
}

void AddDiskPage::SpeedButton1Click() {
  const QString chosen =
      prompts_.ChooseFolder(window(), QStringLiteral("Выберите папку"), folder_edit_->text());
  if (!chosen.isEmpty()) folder_edit_->setText(QDir::toNativeSeparators(chosen));
}

void AddDiskPage::SetStatusLine(const QString& text) {
  status_text_ = text;
  texts_pending_ = true;
}

void AddDiskPage::SetCounterLine(const QString& text) {
  counter_text_ = text;
  texts_pending_ = true;
}

void AddDiskPage::ShowTexts() {
  if (!texts_pending_) return;
  texts_pending_ = false;
  status_line_->setText(status_text_);
  counter_line_->setText(counter_text_);
  texts_shown_.start();
}

void AddDiskPage::ProcessMessages(bool wait_for_more) {
  // Events are still handled for every file; only the painting of the texts waits.
  if (wait_for_more || !texts_shown_.isValid() || texts_shown_.elapsed() >= kTextsEveryMs) {
    ShowTexts();
  }
  ScanView::ProcessMessages(wait_for_more);
}

void AddDiskPage::SetProgress(int position) {
  if (position < progress_bar_->minimum()) {
    progress_bar_->reset();  // an empty bar
  } else {
    progress_bar_->setValue(position);
  }
}

void AddDiskPage::SetWaiting(bool waiting) {
  ShowTexts();
  QPalette palette = skip_button_->palette();
  palette.setColor(QPalette::ButtonText, waiting ? kWaitingText : kIdleText);
  skip_button_->setPalette(palette);
}

bool AddDiskPage::TimeoutActive() { return timeout_box_->isChecked(); }

QString AddDiskPage::TimeoutText() { return timeout_edit_->text(); }

std::vector<std::string> AddDiskPage::ExcludedEndings() {
  return excluded_endings_ ? excluded_endings_() : std::vector<std::string>();
}

void AddDiskPage::CheckBox2Click() {
  state_.values().timeout_active = timeout_box_->isChecked();
  SetTimeoutFieldEnabled(timeout_box_->isChecked());
}

void AddDiskPage::Edit4Change() {
  const QString text = timeout_edit_->text();
  const QString kept = QString::fromStdString(state_.TimeoutTextChanged(text.toStdString()));
  // Putting the last number back changes the text again, and that change records it.
  if (kept != text) timeout_edit_->setText(kept);
}

bool AddDiskPage::Edit4KeyPress(const QString& typed) const {
  // Only characters count as typed: keys without one (arrows, Delete) and the editing
  // shortcuts, whose text is a control character, keep their meaning. A paste is checked by
  // Edit4Change like every other change.
  for (const QChar c : typed) {
    if (c.category() != QChar::Other_Control && !AcceptedInTimeoutField(c.unicode())) return false;
  }
  return true;
}

bool AddDiskPage::eventFilter(QObject* watched, QEvent* event) {
  if (watched == timeout_edit_ && event->type() == QEvent::KeyPress &&
      !Edit4KeyPress(static_cast<QKeyEvent*>(event)->text())) {
    return true;
  }
  return QWidget::eventFilter(watched, event);
}

void AddDiskPage::SetTimeoutFieldEnabled(bool enabled) {
  timeout_edit_->setEnabled(enabled);
  state_.values().timeout_field_enabled = enabled;
}

}  // namespace quorvel
