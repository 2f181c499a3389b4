// "Повторы": a page docked beside the lists that shows the catalogue's groups of copies, each
// group a row that opens to its thumbnails, and for each disk how many of its thumbnails have no
// copy on any other disk. Choosing a row asks for its thumbnails to be shown; the page itself
// only shows what it is given.
#ifndef QUORVEL_MAINWINDOW_COPIES_PAGE_H_
#define QUORVEL_MAINWINDOW_COPIES_PAGE_H_

#include <QDockWidget>
#include <QString>
#include <cstdint>
#include <functional>
#include <vector>

#include "catalog/catalog_index.h"

class QAction;
class QLabel;
class QStandardItemModel;
class QTreeView;

namespace quorvel {

class CopiesPage : public QDockWidget {
  Q_OBJECT

 public:
  // `store_prints` and `refresh` are shown as the page's buttons.
  CopiesPage(QAction* store_prints, QAction* refresh, QWidget* parent = nullptr);

  // What the page shows: `groups` (each in catalogue order), and for each disk of the catalogue
  // its thumbnails without a copy elsewhere; `disk_name` and `thumb_name` give the texts.
  struct Content {
    std::vector<std::vector<ThumbRef>> groups;
    std::vector<std::vector<std::int32_t>> unique;
    std::function<QString(int disk)> disk_name;
    std::function<QString(ThumbRef thumb)> thumb_name;
  };
  void ShowContent(const Content& content);
  // No lists, and `note` saying why (the fingerprints not computed, no catalogue).
  void ShowNote(const QString& note);

 signals:
  // The user chose group `group` (its row or one of its thumbnails) or disk `disk`'s row.
  void GroupChosen(int group);
  void DiskChosen(int disk);

 private:
  void RowChosen(const QModelIndex& index);

  QStandardItemModel* groups_;
  QStandardItemModel* disks_;
  QTreeView* group_list_;
  QTreeView* disk_list_;
  QLabel* note_;
};

}  // namespace quorvel

#endif  // QUORVEL_MAINWINDOW_COPIES_PAGE_H_
