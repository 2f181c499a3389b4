// The catalogue file's commands: "Новый", "Открыть", "Сохранить", "Сохранить как", "Импорт",
// "Экспорт" of the "Файл" menu and "Отменить", "Повторить" of "Правка"; reading the file with
// what it found reported, reading it again when another program changed it, the catalogue to
// open at start and to remember at exit, and the question about unsaved changes.
#ifndef QUORVEL_MAINWINDOW_CATALOG_FILE_ACTIONS_H_
#define QUORVEL_MAINWINDOW_CATALOG_FILE_ACTIONS_H_

#include <QList>
#include <QObject>
#include <QString>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "catalog/catalog_document.h"
#include "mainwindow/command_context.h"
#include "settings/catalog_opening.h"

class QAction;
class QFileDialog;

namespace quorvel {

class CatalogFileWatcher;

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

  // Reads the catalogue file the document names (the views refresh from the document's notice),
  // showing the progress of a large one. Damage found in it, or a file that cannot be opened as
  // a catalogue, is reported once the window is shown.
  void LoadFromFile();

  // Opens the catalogue `path` as "Открыть" does once a file is chosen, asking first about
  // unsaved changes.
  void OpenNamed(const QString& path);
  // Imports the catalogue `path` as "Импорт" does once a file is chosen; nothing while that
  // command is unavailable.
  void ImportNamed(const QString& path);

  // Asks whether to save unsaved changes; false when what asked must stop.
  bool SaveChangesQuestion();

  // The dialog that picks a catalogue to open, which the settings page uses too.
  QFileDialog* OpenDialog() const { return open_dialog_; }

 private:
  // The disk selected before the content changed as a whole, to select it again after.
  struct ShownDisk {
    int index = -1;         // in Disks; -1: none
    std::string name;       // its name (Windows-1251)
    std::size_t disks = 0;  // Disks.size() then
  };

  void UpdateActions();
  void NewCatalog();
  void OpenCatalog();
  // Opens `chosen` unless it is empty or the open catalogue; another kind of file is passed over.
  void OpenChosen(const QString& chosen);
  // Writes the catalogue to its file; false (after showing why) when that failed. Over a file
  // another program changed since, asks whether to merge, overwrite or leave it.
  bool SaveCatalog();
  // Makes this window's changes again on the file as it is now and saves that, under the lock
  // the caller holds; the changes that no longer apply.
  std::vector<LeftOut> MergeWithFile();
  void SaveCatalogAs();
  void Undo();
  void Redo();
  // Runs `work`, a read or write of the whole catalogue of about `size` bytes, with its progress
  // shown; the file is not read again meanwhile on a change from outside.
  void WithProgress(const QString& label, std::int64_t size,
                    const std::function<void(const ProgressCallback&)>& work);
  ShownDisk ShownDiskNow() const;
  // Selects the disk of `shown` in the content as it is now: the disk of that name; failing
  // that, with `keep_place` and as many disks as before (a rename), the one at its place;
  // failing that, the first row.
  void SelectAgain(const ShownDisk& shown, bool keep_place);
  // The watcher's notice: an unmodified catalogue whose file another program changed is read
  // again, the selected disk kept by its place; with changes unsaved, nothing happens until Save.
  void ReadChangedFile();
  void ImportCatalog();
  // Imports `chosen` unless it is empty or the open catalogue; another kind of file is passed
  // over.
  void ImportChosen(const QString& chosen);
  void ExportDisks();
  // Runs `dialog` in the open catalogue's folder (where it was left when none is open); the
  // chosen file, or empty if cancelled.
  QString ChooseCatalogFile(QFileDialog* dialog);
  // New and Save As: the file the save dialog picks, with the catalogue's suffix, asking before
  // one that exists is replaced; `write` makes it under its lock. False when the user cancelled
  // either question or the write failed (which has been shown).
  bool WriteToChosenFile(const std::function<void(const std::filesystem::path&)>& write);
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
  QAction* redo_;
  CatalogFileWatcher* watcher_;
  bool reading_or_writing_ = false;  // WithProgress is running
};

}  // namespace quorvel

#endif  // QUORVEL_MAINWINDOW_CATALOG_FILE_ACTIONS_H_
