// The document commands: new, open, save, save as, undo, and the question before closing.
#include <QCloseEvent>
#include <QFileDialog>
#include <QMenu>
#include <QTimer>
#include <QTreeView>
#include <algorithm>
#include <filesystem>
#include <system_error>

#include "catalog/atomic_file.h"
#include "catalog/catalog_error.h"
#include "catalog/catalog_lock.h"
#include "catalog/catalog_repair.h"
#include "catalog/stream.h"
#include "mainwindow/catalog_file_name.h"
#include "mainwindow/disk_list_model.h"
#include "mainwindow/main_window.h"
#include "platform/error_text.h"
#include "platform/path_text.h"

namespace quorvel {
namespace {

const QString kTitle = QStringLiteral("Quorvel");

QString ReplaceQuestion(const QString& name) {
  return name + QStringLiteral(" уже существует.\rЗаменить?");
}

// Saving over a file that another program wrote after it was read would lose that program's
// change without a word.
QString ChangedElsewhereQuestion(const std::filesystem::path& path) {
  return QStringLiteral("Файл \"") + PathToQString(path) +
         QStringLiteral("\" изменён другой программой после открытия.\rПерезаписать его?");
}

}  // namespace

void MainWindow::Guarded(const std::function<void()>& command) {
  try {
    command();
  } catch (const std::exception& error) {
    ShowError(ErrorText(error));
  }
}

void MainWindow::ShowError(const QString& text) { prompts_.Error(this, kTitle, text); }

bool MainWindow::ChangeAllowed() {
  bool allowed = false;
  Guarded([&] {
    document_.RequireChangeable();
    allowed = true;
  });
  return allowed;
}

void MainWindow::OfferRepair(const QString& question) {
  if (prompts_.WarnYesNo(this, kTitle, question) == Answer::kYes) SaveReadable();
}

void MainWindow::SaveReadable() {
  if (scan_running_ || !document_.Index().Damage) return;
  const QString chosen = ChooseCatalogFile(save_dialog_);
  if (chosen.isEmpty()) return;
  const QString name = CompleteCatalogName(chosen);
  const std::filesystem::path path = QStringToPath(name);
  std::error_code ec;
  if (std::filesystem::equivalent(path, document_.CatalogFileName(), ec)) {
    ShowError(
        QStringLiteral("Прочитанное нельзя сохранить поверх повреждённого каталога: "
                       "выберите другой файл."));
    return;
  }
  if (QFileInfo::exists(name) &&
      prompts_.WarnYesNo(this, kTitle, ReplaceQuestion(name)) != Answer::kYes) {
    return;
  }
  Guarded([&] {
    const CatalogRepair repair = RepairCatalog(document_.CatalogStream());
    const CatalogLock lock(path);
    SaveFileAtomically(path, repair.catalog);
    document_.UseFile(path);
    ReloadCatalog(true);
    if (DiskRowCount() > 0) SelectRow(0);
  });
}

bool MainWindow::SaveChangesQuestion() {
  if (!document_.Modified()) return true;
  const QString text = QStringLiteral("Сохранить изменения в файле\r\"") +
                       PathToQString(document_.CatalogFileName()) + QStringLiteral("\" ?");
  switch (prompts_.AskYesNoCancel(this, kTitle, text)) {
    case Answer::kYes:
      // A save that failed must not let the changes go.
      return SaveClick();
    case Answer::kNo:
      return true;
    case Answer::kCancel:
      return false;
  }
  return false;
}

void MainWindow::NewClick() {
  if (!SaveChangesQuestion()) return;
  const QString chosen = ChooseCatalogFile(save_dialog_);
  if (chosen.isEmpty()) return;
  const QString name = CompleteCatalogName(chosen);
  if (QFileInfo::exists(name) &&
      prompts_.WarnYesNo(this, kTitle, ReplaceQuestion(name)) != Answer::kYes) {
    return;
  }
  Guarded([&] {
    {
      const std::filesystem::path path = QStringToPath(name);
      const CatalogLock lock(path);
      document_.New(path);
    }
    ReloadCatalog(true);
  });
}

void MainWindow::OpenClick() {
  if (!SaveChangesQuestion()) return;
  const QString chosen = ChooseCatalogFile(open_dialog_);
  if (chosen.isEmpty() || chosen == PathToQString(document_.CatalogFileName())) return;
  Guarded([&] {
    // Another kind of file is passed over without a word, as a file dialog's wrong pick is.
    if (!IsCatalogFile(QStringToPath(chosen))) return;
    document_.UseFile(QStringToPath(chosen));
    ReloadCatalog(true);
    if (DiskRowCount() > 0) SelectRow(0);
  });
}

bool MainWindow::SaveClick() {
  bool saved = false;
  Guarded([&] {
    // Held from the question to the write, so that no other program's change slips in between.
    const CatalogLock lock(document_.CatalogFileName());
    if (document_.FileChangedOnDisk() &&
        prompts_.WarnYesNo(this, kTitle, ChangedElsewhereQuestion(document_.CatalogFileName())) !=
            Answer::kYes) {
      return;
    }
    document_.Save();
    saved = true;
  });
  UpdateCommands();
  return saved;
}

void MainWindow::SaveAsClick() {
  const QString chosen = ChooseCatalogFile(save_dialog_);
  if (chosen.isEmpty()) return;
  const int disk = selected_disk_;
  const QString name = CompleteCatalogName(chosen);
  // The new file replaces the old one only once it is whole, so Yes needs no delete first.
  if (QFileInfo::exists(name) &&
      prompts_.WarnYesNo(this, kTitle, ReplaceQuestion(name)) == Answer::kNo) {
    return;
  }
  Guarded([&] {
    {
      const std::filesystem::path path = QStringToPath(name);
      const CatalogLock lock(path);
      document_.SaveAs(path);
    }
    ReloadCatalog(true);
    SelectDiskRow(disk);
  });
}

void MainWindow::UndoClick() {
  document_.Undo();
  ReloadCatalog(false);
  if (DiskRowCount() > 0) SelectRow(0);
}

void MainWindow::closeEvent(QCloseEvent* event) {
  if (scan_running_) {
    // The addition would otherwise go on over a window that is gone; it ends with what it has
    // captured, and the window closes then, asking about the changes as usual.
    close_after_scan_ = true;
    if (stop_scan_) stop_scan_();
    event->ignore();
    return;
  }
  if (SaveChangesQuestion()) {
    event->accept();
  } else {
    event->ignore();
  }
}

void MainWindow::FileeeeClick() { UpdateCommands(); }

void MainWindow::SetShowOptions(std::function<void(int page)> show_page) {
  show_options_ = std::move(show_page);
  UpdateCommands();
}

void MainWindow::SetScanRunning(bool running, std::function<void()> stop_scan) {
  scan_running_ = running;
  stop_scan_ = std::move(stop_scan);
  UpdateCommands();
  if (!running && close_after_scan_) {
    close_after_scan_ = false;
    QTimer::singleShot(0, this, &QWidget::close);
  }
}

void MainWindow::ShowAddedDisk() {
  ReloadCatalog(false);
  // Of every disk, also while a search shows only some.
  const int rows = disk_model_->rowCount();
  if (rows > 0) SelectRow(rows - 1);
}

void MainWindow::AddClick() {
  if (show_options_) show_options_(0);
}

void MainWindow::SettingsClick() {
  if (show_options_) show_options_(1);
}

void MainWindow::SelectDiskRow(int disk) {
  if (Searching()) {
    // As SelectRow: remembered for the end of the search.
    row_after_search_ = -1;
    disk_before_search_ = disk;
    disks_before_search_ = {disk};
    return;
  }
  const int row = disk_proxy_->RowOfDisk(disk);
  if (row >= 0) SelectRow(row);
}

std::vector<int> MainWindow::SelectedDisksInOrder() const {
  std::vector<int> rows;
  for (const QModelIndex& index : disk_list_->selectionModel()->selectedRows()) {
    rows.push_back(index.row());
  }
  std::sort(rows.begin(), rows.end());
  std::vector<int> disks;
  disks.reserve(rows.size());
  for (const int row : rows) disks.push_back(disk_proxy_->DiskOfRow(row));
  return disks;
}

}  // namespace quorvel
