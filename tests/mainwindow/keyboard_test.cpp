// The window's keys: the desktop's standard keys for the menu commands, F2 and Delete in the
// lists, F10 for the menus, and the context menus from the keyboard, where a screen reader can
// find them.
#include <QAccessible>
#include <QContextMenuEvent>
#include <QInputDialog>
#include <QKeySequence>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QMenuBar>
#include <QProxyStyle>
#include <QSet>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>

#include "catalog/catalog_index.h"
#include "catalog/stream.h"
#include "window_fixture.h"

namespace quorvel {
namespace {

// Whether `menu` opened over the current item of `list`.
bool OverCurrentItem(const QMenu* menu, const QAbstractItemView* list) {
  const QRect item = list->visualRect(list->currentIndex());
  return QRect(list->viewport()->mapToGlobal(item.topLeft()), item.size()).contains(menu->pos());
}

QStringList Names(const QAccessibleInterface* menu) {
  QStringList names;
  for (int i = 0; i < menu->childCount(); ++i)
    names.append(menu->child(i)->text(QAccessible::Name));
  return names;
}

// The style of one widget, remembering where it was asked to draw a focus frame.
class FocusFrames : public QProxyStyle {
 public:
  void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget) const override {
    if (element == PE_FrameFocusRect) frames.append(option->rect);
    QProxyStyle::drawPrimitive(element, option, painter, widget);
  }
  mutable QList<QRect> frames;
};

}  // namespace

class KeyboardTest : public QObject {
  Q_OBJECT

 private slots:
  void keysReachTheirCommandsOnlyWhereTheyBelong();
  void contextMenusOpenFromTheKeyboardAtTheCurrentItem();
  void f10OpensTheFirstMenu();
  void everyMenuItemHasALetterOfItsOwn();
  void thumbnailsEnteredByTabShowTheFirstAndRightSelectsIt();
  void screenReaderNamesTheClearButtonTheRenameFieldAndEachThumbnail();
};

void KeyboardTest::keysReachTheirCommandsOnlyWhereTheyBelong() {
  Session s;
  const QString path = s.Write("k.qrv", BuildCatalog({Disk("a"), Disk("b")}));
  QVERIFY(s.Start(path));
  QVERIFY(QTest::qWaitForWindowActive(&s.window));
  QTreeView* list = s.List();

  // F2 renames the selected disk, Ctrl+Z takes the change back, Ctrl+Shift+Z and Ctrl+Y make
  // it again, Ctrl+S saves one.
  s.prompts.inputs = {QStringLiteral("c")};
  QTest::keyClick(list, Qt::Key_F2);
  QCOMPARE(s.Column(0), QStringList({"b", "c"}));
  QTest::keyClick(list, Qt::Key_Z, Qt::ControlModifier);
  QCOMPARE(s.Column(0), QStringList({"a", "b"}));
  QTest::keyClick(list, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
  QCOMPARE(s.Column(0), QStringList({"b", "c"}));
  QTest::keyClick(list, Qt::Key_Z, Qt::ControlModifier);
  QTest::keyClick(list, Qt::Key_Y, Qt::ControlModifier);
  QCOMPARE(s.Column(0), QStringList({"b", "c"}));
  QTest::keyClick(list, Qt::Key_Z, Qt::ControlModifier);
  QCOMPARE(s.Column(0), QStringList({"a", "b"}));
  s.prompts.inputs = {QStringLiteral("c")};
  QTest::keyClick(list, Qt::Key_F2);
  QTest::keyClick(list, Qt::Key_S, Qt::ControlModifier);
  QVERIFY(!s.document.Modified());
  QCOMPARE(BuildIndex(LoadFile(QStringToPath(path))).Disks.at(0).Name, std::string("c"));

  // Ctrl+Shift+S, Ctrl+O and Ctrl+N each ask for their file (and are cancelled).
  s.prompts.files = {QString(), QString(), QString()};
  QTest::keyClick(list, Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
  QTest::keyClick(list, Qt::Key_O, Qt::ControlModifier);
  QTest::keyClick(list, Qt::Key_N, Qt::ControlModifier);
  QStringList dialogs;
  for (const auto& prompt : s.prompts.prompts) {
    if (prompt.kind == QStringLiteral("file")) dialogs.append(prompt.title);
  }
  QCOMPARE(dialogs, QStringList({"save_dialog", "open_dialog", "save_dialog"}));

  // While typing, the keys are the line's: no rename, no removal, no undo of the catalogue.
  s.prompts.inputs = {QStringLiteral("d")};
  QTest::keyClick(list, Qt::Key_F2);
  QVERIFY(s.document.Modified());
  QLineEdit line(&s.window);
  line.show();
  line.setFocus();
  QTest::keyClicks(&line, QStringLiteral("xy"));
  for (const Qt::Key key : {Qt::Key_F2, Qt::Key_Delete, Qt::Key_Left}) QTest::keyClick(&line, key);
  QTest::keyClick(&line, Qt::Key_Z, Qt::ControlModifier);
  QCOMPARE(s.Column(0), QStringList({"b", "d"}));
  QVERIFY(s.document.Modified());

  // Nor while a disk is being added.
  s.window.SetScanRunning(true, [] {});
  list->setFocus();
  QTest::keyClick(list, Qt::Key_Z, Qt::ControlModifier);
  QTest::keyClick(list, Qt::Key_F2);
  QTest::keyClick(list, Qt::Key_Delete);
  s.window.SetScanRunning(false);
  QCOMPARE(s.Column(0), QStringList({"b", "d"}));
  QCOMPARE(s.prompts.Texts("input").size(), 3);
  QVERIFY(s.prompts.Texts("confirm").isEmpty());
  QVERIFY2(s.prompts.unexpected.isEmpty(), qPrintable(s.prompts.unexpected.join('|')));
}

void KeyboardTest::contextMenusOpenFromTheKeyboardAtTheCurrentItem() {
  Session s;
  QVERIFY(s.Start(s.Write("m.qrv", BuildCatalog({Disk("a", 3), Disk("b")}))));
  QVERIFY(QTest::qWaitForWindowActive(&s.window));

  // Shift+F10 in the disk list.
  QTreeView* list = s.List();
  list->setFocus();
  QTest::keyClick(list, Qt::Key_F10, Qt::ShiftModifier);
  QTRY_VERIFY(s.Menu("disk_menu")->isVisible());
  QVERIFY(OverCurrentItem(s.Menu("disk_menu"), list));
  s.Menu("disk_menu")->close();

  // The menu key's request, as the window system hands it to the focused thumbnail view.
  QListView* view = View(s.window);
  view->setFocus();
  view->setCurrentIndex(view->model()->index(2, 0));
  QContextMenuEvent key_request(QContextMenuEvent::Keyboard, QPoint(1, 1),
                                view->mapToGlobal(QPoint(1, 1)));
  QApplication::sendEvent(view, &key_request);
  QTRY_VERIFY(s.Menu("thumbnail_menu")->isVisible());
  QVERIFY(OverCurrentItem(s.Menu("thumbnail_menu"), view));
  s.Menu("thumbnail_menu")->close();

  // The mouse's opens where it was clicked.
  const QPoint click = view->viewport()->mapToGlobal(QPoint(30, 20));
  QContextMenuEvent mouse_request(QContextMenuEvent::Mouse, QPoint(30, 20), click);
  QApplication::sendEvent(view->viewport(), &mouse_request);
  QTRY_VERIFY(s.Menu("thumbnail_menu")->isVisible());
  QCOMPARE(s.Menu("thumbnail_menu")->pos(), click);
  s.Menu("thumbnail_menu")->close();

  // A screen reader walking the window meets both menus, by name and with their items, before
  // either opens.
  QAccessibleInterface* window = QAccessible::queryAccessibleInterface(&s.window);
  QAccessibleInterface* disks = QAccessible::queryAccessibleInterface(s.Menu("disk_menu"));
  QAccessibleInterface* thumbs = QAccessible::queryAccessibleInterface(s.Menu("thumbnail_menu"));
  for (QAccessibleInterface* menu : {disks, thumbs}) {
    const int index = window->indexOfChild(menu);
    QVERIFY(index >= 0 && index < window->childCount());
    QCOMPARE(window->child(index), menu);
  }
  QCOMPARE(disks->role(), QAccessible::PopupMenu);
  QCOMPARE(disks->text(QAccessible::Name), QStringLiteral("Меню дисков"));
  QCOMPARE(Names(disks),
           QStringList({"Удалить диск", "Переименовать диск", "Обновить диск", "",
                        "Экспорт списка (CSV)…"}));
  QCOMPARE(thumbs->text(QAccessible::Name), QStringLiteral("Меню эскизов"));
  QCOMPARE(Names(thumbs),
           QStringList({"Удалить эскиз", "Сохранить в папку", "", "Просмотр", "Открыть файл",
                        "Показать в папке", "Найти похожие", "", "Упорядочить по дате съёмки"}));
}

void KeyboardTest::f10OpensTheFirstMenu() {
  Session s;
  QVERIFY(s.Start(QString()));
  QVERIFY(QTest::qWaitForWindowActive(&s.window));
  QTest::keyClick(s.List(), Qt::Key_F10);
  QTRY_VERIFY(s.Menu("file_menu")->isVisible());
  QCOMPARE(s.window.menuBar()->activeAction(), s.Menu("file_menu")->menuAction());
  s.Menu("file_menu")->close();
}

void KeyboardTest::everyMenuItemHasALetterOfItsOwn() {
  Session s;
  const QString path = s.Write("m.qrv", BuildCatalog({Disk("a")}));
  QVERIFY(s.Start(path));
  // The menu bar's titles are one menu, each of its menus and their submenus ("Недавние
  // каталоги" lists the catalogue just opened) others; the thumbnail menu takes "Показать на
  // диске" over search results.
  QList<QPair<QString, QList<QAction*>>> menus = {{"main_menu", s.window.menuBar()->actions()}};
  QList<QMenu*> open = {s.Menu("disk_menu"), s.Menu("thumbnail_menu")};
  for (QAction* title : s.window.menuBar()->actions()) open.append(title->menu());
  while (!open.isEmpty()) {
    QMenu* menu = open.takeFirst();
    QList<QAction*> items = menu->actions();
    for (QAction* item : items) {
      if (item->menu() != nullptr) open.append(item->menu());
    }
    if (menu->objectName() == QStringLiteral("thumbnail_menu")) {
      items.append(s.Action("ShowOnDisk"));
    }
    menus.append({menu->objectName(), items});
  }
  QCOMPARE(s.Menu("recent_menu")->actions().size(), 1);
  for (const auto& [name, items] : menus) {
    QSet<QKeySequence> letters;
    for (const QAction* item : items) {
      if (item->isSeparator()) continue;
      const QKeySequence letter = QKeySequence::mnemonic(item->text());
      QVERIFY2(!letter.isEmpty(), qPrintable(name + ": " + item->text()));
      QVERIFY2(!letters.contains(letter), qPrintable(name + ": " + item->text()));
      letters.insert(letter);
    }
  }
  QCOMPARE(QKeySequence::mnemonic(s.Menu("file_menu")->title()),
           QKeySequence(QKeyCombination(Qt::AltModifier, static_cast<Qt::Key>(u'Ф'))));
}

void KeyboardTest::thumbnailsEnteredByTabShowTheFirstAndRightSelectsIt() {
  FocusFrames style;  // outlives the window that uses it
  Session s;
  QVERIFY(s.Start(s.Write("t.qrv", BuildCatalog({Disk("a", 3)}))));
  QVERIFY(QTest::qWaitForWindowActive(&s.window));
  QListView* view = View(s.window);
  QCOMPARE(view->model()->rowCount(), 3);
  view->setStyle(&style);
  view->setFixedWidth(view->visualRect(view->model()->index(0, 0)).width() + 40);  // one column

  view->setFocus(Qt::TabFocusReason);
  QCOMPARE(view->currentIndex().row(), 0);
  QVERIFY(view->selectionModel()->selectedIndexes().isEmpty());
  view->viewport()->repaint();
  const QRect first = view->visualRect(view->model()->index(0, 0));
  QVERIFY(!style.frames.isEmpty());
  for (const QRect& frame : style.frames) QVERIFY(first.contains(frame));

  QTest::keyClick(view, Qt::Key_Right);
  QCOMPARE(view->currentIndex().row(), 0);
  QCOMPARE(view->selectionModel()->selectedIndexes(), QModelIndexList{view->model()->index(0, 0)});
  // From there the arrows step as usual.
  QTest::keyClick(view, Qt::Key_Down);
  QCOMPARE(view->currentIndex().row(), 1);
}

void KeyboardTest::screenReaderNamesTheClearButtonTheRenameFieldAndEachThumbnail() {
  Session s;
  QVERIFY(s.Start(s.Write("n.qrv", BuildCatalog({Disk("a", 2)}))));
  QVERIFY(QTest::qWaitForWindowActive(&s.window));

  auto* clear =
      s.window.findChild<QLineEdit*>(QStringLiteral("SearchField"))->findChild<QToolButton*>();
  QVERIFY(clear != nullptr);
  QCOMPARE(QAccessible::queryAccessibleInterface(clear)->text(QAccessible::Name),
           QStringLiteral("Очистить поиск"));

  // Each thumbnail the keys reach is named by its file name, the folder left to its description.
  QListView* view = View(s.window);
  view->setFixedWidth(view->visualRect(view->model()->index(0, 0)).width() + 40);  // one column
  view->setFocus(Qt::TabFocusReason);
  QAccessibleInterface* thumbnails = QAccessible::queryAccessibleInterface(view);
  QStringList names;
  for (int step = 0; step < 2; ++step) {
    QTest::keyClick(view, Qt::Key_Down);
    const QAccessibleInterface* current = thumbnails->child(view->currentIndex().row());
    names.append(current->text(QAccessible::Name));
  }
  QCOMPARE(names, QStringList({"img0.jpg", "img1.jpg"}));
  QCOMPARE(thumbnails->child(1)->text(QAccessible::Description), QStringLiteral("E:\\img1.jpg"));

  // The rename box says what to type in a label, which names its field.
  s.prompts.inputs = {QStringLiteral("b")};
  QTest::keyClick(s.List(), Qt::Key_F2);
  QCOMPARE(s.prompts.input_labels, QStringList({"Новое название диска:"}));
  QString field_name;
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    auto* box = qobject_cast<QInputDialog*>(QApplication::activeModalWidget());
    if (box == nullptr) return;
    field_name = QAccessible::queryAccessibleInterface(box->findChild<QLineEdit*>())
                     ->text(QAccessible::Name);
    box->reject();
  });
  poll.start(20);
  MessageBoxPrompts().InputText(&s.window, QStringLiteral("Введите новое имя диска"),
                                s.prompts.input_labels.front(), QStringLiteral("b"));
  poll.stop();
  QCOMPARE(field_name, QStringLiteral("Новое название диска:"));
}

}  // namespace quorvel

QTEST_MAIN(quorvel::KeyboardTest)
#include "keyboard_test.moc"
