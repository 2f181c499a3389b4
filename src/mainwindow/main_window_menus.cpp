// The main window's menus, laid out of the feature handlers' actions, and the lists' context
// menus and keys. Each action belongs to its handler, which enables it; the menus only show it.
#include <QAccessible>
#include <QAccessibleWidget>
#include <QAction>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QMenuBar>
#include <QTreeView>

#include "mainwindow/add_disk_actions.h"
#include "mainwindow/catalog_file_actions.h"
#include "mainwindow/disk_actions.h"
#include "mainwindow/facts_actions.h"
#include "mainwindow/lookalike_actions.h"
#include "mainwindow/main_window.h"
#include "mainwindow/recent_catalogs_menu.h"
#include "mainwindow/search_actions.h"
#include "mainwindow/thumbnail_actions.h"
#include "mainwindow/thumbnail_model.h"

namespace quorvel {
namespace {

const char kDiskMenuName[] = "disk_menu";
const char kThumbnailMenuName[] = "thumbnail_menu";

QMenu* AddMenu(QMenuBar* bar, const char* name, const QString& title,
               const QList<QAction*>& actions) {
  QMenu* menu = bar->addMenu(title);
  menu->setObjectName(QString::fromLatin1(name));
  menu->menuAction()->setObjectName(QString::fromLatin1(name) + QStringLiteral("_action"));
  menu->addActions(actions);
  return menu;
}

// Made once with the window, named, so that a screen reader knows the menu before it opens.
// `last` follows the commands on the items, after a separator.
QMenu* MakePopup(QWidget* owner, const char* name, const QString& accessible_name,
                 const QList<QAction*>& actions, QAction* last) {
  auto* menu = new QMenu(owner);
  menu->setObjectName(QString::fromLatin1(name));
  menu->setAccessibleName(accessible_name);
  menu->addActions(actions);
  menu->addSeparator();
  menu->addAction(last);
  return menu;
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
    QList<QMenu*> popups;
    for (const char* name : {kDiskMenuName, kThumbnailMenuName}) {
      auto* menu =
          widget()->findChild<QMenu*>(QString::fromLatin1(name), Qt::FindDirectChildrenOnly);
      if (menu != nullptr) popups.append(menu);
    }
    return popups;
  }
};

QAccessibleInterface* MakeAccessibleMainWindow(const QString&, QObject* object) {
  auto* window = qobject_cast<MainWindow*>(object);
  return window != nullptr ? new AccessibleMainWindow(window) : nullptr;
}

// Where a menu opened from the keyboard appears: over the current item, or the list's corner
// when that item is out of sight.
QPoint KeyboardMenuPoint(const QAbstractItemView& list) {
  const QRect shown = list.viewport()->rect();
  const QRect item = list.visualRect(list.currentIndex()).intersected(shown);
  return item.isEmpty() ? shown.topLeft() : item.center();
}

}  // namespace

void MainWindow::CreateMenus() {
  QMenuBar* bar = menuBar();
  bar->setObjectName(QStringLiteral("main_menu"));
  QMenu* file_menu = AddMenu(bar, "file_menu", QStringLiteral("&Файл"),
                             catalog_file_->FileMenuActions() << facts_->ExportListAction());
  file_menu->addMenu(recent_->Menu());
  // Ends the program as closing the window does, asking about unsaved changes.
  auto* quit = new QAction(QStringLiteral("В&ыход"), this);
  quit->setObjectName(QStringLiteral("Quit"));
  quit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
  connect(quit, &QAction::triggered, this, &QWidget::close);
  file_menu->addSeparator();
  file_menu->addAction(quit);
  AddMenu(bar, "edit_menu", QStringLiteral("&Правка"), catalog_file_->EditMenuActions());
  QMenu* actions_menu =
      AddMenu(bar, "actions_menu", QStringLiteral("&Действия"), add_disk_->MenuActions());
  actions_menu->addSeparator();
  actions_menu->addActions(lookalikes_->MenuActions());

  // F10 opens the first menu, as Alt does; Qt's styles give only Alt that meaning.
  auto* open_menus = new QAction(this);
  open_menus->setObjectName(QStringLiteral("OpenMenuBar"));
  open_menus->setShortcut(Qt::Key_F10);
  addAction(open_menus);
  connect(open_menus, &QAction::triggered, this,
          [bar, file_menu] { bar->setActiveAction(file_menu->menuAction()); });

  // The lists open these themselves (ShowContextMenu), so they are not attached. Their keys
  // (Delete, F2) belong to the lists (the window's event filter triggers the actions); an
  // action of a menu that is not attached never takes its key, so here they are only shown.
  disk_menu_ = MakePopup(this, kDiskMenuName, QStringLiteral("Меню дисков"), disks_->MenuActions(),
                         facts_->ExportListAction());
  thumbnail_menu_ = MakePopup(this, kThumbnailMenuName, QStringLiteral("Меню эскизов"),
                              thumbnails_->MenuActions() << lookalikes_->FindSimilarAction(),
                              facts_->OrderByDateAction());
  // So that a screen reader finds these two in the window; Qt keeps a factory once, however
  // many windows install it.
  QAccessible::installFactory(&MakeAccessibleMainWindow);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
  if (watched == search_->Field()) return TakeFieldDrop(event);
  QAbstractItemView* list = nullptr;
  for (QAbstractItemView* candidate : {static_cast<QAbstractItemView*>(disk_list_),
                                       static_cast<QAbstractItemView*>(thumbnail_view_)}) {
    if (watched == candidate || watched == candidate->viewport()) list = candidate;
  }
  if (list == nullptr) return QMainWindow::eventFilter(watched, event);

  if (event->type() == QEvent::ContextMenu) {
    const auto* request = static_cast<QContextMenuEvent*>(event);
    const QPoint at = request->reason() == QContextMenuEvent::Keyboard
                          ? KeyboardMenuPoint(*list)
                          : list->viewport()->mapFromGlobal(request->globalPos());
    ShowContextMenu(list, at);
    return true;
  }
  if (event->type() != QEvent::KeyPress || watched != list) return false;
  const auto* key = static_cast<QKeyEvent*>(event);
  if (key->key() == Qt::Key_F10 && key->modifiers() == Qt::ShiftModifier) {
    // The desktop's other key for the context menu; X11 turns only the menu key into a request.
    QContextMenuEvent request(QContextMenuEvent::Keyboard, QPoint(), list->mapToGlobal(QPoint()));
    QCoreApplication::sendEvent(list, &request);
    return true;
  }
  if (key->modifiers() != Qt::NoModifier && key->modifiers() != Qt::KeypadModifier) return false;
  // The keys trigger the commands' actions, which do nothing while disabled: the key shown
  // beside an item of the list's menu, and Enter over search results.
  QAction* command = nullptr;
  if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) && list == thumbnail_view_ &&
      thumbnail_model_->ShowsResults()) {
    command = search_->ShowOnDiskAction();
  }
  const QMenu* menu = list == disk_list_ ? disk_menu_ : thumbnail_menu_;
  for (QAction* action : menu->actions()) {
    if (command == nullptr && !action->shortcut().isEmpty() &&
        action->shortcut() == QKeySequence(key->key())) {
      command = action;
    }
  }
  if (command == nullptr) return false;
  command->trigger();
  return true;
}

void MainWindow::ShowContextMenu(QAbstractItemView* list, const QPoint& pos) {
  const bool disks = list == disk_list_;
  QMenu* menu = disks ? disk_menu_ : thumbnail_menu_;
  QAction* first = disks ? disks_->MenuActions().front() : thumbnails_->MenuActions().front();
  // Each menu opens only while its first command has something to act on.
  if (!first->isEnabled()) return;
  if (!disks) {
    // Over search results the menu leads to a result's disk first.
    if (thumbnail_model_->ShowsResults()) {
      menu->insertAction(first, search_->ShowOnDiskAction());
    } else {
      menu->removeAction(search_->ShowOnDiskAction());
    }
  }
  menu->popup(list->viewport()->mapToGlobal(pos));
}

}  // namespace quorvel
