// The main window's menus and file dialogs. Each command is enabled by the change that gives it
// its handler; until then its item is shown, disabled.
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QListView>
#include <QMenu>
#include <QMenuBar>
#include <QTreeWidget>

#include "mainwindow/main_window.h"
#include "platform/path_text.h"

namespace quorvel {
namespace {

QMenu* AddMenu(QMenuBar* bar, const char* name, const QString& title) {
  QMenu* menu = bar->addMenu(title);
  menu->setObjectName(QString::fromLatin1(name));
  menu->menuAction()->setObjectName(QString::fromLatin1(name) + QStringLiteral("Action"));
  return menu;
}

QMenu* MakePopup(QWidget* owner, const char* name) {
  auto* menu = new QMenu(owner);
  menu->setObjectName(QString::fromLatin1(name));
  return menu;
}

QAction* AddItem(QMenu* menu, const char* name, const QString& text) {
  QAction* action = menu->addAction(text);
  action->setObjectName(QString::fromLatin1(name));
  action->setEnabled(false);
  return action;
}

QFileDialog* MakeCatalogDialog(QWidget* owner, const char* name, QFileDialog::AcceptMode mode) {
  auto* dialog = new QFileDialog(owner);
  dialog->setObjectName(QString::fromLatin1(name));
  dialog->setNameFilter(QStringLiteral("Catalog (*.qrv)"));
  dialog->setAcceptMode(mode);
  return dialog;
}

}  // namespace

void MainWindow::CreateMenus() {
  QMenuBar* bar = menuBar();
  bar->setObjectName(QStringLiteral("MainMenu1"));
  MainMenuItems& m = menus_;
  m.Fileeee = AddMenu(bar, "Fileeee", QStringLiteral("Файл"));
  m.New = AddItem(m.Fileeee, "New", QStringLiteral("Новый"));
  m.Open = AddItem(m.Fileeee, "Open", QStringLiteral("Открыть"));
  m.Save = AddItem(m.Fileeee, "Save", QStringLiteral("Сохранить"));
  m.SaveAs = AddItem(m.Fileeee, "SaveAs", QStringLiteral("Сохранить как"));
  m.Import = AddItem(m.Fileeee, "Import", QStringLiteral("Импорт"));
  m.Export1 = AddItem(m.Fileeee, "Export1", QStringLiteral("Экспорт"));
  m.N1 = AddMenu(bar, "N1", QStringLiteral("Правка"));
  m.Undo = AddItem(m.N1, "Undo", QStringLiteral("Отменить"));
  m.N3 = AddMenu(bar, "N3", QStringLiteral("Действия"));
  m.Add = AddItem(m.N3, "Add", QStringLiteral("Добавить диск"));
  m.Settings = AddItem(m.N3, "Settings", QStringLiteral("Параметры"));

  // The lists open these themselves (their context-menu handlers), so they are not attached.
  m.PopupMenu1 = MakePopup(this, "PopupMenu1");
  m.RemoveDisk = AddItem(m.PopupMenu1, "RemoveDisk", QStringLiteral("Удалить диск"));
  m.RenameDisk = AddItem(m.PopupMenu1, "RenameDisk", QStringLiteral("Переименовать диск"));
  m.PopupMenu2 = MakePopup(this, "PopupMenu2");
  m.RemoveThumb = AddItem(m.PopupMenu2, "RemoveThumb", QStringLiteral("Удалить эскиз"));
  m.S2P = AddItem(m.PopupMenu2, "S2P", QStringLiteral("Сохранить в папку"));
}

void MainWindow::ConnectCommands() {
  MainMenuItems& m = menus_;
  for (QMenu* menu : {m.Fileeee, m.N1, m.N3}) {
    connect(menu, &QMenu::aboutToShow, this, &MainWindow::FileeeeClick);
  }
  connect(m.New, &QAction::triggered, this, &MainWindow::NewClick);
  connect(m.Open, &QAction::triggered, this, &MainWindow::OpenClick);
  connect(m.Save, &QAction::triggered, this, [this] { SaveClick(); });
  connect(m.SaveAs, &QAction::triggered, this, &MainWindow::SaveAsClick);
  connect(m.Import, &QAction::triggered, this, &MainWindow::ImportClick);
  connect(m.Export1, &QAction::triggered, this, &MainWindow::Export1Click);
  connect(m.Undo, &QAction::triggered, this, &MainWindow::UndoClick);
  connect(m.Add, &QAction::triggered, this, &MainWindow::AddClick);
  connect(m.Settings, &QAction::triggered, this, &MainWindow::SettingsClick);
  connect(m.RemoveDisk, &QAction::triggered, this, &MainWindow::RemoveDiskClick);
  connect(m.RenameDisk, &QAction::triggered, this, &MainWindow::RenameDiskClick);
  connect(m.RemoveThumb, &QAction::triggered, this, &MainWindow::RemoveThumbClick);
  connect(m.S2P, &QAction::triggered, this, &MainWindow::S2PClick);

  disk_list_->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(disk_list_, &QWidget::customContextMenuRequested, this,
          &MainWindow::ListView1ContextPopup);
  thumbnail_view_->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(thumbnail_view_, &QWidget::customContextMenuRequested, this,
          &MainWindow::ListView2ContextPopup);
  disk_list_->installEventFilter(this);
  thumbnail_view_->installEventFilter(this);
  FileeeeClick();
}

void MainWindow::CreateFileDialogs() {
  open_dialog_ = MakeCatalogDialog(this, "OpenDialog1", QFileDialog::AcceptOpen);
  open_dialog_->setFileMode(QFileDialog::ExistingFile);
  save_dialog_ = MakeCatalogDialog(this, "SaveDialog1", QFileDialog::AcceptSave);
  // The commands ask about an existing file themselves, in the program's words and about the
  // name completed with ".qrv"; the dialog asking first would put the question twice.
  save_dialog_->setOption(QFileDialog::DontConfirmOverwrite);
}

QString MainWindow::ChooseCatalogFile(QFileDialog* dialog) {
  const QString current = PathToQString(document_.CatalogFileName());
  if (!current.isEmpty()) {
    const QDir folder = QFileInfo(current).absoluteDir();
    if (folder.exists()) dialog->setDirectory(folder);
  }
  return prompts_.ChooseFile(dialog);
}

}  // namespace quorvel
