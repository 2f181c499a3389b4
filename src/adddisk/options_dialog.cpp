#include "adddisk/options_dialog.h"

#include <QEvent>
#include <QKeyEvent>
#include <QShowEvent>
#include <QTabWidget>
#include <QVBoxLayout>
#include <iostream>
#include <string>
#include <utility>
#include <vector>

#include "adddisk/add_disk_page.h"
#include "catalog/cp1251.h"
#include "settings/settings_page.h"

namespace quorvel {
namespace {

const QString kCaption = QStringLiteral("Параметры");
// The dialog's outer size, frame included.
constexpr QSize kOuterSize(393, 498);
// The pages are laid out for 8-point text, as the main window is.
constexpr int kFontPointSize = 8;

}  // namespace

OptionsDialog::OptionsDialog(SettingsState& state, UserPrompts& prompts, OptionsDialogLinks links,
                             QWidget* parent)
    : QWidget(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowCloseButtonHint),
      state_(state),
      prompts_(prompts),
      links_(std::move(links)),
      placement_(kOuterSize) {
  setObjectName(QStringLiteral("options_dialog"));
  setWindowTitle(kCaption);
  QFont text_font = font();
  text_font.setPointSize(kFontPointSize);
  setFont(text_font);

  pages_ = new QTabWidget(this);
  pages_->setObjectName(QStringLiteral("option_pages"));
  add_disk_page_ = new AddDiskPage(state_, prompts_, pages_);
  settings_page_ = new SettingsPage(state_, prompts_, links_.open_dialog, pages_);
  pages_->addTab(add_disk_page_, QStringLiteral("Добавить диск"));
  pages_->addTab(settings_page_, QStringLiteral("Настройки"));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(pages_);

  // Hiding keeps every change in force, as closing by the title bar does.
  connect(settings_page_, &SettingsPage::CloseRequested, this, &QWidget::close);

  // The walk compares the endings with names as a catalogue stores them, in Windows-1251.
  add_disk_page_->SetLinks(links_.add_disk, [page = settings_page_] {
    std::vector<std::string> endings = page->ExcludedEndings();
    for (std::string& ending : endings) ending = Utf8ToCp1251(ending);
    return endings;
  });

  resize(kOuterSize);
  LoadSettings();
}

OptionsDialog::~OptionsDialog() { SaveSettings(); }

void OptionsDialog::LoadSettings() {
  state_.SetLastTimeoutText(add_disk_page_->TimeoutText().toStdString());
  const std::vector<std::string> problems = state_.Load();
  // Copied, since each control that takes its value writes into the state again.
  const DialogSettings stored = state_.values();
  settings_page_->ApplyStoredSettings(stored);
  add_disk_page_->ApplyStoredSettings(stored);
  if (!problems.empty()) {
    QStringList lines;
    for (const std::string& problem : problems) lines.append(QString::fromStdString(problem));
    prompts_.Warn(parentWidget(), kCaption,
                  QStringLiteral("Не удалось прочитать настройки.\n%1")
                      .arg(lines.join(QLatin1Char('\n'))));
  }
}

void OptionsDialog::SaveSettings() {
  state_.LastProperties().ExcludedExtensions = settings_page_->ExcludedEndings();
  // The program is ending; there is no one left to ask.
  for (const std::string& problem : state_.Save()) std::cerr << "quorvel: " << problem << '\n';
}

void OptionsDialog::ShowPage(int page, const QString& folder) {
  add_disk_page_->SetUpdatedDisk(std::nullopt);
  Show(page, folder);
}

void OptionsDialog::ShowUpdate(int disk, const QString& folder) {
  add_disk_page_->SetUpdatedDisk(disk);
  Show(kAddDiskPage, folder);
}

void OptionsDialog::Show(int page, const QString& folder) {
  // The page looks the same either way but for the name it keeps: its tab says which it does.
  pages_->setTabText(kAddDiskPage, add_disk_page_->Updating() ? QStringLiteral("Обновить диск")
                                                              : QStringLiteral("Добавить диск"));
  show();
  raise();
  activateWindow();
  // Already visible, the dialog takes no new snapshot, but the page it opens must still fit
  // the catalogue the main window has now.
  UpdateAddDiskTab();
  if (!pages_->isTabVisible(page)) return;
  pages_->setCurrentIndex(page);
  if (page == kAddDiskPage && !folder.isEmpty()) add_disk_page_->SetFolder(folder);
}

void OptionsDialog::PrepareShowing() {
  UpdateAddDiskTab();
  add_disk_page_->PrepareForShowing();
  settings_page_->TakeSnapshot();
}

void OptionsDialog::UpdateAddDiskTab() {
  const bool catalog_open = links_.catalog_open && links_.catalog_open();
  pages_->setTabVisible(kAddDiskPage, catalog_open);
  if (!catalog_open) pages_->setCurrentIndex(kSettingsPage);
}

void OptionsDialog::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  // A spontaneous show is the window system restoring a minimised dialog, not a new showing.
  if (event->spontaneous()) return;
  placement_.Shown(*this);
  PrepareShowing();
}

void OptionsDialog::keyPressEvent(QKeyEvent* event) {
  // Keys a control did not take come here; Escape in an item's editor is the editor's.
  if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
    close();
    return;
  }
  QWidget::keyPressEvent(event);
}

bool OptionsDialog::event(QEvent* event) {
  const bool handled = QWidget::event(event);
  placement_.Event(*this, *event);
  return handled;
}

}  // namespace quorvel
