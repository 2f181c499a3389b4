#include "mainwindow/catalog_file_actions.h"

#include <QAction>
#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QKeySequence>
#include <QScopedValueRollback>
#include <algorithm>
#include <iostream>
#include <system_error>
#include <utility>
#include <vector>

#include "catalog/atomic_file.h"
#include "catalog/catalog_edits.h"
#include "catalog/catalog_error.h"
#include "catalog/catalog_lock.h"
#include "catalog/catalog_repair.h"
#include "catalog/stream.h"
#include "mainwindow/catalog_file_name.h"
#include "mainwindow/catalog_file_watcher.h"
#include "mainwindow/merge_report.h"
#include "mainwindow/progress_scope.h"
#include "platform/path_text.h"
#include "settings/ini_file.h"

namespace quorvel {
namespace {

const QString kTitle = QStringLiteral("Quorvel");
const char kFormSection[] = "Form";
const char kCatalognameKey[] = "Catalogname";

QString ReplaceQuestion(const QString& name) {
  return name + QStringLiteral(" уже существует.\rЗаменить?");
}

const QString kReading = QStringLiteral("Чтение каталога…");
const QString kSaving = QStringLiteral("Сохранение каталога…");

// Saving over a file that another program wrote after it was read would lose that program's
// change without a word; a merge keeps both.
QString ChangedElsewhereQuestion(const std::filesystem::path& path) {
  return QStringLiteral("Файл \"") + PathToQString(path) +
         QStringLiteral(
             "\" изменён другой программой после открытия.\r"
             "Объединить с ним изменения, сделанные здесь?");
}

// The size of the file at `path`; 0 when there is none.
std::int64_t FileSize(const std::filesystem::path& path) {
  std::error_code ec;
  const std::uintmax_t size = std::filesystem::file_size(path, ec);
  return ec ? 0 : static_cast<std::int64_t>(size);
}

// The desktop's keys for `key`; `fallback` where the desktop has none (some have no Save As).
QList<QKeySequence> KeysOf(QKeySequence::StandardKey key, const QKeySequence& fallback = {}) {
  QList<QKeySequence> keys = QKeySequence::keyBindings(key);
  if (keys.isEmpty() && !fallback.isEmpty()) keys.append(fallback);
  return keys;
}

QFileDialog* MakeCatalogDialog(QWidget* owner, const char* name, QFileDialog::AcceptMode mode) {
  auto* dialog = new QFileDialog(owner);
  dialog->setObjectName(QString::fromLatin1(name));
  dialog->setNameFilter(QStringLiteral("Catalog (*.qrv)"));
  dialog->setAcceptMode(mode);
  return dialog;
}

}  // namespace

CatalogFileActions::CatalogFileActions(const CommandContext& context,
                                       std::filesystem::path settings_file,
                                       const CatalogOpening& opening, QObject* parent)
    : QObject(parent),
      context_(context),
      settings_file_(std::move(settings_file)),
      opening_(opening) {
  setObjectName(QStringLiteral("catalog_file_actions"));
  open_dialog_ = MakeCatalogDialog(context_.window, "open_dialog", QFileDialog::AcceptOpen);
  open_dialog_->setFileMode(QFileDialog::ExistingFile);
  save_dialog_ = MakeCatalogDialog(context_.window, "save_dialog", QFileDialog::AcceptSave);
  // The commands ask about an existing file themselves, in the program's words and about the
  // name completed with ".qrv"; the dialog asking first would put the question twice.
  save_dialog_->setOption(QFileDialog::DontConfirmOverwrite);

  new_ = MakeCommand(this, "New", QStringLiteral("&Новый"));
  open_ = MakeCommand(this, "Open", QStringLiteral("&Открыть"));
  save_ = MakeCommand(this, "Save", QStringLiteral("&Сохранить"));
  save_as_ = MakeCommand(this, "SaveAs", QStringLiteral("Сохранить &как"));
  import_ = MakeCommand(this, "Import", QStringLiteral("&Импорт"));
  export_ = MakeCommand(this, "Export", QStringLiteral("&Экспорт"));
  undo_ = MakeCommand(this, "Undo", QStringLiteral("&Отменить"));
  redo_ = MakeCommand(this, "Redo", QStringLiteral("&Повторить"));
  new_->setShortcuts(KeysOf(QKeySequence::New));
  open_->setShortcuts(KeysOf(QKeySequence::Open));
  save_->setShortcuts(KeysOf(QKeySequence::Save));
  save_as_->setShortcuts(
      KeysOf(QKeySequence::SaveAs, QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S)));
  undo_->setShortcuts(KeysOf(QKeySequence::Undo));
  // Both keys people know for it, whichever the desktop names.
  QList<QKeySequence> redo_keys = KeysOf(QKeySequence::Redo);
  for (const QKeySequence& key :
       {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)}) {
    if (!redo_keys.contains(key)) redo_keys.append(key);
  }
  redo_->setShortcuts(redo_keys);
  connect(new_, &QAction::triggered, this, &CatalogFileActions::NewCatalog);
  connect(open_, &QAction::triggered, this, &CatalogFileActions::OpenCatalog);
  connect(save_, &QAction::triggered, this, [this] { SaveCatalog(); });
  connect(save_as_, &QAction::triggered, this, &CatalogFileActions::SaveCatalogAs);
  connect(import_, &QAction::triggered, this, &CatalogFileActions::ImportCatalog);
  connect(export_, &QAction::triggered, this, &CatalogFileActions::ExportDisks);
  connect(undo_, &QAction::triggered, this, &CatalogFileActions::Undo);
  connect(redo_, &QAction::triggered, this, &CatalogFileActions::Redo);

  watcher_ = new CatalogFileWatcher(this);
  connect(watcher_, &CatalogFileWatcher::Changed, this, &CatalogFileActions::ReadChangedFile);
  CatalogDocument& document = context_.document;
  // After each read or write of the file, and after a change of its name: the one to watch.
  const int listener = document.AddListener([this](DocumentChange change) {
    if (change != DocumentChange::kEdited && change != DocumentChange::kUndone) {
      watcher_->Watch(context_.document.CatalogFileName());
    }
  });
  connect(this, &QObject::destroyed, [&document, listener] { document.RemoveListener(listener); });
  FollowState(context_, this, [this] { UpdateActions(); });
}

QList<QAction*> CatalogFileActions::FileMenuActions() const {
  return {new_, open_, save_, save_as_, import_, export_};
}

QList<QAction*> CatalogFileActions::EditMenuActions() const { return {undo_, redo_}; }

void CatalogFileActions::UpdateActions() {
  // While a disk is being added, nothing reads or changes the catalogue.
  const bool idle = !context_.scan_running();
  const bool open = context_.document.CatalogOpen();
  const bool modified = open && context_.document.Modified();
  new_->setEnabled(idle);
  open_->setEnabled(idle);
  save_->setEnabled(idle && modified);
  save_as_->setEnabled(idle && open);
  import_->setEnabled(idle && open);
  export_->setEnabled(idle && !context_.selected_disks().empty());
  undo_->setEnabled(idle && context_.document.CanUndo());
  redo_->setEnabled(idle && context_.document.CanRedo());
}

void CatalogFileActions::OpenStartupCatalog(const QString& catalogue_argument) {
  QString name = catalogue_argument;
  if (name.isEmpty()) {
    try {
      const IniFile settings = IniFile::Load(settings_file_);
      name = QString::fromStdString(settings.ReadString(kFormSection, kCatalognameKey, ""));
    } catch (const CatalogError& error) {
      // The options dialog tells the user of an unreadable settings file; start with nothing.
      std::cerr << "quorvel: " << error.what() << '\n';
    }
  }
  context_.document.UseStartupFile(QStringToPath(name));
  LoadFromFile();
  if (context_.disk_rows() > 0) context_.select_row(0);
}

void CatalogFileActions::RememberForNextStart() {
  const CatalogDocument& document = context_.document;
  std::string name;
  if (!opening_.StartupCatalog.empty()) {
    name = opening_.StartupCatalog;
  } else if (opening_.AutoLoadLast) {
    // With nothing open the stored name stays as it is.
    if (document.CatalogFileName().empty()) return;
    name = PathToQString(document.CatalogFileName()).toStdString();
  }
  try {
    IniFile settings = IniFile::Load(settings_file_);
    settings.WriteString(kFormSection, kCatalognameKey, name);
    settings.Save(settings_file_);
  } catch (const CatalogError& error) {
    // The window is going away with the program; there is no one left to ask.
    std::cerr << "quorvel: " << error.what() << '\n';
  }
}

void CatalogFileActions::LoadFromFile() {
  CatalogDocument& document = context_.document;
  const QString file_name = PathToQString(document.CatalogFileName());
  const bool was_damaged = document.Index().Damage.has_value();
  ReloadOutcome outcome;
  WithProgress(
      kReading, FileSize(document.CatalogFileName()),
      [&](const ProgressCallback& progress) { outcome = document.Reload(true, progress); });
  ReportLoad(outcome, file_name, was_damaged);
}

void CatalogFileActions::ReportLoad(const ReloadOutcome& outcome, const QString& file_name,
                                    bool was_damaged) {
  const auto warn = [this](const QString& text) {
    context_.when_shown([this, text] { context_.prompts.Warn(context_.window, kTitle, text); });
  };
  if (!outcome.load_error.empty()) {
    warn(QStringLiteral("Не удалось открыть каталог \"%1\".\n%2")
             .arg(file_name, QString::fromStdString(outcome.load_error)));
    return;
  }
  if (outcome.not_a_catalogue) {
    warn(QStringLiteral("Файл \"%1\" не является каталогом Quorvel. Каталог не открыт.")
             .arg(file_name));
    return;
  }
  const CatalogIndex& index = context_.document.Index();
  // Damage that was already reported stays quiet until the file is read again.
  if (!index.Damage || (was_damaged && !outcome.read_file)) return;
  // The repair reads on past the damage, so it may keep more disks than the list shows.
  std::size_t kept = index.Disks.size();
  try {
    kept = RepairCatalog(context_.document.Current().bytes.Flatten()).disks.size();
  } catch (const CatalogError& error) {
    std::cerr << "quorvel: " << error.what() << '\n';
  }
  const QString question =
      QStringLiteral(
          "Каталог \"%1\" повреждён: данные начиная с байта %2 не читаются. Показано то, что "
          "удалось прочитать. В новый каталог можно сохранить дисков: %3 из %4.")
          .arg(file_name)
          .arg(index.Damage->offset)
          .arg(kept)
          .arg(index.DiskCount) +
      QStringLiteral("\rСохранить прочитанное в новый каталог?");
  context_.when_shown([this, question] { OfferRepair(question); });
}

void CatalogFileActions::OfferRepair(const QString& question) {
  if (context_.prompts.WarnYesNo(context_.window, kTitle, question) == Answer::kYes) {
    SaveReadable();
  }
}

void CatalogFileActions::SaveReadable() {
  CatalogDocument& document = context_.document;
  if (context_.scan_running() || !document.Index().Damage) return;
  const QString chosen = ChooseCatalogFile(save_dialog_);
  if (chosen.isEmpty()) return;
  const QString name = CompleteCatalogName(chosen);
  const std::filesystem::path path = QStringToPath(name);
  std::error_code ec;
  if (std::filesystem::equivalent(path, document.CatalogFileName(), ec)) {
    ShowError(context_,
              QStringLiteral("Прочитанное нельзя сохранить поверх повреждённого каталога: "
                             "выберите другой файл."));
    return;
  }
  if (QFileInfo::exists(name) &&
      context_.prompts.WarnYesNo(context_.window, kTitle, ReplaceQuestion(name)) != Answer::kYes) {
    return;
  }
  RunGuarded(context_, [&] {
    const CatalogRepair repair = RepairCatalog(document.Current().bytes.Flatten());
    const CatalogLock lock(path);
    SaveFileAtomically(path, repair.catalog);
    document.UseFile(path);
    LoadFromFile();
    if (context_.disk_rows() > 0) context_.select_row(0);
  });
}

bool CatalogFileActions::SaveChangesQuestion() {
  const CatalogDocument& document = context_.document;
  if (!document.Modified()) return true;
  const QString text = QStringLiteral("Сохранить изменения в файле\r\"") +
                       PathToQString(document.CatalogFileName()) + QStringLiteral("\" ?");
  switch (context_.prompts.AskYesNoCancel(context_.window, kTitle, text)) {
    case Answer::kYes:
      // A save that failed must not let the changes go.
      return SaveCatalog();
    case Answer::kNo:
      return true;
    case Answer::kCancel:
      return false;
  }
  return false;
}

QString CatalogFileActions::ChooseCatalogFile(QFileDialog* dialog) {
  const QString folder = CatalogFolder(context_.document);
  if (!folder.isEmpty()) dialog->setDirectory(folder);
  return context_.prompts.ChooseFile(dialog);
}

bool CatalogFileActions::WriteToChosenFile(
    const std::function<void(const std::filesystem::path&)>& write) {
  const QString chosen = ChooseCatalogFile(save_dialog_);
  if (chosen.isEmpty()) return false;
  const QString name = CompleteCatalogName(chosen);
  // The new file replaces the old one only once it is whole, so Yes needs no delete first.
  if (QFileInfo::exists(name) &&
      context_.prompts.WarnYesNo(context_.window, kTitle, ReplaceQuestion(name)) != Answer::kYes) {
    return false;
  }
  bool written = false;
  RunGuarded(context_, [&] {
    const std::filesystem::path path = QStringToPath(name);
    const CatalogLock lock(path);
    write(path);
    written = true;
  });
  return written;
}

void CatalogFileActions::NewCatalog() {
  if (!SaveChangesQuestion()) return;
  // The new empty file is read like any other, so that the views start from it.
  if (WriteToChosenFile(
          [this](const std::filesystem::path& path) { context_.document.New(path); })) {
    LoadFromFile();
  }
}

void CatalogFileActions::OpenCatalog() {
  if (!SaveChangesQuestion()) return;
  OpenChosen(ChooseCatalogFile(open_dialog_));
}

void CatalogFileActions::OpenNamed(const QString& path) {
  if (!open_->isEnabled() || !SaveChangesQuestion()) return;
  OpenChosen(path);
}

void CatalogFileActions::OpenChosen(const QString& chosen) {
  if (chosen.isEmpty() || chosen == PathToQString(context_.document.CatalogFileName())) return;
  RunGuarded(context_, [&] {
    // Another kind of file is passed over without a word, as a file dialog's wrong pick is.
    if (!IsCatalogFile(QStringToPath(chosen))) return;
    context_.document.UseFile(QStringToPath(chosen));
    LoadFromFile();
    if (context_.disk_rows() > 0) context_.select_row(0);
  });
}

bool CatalogFileActions::SaveCatalog() {
  CatalogDocument& document = context_.document;
  bool saved = false;
  std::vector<LeftOut> left_out;
  RunGuarded(context_, [&] {
    // Held from the question to the write, so that no other program's change slips in between.
    const CatalogLock lock(document.CatalogFileName());
    if (document.FileChangedOnDisk()) {
      switch (context_.prompts.ChooseWay(
          context_.window, kTitle, ChangedElsewhereQuestion(document.CatalogFileName()),
          QStringLiteral("Объединить"), document.CanMerge(), QStringLiteral("Перезаписать"))) {
        case Choice::kFirst:
          left_out = MergeWithFile();
          saved = true;
          return;
        case Choice::kSecond:
          break;
        case Choice::kCancel:
          return;
      }
    }
    WithProgress(kSaving, document.Current().bytes.Size(),
                 [&](const ProgressCallback& progress) { document.Save(progress); });
    saved = true;
  });
  // Once the lock is let go: the other program need not wait for the box to be read.
  if (!left_out.empty()) context_.prompts.Inform(context_.window, kTitle, LeftOutText(left_out));
  return saved;
}

std::vector<LeftOut> CatalogFileActions::MergeWithFile() {
  CatalogDocument& document = context_.document;
  const ShownDisk shown = ShownDiskNow();
  std::vector<LeftOut> left_out;
  // The views keep showing this window's content until the merged one is written and told.
  WithProgress(kSaving,
               std::max(FileSize(document.CatalogFileName()), document.Current().bytes.Size()),
               [&](const ProgressCallback& progress) { left_out = document.Merge(progress); });
  SelectAgain(shown, false);
  return left_out;
}

void CatalogFileActions::SaveCatalogAs() {
  CatalogDocument& document = context_.document;
  const int disk = context_.selected_disk();
  // The document keeps its content and history under the new name: nothing is read back.
  if (WriteToChosenFile([&](const std::filesystem::path& path) {
        WithProgress(kSaving, document.Current().bytes.Size(),
                     [&](const ProgressCallback& progress) { document.SaveAs(path, progress); });
      })) {
    context_.select_disk(disk);
  }
}

void CatalogFileActions::Undo() {
  const ShownDisk shown = ShownDiskNow();
  context_.document.Undo();
  SelectAgain(shown, true);
}

void CatalogFileActions::Redo() {
  const ShownDisk shown = ShownDiskNow();
  context_.document.Redo();
  SelectAgain(shown, true);
}

void CatalogFileActions::WithProgress(const QString& label, std::int64_t size,
                                      const std::function<void(const ProgressCallback&)>& work) {
  const QScopedValueRollback busy(reading_or_writing_, true);
  const ProgressScope progress(context_.window, label, size);
  work(progress.Callback());
}

CatalogFileActions::ShownDisk CatalogFileActions::ShownDiskNow() const {
  const std::vector<CatInfo>& disks = context_.document.Index().Disks;
  ShownDisk shown;
  shown.disks = disks.size();
  const int disk = context_.selected_disk();
  if (disk >= 0 && static_cast<std::size_t>(disk) < disks.size()) {
    shown.index = disk;
    shown.name = disks[static_cast<std::size_t>(disk)].Name;
  }
  return shown;
}

void CatalogFileActions::SelectAgain(const ShownDisk& shown, bool keep_place) {
  const std::vector<CatInfo>& disks = context_.document.Index().Disks;
  int disk = -1;
  if (shown.index >= 0) {
    const auto place = static_cast<std::size_t>(shown.index);
    // Its own place first, so that of several disks of one name the same one stays.
    if (place < disks.size() && disks[place].Name == shown.name) {
      disk = shown.index;
    } else {
      const auto named = std::find_if(disks.begin(), disks.end(),
                                      [&](const CatInfo& d) { return d.Name == shown.name; });
      if (named != disks.end()) {
        disk = static_cast<int>(named - disks.begin());
      } else if (keep_place && disks.size() == shown.disks && place < disks.size()) {
        disk = shown.index;
      }
    }
  }
  if (disk >= 0) {
    context_.select_disk(disk);
  } else if (context_.disk_rows() > 0) {
    context_.select_row(0);
  }
}

void CatalogFileActions::ReadChangedFile() {
  // Not in the middle of another command (a question open, the file being read or written) nor
  // of a scan: the disks it works on would change under it.
  if (reading_or_writing_ || context_.scan_running() ||
      QApplication::activeModalWidget() != nullptr) {
    watcher_->RetryLater();
    return;
  }
  CatalogDocument& document = context_.document;
  // Unsaved changes wait for Save, which offers to merge them with the file.
  if (!document.CatalogOpen() || document.Modified() || !document.FileChangedOnDisk()) return;
  const int disk = context_.selected_disk();
  LoadFromFile();
  if (disk >= 0 && static_cast<std::size_t>(disk) < context_.document.Index().Disks.size()) {
    context_.select_disk(disk);
  } else if (context_.disk_rows() > 0) {
    context_.select_row(0);
  }
  // A file that is no catalogue any more has been reported, and nothing is open.
  if (document.CatalogOpen()) {
    context_.note(QStringLiteral("Каталог изменён другой программой и прочитан заново."));
  }
}

void CatalogFileActions::ImportCatalog() {
  if (!ChangeAllowed(context_)) return;
  ImportChosen(ChooseCatalogFile(open_dialog_));
}

void CatalogFileActions::ImportNamed(const QString& path) {
  if (!import_->isEnabled() || !ChangeAllowed(context_)) return;
  ImportChosen(path);
}

void CatalogFileActions::ImportChosen(const QString& chosen) {
  CatalogDocument& document = context_.document;
  if (chosen.isEmpty() || chosen == PathToQString(document.CatalogFileName())) return;
  RunGuarded(context_, [&] {
    const std::filesystem::path path = QStringToPath(chosen);
    if (!IsCatalogFile(path)) return;
    // The whole file is indexed, and checked, before the catalogue is touched; its thumbnails'
    // bytes stay in it until they are wanted.
    auto other = std::make_shared<const CatalogVersion>(VersionOfFile(path));
    if (other->index.Disks.empty() && !other->index.Damage) return;  // nothing to add
    CatalogVersion merged = quorvel::ImportCatalog(document.Current(), *other);
    // Like every other change: undoable, and asked about before it could be lost.
    document.ApplyChange(std::move(merged), AddDisksEdit(std::move(other)));
    if (context_.disk_rows() > 0) context_.select_row(0);
  });
}

void CatalogFileActions::ExportDisks() {
  const QString chosen = ChooseCatalogFile(save_dialog_);
  if (chosen.isEmpty()) return;
  const QString target = CompleteCatalogName(chosen);
  if (QFileInfo::exists(target) &&
      context_.prompts.WarnYesNo(
          context_.window, kTitle,
          QStringLiteral("\"") + target + QStringLiteral("\"\r уже существует. Заменить?")) ==
          Answer::kNo) {
    return;
  }
  const std::vector<int> disks = context_.selected_disks();
  const CatalogDocument& document = context_.document;
  RunGuarded(context_, [&] {
    const bool every_disk = disks.size() == document.Index().Disks.size() &&
                            !document.Index().Damage;
    // Every disk: the catalogue as it is stored.
    const CatalogVersion exported = every_disk ? document.Current()
                                               : CopyDisks(document.Current(), disks);
    const std::filesystem::path path = QStringToPath(target);
    const CatalogLock lock(path);
    SaveVersion(path, exported);
  });
}

}  // namespace quorvel
