#include "mainwindow/thumbnail_actions.h"

#include <QAction>
#include <QDesktopServices>
#include <QDir>
#include <QImage>
#include <QPointer>
#include <QTimer>
#include <exception>
#include <optional>
#include <utility>
#include <vector>

#include "catalog/catalog_edits.h"
#include "catalog/cp1251.h"
#include "catalog/folder_writer.h"
#include "mainwindow/catalog_file_name.h"
#include "mainwindow/file_drag_data.h"
#include "mainwindow/picture_preview.h"
#include "mainwindow/thumbnail_model.h"
#include "platform/disk_location.h"
#include "platform/error_text.h"
#include "platform/original_file.h"
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

// What writing thumbnails into a folder did: the files written, and what to tell of the rest
// (empty when nothing failed).
struct WrittenThumbnails {
  std::vector<std::filesystem::path> files;
  QString failure;
};

// Writes `thumbs` of `catalog` into `folder` as FolderWriter names them.
WrittenThumbnails WriteThumbnails(const QString& folder, const CatalogVersion& catalog,
                                  const std::vector<ThumbRef>& thumbs) {
  WrittenThumbnails written;
  try {
    FolderWriter writer(QStringToPath(folder));
    FolderWriteResult result = writer.WriteThumbnails(catalog, thumbs);
    written.files = std::move(result.written);
    if (!result.unwritten.empty()) written.failure = UnwrittenText(result.unwritten);
  } catch (const std::exception& error) {
    written.failure = ErrorText(error);
  }
  return written;
}

}  // namespace

ThumbnailActions::ThumbnailActions(const CommandContext& context, QObject* parent)
    : QObject(parent), context_(context) {
  setObjectName(QStringLiteral("thumbnail_actions"));
  remove_ = MakeCommand(this, "RemoveThumb", QStringLiteral("&Удалить эскиз"));
  save_to_folder_ = MakeCommand(this, "SaveToFolder", QStringLiteral("&Сохранить в папку"));
  separator_ = new QAction(this);
  separator_->setSeparator(true);
  preview_ = MakeCommand(this, "Preview", QStringLiteral("П&росмотр"));
  open_original_ = MakeCommand(this, "OpenOriginal", QStringLiteral("&Открыть файл"));
  show_in_folder_ = MakeCommand(this, "ShowInFolder", QStringLiteral("Показать в &папке"));
  remove_->setShortcut(Qt::Key_Delete);
  preview_->setShortcut(Qt::Key_Space);
  connect(remove_, &QAction::triggered, this, &ThumbnailActions::RemoveThumbnails);
  connect(save_to_folder_, &QAction::triggered, this, &ThumbnailActions::SaveThumbnailsToFolder);
  connect(preview_, &QAction::triggered, this, &ThumbnailActions::TogglePreview);
  connect(open_original_, &QAction::triggered, this, [this] { OpenSelectedOriginal(false); });
  connect(show_in_folder_, &QAction::triggered, this, [this] { OpenSelectedOriginal(true); });
  FollowState(context_, this, [this] {
    UpdateActions();
    PreviewCurrent();
  });
  drag_folders_ = std::make_shared<DragFolders>();
}

QList<QAction*> ThumbnailActions::MenuActions() const {
  return {remove_, save_to_folder_, separator_, preview_, open_original_, show_in_folder_};
}

void ThumbnailActions::UpdateActions() {
  const bool idle = !context_.scan_running();
  const qsizetype thumbs = context_.selected_thumbnail_rows().size();
  remove_->setText(thumbs > 1 ? QStringLiteral("&Удалить эскизы")
                              : QStringLiteral("&Удалить эскиз"));
  remove_->setEnabled(idle && thumbs > 0);
  save_to_folder_->setEnabled(idle && thumbs > 0);
  open_original_->setEnabled(idle && thumbs == 1);
  show_in_folder_->setEnabled(idle && thumbs == 1);
  preview_->setEnabled(idle &&
                       context_.thumbnail_model.Thumb(context_.current_thumbnail_row()) != nullptr);
}

void ThumbnailActions::RemoveThumbnails() {
  const QList<int> rows = context_.selected_thumbnail_rows();
  if (rows.isEmpty() || !ChangeAllowed(context_)) return;
  const ThumbnailModel& model = context_.thumbnail_model;
  const QString text = rows.size() == 1
                           ? QStringLiteral("Вы действительно хотите удалить эскиз \r\"") +
                                 model.Name(rows.first()) + QStringLiteral("\" ?")
                           : QStringLiteral("Вы действительно хотите удалить эти эскизы (") +
                                 QString::number(rows.size()) + QStringLiteral(" шт.) ?");
  if (context_.prompts.ConfirmYesNo(context_.window, kTitle, text) != Answer::kYes) return;
  const WaitCursor wait;
  std::vector<ThumbRef> removed;
  removed.reserve(static_cast<std::size_t>(rows.size()));
  // The view's items name their own disks: one disk's thumbnails, or results of several.
  for (const int row : rows) removed.push_back(model.Items().at(static_cast<std::size_t>(row)));
  const int disk = removed.front().disk;
  CatalogDocument& document = context_.document;
  RunGuarded(context_, [&] {
    // Search results are shown again as they are now, with the refresh after the change; a
    // disk's thumbnails, by selecting it again.
    document.ApplyChange(RemoveThumbs(document.Current(), removed),
                         RemoveThumbsEdit(document.Index(), removed));
    if (!context_.searching()) context_.select_disk(disk);
  });
}

void ThumbnailActions::SaveThumbnailsToFolder() {
  const QString start = CatalogFolder(context_.document);
  const QString folder =
      context_.prompts.ChooseFolder(context_.window, QStringLiteral("Выберите папку"),
                                    start.isEmpty() ? QDir::currentPath() : start);
  if (folder.isEmpty()) return;
  WrittenThumbnails written;
  {
    const WaitCursor wait;
    written = WriteThumbnails(folder, context_.document.Current(),
                              ThumbsOfRows(context_.selected_thumbnail_rows()));
  }
  if (written.failure.isEmpty()) {
    context_.prompts.Inform(context_.window, kTitle, QStringLiteral("Готово!!!"));
  } else {
    ShowError(context_, written.failure);
  }
}

std::vector<ThumbRef> ThumbnailActions::ThumbsOfRows(const QList<int>& rows) const {
  // The view's items name their own disks: one disk's thumbnails, or results of several.
  std::vector<ThumbRef> thumbs;
  for (const int row : rows) {
    if (context_.thumbnail_model.Thumb(row) != nullptr) {
      thumbs.push_back(context_.thumbnail_model.Items()[static_cast<std::size_t>(row)]);
    }
  }
  return thumbs;
}

QMimeData* ThumbnailActions::DragData(const QList<int>& rows) {
  if (context_.scan_running()) return nullptr;
  std::vector<ThumbRef> thumbs = ThumbsOfRows(rows);
  if (thumbs.empty()) return nullptr;
  // The drop may come after an edit or an undo; it gets what was dragged. A copy of a version
  // shares its bytes and thumbnails, and copies only the disk list.
  auto catalog = std::make_shared<const CatalogVersion>(context_.document.Current());
  return new FileDragData([catalog, thumbs = std::move(thumbs), folders = drag_folders_,
                           actions = QPointer<ThumbnailActions>(this)] {
    WrittenThumbnails written = WriteThumbnails(folders->NewFolder(), *catalog, thumbs);
    // Told once the drop is over: a box opened while the target waits for the files would
    // hold up both programs.
    if (!written.failure.isEmpty() && actions) {
      QTimer::singleShot(0, actions, [actions, failure = written.failure] {
        ShowError(actions->context_, failure);
      });
    }
    return std::move(written.files);
  });
}

void ThumbnailActions::OpenItem(int row) {
  if (!open_original_->isEnabled() || row < 0) return;
  const std::vector<ThumbRef>& items = context_.thumbnail_model.Items();
  if (static_cast<std::size_t>(row) < items.size()) {
    OpenOriginal(items[static_cast<std::size_t>(row)], false);
  }
}

void ThumbnailActions::OpenSelectedOriginal(bool folder) {
  const QList<int> rows = context_.selected_thumbnail_rows();
  if (rows.size() != 1) return;
  OpenOriginal(context_.thumbnail_model.Items().at(static_cast<std::size_t>(rows.first())), folder);
}

void ThumbnailActions::OpenOriginal(ThumbRef thumb, bool folder) {
  const CatalogDocument& document = context_.document;
  const CatInfo& disk = document.Index().Disks.at(static_cast<std::size_t>(thumb.disk));
  const std::string_view stored = disk.Thumbs[static_cast<std::size_t>(thumb.thumb)].Name();
  const std::optional<std::filesystem::path> file = FindOriginal(thumb.disk, stored);
  if (!file) {
    context_.note(QStringLiteral("Файл недоступен: вставьте диск \"%1\".")
                      .arg(QString::fromStdString(Cp1251ToUtf8(disk.Name))));
    return;
  }
  const std::filesystem::path target = folder ? file->parent_path() : *file;
  // The desktop may have no program for it; saying nothing would look as if it had opened.
  if (!QDesktopServices::openUrl(LocalFileUrl(target))) {
    context_.note(QStringLiteral("Не удалось открыть \"%1\".").arg(PathToQString(target)));
  }
}

std::optional<std::filesystem::path> ThumbnailActions::FindOriginal(int disk,
                                                                    std::string_view stored) const {
  if (const std::optional<DiskLocation> location = context_.disk_location(disk)) {
    if (std::optional<std::filesystem::path> file = FindOriginalFileAt(stored, *location)) {
      return file;
    }
  }
  // A disk mounted where it was catalogued needs no recognition, and one recognised may be
  // mounted there too.
  return FindOriginalFile(stored);
}

void ThumbnailActions::TogglePreview() {
  if (preview_window_ != nullptr && preview_window_->isVisible()) {
    preview_window_->close();
    return;
  }
  if (preview_window_ == nullptr) preview_window_ = new PicturePreview(context_.window);
  previewed_.reset();
  preview_window_->show();
  // The keys stay with the view, whose current item the preview follows, even where the
  // platform activates every window it shows.
  context_.window->activateWindow();
  PreviewCurrent();
}

void ThumbnailActions::PreviewCurrent() {
  if (preview_window_ == nullptr || !preview_window_->isVisible()) return;
  const ThumbnailModel& model = context_.thumbnail_model;
  const int row = context_.current_thumbnail_row();
  const Disc* thumb = model.Thumb(row);
  if (thumb == nullptr) {
    preview_window_->close();
    return;
  }
  // The enabling of the commands calls this on every change of state; only a move to another
  // item, or an edit of the one shown, shows anew.
  const ThumbRef item = model.Items()[static_cast<std::size_t>(row)];
  const QString path = model.Name(row);
  if (previewed_ == item && previewed_path_ == path) return;
  previewed_ = item;
  previewed_path_ = path;
  preview_window_->ShowPicture(model.FileName(row), model.Picture(row),
                               FindOriginal(item.disk, thumb->Name()));
}

}  // namespace quorvel
