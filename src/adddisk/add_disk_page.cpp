#include "adddisk/add_disk_page.h"

#include <QCheckBox>
#include <QEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QStyle>
#include <QToolButton>

#include "platform/form_controls.h"

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
  return box;
}

}  // namespace

AddDiskPage::AddDiskPage(SettingsState& state, QWidget* parent) : QWidget(parent), state_(state) {
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
  timeout_edit_ = MakeEdit(this, "Edit4", kTimeoutRect);
  timeout_edit_->setText(QString::fromLatin1(kUnreadTimeoutText));
  timeout_edit_->setAccessibleName(QStringLiteral("Пропустить если прошло, ms"));
  timeout_edit_->setEnabled(false);
  timeout_edit_->installEventFilter(this);
  timeout_unit_label_ = MakeLabel(this, "Label3", QStringLiteral("ms"), kTimeoutUnitAt);

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
}

void AddDiskPage::ApplyStoredSettings(const DialogSettings& stored) {
  timeout_box_->setChecked(stored.timeout_active);
  subfolders_box_->setChecked(stored.include_subfolders);
  timeout_edit_->setText(QString::fromStdString(stored.timeout_text));
  folder_edit_->setText(QString::fromStdString(stored.folder));
  SetTimeoutFieldEnabled(stored.timeout_field_enabled);
}

void AddDiskPage::PlaceThumbControl(QWidget* thumb_control) {
  thumb_control->setParent(this);
  thumb_control->setGeometry(kThumbControlRect);
  thumb_control->hide();
}

QString AddDiskPage::TimeoutText() const { return timeout_edit_->text(); }

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
