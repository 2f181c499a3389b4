// The thumbnails' commands of the thumbnail view's context menu: "Удалить эскиз" (Delete),
// "Сохранить в папку", "Просмотр" (Space: a closer look at the current thumbnail, in a window
// that follows the view's current item), "Открыть файл" and "Показать в папке" (the original
// picture, where its disk is mounted), the double click that opens the original, and dragging
// thumbnails out as files.
#ifndef QUORVEL_MAINWINDOW_THUMBNAIL_ACTIONS_H_
#define QUORVEL_MAINWINDOW_THUMBNAIL_ACTIONS_H_

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <filesystem>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include "catalog/catalog_index.h"
#include "mainwindow/command_context.h"

class QAction;
class QMimeData;

namespace quorvel {

class DragFolders;
class PicturePreview;

class ThumbnailActions : public QObject {
  Q_OBJECT

 public:
  explicit ThumbnailActions(const CommandContext& context, QObject* parent = nullptr);

  // The actions of the thumbnail view's context menu, in menu order, a separator among them;
  // the menu opens only while the first is enabled.
  QList<QAction*> MenuActions() const;

  // A double click on the thumbnail at `row` of a disk's thumbnails (which the click has
  // selected): as "Открыть файл".
  void OpenItem(int row);

  // What a drag of the thumbnail view's rows `rows` carries: their files, written when dropped as
  // "Сохранить в папку" writes them, from the catalogue as it is now, into a temporary folder
  // that lasts as long as this. Null, and no drag, while a disk is being added or when no row
  // has a thumbnail.
  QMimeData* DragData(const QList<int>& rows);

 private:
  void UpdateActions();
  void RemoveThumbnails();
  // Writes the selected thumbnails' JPEG data to a folder the user picks.
  void SaveThumbnailsToFolder();
  // Hands the original of the one selected thumbnail, or with `folder` its folder, to the
  // desktop; when the picture is not here, the status bar asks for its disk instead.
  void OpenSelectedOriginal(bool folder);
  void OpenOriginal(ThumbRef thumb, bool folder);
  // The original of a thumbnail of disk `disk` stored as `stored`: below the folder the disk
  // was recognised at, else where it was catalogued; nullopt when it is in neither place.
  std::optional<std::filesystem::path> FindOriginal(int disk, std::string_view stored) const;
  // Space and "Просмотр": opens the preview on the current thumbnail, or closes it.
  void TogglePreview();
  // Shows the current thumbnail in the open preview, unless it shows that one already; closes
  // the preview when the view has no current item.
  void PreviewCurrent();
  // The thumbnails of the view's rows `rows`, those whose entry the index still has.
  std::vector<ThumbRef> ThumbsOfRows(const QList<int>& rows) const;

  CommandContext context_;
  QAction* remove_;
  QAction* save_to_folder_;
  QAction* separator_;
  QAction* preview_;
  QAction* open_original_;
  QAction* show_in_folder_;
  QPointer<PicturePreview> preview_window_;    // made on first use, a child of the window
  std::optional<ThumbRef> previewed_;          // the item the open preview shows
  QString previewed_path_;                     // and its stored path, which an edit may change
  std::shared_ptr<DragFolders> drag_folders_;  // shared with the drags, which may outlive this
};

}  // namespace quorvel

#endif  // QUORVEL_MAINWINDOW_THUMBNAIL_ACTIONS_H_
