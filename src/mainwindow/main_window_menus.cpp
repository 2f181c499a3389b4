// The main window's menus and file dialogs, and the commands' enabling. Each command owns its
// action: the menus show it, its keys trigger it, and UpdateCommands alone enables it.
#include <QAccessible>
#include <QAccessibleWidget>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QItemSelectionModel>
#include <QKeySequence>
#include <QListView>
#include <QMenu>
#include <QMenuBar>
#include <QTreeWidget>

#include "mainwindow/main_window.h"
#include "mainwindow/thumbnail_model.h"
#include "platform/path_text.h"

namespace quorvel {
namespace {

QMenu* AddMenu(QMenuBar* bar, const char* name, const QString& title) {
  QMenu* menu = bar->addMenu(title);
  menu->setObjectName(QString::fromLatin1(name));
  menu->menuAction()->setObjectName(QString::fromLatin1(name) + QStringLiteral("Action"));
  return menu;
}

// Made once with the window, named, so that a screen reader knows the menu before it opens.
QMenu* MakePopup(QWidget* owner, const char* name, const QString& accessible_name) {
  auto* menu = new QMenu(owner);
  menu->setObjectName(QString::fromLatin1(name));
  menu->setAccessibleName(accessible_name);
  return menu;
}

// The desktop's keys for `key`; `fallback` where the desktop has none (some have no Save As).
QList<QKeySequence> KeysOf(QKeySequence::StandardKey key, const QKeySequence& fallback = {}) {
  QList<QKeySequence> keys = QKeySequence::keyBindings(key);
  if (keys.isEmpty() && !fallback.isEmpty()) keys.append(fallback);
  return keys;
}

QAction* AddItem(QMenu* menu, const char* name, const QString& text) {
  QAction* action = menu->addAction(text);
  action->setObjectName(QString::fromLatin1(name));
  action->setEnabled(false);
  return action;
}

// The window as a screen reader sees it. Qt shows a window's menus only under its menu bar; the
// context menus belong to no bar, and a reader walking the window would never meet them, so
// they are listed after the window's own children.
class AccessibleMainWindow : public QAccessibleWidget {
 public:
  explicit AccessibleMainWindow(MainWindow* window)
      : QAccessibleWidget(window, QAccessible::Window) {}

  int childCount() const override {
    return QAccessibleWidget::childCount() + static_cast<int>(Popups().size());
  }
  QAccessibleInterface* child(int index) const override {
    const int own = QAccessibleWidget::childCount();
    if (index < own) return QAccessibleWidget::child(index);
    const QList<QMenu*> popups = Popups();
    return index - own < popups.size() ? QAccessible::queryAccessibleInterface(popups[index - own])
                                       : nullptr;
  }
  int indexOfChild(const QAccessibleInterface* child) const override {
    const qsizetype popup = Popups().indexOf(qobject_cast<QMenu*>(child->object()));
    if (popup < 0) return QAccessibleWidget::indexOfChild(child);
    return QAccessibleWidget::childCount() + static_cast<int>(popup);
  }

 private:
  QList<QMenu*> Popups() const {
    const MainMenuItems& m = static_cast<const MainWindow*>(widget())->Menus();
    QList<QMenu*> popups;
    for (QMenu* menu : {m.PopupMenu1, m.PopupMenu2}) {
      if (menu != nullptr) popups.append(menu);
    }
    return popups;
  }
};

QAccessibleInterface* MakeAccessibleMainWindow(const QString&, QObject* object) {
  auto* window = qobject_cast<MainWindow*>(object);
  return window != nullptr ? new AccessibleMainWindow(window) : nullptr;
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
  m.New->setShortcuts(KeysOf(QKeySequence::New));
  m.Open->setShortcuts(KeysOf(QKeySequence::Open));
  m.Save->setShortcuts(KeysOf(QKeySequence::Save));
  m.SaveAs->setShortcuts(
      KeysOf(QKeySequence::SaveAs, QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S)));
  m.Undo->setShortcuts(KeysOf(QKeySequence::Undo));

  // F10 opens the first menu, as Alt does; Qt's styles give only Alt that meaning.
  auto* open_menus = new QAction(this);
  open_menus->setObjectName(QStringLiteral("OpenMenuBar"));
  open_menus->setShortcut(Qt::Key_F10);
  addAction(open_menus);
  connect(open_menus, &QAction::triggered, this,
          [bar, menu = m.Fileeee] { bar->setActiveAction(menu->menuAction()); });

  // The lists open these themselves (their context-menu handlers), so they are not attached.
  // Their keys (Delete, F2) belong to the lists (the window's event filter triggers the
  // actions); an action of a menu that is not attached never takes its key, so here they are
  // only shown.
  m.PopupMenu1 = MakePopup(this, "PopupMenu1", QStringLiteral("Меню дисков"));
  m.RemoveDisk = AddItem(m.PopupMenu1, "RemoveDisk", QStringLiteral("Удалить диск"));
  m.RenameDisk = AddItem(m.PopupMenu1, "RenameDisk", QStringLiteral("Переименовать диск"));
  m.PopupMenu2 = MakePopup(this, "PopupMenu2", QStringLiteral("Меню эскизов"));
  m.RemoveThumb = AddItem(m.PopupMenu2, "RemoveThumb", QStringLiteral("Удалить эскиз"));
  m.S2P = AddItem(m.PopupMenu2, "S2P", QStringLiteral("Сохранить в папку"));
  m.PopupMenu2->addSeparator();
  m.OpenOriginal = AddItem(m.PopupMenu2, "OpenOriginal", QStringLiteral("Открыть файл"));
  m.ShowInFolder = AddItem(m.PopupMenu2, "ShowInFolder", QStringLiteral("Показать в папке"));
  // Joins the menu only over search results (ListView2ContextPopup), so that a screen reader
  // does not meet it anywhere else either.
  m.ShowOnDisk = new QAction(QStringLiteral("Показать на диске"), this);
  m.ShowOnDisk->setObjectName(QStringLiteral("ShowOnDisk"));
  m.RemoveDisk->setShortcut(Qt::Key_Delete);
  m.RenameDisk->setShortcut(Qt::Key_F2);
  m.RemoveThumb->setShortcut(Qt::Key_Delete);
  // So that a screen reader finds these two in the window; Qt keeps a factory once, however
  // many windows install it.
  QAccessible::installFactory(&MakeAccessibleMainWindow);
}

void MainWindow::ConnectCommands() {
  MainMenuItems& m = menus_;
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
  connect(m.OpenOriginal, &QAction::triggered, this, &MainWindow::OpenOriginalClick);
  connect(m.ShowInFolder, &QAction::triggered, this, &MainWindow::ShowInFolderClick);
  connect(m.ShowOnDisk, &QAction::triggered, this, [this] {
    // The item the menu was opened over (or Enter pressed on), or else the first selected.
    const QModelIndex current = thumbnail_view_->currentIndex();
    const QList<int> rows = SelectedThumbnailRows();
    if (rows.isEmpty()) return;
    ShowOnDiskClick(thumbnail_view_->selectionModel()->isSelected(current) ? current.row()
                                                                           : rows.first());
  });
  connect(thumbnail_view_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
          &MainWindow::UpdateCommands);
  connect(thumbnail_view_, &QAbstractItemView::doubleClicked, this, &MainWindow::ListView2DblClick);

  // The lists' context-menu requests, from the mouse (on the viewport) and from the keyboard
  // (on the list), and their keys, reach the window's event filter.
  for (QAbstractItemView* list : {static_cast<QAbstractItemView*>(disk_list_),
                                  static_cast<QAbstractItemView*>(thumbnail_view_)}) {
    list->setContextMenuPolicy(Qt::DefaultContextMenu);
    list->installEventFilter(this);
    list->viewport()->installEventFilter(this);
  }
  UpdateCommands();
}

void MainWindow::UpdateCommands() {
  MainMenuItems& m = menus_;
  // While a disk is being added, nothing reads or changes the catalogue.
  const bool idle = !scan_running_;
  const bool open = document_.CatalogOpen();
  const bool modified = open && document_.Modified();
  const bool dialog = show_options_ != nullptr;  // shows the dialog, once start-up connected it
  const qsizetype disks = disk_list_->selectionModel()->selectedRows().size();
  const qsizetype thumbs = thumbnail_view_->selectionModel()->selectedIndexes().size();
  m.New->setEnabled(idle);
  m.Open->setEnabled(idle);
  m.Save->setEnabled(idle && modified);
  m.SaveAs->setEnabled(idle && open);
  m.Import->setEnabled(idle && open);
  m.Export1->setEnabled(idle && disks > 0);
  m.Undo->setEnabled(idle && modified);
  m.Add->setEnabled(idle && open && dialog);
  m.Settings->setEnabled(dialog);
  m.RemoveDisk->setText(disks > 1 ? QStringLiteral("Удалить диски")
                                  : QStringLiteral("Удалить диск"));
  m.RemoveDisk->setEnabled(idle && disks > 0);
  m.RenameDisk->setEnabled(idle && disks == 1);
  m.RemoveThumb->setText(thumbs > 1 ? QStringLiteral("Удалить эскизы")
                                    : QStringLiteral("Удалить эскиз"));
  m.RemoveThumb->setEnabled(idle && thumbs > 0);
  m.S2P->setEnabled(idle && thumbs > 0);
  m.OpenOriginal->setEnabled(idle && thumbs == 1);
  m.ShowInFolder->setEnabled(idle && thumbs == 1);
  m.ShowOnDisk->setEnabled(thumbnail_model_->ShowsResults() && thumbs > 0);
}

void MainWindow::CreateFileDialogs() {
  open_dialog_ = MakeCatalogDialog(this, "OpenDialog1", QFileDialog::AcceptOpen);
  open_dialog_->setFileMode(QFileDialog::ExistingFile);
  save_dialog_ = MakeCatalogDialog(this, "SaveDialog1", QFileDialog::AcceptSave);
  // The commands ask about an existing file themselves, in the program's words and about the
  // name completed with ".qrv"; the dialog asking first would put the question twice.
  save_dialog_->setOption(QFileDialog::DontConfirmOverwrite);
}

QString MainWindow::CatalogFolder() const {
  const QString current = PathToQString(document_.CatalogFileName());
  if (current.isEmpty()) return QString();
  const QDir folder = QFileInfo(current).absoluteDir();
  return folder.exists() ? folder.path() : QString();
}

QString MainWindow::ChooseCatalogFile(QFileDialog* dialog) {
  const QString folder = CatalogFolder();
  if (!folder.isEmpty()) dialog->setDirectory(folder);
  return prompts_.ChooseFile(dialog);
}

}  // namespace quorvel
