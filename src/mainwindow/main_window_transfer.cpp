// Moving disks and thumbnails between the open catalogue and other files: import, export and
// saving thumbnails to a folder.
#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QListView>
#include <QTreeView>
#include <optional>
#include <vector>

#include "catalog/atomic_file.h"
#include "catalog/catalog_edits.h"
#include "catalog/catalog_error.h"
#include "catalog/catalog_lock.h"
#include "catalog/folder_writer.h"
#include "catalog/stream.h"
#include "mainwindow/catalog_file_name.h"
#include "mainwindow/main_window.h"
#include "mainwindow/thumbnail_model.h"
#include "platform/path_text.h"

namespace quorvel {
namespace {

const QString kTitle = QStringLiteral("Quorvel");

// Enough lines to see what went wrong; a folder that refuses every file would otherwise give a
// box taller than the screen.
constexpr std::size_t kUnwrittenListed = 20;

QString UnwrittenText(const std::vector<UnwrittenThumbnail>& unwritten) {
  QString text = QStringLiteral("Не записано файлов: %1").arg(unwritten.size());
  for (std::size_t i = 0; i < unwritten.size() && i < kUnwrittenListed; ++i) {
    text += QStringLiteral("\n") + PathToQString(unwritten[i].path) + QStringLiteral(": ") +
            QString::fromStdString(unwritten[i].reason);
  }
  if (unwritten.size() > kUnwrittenListed) text += QStringLiteral("\n…");
  return text;
}

}  // namespace

void MainWindow::ImportClick() {
  if (!ChangeAllowed()) return;
  const QString chosen = ChooseCatalogFile(open_dialog_);
  if (chosen.isEmpty() || chosen == PathToQString(document_.CatalogFileName())) return;
  Guarded([&] {
    const std::filesystem::path path = QStringToPath(chosen);
    if (!IsCatalogFile(path)) return;
    // The whole file is read, and checked, before the catalogue is touched.
    const Bytes other = LoadFile(path);
    if (other.empty()) return;
    Bytes merged = ImportCatalog(document_.CatalogStream(), other);
    if (merged == document_.CatalogStream()) return;  // a catalogue without disks adds nothing
    // Like every other change: undoable, and asked about before it could be lost.
    document_.ApplyChange(std::move(merged));
    ReloadCatalog(false);
    if (DiskRowCount() > 0) SelectRow(0);
  });
}

void MainWindow::Export1Click() {
  const QString chosen = ChooseCatalogFile(save_dialog_);
  if (chosen.isEmpty()) return;
  const QString target = CompleteCatalogName(chosen);
  if (QFileInfo::exists(target) &&
      prompts_.WarnYesNo(this, kTitle,
                         QStringLiteral("\"") + target +
                             QStringLiteral("\"\r уже существует. Заменить?")) == Answer::kNo) {
    return;
  }
  const std::vector<int> disks = SelectedDisksInOrder();
  Guarded([&] {
    Bytes exported;
    if (disks.size() == document_.Index().Disks.size() && !document_.Index().Damage) {
      exported = document_.CatalogStream();  // every disk: the catalogue as it is stored
    } else {
      exported = CopyDisks(document_.CatalogStream(), document_.Index(), disks);
    }
    const std::filesystem::path path = QStringToPath(target);
    const CatalogLock lock(path);
    SaveFileAtomically(path, exported);
  });
}

void MainWindow::S2PClick() {
  const QString start = CatalogFolder();
  const QString folder = prompts_.ChooseFolder(this, QStringLiteral("Выберите папку"),
                                               start.isEmpty() ? QDir::currentPath() : start);
  if (folder.isEmpty()) return;
  // The view's items name their own disks: one disk's thumbnails, or results of several.
  std::vector<const Disc*> thumbs;
  for (const int row : SelectedThumbnailRows()) {
    if (const Disc* thumb = thumbnail_model_->Thumb(row)) thumbs.push_back(thumb);
  }
  std::optional<FolderWriteResult> result;
  {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    Guarded([&] {
      FolderWriter writer(QStringToPath(folder));
      result = writer.WriteThumbnails(ByteView(document_.CatalogStream()), thumbs);
    });
    QApplication::restoreOverrideCursor();
  }
  if (!result) return;
  if (result->unwritten.empty()) {
    prompts_.Inform(this, kTitle, QStringLiteral("Готово!!!"));
  } else {
    ShowError(UnwrittenText(result->unwritten));
  }
}

}  // namespace quorvel
