#include "settings/settings_page.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QToolButton>
#include <optional>

#include "platform/form_controls.h"

namespace quorvel {
namespace {

// Positions inside the page, in pixels, matching the add-disk page's grid: the same margins,
// the same column for the small buttons and the same place for the closing buttons.
constexpr QRect kHeadingRect(8, 8, 345, 26);
constexpr QRect kListRect(8, 40, 313, 161);
constexpr QRect kAddRect(328, 40, 23, 22);
constexpr QRect kDeleteRect(328, 64, 23, 22);
constexpr QRect kOptionGroupRect(8, 208, 345, 97);
constexpr int kOptionLeft = 8;
constexpr int kOptionTop = 20;
constexpr int kOptionStep = 24;
constexpr int kOptionHeight = 17;
constexpr QRect kFixedCatalogRect(8, 316, 313, 21);
constexpr QRect kFixedCatalogButtonRect(328, 316, 23, 22);
constexpr QRect kPreviewsBoxRect(8, 348, 345, 17);
constexpr QRect kOkRect(192, 388, 75, 25);
constexpr QRect kCancelRect(278, 388, 75, 25);
constexpr QSize kGlyphSize(16, 16);

// The kind of the main window's catalogue-opening dialog, for a page that is not given it.
QFileDialog* MakeOpenDialog(QWidget* owner) {
  auto* dialog = new QFileDialog(owner);
  dialog->setObjectName(QStringLiteral("catalog_open_dialog"));
  dialog->setNameFilter(QStringLiteral("Catalog (*.qrv)"));
  dialog->setAcceptMode(QFileDialog::AcceptOpen);
  dialog->setFileMode(QFileDialog::ExistingFile);
  return dialog;
}

}  // namespace

SettingsPage::SettingsPage(SettingsState& state, UserPrompts& prompts, QFileDialog* open_dialog,
                           QWidget* parent)
    : QWidget(parent),
      state_(state),
      prompts_(prompts),
      open_dialog_(open_dialog ? open_dialog : MakeOpenDialog(this)) {
  setObjectName(QStringLiteral("settings_page"));

  list_heading_ = new QLabel(
      QStringLiteral("Список расширений файлов эскизы которых не нужно добавлять:"), this);
  list_heading_->setObjectName(QStringLiteral("exclusion_heading"));
  list_heading_->setWordWrap(true);
  list_heading_->setGeometry(kHeadingRect);

  endings_list_ = new QListWidget(this);
  endings_list_->setObjectName(QStringLiteral("exclusion_list"));
  endings_list_->setGeometry(kListRect);
  endings_list_->setViewMode(QListView::ListMode);
  endings_list_->setSelectionMode(QAbstractItemView::SingleSelection);
  // Every entry is one line of text: the list need not measure each of a long Cat.dat.
  endings_list_->setUniformItemSizes(true);
  // A click on the selected item or F2 opens the in-place editor, as in a Windows list.
  endings_list_->setEditTriggers(QAbstractItemView::SelectedClicked |
                                 QAbstractItemView::EditKeyPressed);
  list_heading_->setBuddy(endings_list_);

  add_button_ = MakeToolButton(this, "add_ending_button", QString(), kAddRect);
  add_button_->setText(QStringLiteral("+"));
  add_button_->setAccessibleName(QStringLiteral("Добавить расширение"));
  delete_button_ = MakeToolButton(this, "delete_ending_button", QString(), kDeleteRect);
  delete_button_->setText(QStringLiteral("-"));
  delete_button_->setAccessibleName(QStringLiteral("Удалить расширение"));

  option_group_ = new QGroupBox(QStringLiteral("Параметры открытия каталогов"), this);
  option_group_->setObjectName(QStringLiteral("opening_options"));
  option_group_->setGeometry(kOptionGroupRect);
  option_buttons_ = new QButtonGroup(option_group_);
  const std::array<QString, 3> option_texts = {QStringLiteral("Не открывать каталоги"),
                                               QStringLiteral("Автозагрузка последнего каталога"),
                                               QStringLiteral("Всегда открывать каталог:")};
  for (int i = 0; i < static_cast<int>(options_.size()); ++i) {
    QRadioButton* option = new QRadioButton(option_texts[i], option_group_);
    option->setObjectName(QStringLiteral("opening_option_%1").arg(i));
    option->setGeometry(kOptionLeft, kOptionTop + i * kOptionStep,
                        kOptionGroupRect.width() - 2 * kOptionLeft, kOptionHeight);
    WidenToText(option);
    option_buttons_->addButton(option, i);
    options_[i] = option;
  }
  options_[kOpenNoCatalog]->setChecked(true);

  fixed_catalog_edit_ = new QLineEdit(this);
  fixed_catalog_edit_->setObjectName(QStringLiteral("fixed_catalog_edit"));
  fixed_catalog_edit_->setGeometry(kFixedCatalogRect);
  fixed_catalog_edit_->setAccessibleName(QStringLiteral("Всегда открывать каталог:"));
  fixed_catalog_edit_->setEnabled(false);
  fixed_catalog_button_ =
      MakeToolButton(this, "fixed_catalog_button", QString(), kFixedCatalogButtonRect);
  fixed_catalog_button_->setIcon(style()->standardIcon(QStyle::SP_DirOpenIcon));
  fixed_catalog_button_->setIconSize(kGlyphSize);
  fixed_catalog_button_->setAccessibleName(QStringLiteral("Выбрать каталог"));
  fixed_catalog_button_->setEnabled(false);

  previews_box_ = new QCheckBox(QStringLiteral("Использовать встроенные эскизы снимков"), this);
  previews_box_->setObjectName(QStringLiteral("embedded_previews_box"));
  previews_box_->setGeometry(kPreviewsBoxRect);
  WidenToText(previews_box_);
  previews_box_->setChecked(true);

  ok_button_ = MakeButton(this, "settings_ok_button", QStringLiteral("OK"), kOkRect);
  cancel_button_ =
      MakeButton(this, "settings_cancel_button", QStringLiteral("Отмена"), kCancelRect);

  connect(option_buttons_, &QButtonGroup::idToggled, this, [this](int id, bool checked) {
    if (checked) SetOpeningOption(id);
  });
  connect(fixed_catalog_edit_, &QLineEdit::textChanged, this, &SettingsPage::FixedCatalogEdited);
  connect(fixed_catalog_button_, &QToolButton::clicked, this, &SettingsPage::ChooseFixedCatalog);
  connect(add_button_, &QToolButton::clicked, this, &SettingsPage::AddEnding);
  connect(delete_button_, &QToolButton::clicked, this, &SettingsPage::DeleteSelectedEnding);
  connect(previews_box_, &QCheckBox::toggled, this,
          [this](bool checked) { state_.values().use_embedded_previews = checked; });
  connect(ok_button_, &QPushButton::clicked, this, &SettingsPage::CloseKeepingChanges);
  connect(cancel_button_, &QPushButton::clicked, this, &SettingsPage::RevertAndClose);
}

void SettingsPage::ApplyStoredSettings(const DialogSettings& stored) {
  SetOpeningOption(stored.opening_option);
  fixed_catalog_edit_->setText(QString::fromStdString(stored.fixed_catalog_path));
  previews_box_->setChecked(stored.use_embedded_previews);
  ShowEndings(state_.LastProperties().ExcludedExtensions);
  ApplyOpeningOption();
}

void SettingsPage::TakeSnapshot() { state_.TakeSnapshot(ExcludedEndings()); }

std::vector<std::string> SettingsPage::ExcludedEndings() const {
  std::vector<std::string> endings;
  endings.reserve(static_cast<std::size_t>(endings_list_->count()));
  for (int i = 0; i < endings_list_->count(); ++i) {
    endings.push_back(endings_list_->item(i)->text().toStdString());
  }
  return endings;
}

void SettingsPage::SetOpeningOption(int index) {
  index = ClampOpeningOption(index);
  if (index == opening_option_) return;
  // Recorded first, so that the toggles below come back here as no change.
  opening_option_ = index;
  if (index == kNoOpeningOption) {
    // An exclusive group keeps one button checked; none may be only while it is not exclusive.
    option_buttons_->setExclusive(false);
    for (QRadioButton* option : options_) option->setChecked(false);
    option_buttons_->setExclusive(true);
  } else {
    options_[index]->setChecked(true);
  }
  ApplyOpeningOption();
}

void SettingsPage::ApplyOpeningOption() {
  const std::optional<bool> editable = state_.OpeningOptionChosen(opening_option_);
  if (!editable) return;
  fixed_catalog_edit_->setEnabled(*editable);
  fixed_catalog_button_->setEnabled(*editable);
}

void SettingsPage::FixedCatalogEdited() {
  state_.FixedCatalogPathChanged(fixed_catalog_edit_->text().toStdString());
}

void SettingsPage::ChooseFixedCatalog() {
  const QString chosen = prompts_.ChooseFile(open_dialog_);
  if (!chosen.isEmpty()) fixed_catalog_edit_->setText(QFileInfo(chosen).absoluteFilePath());
}

void SettingsPage::AddEnding() {
  endings_list_->setFocus();
  auto* item = new QListWidgetItem(endings_list_);
  item->setFlags(item->flags() | Qt::ItemIsEditable);
  endings_list_->setCurrentItem(item, QItemSelectionModel::ClearAndSelect);
}

void SettingsPage::DeleteSelectedEnding() {
  const QList<QListWidgetItem*> selected = endings_list_->selectedItems();
  if (selected.isEmpty()) return;
  delete selected.first();
  // The list would select the next item, and a second press would delete an item the user
  // never chose.
  endings_list_->clearSelection();
}

void SettingsPage::CloseKeepingChanges() { emit CloseRequested(); }

void SettingsPage::RevertAndClose() {
  const TLastProperties& snapshot = state_.LastProperties();
  ShowEndings(snapshot.ExcludedExtensions);
  SetOpeningOption(snapshot.OpeningOption);
  fixed_catalog_edit_->setText(QString::fromStdString(snapshot.CatalogPath));
  // As at the dialog's creation: the path just put back may have set StartupCatalog under an
  // option that clears it, and the option put back may need the path that is there now.
  ApplyOpeningOption();
  emit CloseRequested();
}

void SettingsPage::ShowEndings(const std::vector<std::string>& endings) {
  endings_list_->clear();
  // Each item is made whole before the list takes it: a change to an item already listed makes
  // the list search for it, which over a long Cat.dat would cost time growing with its square.
  for (const std::string& ending : endings) {
    auto* item = new QListWidgetItem(QString::fromStdString(ending));
    item->setFlags(item->flags() | Qt::ItemIsEditable);
    endings_list_->addItem(item);
  }
}

}  // namespace quorvel
