// Opening the picture a thumbnail was made from, or its folder, where its disk is mounted.
#include <QDesktopServices>
#include <QLabel>
#include <QListView>
#include <QModelIndex>

#include "catalog/catalog_index.h"
#include "catalog/cp1251.h"
#include "mainwindow/main_window.h"
#include "mainwindow/thumbnail_model.h"
#include "platform/original_file.h"
#include "platform/path_text.h"

namespace quorvel {

void MainWindow::OpenOriginalClick() {
  const QList<int> rows = SelectedThumbnailRows();
  if (rows.size() == 1) OpenOriginal(ItemOfRow(rows.first()), false);
}

void MainWindow::ShowInFolderClick() {
  const QList<int> rows = SelectedThumbnailRows();
  if (rows.size() == 1) OpenOriginal(ItemOfRow(rows.first()), true);
}

void MainWindow::ListView2DblClick(const QModelIndex& index) {
  if (!index.isValid()) return;
  // On a search result: to the result's disk, as Enter goes.
  if (thumbnail_model_->ShowsResults()) {
    ShowOnDiskClick(index.row());
    return;
  }
  // As "Открыть файл" on the thumbnail clicked, which the click has selected.
  if (menus_.OpenOriginal->isEnabled()) OpenOriginal(ItemOfRow(index.row()), false);
}

ThumbRef MainWindow::ItemOfRow(int row) const {
  return thumbnail_model_->Items().at(static_cast<std::size_t>(row));
}

void MainWindow::OpenOriginal(ThumbRef thumb, bool folder) {
  const CatInfo& disk = document_.Index().Disks.at(static_cast<std::size_t>(thumb.disk));
  const std::string_view stored =
      disk.Thumbs[static_cast<std::size_t>(thumb.thumb)].Name(document_.CatalogStream());
  const std::optional<std::filesystem::path> file = FindOriginalFile(stored);
  if (!file) {
    status_panel_->setText(QStringLiteral("Файл недоступен: вставьте диск \"%1\".")
                               .arg(QString::fromStdString(Cp1251ToUtf8(disk.Name))));
    return;
  }
  const std::filesystem::path target = folder ? file->parent_path() : *file;
  // The desktop may have no program for it; saying nothing would look as if it had opened.
  if (!QDesktopServices::openUrl(LocalFileUrl(target))) {
    status_panel_->setText(QStringLiteral("Не удалось открыть \"%1\".").arg(PathToQString(target)));
  }
}

}  // namespace quorvel
