// The commands that use what the catalogue knows of each picture: "Упорядочить по дате съёмки"
// in the thumbnail view's context menu, a choice kept in the settings file, and "Экспорт списка
// (CSV)…", which lists the selected disks' thumbnails, or the search results shown, with their
// facts in a file a spreadsheet opens.
#ifndef QUORVEL_MAINWINDOW_FACTS_ACTIONS_H_
#define QUORVEL_MAINWINDOW_FACTS_ACTIONS_H_

#include <QObject>
#include <QString>
#include <filesystem>
#include <vector>

#include "catalog/catalog_index.h"
#include "mainwindow/command_context.h"

class QAction;
class QFileDialog;

namespace quorvel {

class ThumbnailModel;

class FactsActions : public QObject {
  Q_OBJECT

 public:
  // Orders `thumbnail_model` (the context's) as the settings file at `settings_file` says, and
  // keeps each change of the order there.
  FactsActions(const CommandContext& context, ThumbnailModel& thumbnail_model,
               std::filesystem::path settings_file, QObject* parent = nullptr);

  QAction* OrderByDateAction() const { return order_by_date_; }
  QAction* ExportListAction() const { return export_list_; }

 private:
  void UpdateActions();
  void SetOrderByDate(bool by_date);
  // Writes the list of ThumbsToExport into a CSV file the user names.
  void ExportList();
  // The search results shown, or else every thumbnail of the selected disks, top to bottom;
  // each disk's in the view's order.
  std::vector<ThumbRef> ThumbsToExport() const;
  // The name the save dialog proposes: the one selected disk's, else the catalogue's.
  QString ProposedFileName() const;

  CommandContext context_;
  ThumbnailModel& thumbnail_model_;
  const std::filesystem::path settings_file_;
  QAction* order_by_date_;
  QAction* export_list_;
  QFileDialog* save_dialog_;
};

}  // namespace quorvel

#endif  // QUORVEL_MAINWINDOW_FACTS_ACTIONS_H_
