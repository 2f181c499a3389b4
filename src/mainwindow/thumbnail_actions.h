// The thumbnails' commands of the thumbnail view's context menu: "Удалить эскиз" (Delete),
// "Сохранить в папку", "Открыть файл" and "Показать в папке" (the original picture, where its
// disk is mounted), and the double click that opens the original.
#ifndef QUORVEL_MAINWINDOW_THUMBNAIL_ACTIONS_H_
#define QUORVEL_MAINWINDOW_THUMBNAIL_ACTIONS_H_

#include <QList>
#include <QObject>

#include "catalog/catalog_index.h"
#include "mainwindow/command_context.h"

class QAction;

namespace quorvel {

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

 private:
  void UpdateActions();
  void RemoveThumbnails();
  // Writes the selected thumbnails' JPEG data to a folder the user picks.
  void SaveThumbnailsToFolder();
  // Hands the original of the one selected thumbnail, or with `folder` its folder, to the
  // desktop; when the picture is not here, the status bar asks for its disk instead.
  void OpenSelectedOriginal(bool folder);
  void OpenOriginal(ThumbRef thumb, bool folder);

  CommandContext context_;
  QAction* remove_;
  QAction* save_to_folder_;
  QAction* separator_;
  QAction* open_original_;
  QAction* show_in_folder_;
};

}  // namespace quorvel

#endif  // QUORVEL_MAINWINDOW_THUMBNAIL_ACTIONS_H_
