// The catalogue file's commands: "Новый", "Открыть", "Сохранить", "Сохранить как", "Импорт",
// "Экспорт" of the "Файл" menu and "Отменить" of "Правка"; reading the file with what it
// found reported, the catalogue to open at start and to remember at exit, and the question
// about unsaved changes.
#ifndef QUORVEL_MAINWINDOW_CATALOG_FILE_ACTIONS_H_
#define QUORVEL_MAINWINDOW_CATALOG_FILE_ACTIONS_H_

#include <QList>
#include <QObject>
#include <QString>
#include <filesystem>
#include <functional>

#include "catalog/catalog_document.h"
#include "mainwindow/command_context.h"
#include "settings/catalog_opening.h"

class QAction;
class QFileDialog;

namespace quorvel {

class CatalogFileActions : public QObject {
  Q_OBJECT

 public:
  // Keeps the stored catalogue name in `settings_file` and reads `opening` when it writes that
  // name; `opening` must outlive this.
  CatalogFileActions(const CommandContext& context, std::filesystem::path settings_file,
                     const CatalogOpening& opening, QObject* parent = nullptr);

  // The actions of the "Файл" and "Правка" menus, in menu order.
  QList<QAction*> FileMenuActions() const;
  QList<QAction*> EditMenuActions() const;

  // The stored catalogue name, replaced by `catalogue_argument` (the first command-line
  // argument) when that is not empty; a name of a missing file opens nothing and says nothing.
  void OpenStartupCatalog(const QString& catalogue_argument);
  // Writes the catalogue name the next start opens into the settings file.
  void RememberForNextStart();

  // Reads the catalogue file the document names (the views refresh from the document's notice).
  // Damage found in it, or a file that cannot be opened as a catalogue, is reported once
  // the window is shown.
  void LoadFromFile();

  // Asks whether to save unsaved changes; false when what asked must stop.
  bool SaveChangesQuestion();

  // The dialog that picks a catalogue to open, which the settings page uses too.
  QFileDialog* OpenDialog() const { return open_dialog_; }

 private:
  void UpdateActions();
  void NewCatalog();
  void OpenCatalog();
  // Writes the catalogue to its file; false (after showing why) when that failed.
  bool SaveCatalog();
  void SaveCatalogAs();
  void Undo();
  void ImportCatalog();
  void ExportDisks();
  // Runs `dialog` in the open catalogue's folder (where it was left when none is open); the
  // chosen file, or empty if cancelled.
  QString ChooseCatalogFile(QFileDialog* dialog);
  // New and Save As: the file the save dialog picks, with the catalogue's suffix, asking before
  // one that exists is replaced; `write` makes it under its lock, then it is read and `after`
  // runs. Nothing happens when the user cancels either question.
  void WriteToChosenFile(const std::function<void(const std::filesystem::path&)>& write,
                         const std::function<void()>& after = {});
  void ReportLoad(const ReloadOutcome& outcome, const QString& file_name, bool was_damaged);
  // Asks the question offering to save what could be read of the damaged catalogue, and does.
  void OfferRepair(const QString& question);
  // Writes what could be read of the damaged catalogue to a new file the user picks, leaving the
  // damaged file as it is, and opens the new one.
  void SaveReadable();

  CommandContext context_;
  const std::filesystem::path settings_file_;
  const CatalogOpening& opening_;
  QFileDialog* open_dialog_;
  QFileDialog* save_dialog_;
  QAction* new_;
  QAction* open_;
  QAction* save_;
  QAction* save_as_;
  QAction* import_;
  QAction* export_;
  QAction* undo_;
};

}  // namespace quorvel

#endif  // QUORVEL_MAINWINDOW_CATALOG_FILE_ACTIONS_H_
