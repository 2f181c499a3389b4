// The "Настройки" page of the options dialog: the list of file-name endings that are not
// catalogued, the catalogue-opening option with its fixed catalogue, whether cameras' embedded
// previews are used, and the buttons that close the dialog.
#ifndef QUORVEL_SETTINGS_SETTINGS_PAGE_H_
#define QUORVEL_SETTINGS_SETTINGS_PAGE_H_

#include <QString>
#include <QWidget>
#include <array>
#include <string>
#include <vector>

#include "platform/user_prompts.h"
#include "settings/settings_state.h"

class QButtonGroup;
class QCheckBox;
class QFileDialog;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;
class QToolButton;

namespace quorvel {

class SettingsPage : public QWidget {
  Q_OBJECT

 public:
  // Every change on the page goes into `state` at once. The fixed catalogue's button runs
  // `open_dialog` (the main window's catalogue-opening dialog) through `prompts`; with none the
  // page makes a dialog of the same kind. `state`, `prompts` and `open_dialog` must outlive the
  // page.
  SettingsPage(SettingsState& state, UserPrompts& prompts, QFileDialog* open_dialog,
               QWidget* parent = nullptr);

  // The dialog's creation, this page's part: the stored option, fixed catalogue and previews
  // box go through the controls (so their handlers run), the list shows the lines of Cat.dat,
  // and the option handler runs once more, since the path it may have to clear came after the
  // option.
  void ApplyStoredSettings(const DialogSettings& stored);

  // The snapshot each showing of the dialog takes for "Отмена".
  void TakeSnapshot();

  // The items of the exclusion list, in order.
  std::vector<std::string> ExcludedEndings() const;

  // The chosen catalogue-opening option, -1 when none is chosen. Setting it clamps it to -1..2
  // and runs ApplyOpeningOption when it changes.
  int OpeningOption() const { return opening_option_; }
  void SetOpeningOption(int index);

  // What the page's controls do.
  // The chosen option sets the catalogue opening and whether the fixed catalogue takes input.
  void ApplyOpeningOption();
  // The fixed catalogue's field changed its text, typed or set.
  void FixedCatalogEdited();
  // The fixed catalogue's button: picks the catalogue with the file dialog.
  void ChooseFixedCatalog();
  // "+": a new empty item, selected, for editing in place.
  void AddEnding();
  // "-": deletes the selected item.
  void DeleteSelectedEnding();
  // "OK": closes, keeping every change.
  void CloseKeepingChanges();
  // "Отмена": puts back the list, the option and the path of the showing's snapshot, and closes.
  void RevertAndClose();

 signals:
  // "OK" or "Отмена" was pressed; the dialog closes.
  void CloseRequested();

 private:
  void ShowEndings(const std::vector<std::string>& endings);

  SettingsState& state_;
  UserPrompts& prompts_;
  QFileDialog* open_dialog_;

  QLabel* list_heading_;
  QListWidget* endings_list_;
  QToolButton* add_button_;
  QToolButton* delete_button_;
  QGroupBox* option_group_;
  QButtonGroup* option_buttons_;  // the option group's items, by index
  std::array<QRadioButton*, 3> options_{};
  QLineEdit* fixed_catalog_edit_;
  QToolButton* fixed_catalog_button_;
  QCheckBox* previews_box_;
  QPushButton* ok_button_;
  QPushButton* cancel_button_;

  int opening_option_ = kOpenNoCatalog;
};

}  // namespace quorvel

#endif  // QUORVEL_SETTINGS_SETTINGS_PAGE_H_
