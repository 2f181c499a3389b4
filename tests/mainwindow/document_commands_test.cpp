// The document commands through the real window, with the dialogs and questions answered by the
// test: new, open, save, save as, undo, closing, the menu items they enable, and what is
// dropped on the window.
#include <sys/resource.h>

#include <QAction>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QMimeData>
#include <QProcess>
#include <QTest>
#include <QTreeView>
#include <csignal>

#include "catalog/disk_record_writer.h"
#include "catalog/stream.h"
#include "mainwindow/catalog_file_name.h"
#include "window_fixture.h"

namespace quorvel {
namespace {

Bytes Read(const QString& path) { return LoadFile(QStringToPath(path)); }

// Replaces the file as another program's save does: a new file renamed over it.
void ReplaceFile(const QString& path, const Bytes& bytes) {
  const std::filesystem::path target = QStringToPath(path);
  std::filesystem::path written = target;
  written += ".new";
  testkit::WriteFile(written, bytes);
  std::filesystem::rename(written, target);
}

// Runs the command-line tool as another program changing the catalogue; its exit status.
int RunQrvtool(const QStringList& arguments) {
  QProcess tool;
  tool.start(QStringLiteral(QRVTOOL_PATH), arguments);
  if (!tool.waitForFinished(30000)) return -1;
  return tool.exitStatus() == QProcess::NormalExit ? tool.exitCode() : -1;
}

// Appends one more disk to the document, as a scan adds it.
void AddDisk(CatalogDocument& document, const std::string& name) {
  DiskRecordBuilder record(name);
  record.AddThumbnail("E:\\new.jpg", ByteView(testkit::GradientJpeg(3)));
  document.AppendDisk(std::move(record).Finish());
}

}  // namespace

class DocumentCommandsTest : public QObject {
  Q_OBJECT

 private slots:
  void chosenNamesAreCompletedToCatalogueNames();
  void openRefusesOtherFilesSilentlyAndIgnoresTheCurrentOne();
  void newAsksBeforeReplacingAFile();
  void unsavedChangesAreAskedAboutBeforeTheyCouldBeLost();
  void recentCataloguesListTheLastOpenedAndOpenAsOpenDoes();
  void saveAsWritesTheNewFileAndReselectsTheDisk();
  void undoReturnsToTheStateBeforeTheLastChange();
  void redoMakesTheUndoneChangeAgain();
  void aFailedSaveKeepsTheOldFileAndTheChanges();
  void saveAsksBeforeOverwritingAnotherProgramsChange();
  void mergingKeepsTheChangesMadeOnBothSides();
  void aFileChangedElsewhereIsReadAgainUnlessChangesAreUnsaved();
  void menuItemsFollowTheDocumentsState();
  void captionAndStatusNameOnlyWhatIsOpenAndShown();
  void fileDialogsStartInTheCataloguesFolder();
  void droppedFoldersAreAddedAndCataloguesOpenedOrImported();
};

void DocumentCommandsTest::chosenNamesAreCompletedToCatalogueNames() {
  QCOMPARE(CompleteCatalogName("cat"), QStringLiteral("cat.qrv"));
  QCOMPARE(CompleteCatalogName("CAT.QRV"), QStringLiteral("CAT.QRV"));
  QCOMPARE(CompleteCatalogName("a.qrv.bak"), QStringLiteral("a.qrv.bak.qrv"));
  QCOMPARE(CompleteCatalogName("qrv"), QStringLiteral("qrv.qrv"));
  QCOMPARE(CompleteCatalogName("/home/u/Фото.Qrv"), QStringLiteral("/home/u/Фото.Qrv"));
}

void DocumentCommandsTest::openRefusesOtherFilesSilentlyAndIgnoresTheCurrentOne() {
  Session s;
  const QString current = s.Write("current.qrv", BuildCatalog({Disk("current")}));
  QVERIFY(s.Start(current));
  const QString photo = s.Write("photo.qrv", testkit::GradientJpeg(1));
  s.prompts.files = {photo};
  s.Trigger("Open");
  QCOMPARE(s.Column(0), QStringList({"current"}));
  QCOMPARE(PathToQString(s.document.CatalogFileName()), current);

  // The current file, changed on disk meanwhile, is not read again.
  testkit::WriteFile(QStringToPath(current), BuildCatalog({Disk("changed")}));
  s.prompts.files = {current};
  s.Trigger("Open");
  QCOMPARE(s.Column(0), QStringList({"current"}));

  // An empty file is an empty catalogue: it opens and the list empties.
  const QString empty = s.Write("empty.qrv", {});
  s.prompts.files = {empty};
  s.Trigger("Open");
  QCOMPARE(s.RowCount(), 0);
  QCOMPARE(PathToQString(s.document.CatalogFileName()), empty);

  const QString other = s.Write("other.qrv", BuildCatalog({Disk("z"), Disk("y")}));
  s.prompts.files = {other};
  s.Trigger("Open");
  QCOMPARE(s.Column(0), QStringList({"y", "z"}));
  QCOMPARE(s.window.SelectedDisk(), 1);
  QVERIFY(s.prompts.Texts("error").isEmpty());
  QVERIFY(s.prompts.unexpected.isEmpty());
}

void DocumentCommandsTest::newAsksBeforeReplacingAFile() {
  Session s;
  const QString current = s.Write("current.qrv", BuildCatalog({Disk("keep")}));
  const Bytes existing_bytes = BuildCatalog({Disk("existing")});
  const QString existing = s.Write("existing.qrv", existing_bytes);
  QVERIFY(s.Start(current));

  s.prompts.files = {s.dir.filePath("existing")};  // completed to existing.qrv
  s.prompts.answers = {Answer::kNo};
  s.Trigger("New");
  QCOMPARE(s.prompts.Texts("warn-yes-no"),
           QStringList({existing + QStringLiteral(" уже существует.\rЗаменить?")}));
  QCOMPARE(PathToQString(s.document.CatalogFileName()), current);
  QCOMPARE(s.Column(0), QStringList({"keep"}));
  QCOMPARE(Read(existing), existing_bytes);

  s.prompts.files = {existing};
  s.prompts.answers = {Answer::kYes};
  s.Trigger("New");
  QCOMPARE(Read(existing), Bytes{});  // cut to nothing at once
  QCOMPARE(PathToQString(s.document.CatalogFileName()), existing);
  QCOMPARE(s.RowCount(), 0);
  QVERIFY(s.document.CatalogOpen());
  QVERIFY(!s.document.Modified());
}

void DocumentCommandsTest::unsavedChangesAreAskedAboutBeforeTheyCouldBeLost() {
  Session s;
  const QString path = s.Write("a.qrv", BuildCatalog({Disk("a")}));
  const QString other = s.Write("b.qrv", BuildCatalog({Disk("b")}));
  QVERIFY(s.Start(path));
  AddDisk(s.document, "added");
  const QString question =
      QStringLiteral("Сохранить изменения в файле\r\"") + path + QStringLiteral("\" ?");

  // Cancel stops the command before any dialog.
  s.prompts.answers = {Answer::kCancel};
  s.Trigger("Open");
  QCOMPARE(s.prompts.Texts("ask"), QStringList({question}));
  QVERIFY(s.prompts.Texts("file").isEmpty());
  QVERIFY(s.document.Modified());

  // Closing asks too; Cancel keeps the window open.
  s.prompts.answers = {Answer::kCancel};
  QVERIFY(!s.window.close());
  QVERIFY(s.window.isVisible());

  // Yes saves, then opens the other catalogue, which starts unmodified.
  s.prompts.answers = {Answer::kYes};
  s.prompts.files = {other};
  s.Trigger("Open");
  QCOMPARE(BuildIndex(Read(path)).Disks.size(), std::size_t{2});
  QCOMPARE(s.Column(0), QStringList({"b"}));
  QVERIFY(!s.document.Modified());

  // No lets the changes go; the new catalogue is not modified either.
  AddDisk(s.document, "dropped");
  s.prompts.answers = {Answer::kNo};
  s.prompts.files = {path};
  s.Trigger("Open");
  QCOMPARE(BuildIndex(Read(other)).Disks.size(), std::size_t{1});
  QVERIFY(!s.document.Modified());
  QVERIFY(s.window.close());  // nothing to ask about
  QVERIFY(s.prompts.unexpected.isEmpty());
}

void DocumentCommandsTest::recentCataloguesListTheLastOpenedAndOpenAsOpenDoes() {
  Session s;
  const QString a = s.Write("a.qrv", BuildCatalog({Disk("a")}));
  const QString b = s.Write("b.qrv", BuildCatalog({Disk("b")}));
  const QString gone = s.Write("gone.qrv", BuildCatalog({Disk("gone")}));
  QVERIFY(s.Start(gone));
  for (const QString& file : {b, a}) {
    s.prompts.files = {file};
    s.Trigger("Open");
  }
  QVERIFY(QFile::remove(gone));
  QMenu* recent = s.Menu("recent_menu");
  emit recent->aboutToShow();  // as the menu opens
  QStringList items;
  QList<bool> enabled;
  for (const QAction* item : recent->actions()) {
    items.append(item->text());
    enabled.append(item->isEnabled());
  }
  QCOMPARE(items, QStringList({"&1 " + a, "&2 " + b, "&3 " + gone}));
  QCOMPARE(enabled, QList<bool>({true, true, false}));

  // Unsaved changes are asked about first; Cancel keeps them and the catalogue.
  AddDisk(s.document, "added");
  s.prompts.answers = {Answer::kCancel};
  recent->actions().at(1)->trigger();
  QCOMPARE(s.prompts.Texts("ask").size(), 1);
  QCOMPARE(PathToQString(s.document.CatalogFileName()), a);
  s.prompts.answers = {Answer::kNo};
  recent->actions().at(1)->trigger();
  QCOMPARE(PathToQString(s.document.CatalogFileName()), b);
  QCOMPARE(s.Column(0), QStringList({"b"}));
  QCOMPARE(s.prompts.Texts("file").size(), 2);  // no file dialog for a recent one
  QVERIFY(s.prompts.unexpected.isEmpty());
}

void DocumentCommandsTest::saveAsWritesTheNewFileAndReselectsTheDisk() {
  Session s;
  const QString path = s.Write("a.qrv", BuildCatalog({Disk("b", 1), Disk("a", 2), Disk("c", 3)}));
  QVERIFY(s.Start(path));
  s.SetCurrentRow(2);  // c, disk 3
  QCOMPARE(s.window.SelectedDisk(), 2);
  AddDisk(s.document, "d");

  s.prompts.files = {s.dir.filePath("copy")};
  s.Trigger("SaveAs");
  const QString copy = s.dir.filePath("copy.qrv");
  QCOMPARE(PathToQString(s.document.CatalogFileName()), copy);
  QCOMPARE(Read(copy), s.document.Current().bytes.Flatten());
  QCOMPARE(BuildIndex(Read(path)).Disks.size(), std::size_t{3});  // the old file as it was
  QVERIFY(!s.document.Modified());
  QCOMPARE(s.window.SelectedDisk(), 2);
  QCOMPARE(s.SelectedNames().first(), QStringLiteral("c"));
  QCOMPARE(s.window.windowTitle(), Caption(copy, 4));

  // No to the replace question changes nothing.
  s.prompts.files = {path};
  s.prompts.answers = {Answer::kNo};
  s.Trigger("SaveAs");
  QCOMPARE(PathToQString(s.document.CatalogFileName()), copy);
  QCOMPARE(BuildIndex(Read(path)).Disks.size(), std::size_t{3});
}

void DocumentCommandsTest::undoReturnsToTheStateBeforeTheLastChange() {
  Session s;
  const QString path = s.Write("a.qrv", BuildCatalog({Disk("b"), Disk("a")}));
  QVERIFY(s.Start(path));
  const Bytes original = s.document.Current().bytes.Flatten();

  AddDisk(s.document, "0-new");
  QCOMPARE(s.RowCount(), 3);
  QVERIFY(s.Action("Undo")->isEnabled());
  s.Trigger("Undo");
  QCOMPARE(s.document.Current().bytes.Flatten(), original);
  QCOMPARE(s.Column(0), QStringList({"a", "b"}));
  QCOMPARE(s.SelectedNames().size(), 1);
  QCOMPARE(s.SelectedNames().first(), QStringLiteral("a"));
  QVERIFY(!s.document.Modified());
  QVERIFY(!s.Action("Undo")->isEnabled());

  // After two changes the undone state was never saved: closing must still ask.
  AddDisk(s.document, "one");
  AddDisk(s.document, "two");
  s.Trigger("Undo");
  QCOMPARE(s.RowCount(), 3);
  QVERIFY(s.document.Modified());
  s.prompts.answers = {Answer::kNo};
  QVERIFY(s.window.close());
  QCOMPARE(s.prompts.Texts("ask").size(), 1);

  // Every change can be undone, one by one, back to the file as it was read.
  s.Trigger("Undo");
  QCOMPARE(s.document.Current().bytes.Flatten(), original);
  QVERIFY(!s.document.Modified());
  QVERIFY(!s.Action("Undo")->isEnabled());
}

void DocumentCommandsTest::redoMakesTheUndoneChangeAgain() {
  Session s;
  const QString path = s.Write("a.qrv", BuildCatalog({Disk("b"), Disk("a"), Disk("c")}));
  QVERIFY(s.Start(path));
  QVERIFY(!s.Action("Redo")->isEnabled());
  QCOMPARE(s.Menu("edit_menu")->actions(), QList<QAction*>({s.Action("Undo"), s.Action("Redo")}));

  s.SetCurrentRow(2);  // c
  s.prompts.inputs = {QStringLiteral("renamed")};
  s.Trigger("RenameDisk");
  const Bytes renamed = s.document.Current().bytes.Flatten();
  s.Trigger("Undo");
  QVERIFY(s.Action("Redo")->isEnabled());
  QCOMPARE(s.SelectedNames(), QStringList({"c"}));  // the same disk, its old name back
  s.Trigger("Redo");
  QCOMPARE(s.document.Current().bytes.Flatten(), renamed);
  QCOMPARE(s.Column(0), QStringList({"a", "b", "renamed"}));
  QCOMPARE(s.SelectedNames(), QStringList({"renamed"}));
  QVERIFY(s.document.Modified());
  QVERIFY(!s.Action("Redo")->isEnabled());
  QVERIFY(s.prompts.unexpected.isEmpty());
}

void DocumentCommandsTest::aFailedSaveKeepsTheOldFileAndTheChanges() {
  Session s;
  Bytes big = BuildCatalog({Disk("a", 20)});
  const QString path = s.Write("a.qrv", big);
  QVERIFY(s.Start(path));
  AddDisk(s.document, "new");

  // Files may grow to no more than a few bytes: the write fails part-way.
  rlimit old_limit{};
  getrlimit(RLIMIT_FSIZE, &old_limit);
  const auto old_handler = std::signal(SIGXFSZ, SIG_IGN);
  rlimit small = old_limit;
  small.rlim_cur = 1024;
  setrlimit(RLIMIT_FSIZE, &small);
  s.Trigger("Save");
  setrlimit(RLIMIT_FSIZE, &old_limit);
  std::signal(SIGXFSZ, old_handler);

  QCOMPARE(Read(path), big);
  QVERIFY(s.document.Modified());
  const QStringList errors = s.prompts.Texts("error");
  QCOMPARE(errors.size(), 1);
  QVERIFY2(errors[0].startsWith(QStringLiteral("Cannot create file \"") + path + "\". "),
           qPrintable(errors[0]));
  QCOMPARE(QDir(s.dir.path()).entryList(QDir::Files | QDir::Hidden),
           QStringList({"a.qrv"}));  // no temporary file left

  // The close question's Yes with a failing save keeps the window open.
  s.window.show();
  setrlimit(RLIMIT_FSIZE, &small);
  std::signal(SIGXFSZ, SIG_IGN);
  s.prompts.answers = {Answer::kYes};
  const bool closed = s.window.close();
  setrlimit(RLIMIT_FSIZE, &old_limit);
  std::signal(SIGXFSZ, old_handler);
  QVERIFY(!closed);
  s.Trigger("Save");
  QCOMPARE(Read(path), s.document.Current().bytes.Flatten());
  QVERIFY(!s.document.Modified());
}

void DocumentCommandsTest::saveAsksBeforeOverwritingAnotherProgramsChange() {
  Session s;
  const QString path = s.Write("a.qrv", BuildCatalog({Disk("a")}));
  QVERIFY(s.Start(path));
  AddDisk(s.document, "mine");
  const Bytes theirs = BuildCatalog({Disk("a"), Disk("theirs")});
  ReplaceFile(path, theirs);
  const QString question = QStringLiteral("Файл \"") + path +
                           QStringLiteral(
                               "\" изменён другой программой после открытия.\r"
                               "Объединить с ним изменения, сделанные здесь?");

  s.prompts.choices = {Choice::kCancel};
  s.Trigger("Save");
  QCOMPARE(s.prompts.Texts("choose"), QStringList({question}));
  QCOMPARE(s.prompts.ways.front().first, QStringLiteral("Объединить"));
  QCOMPARE(s.prompts.ways.front().second, QStringLiteral("Перезаписать"));
  QCOMPARE(Read(path), theirs);
  QVERIFY(s.document.Modified());

  s.prompts.choices = {Choice::kSecond};
  s.Trigger("Save");
  QCOMPARE(Read(path), s.document.Current().bytes.Flatten());
  QCOMPARE(s.Column(0), QStringList({"a", "mine"}));
  // The file written is the one the window knows now: the next save asks nothing.
  AddDisk(s.document, "more");
  s.Trigger("Save");
  QVERIFY(!s.document.Modified());
  QCOMPARE(s.prompts.Texts("choose").size(), 2);
  QVERIFY2(s.prompts.unexpected.isEmpty(), qPrintable(s.prompts.unexpected.join('|')));
}

void DocumentCommandsTest::mergingKeepsTheChangesMadeOnBothSides() {
  Session s;
  const QString path = s.Write("a.qrv", BuildCatalog({Disk("a"), Disk("b", 2), Disk("c")}));
  QVERIFY(s.Start(path));
  s.SetCurrentRow(1);  // b
  s.prompts.inputs = {QStringLiteral("mine")};
  s.Trigger("RenameDisk");
  // Another program renames c meanwhile, replacing the file as every save does.
  ReplaceFile(path, BuildCatalog({Disk("a"), Disk("b", 2), Disk("theirs")}));

  s.prompts.choices = {Choice::kFirst};
  s.Trigger("Save");
  QVERIFY(s.prompts.ways.back().first_enabled);
  const CatalogIndex saved = BuildIndex(Read(path));
  QCOMPARE(saved.Disks.size(), std::size_t{3});
  QCOMPARE(saved.Disks[1].Name, std::string("mine"));
  QCOMPARE(saved.Disks[1].ThumbCount, 2);
  QCOMPARE(saved.Disks[2].Name, std::string("theirs"));
  QCOMPARE(s.Column(0), QStringList({"a", "mine", "theirs"}));
  QCOMPARE(s.SelectedNames(), QStringList({"mine"}));
  QVERIFY(!s.document.Modified());
  QVERIFY(s.prompts.Texts("inform").isEmpty());

  // A change whose disk the other program removed is left out, and said so.
  s.prompts.inputs = {QStringLiteral("again")};
  s.Trigger("RenameDisk");
  ReplaceFile(path, BuildCatalog({Disk("a"), Disk("theirs")}));
  s.prompts.choices = {Choice::kFirst};
  s.Trigger("Save");
  QCOMPARE(s.prompts.Texts("inform"),
           QStringList({QStringLiteral("Не найден диск \"mine\": переименование не применено.")}));
  QCOMPARE(s.Column(0), QStringList({"a", "theirs"}));
  QCOMPARE(BuildIndex(Read(path)).Disks.size(), std::size_t{2});
  QVERIFY2(s.prompts.unexpected.isEmpty(), qPrintable(s.prompts.unexpected.join('|')));
}

void DocumentCommandsTest::aFileChangedElsewhereIsReadAgainUnlessChangesAreUnsaved() {
  Session s;
  const QString path = s.Write("a.qrv", BuildCatalog({Disk("a"), Disk("b"), Disk("c")}));
  QVERIFY(s.Start(path));
  s.SetCurrentRow(1);  // b, disk 1
  QCOMPARE(RunQrvtool({"rename", path, "1", "d"}), 0);
  QTRY_COMPARE(s.Column(0), QStringList({"b", "c", "d"}));
  QCOMPARE(s.window.SelectedDisk(), 1);
  QCOMPARE(s.SelectedNames(), QStringList({"b"}));
  QCOMPARE(StatusText(s.window),
           QStringLiteral("Каталог изменён другой программой и прочитан заново."));
  QVERIFY(!s.document.Modified());

  // Its next change is noticed too: the watch follows the file that replaced it.
  QCOMPARE(RunQrvtool({"rename", path, "2", "e"}), 0);
  QTRY_COMPARE(s.Column(0), QStringList({"c", "d", "e"}));

  // With changes unsaved the file is left to Save, which offers to merge.
  AddDisk(s.document, "mine");
  QCOMPARE(RunQrvtool({"rename", path, "3", "f"}), 0);
  QTest::qWait(1000);
  QCOMPARE(s.Column(0), QStringList({"c", "d", "e", "mine"}));
  QVERIFY(s.document.Modified());
  // Still watched: once nothing is unsaved, the next change is read.
  s.Trigger("Undo");
  QCOMPARE(RunQrvtool({"rename", path, "1", "g"}), 0);
  QTRY_COMPARE(s.Column(0), QStringList({"e", "f", "g"}));
  QVERIFY(s.prompts.unexpected.isEmpty());
}

void DocumentCommandsTest::menuItemsFollowTheDocumentsState() {
  Session s;
  QVERIFY(s.Start(QString()));
  QVERIFY(s.Action("New")->isEnabled() && s.Action("Open")->isEnabled());
  QVERIFY(!s.Action("SaveAs")->isEnabled() && !s.Action("Import")->isEnabled() &&
          !s.Action("Save")->isEnabled());
  QVERIFY(!s.Action("Undo")->isEnabled() && !s.Action("Export")->isEnabled());

  const QString path = s.Write("a.qrv", BuildCatalog({Disk("a")}));
  s.prompts.files = {path};
  s.Trigger("Open");
  QVERIFY(s.Action("SaveAs")->isEnabled() && s.Action("Import")->isEnabled() &&
          s.Action("Export")->isEnabled());
  QVERIFY(!s.Action("Save")->isEnabled() && !s.Action("Undo")->isEnabled());
  s.List()->clearSelection();
  AddDisk(s.document, "b");
  QVERIFY(s.Action("Save")->isEnabled() && s.Action("Undo")->isEnabled());
  QVERIFY(!s.Action("Export")->isEnabled());
}

void DocumentCommandsTest::captionAndStatusNameOnlyWhatIsOpenAndShown() {
  Session s;
  const QString path = s.Write("a.qrv", BuildCatalog({Disk("a"), Disk("b")}));
  QVERIFY(s.Start(path));
  QCOMPARE(StatusText(s.window), QStringLiteral("Колличество изображений на диске \"a\" - 1."));

  // An empty catalogue is named with no disks; no disk is shown, so the status names none.
  const QString empty = s.Write("empty.qrv", {});
  s.prompts.files = {empty};
  s.Trigger("Open");
  QCOMPARE(s.window.windowTitle(), Caption(empty, 0));
  QCOMPARE(StatusText(s.window), QString());

  s.prompts.files = {path};
  s.Trigger("Open");
  QVERIFY(!StatusText(s.window).isEmpty());
  const QString created = s.dir.filePath("new.qrv");
  s.prompts.files = {created};
  s.Trigger("New");
  QCOMPARE(s.window.windowTitle(), Caption(created, 0));
  QCOMPARE(StatusText(s.window), QString());

  // Undoing the first disk of a new catalogue leaves it without disks again.
  AddDisk(s.document, "added");
  s.SetCurrentRow(0);
  QCOMPARE(s.window.windowTitle(), Caption(created, 1));
  s.Trigger("Undo");
  QCOMPARE(s.window.windowTitle(), Caption(created, 0));
  QCOMPARE(StatusText(s.window), QString());
  QVERIFY(s.prompts.unexpected.isEmpty());
}

void DocumentCommandsTest::fileDialogsStartInTheCataloguesFolder() {
  Session s;
  QVERIFY(QDir(s.dir.path()).mkpath("kept"));
  const QString folder = s.dir.filePath("kept");
  QVERIFY(s.Start(s.Write("kept/a.qrv", BuildCatalog({Disk("a")}))));
  // Every dialog is cancelled (an empty answer).
  s.prompts.files = {"", "", "", "", ""};
  s.prompts.folders = {""};
  SelectThumbs(View(s.window), {0});
  s.Trigger("New");
  s.Trigger("Open");
  s.Trigger("SaveAs");
  s.Trigger("Import");
  s.Trigger("Export");
  s.Trigger("SaveToFolder");
  QCOMPARE(s.prompts.Texts("file"), QStringList(5, folder));
  QCOMPARE(s.prompts.Texts("folder"), QStringList({folder}));

  // Open takes only a file that exists; on saving, the commands ask about an existing one
  // themselves, in their own words and after completing the name.
  auto* open = s.window.findChild<QFileDialog*>(QStringLiteral("open_dialog"));
  auto* save = s.window.findChild<QFileDialog*>(QStringLiteral("save_dialog"));
  QCOMPARE(open->fileMode(), QFileDialog::ExistingFile);
  QVERIFY(save->testOption(QFileDialog::DontConfirmOverwrite));
}

void DocumentCommandsTest::droppedFoldersAreAddedAndCataloguesOpenedOrImported() {
  Session s;
  const QString first = s.Write("first.qrv", BuildCatalog({Disk("A")}));
  const QString other = s.Write("other.QRV", BuildCatalog({Disk("B"), Disk("C")}));
  const QString notes = s.Write("notes.txt", Bytes());
  const QString folder = s.dir.filePath("photos");
  QVERIFY(QDir().mkpath(folder));
  QVERIFY(s.Start(first));
  QList<QPair<int, QString>> shown;
  s.window.SetShowOptions([&](int page, const QString& named) { shown.append({page, named}); });
  // A drag from another program over the window, then its drop there: whether it was taken.
  const auto drop = [&](const QStringList& paths, Qt::KeyboardModifiers modifiers = Qt::NoModifier,
                        QWidget* target = nullptr) {
    if (target == nullptr) target = &s.window;
    QList<QUrl> urls;
    for (const QString& path : paths) {
      urls.append(path.contains(QStringLiteral("://")) ? QUrl(path) : QUrl::fromLocalFile(path));
    }
    QMimeData data;
    data.setUrls(urls);
    const QPoint at = s.window.rect().center();
    const Qt::DropActions offered = Qt::CopyAction | Qt::MoveAction;
    QDragEnterEvent enter(at, offered, &data, Qt::LeftButton, modifiers);
    QCoreApplication::sendEvent(target, &enter);
    if (!enter.isAccepted()) return false;
    QDropEvent dropped(at, offered, &data, Qt::LeftButton, modifiers);
    QCoreApplication::sendEvent(target, &dropped);
    QCoreApplication::processEvents();
    return dropped.isAccepted() && dropped.dropAction() == Qt::CopyAction;
  };

  QVERIFY(!drop({folder, other}));
  QVERIFY(!drop({notes}));
  QVERIFY(!drop({QStringLiteral("https://example.org/other.qrv")}));
  QVERIFY(!drop({s.dir.filePath(QStringLiteral("missing.qrv"))}));
  s.window.SetScanRunning(true);
  QVERIFY(!drop({folder}));
  QVERIFY(!drop({other}));
  s.window.SetScanRunning(false);
  QVERIFY(shown.isEmpty());

  QVERIFY(drop({folder}));
  // Over the search field too, whose text stays as it was.
  auto* field = s.window.findChild<QLineEdit*>(QStringLiteral("SearchField"));
  QVERIFY(drop({folder}, Qt::NoModifier, field));
  QCOMPARE(field->text(), QString());
  QCOMPARE(shown, (QList<QPair<int, QString>>{{0, folder}, {0, folder}}));

  // Opened as "Открыть" opens: the unsaved changes are asked about first.
  AddDisk(s.document, "new");
  s.prompts.answers = {Answer::kNo};
  QVERIFY(drop({other}));
  QCOMPARE(s.prompts.Texts("ask"), QStringList({QStringLiteral("Сохранить изменения в файле\r\"") +
                                                first + QStringLiteral("\" ?")}));
  QCOMPARE(s.document.CatalogFileName(), QStringToPath(other));
  QCOMPARE(s.Column(0), QStringList({"B", "C"}));

  // With Ctrl the catalogue is imported, as one change.
  QVERIFY(drop({first}, Qt::ControlModifier));
  QCOMPARE(s.document.CatalogFileName(), QStringToPath(other));
  QCOMPARE(s.Column(0), QStringList({"A", "B", "C"}));
  QVERIFY(s.document.Modified());
  QVERIFY(s.prompts.unexpected.isEmpty());
}

}  // namespace quorvel

QTEST_MAIN(quorvel::DocumentCommandsTest)
#include "document_commands_test.moc"
