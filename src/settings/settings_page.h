// The "Настройки" page of the dialog TForm3: the list of file-name endings that are not
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
  // Every change on the page goes into `state` at once. SpeedButton4 runs `open_dialog` (the
  // main window's OpenDialog1) through `prompts`; with none the page makes a dialog of the same
  // kind. `state`, `prompts` and `open_dialog` must outlive the page.
  SettingsPage(SettingsState& state, UserPrompts& prompts, QFileDialog* open_dialog,
               QWidget* parent = nullptr);

  // The dialog's creation, this page's part: the stored option, fixed catalogue and previews
  // box go through the controls (so their handlers run), the list shows the lines of Cat.dat,
  // and the option handler runs once more, since the path it may have to clear came after the
  // option.
  void ApplyStoredSettings(const DialogSettings& stored);

  // The snapshot each showing of the dialog takes for "Отмена".
  void TakeSnapshot();

  // The items of ListView1, in order.
  std::vector<std::string> ExcludedEndings() const;

  // RadioGroup1's item index, -1 when no option is chosen. Setting it clamps it to -1..2 and
  // runs RadioGroup1Click when it changes.
  int ItemIndex() const { return item_index_; }
  void SetItemIndex(int index);

  // Handlers, named after their control and event.
  void RadioGroup1Click();
  void Edit3Change();
  void SpeedButton4Click();  // choose the fixed catalogue
  void SpeedButton2Click();  // "+"
  void SpeedButton3Click();  // "-"
  void Button4Click();       // "OK"
  void Button5Click();       // "Отмена"

 signals:
  // "OK" or "Отмена" was pressed; the dialog closes.
  void CloseRequested();

 private:
  void ShowEndings(const std::vector<std::string>& endings);

  SettingsState& state_;
  UserPrompts& prompts_;
  QFileDialog* open_dialog_;

  QLabel* list_heading_;          // Label6
  QListWidget* endings_list_;     // ListView1
  QToolButton* add_button_;       // SpeedButton2
  QToolButton* delete_button_;    // SpeedButton3
  QGroupBox* option_group_;       // RadioGroup1
  QButtonGroup* option_buttons_;  // RadioGroup1's items, by index
  std::array<QRadioButton*, 3> options_{};
  QLineEdit* fixed_catalog_edit_;      // Edit3
  QToolButton* fixed_catalog_button_;  // SpeedButton4
  QCheckBox* previews_box_;            // CheckBox3
  QPushButton* ok_button_;             // Button4
  QPushButton* cancel_button_;         // Button5

  int item_index_ = kOpenNoCatalog;
};

}  // namespace quorvel

#endif  // QUORVEL_SETTINGS_SETTINGS_PAGE_H_
