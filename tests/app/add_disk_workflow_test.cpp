// Adding a disk as the user does it: the main window over a real catalogue file, the dialog
// connected to it as start-up connects them, real pictures in a temporary folder, and real
// clicks on the add-disk page.
#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSet>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <memory>

#include "adddisk/add_disk_page.h"
#include "adddisk/options_dialog.h"
#include "adddisk/thumbnail_preview.h"
#include "app/startup.h"
#include "catalog/catalog_document.h"
#include "catalog/catalog_index.h"
#include "catalog/catalog_merge.h"
#include "catalog/catalog_version.h"
#include "catalog/cp1251.h"
#include "catalog/stream.h"
#include "mainwindow/add_disk_actions.h"
#include "mainwindow/main_window.h"
#include "platform/path_text.h"
#include "platform/user_prompts.h"
#include "scan/thumbnail_pipeline.h"
#include "settings/settings_state.h"
#include "support/catalog_builder.h"
#include "support/fake_file_access.h"
#include "support/too_deep_folder.h"

namespace quorvel {
namespace {

// Records what the user is told and answers the folder picker from the test.
class Prompts : public UserPrompts {
 public:
  void Warn(QWidget*, const QString&, const QString& text) override { Told("warn", text); }
  void Error(QWidget*, const QString&, const QString& text) override { Told("error", text); }
  void Inform(QWidget*, const QString&, const QString& text) override { Told("inform", text); }
  Answer AskYesNoCancel(QWidget*, const QString&, const QString& text) override {
    Told("ask", text);
    return Answer::kNo;
  }
  Answer WarnYesNo(QWidget*, const QString&, const QString& text) override {
    Told("warn-yes-no", text);
    return Answer::kNo;
  }
  Answer ConfirmYesNo(QWidget*, const QString&, const QString& text) override {
    Told("confirm", text);
    return Answer::kNo;
  }
  std::optional<QString> InputText(QWidget*, const QString& caption, const QString&,
                                   const QString&) override {
    Told("input", caption);
    return std::nullopt;
  }
  QString ChooseFile(QFileDialog*) override { return {}; }
  QString ChooseFolder(QWidget*, const QString& title, const QString& start) override {
    Told("folder", title + QLatin1Char('|') + start);
    return folder_answer;
  }

  void Told(const char* kind, const QString& text) {
    told.append(QString::fromLatin1(kind) + QStringLiteral(": ") + text);
  }

  QStringList told;
  QString folder_answer;
};

// A picture file of `width` x `height` with a gradient, written by Qt's own writer.
void WritePicture(const QString& path, int width, int height) {
  QImage image(width, height, QImage::Format_RGB32);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) image.setPixel(x, y, qRgb(x % 256, y % 256, (x + y) % 256));
  }
  QVERIFY(image.save(path));
}

// The program's two windows over a catalogue with `disks` disks, connected as start-up does.
struct Program {
  explicit Program(int disks = 2) {
    std::vector<testkit::DiskSpec> specs;
    for (int i = 0; i < disks; ++i) {
      specs.push_back({Utf8ToCp1251("Диск " + std::to_string(i + 1)),
                       {{"c:\\a.jpg", testkit::GradientJpeg(1)}}});
    }
    catalogue = dir.filePath(QStringLiteral("a.qrv"));
    testkit::WriteFile(QStringToPath(catalogue), testkit::BuildCatalog(specs));
    images = dir.filePath(QStringLiteral("images"));
    QDir().mkpath(images);

    settings = std::make_unique<SettingsState>(
        SettingsPaths{QStringToPath(dir.filePath(QStringLiteral("quorvel.ini"))),
                      QStringToPath(dir.filePath(QStringLiteral("Cat.dat")))});
    window = std::make_unique<MainWindow>(document, prompts, settings->paths().ini_file,
                                          settings->opening());
    window->OpenStartupCatalog(catalogue);
    window->show();
    OptionsDialogLinks links = DialogLinks(document, *window);
    links.add_disk.open_folder = [this](const QString& folder) { opened.append(folder); };
    links.add_disk.scan_running = [this, to_window = links.add_disk.scan_running](
                                      bool running, std::function<void()> stop) {
      to_window(running, std::move(stop));
      if (on_scan_running) on_scan_running(running);
    };
    dialog = std::make_unique<OptionsDialog>(*settings, prompts, std::move(links), window.get());
    auto owned_pipeline = std::make_unique<ThumbnailPipeline>();
    pipeline = owned_pipeline.get();
    dialog->add_disk_page()->SetPipeline(std::move(owned_pipeline));
    ConnectDialog(*window, *dialog);
  }
  ~Program() {
    dialog.reset();
    window.reset();
  }

  AddDiskPage* Page() const { return dialog->add_disk_page(); }
  template <typename T>
  T* Child(const char* name) const {
    return dialog->findChild<T*>(QString::fromLatin1(name));
  }
  QLineEdit* Edit(const char* name) const { return Child<QLineEdit>(name); }
  QWidget* Preview() const { return Child<QWidget>("thumbnail_preview"); }
  void Click(const char* name) const {
    auto* button = Child<QAbstractButton>(name);
    QVERIFY2(button != nullptr, name);
    QTest::mouseClick(button, Qt::LeftButton);
  }
  // "OK", and the addition, which runs on a thread of its own, waited for.
  void Add() const {
    Click("start_button");
    QTRY_VERIFY_WITH_TIMEOUT(!Page()->AdditionRunning(), 30000);
  }
  // "Добавить диск" from the main window's menu, then the folder typed in.
  void ShowAddDisk(const QString& folder) const {
    Action("Add")->trigger();
    QVERIFY(QTest::qWaitForWindowExposed(dialog.get()));
    Edit("folder_edit")->setText(folder);
  }
  QStringList DiskNames() const {
    QStringList names;
    for (const CatInfo& disk : document.Index().Disks) {
      names.append(QString::fromStdString(Cp1251ToUtf8(disk.Name)));
    }
    return names;
  }
  QTreeView* DiskList() const { return window->findChild<QTreeView*>("disk_list"); }
  // The main window's commands, by name, and whether it knows of an addition running.
  QAction* Action(const char* name) const { return window->findChild<QAction*>(name); }
  bool ScanRunning() const { return window->findChild<AddDiskActions*>()->ScanRunning(); }

  QTemporaryDir dir;
  QString catalogue;
  QString images;
  Prompts prompts;
  CatalogDocument document;
  std::unique_ptr<SettingsState> settings;
  std::unique_ptr<MainWindow> window;
  std::unique_ptr<OptionsDialog> dialog;
  ThumbnailPipeline* pipeline = nullptr;  // owned by the page
  QStringList opened;                     // folders handed to the shell
  // Told after the main window as an addition starts (true) and ends (false), on the window's
  // thread; an addition's thread starts only after the call for its start has returned.
  std::function<void(bool running)> on_scan_running;
};

}  // namespace

class AddDiskWorkflowTest : public QObject {
  Q_OBJECT

 private slots:
  void showingProposesTheNextDiskAndHidesTheThumbnail();
  void invalidInputIsRefusedWithTheCatalogueUntouched();
  void okAddsTheDiskRefreshesAndCanBeUndone();
  void filesAndFoldersLeftOutAreNamed();
  void aScanLocksTheMainWindowsCommands();
  void cancelDuringTheWalkAddsAnEmptyDisk();
  void anUpdateKeepsTheDisksNameAndIsOneChangeOrNoneWhenCancelled();
  void closingTheMainWindowFirstStopsTheScan();
  void cancelWhileIdleClosesTheDialog();
  void showInFileManagerOpensTheLastImagesFolder();
  void folderPickerFillsTheFolderField();
};

void AddDiskWorkflowTest::showingProposesTheNextDiskAndHidesTheThumbnail() {
  Program p(12);
  p.Preview()->show();
  p.ShowAddDisk(p.images);
  QCOMPARE(p.Edit("disk_name_edit")->text(), QStringLiteral("Диск 13"));
  QVERIFY(!p.Preview()->isVisible());

  // A new catalogue has no disks, whatever the one before it had.
  p.dialog->hide();
  p.document.New(QStringToPath(p.dir.filePath(QStringLiteral("new.qrv"))));
  p.document.Reload(true);
  p.ShowAddDisk(p.images);
  QCOMPARE(p.Edit("disk_name_edit")->text(), QStringLiteral("Диск 1"));
}

void AddDiskWorkflowTest::invalidInputIsRefusedWithTheCatalogueUntouched() {
  Program p;
  const Bytes before = p.document.Current().bytes.Flatten();
  p.ShowAddDisk(p.dir.filePath(QStringLiteral("missing")));
  p.Click("start_button");
  QCOMPARE(p.prompts.told, QStringList{QStringLiteral("error: Каталог указан неверно.")});
  QCOMPARE(QApplication::focusWidget(), p.Edit("folder_edit"));

  p.prompts.told.clear();
  p.Edit("folder_edit")->setText(p.images);
  p.Edit("disk_name_edit")->clear();
  p.Click("start_button");
  QCOMPARE(p.prompts.told, QStringList{QStringLiteral("error: Нужно указать название диска!")});
  QCOMPARE(QApplication::focusWidget(), p.Edit("disk_name_edit"));

  p.prompts.told.clear();
  p.Edit("disk_name_edit")->setText(QString(256, QLatin1Char('x')));
  p.Click("start_button");
  QCOMPARE(p.prompts.told.size(), 1);
  QVERIFY2(p.prompts.told[0].startsWith(QStringLiteral("error: Название диска слишком длинное")),
           qPrintable(p.prompts.told[0]));

  p.prompts.told.clear();
  p.Edit("disk_name_edit")->setText(QStringLiteral("Диск 😀 日本"));
  p.Click("start_button");
  QCOMPARE(p.prompts.told,
           QStringList{QStringLiteral("error: В названии диска есть знаки, которые нельзя "
                                      "сохранить в каталоге: «😀 日 本». Измените название.")});
  QCOMPARE(QApplication::focusWidget(), p.Edit("disk_name_edit"));

  // A damaged catalogue: the new disk would sit after bytes that cannot be read.
  p.prompts.told.clear();
  p.Edit("disk_name_edit")->setText(QStringLiteral("Диск 3"));
  Bytes damaged = before;
  damaged.push_back('D');
  // Bytes no change of the program makes: as a repair's, they cannot be made again elsewhere.
  p.document.ApplyChange(VersionOfBytes(damaged), RepairEdit());
  p.Click("start_button");
  QCOMPARE(p.prompts.told.size(), 1);
  QVERIFY2(p.prompts.told[0].startsWith(QStringLiteral("error: Каталог повреждён")),
           qPrintable(p.prompts.told[0]));
  QCOMPARE(p.document.Current().bytes.Flatten(), damaged);
  p.document.Undo();

  QCOMPARE(p.document.Current().bytes.Flatten(), before);
  QVERIFY(p.dialog->isVisible());
  QVERIFY(p.Child<QPushButton>("start_button")->isEnabled());
}

void AddDiskWorkflowTest::okAddsTheDiskRefreshesAndCanBeUndone() {
  Program p;
  const Bytes before = p.document.Current().bytes.Flatten();
  WritePicture(p.images + QStringLiteral("/one.jpg"), 320, 200);
  WritePicture(p.images + QStringLiteral("/two.png"), 90, 160);
  QDir().mkpath(p.images + QStringLiteral("/sub"));
  WritePicture(p.images + QStringLiteral("/sub/three.jpg"), 200, 200);
  p.ShowAddDisk(p.images);
  p.Edit("disk_name_edit")->setText(QStringLiteral("Zeta"));
  p.Child<QCheckBox>("embedded_previews_box")->setChecked(false);
  p.Add();

  QVERIFY(!p.dialog->isVisible());
  QCOMPARE(p.prompts.told, QStringList());
  QCOMPARE(p.DiskNames(), (QStringList{"Диск 1", "Диск 2", "Zeta"}));
  const CatInfo& added = p.document.Index().Disks[2];
  QCOMPARE(added.ThumbCount, 3);
  QVERIFY(!p.document.Index().Damage);
  // "Zeta" sorts before the Cyrillic names, so the last row is not the new disk.
  const QAbstractItemModel& disks = *p.DiskList()->model();
  QCOMPARE(disks.rowCount(), 3);
  QVERIFY(p.DiskList()->selectionModel()->isSelected(disks.index(2, 0)));
  QCOMPARE(disks.index(0, 0).data().toString(), QStringLiteral("Zeta"));
  QVERIFY(p.document.Modified());
  // The last thumbnail stored is still on show.
  QVERIFY(p.Preview()->isVisibleTo(p.Page()));
  const QImage shown = static_cast<ThumbnailPreview*>(p.Preview())->Picture();
  QCOMPARE(shown.size(), QSize(100, 100));
  QVERIFY(shown.pixel(50, 50) != qRgb(255, 255, 255));
  // Named for a screen reader by the file it shows, the last one the walk found.
  const std::string_view stored = added.Thumbs.back().Name();
  const QString last = QFileInfo(QString::fromStdString(Cp1251ToUtf8(stored))).fileName();
  QCOMPARE(p.Preview()->accessibleName(), last);
  QCOMPARE(p.Edit("status_line")->text(), QString());
  QVERIFY(p.Child<QPushButton>("start_button")->isEnabled());
  QVERIFY(!p.Page()->Scan().ScanActive);
  QVERIFY(!p.Page()->Scan().UseEmbeddedPreviews);

  QVERIFY(p.Action("Save")->isEnabled());
  p.Action("Undo")->trigger();
  QCOMPARE(p.document.Current().bytes.Flatten(), before);

  // The next showing proposes the disk after the count in the caption, and hides the thumbnail.
  p.ShowAddDisk(p.images);
  QCOMPARE(p.Edit("disk_name_edit")->text(), QStringLiteral("Диск 3"));
  QVERIFY(!p.Preview()->isVisibleTo(p.Page()));
}

void AddDiskWorkflowTest::filesAndFoldersLeftOutAreNamed() {
  Program p;
  WritePicture(p.images + QStringLiteral("/good.jpg"), 64, 48);
  WritePicture(p.images + QStringLiteral("/日本.jpg"), 64, 48);
  const QString big = QDir::toNativeSeparators(p.images + QStringLiteral("/big.png"));
  WritePicture(big, 4000, 3000);
  QFile bad(p.images + QStringLiteral("/bad.jpg"));
  QVERIFY(bad.open(QIODevice::WriteOnly));
  bad.write("not a picture at all");
  bad.close();
  const QString scratched = QDir::toNativeSeparators(p.images + QStringLiteral("/scratched.png"));
  WritePicture(scratched, 64, 48);
  auto medium = std::make_shared<testkit::FakeFileAccess>();
  medium->FailAfter(scratched, QFileInfo(scratched).size() / 2);
  // The big picture is on a slow medium: its render is still waited for when "Пропустить" comes,
  // however fast the machine decodes it.
  medium->Block(big);
  p.pipeline->SetFileAccess(medium);
  const testkit::TooDeepFolder deep(p.images.toStdString());
  p.ShowAddDisk(p.images);
  // "Пропустить" is pressed once in the wait on the folder that cannot be opened, and once in
  // the wait for the big picture; the others are waited for until they are done. Only a press
  // ends either wait, so a single press cannot land in the next file's wait, as a second one
  // could while the button still shows the last wait's red.
  QTimer skipper;
  QSet<QString> skipped;
  QObject::connect(&skipper, &QTimer::timeout, [&p, &big, &skipped] {
    const QString shown = p.Page()->Scan().CurrentImageFile.Get();
    auto* skip = p.Child<QAbstractButton>("skip_button");
    if (skip->palette().color(QPalette::ButtonText) == Qt::red &&
        (shown.isEmpty() || shown == big) && !skipped.contains(shown)) {
      skipped.insert(shown);
      skip->click();
    }
  });
  skipper.start(0);
  p.Add();
  medium->Release();
  QCOMPARE(p.document.Index().Disks.back().ThumbCount, 5);
  QCOMPARE(p.prompts.told.size(), 1);
  QCOMPARE(p.prompts.told[0],
           QStringLiteral("warn: Не удалось прочитать изображений: 1.\n") +
               QDir::toNativeSeparators(bad.fileName()) +
               QStringLiteral("\nПропущено изображений: 1.\n") + big +
               QStringLiteral("\nФайлов с ошибками чтения: 1. Их эскизы сделаны по прочитанной "
                              "части:\n") +
               scratched +
               QStringLiteral("\nНе удалось открыть папок: 1. Изображения в них не искались:\n") +
               PathToQString(deep.path()) +
               QStringLiteral("\nПутей с заменёнными знаками («?»): 1."));
}

void AddDiskWorkflowTest::aScanLocksTheMainWindowsCommands() {
  Program p;
  QStringList pictures;
  for (int i = 0; i < 3; ++i) {
    pictures.append(QDir::toNativeSeparators(p.images + QStringLiteral("/%1.jpg").arg(i)));
    WritePicture(pictures.last(), 64, 48);
  }
  // One picture is on a slow medium: the addition waits for it, in the middle of its work.
  const QString slow = pictures[1];
  auto medium = std::make_shared<testkit::FakeFileAccess>();
  medium->Block(slow);
  p.pipeline->SetFileAccess(medium);
  p.ShowAddDisk(p.images);
  p.Click("start_button");
  auto* skip = p.Child<QAbstractButton>("skip_button");
  QTRY_VERIFY_WITH_TIMEOUT(p.Page()->Scan().CurrentImageFile.Get() == slow &&
                               skip->palette().color(QPalette::ButtonText) == Qt::red,
                           20000);
  QVERIFY(p.ScanRunning());
  QStringList enabled_during_scan;
  for (const char* name : {"New", "Open", "Save", "SaveAs", "Import", "Export", "Undo", "Add"}) {
    if (p.Action(name)->isEnabled()) enabled_during_scan.append(QString::fromLatin1(name));
  }
  QCOMPARE(enabled_during_scan, QStringList());
  QVERIFY(p.Action("Settings")->isEnabled());
  // The commands do nothing even when triggered some other way.
  p.Action("Undo")->trigger();
  p.Action("New")->trigger();
  QVERIFY(!p.Child<QPushButton>("start_button")->isEnabled());
  // The page shows what is waited for by the time the skip button turns red.
  QCOMPARE(p.Edit("status_line")->text(), QStringLiteral("Добавление эскиза: ") + slow);
  QVERIFY2(p.Child<QLabel>("counter_line")->text().startsWith(QStringLiteral("Добавлено ")),
           qPrintable(p.Child<QLabel>("counter_line")->text()));
  QVERIFY(p.Page()->AdditionRunning());

  medium->Release();
  QTRY_VERIFY_WITH_TIMEOUT(!p.Page()->AdditionRunning(), 30000);
  QCOMPARE(p.prompts.told, QStringList());
  QCOMPARE(p.document.Index().Disks.back().ThumbCount, 3);
  QVERIFY(!p.ScanRunning());
  QVERIFY(p.Action("Undo")->isEnabled());
}

void AddDiskWorkflowTest::cancelDuringTheWalkAddsAnEmptyDisk() {
  Program p;
  for (int i = 0; i < 5; ++i) {
    WritePicture(p.images + QStringLiteral("/%1.jpg").arg(i), 64, 48);
  }
  p.ShowAddDisk(p.images);
  // "Отмена" as soon as the addition has started, before its walk has examined any file.
  p.on_scan_running = [&p](bool running) {
    if (running) p.Click("cancel_button");
  };
  p.Add();
  // The walk examined no more files, and the capture stopped before any.
  QCOMPARE(p.document.Index().DiskCount, 3);
  QCOMPARE(p.document.Index().Disks.back().ThumbCount, 0);
  QVERIFY(!p.dialog->isVisible());
  QVERIFY(p.document.Modified());
  QCOMPARE(p.prompts.told,
           QStringList{QStringLiteral("warn: Добавление прервано: добавлено 0 из 0.")});
}

void AddDiskWorkflowTest::anUpdateKeepsTheDisksNameAndIsOneChangeOrNoneWhenCancelled() {
  Program p;
  for (int i = 0; i < 3; ++i) WritePicture(p.images + QStringLiteral("/%1.jpg").arg(i), 64, 48);
  const Bytes before = p.document.Current().bytes.Flatten();
  // "Обновить диск" on the second row, "Диск 2"; its stored folder is not on this machine, so
  // the folder field keeps what it has.
  p.DiskList()->setCurrentIndex(p.DiskList()->model()->index(1, 0));
  p.Edit("folder_edit")->setText(p.images);
  p.Action("UpdateDisk")->trigger();
  QVERIFY(QTest::qWaitForWindowExposed(p.dialog.get()));
  QCOMPARE(p.Edit("folder_edit")->text(), p.images);
  QCOMPARE(p.Edit("disk_name_edit")->text(), QStringLiteral("Диск 2"));
  QVERIFY(p.Edit("disk_name_edit")->isReadOnly());
  auto* pages = p.Child<QTabWidget>("option_pages");
  QCOMPARE(pages->tabText(OptionsDialog::kAddDiskPage), QStringLiteral("Обновить диск"));

  // Stopped, it changes nothing and says so; the page stays for another try.
  p.on_scan_running = [&p](bool running) {
    if (running) p.Click("cancel_button");
  };
  p.Add();
  QCOMPARE(p.prompts.told,
           QStringList{QStringLiteral("inform: Обновление прервано: диск не изменён.")});
  QCOMPARE(p.document.Current().bytes.Flatten(), before);
  QVERIFY(p.dialog->isVisible());

  // Done, it replaces the disk in its place, selects its row and is undone at once.
  p.on_scan_running = {};
  p.prompts.told.clear();
  p.Add();
  QVERIFY(!p.dialog->isVisible());
  QCOMPARE(p.prompts.told.size(), 1);
  QVERIFY2(p.prompts.told[0].startsWith(QStringLiteral("inform: Новых: 3, ")),
           qPrintable(p.prompts.told[0]));
  QCOMPARE(p.DiskNames(), (QStringList{"Диск 1", "Диск 2"}));
  QCOMPARE(p.document.Index().Disks[1].ThumbCount, 3);
  QCOMPARE(p.DiskList()->selectionModel()->selectedRows(),
           QModelIndexList{p.DiskList()->model()->index(1, 0)});
  p.Action("Undo")->trigger();
  QCOMPARE(p.document.Current().bytes.Flatten(), before);

  // "Добавить диск" adds again: a name proposed, to be changed.
  p.ShowAddDisk(p.images);
  QCOMPARE(p.Edit("disk_name_edit")->text(), QStringLiteral("Диск 3"));
  QVERIFY(!p.Edit("disk_name_edit")->isReadOnly());
  QCOMPARE(pages->tabText(OptionsDialog::kAddDiskPage), QStringLiteral("Добавить диск"));
}

void AddDiskWorkflowTest::closingTheMainWindowFirstStopsTheScan() {
  Program p;
  for (int i = 0; i < 5; ++i) {
    WritePicture(p.images + QStringLiteral("/%1.jpg").arg(i), 64, 48);
  }
  p.ShowAddDisk(p.images);
  bool closed_at_once = true;
  p.on_scan_running = [&](bool running) {
    if (running) closed_at_once = p.window->close();
  };
  p.Add();
  QVERIFY2(!closed_at_once, "the window closed with the addition still running");
  // The addition ended with what it had, said so, and the window then closes as usual: it
  // asks about the unsaved disk (answered No) and goes.
  QCOMPARE(p.document.Index().DiskCount, 3);
  QTRY_VERIFY(!p.window->isVisible());
  QCOMPARE(p.prompts.told.size(), 2);
  QVERIFY2(p.prompts.told[0].startsWith(QStringLiteral("warn: Добавление прервано: добавлено ")),
           qPrintable(p.prompts.told[0]));
  QVERIFY(p.prompts.told[1].startsWith(QStringLiteral("ask: ")));
}

void AddDiskWorkflowTest::cancelWhileIdleClosesTheDialog() {
  Program p;
  p.ShowAddDisk(p.images);
  p.Click("cancel_button");
  QVERIFY(!p.dialog->isVisible());
  QVERIFY(p.Page()->Scan().SkipRequested);
  QCOMPARE(p.document.Index().DiskCount, 2);
}

void AddDiskWorkflowTest::showInFileManagerOpensTheLastImagesFolder() {
  Program p;
  p.ShowAddDisk(p.images);
  p.Click("show_folder_button");
  QCOMPARE(p.opened, QStringList{QString()});

  QDir().mkpath(p.images + QStringLiteral("/deep"));
  WritePicture(p.images + QStringLiteral("/deep/last.png"), 30, 30);
  p.Add();
  p.ShowAddDisk(p.images);
  p.Click("show_folder_button");
  QCOMPARE(p.opened.last(), QDir::toNativeSeparators(p.images + QStringLiteral("/deep/")));
}

void AddDiskWorkflowTest::folderPickerFillsTheFolderField() {
  Program p;
  p.ShowAddDisk(p.images);
  p.prompts.folder_answer = p.dir.path();
  p.Click("folder_button");
  QCOMPARE(p.prompts.told, QStringList{QStringLiteral("folder: Выберите папку|") + p.images});
  QCOMPARE(p.Edit("folder_edit")->text(), QDir::toNativeSeparators(p.dir.path()));
  p.prompts.folder_answer.clear();
  p.Click("folder_button");
  QCOMPARE(p.Edit("folder_edit")->text(), QDir::toNativeSeparators(p.dir.path()));
}

}  // namespace quorvel

QTEST_MAIN(quorvel::AddDiskWorkflowTest)
#include "add_disk_workflow_test.moc"
