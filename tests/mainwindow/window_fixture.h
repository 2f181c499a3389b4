// A main window over real catalogue files in a temporary folder, with the prompts answered by
// the test, shared by the window's test files.
#ifndef QUORVEL_TESTS_MAINWINDOW_WINDOW_FIXTURE_H_
#define QUORVEL_TESTS_MAINWINDOW_WINDOW_FIXTURE_H_

#include <QAction>
#include <QContextMenuEvent>
#include <QDir>
#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
#include <QListView>
#include <QMenu>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "catalog/catalog_document.h"
#include "catalog/cp1251.h"
#include "mainwindow/catalog_file_actions.h"
#include "mainwindow/main_window.h"
#include "mainwindow/thumbnail_model.h"
#include "platform/path_text.h"
#include "platform/user_prompts.h"
#include "settings/catalog_opening.h"
#include "support/catalog_builder.h"

namespace quorvel {

using testkit::BuildCatalog;
using testkit::DiskSpec;
using testkit::ThumbSpec;

// Answers in place of a person from queues the test fills, and remembers every prompt. A
// prompt with no answer queued is recorded as unexpected and answered Cancel.
class RecordingPrompts : public UserPrompts {
 public:
  struct Prompt {
    QString kind;  // "warn", "error", "inform", "ask", "warn-yes-no", "confirm", "choose", ...
    QWidget* parent;
    QString title;
    QString text;
  };
  struct Warning {
    QWidget* parent;
    QString title;
    QString text;
  };
  // The buttons a question of two ways offered.
  struct Ways {
    QString first;
    bool first_enabled;
    QString second;
  };

  void Warn(QWidget* parent, const QString& title, const QString& text) override {
    warnings.push_back({parent, title, text});
    Record("warn", parent, title, text);
  }
  void Error(QWidget* parent, const QString& title, const QString& text) override {
    Record("error", parent, title, text);
  }
  void Inform(QWidget* parent, const QString& title, const QString& text) override {
    Record("inform", parent, title, text);
  }
  Answer AskYesNoCancel(QWidget* parent, const QString& title, const QString& text) override {
    Record("ask", parent, title, text);
    return NextAnswer();
  }
  Answer WarnYesNo(QWidget* parent, const QString& title, const QString& text) override {
    Record("warn-yes-no", parent, title, text);
    return NextAnswer();
  }
  Answer ConfirmYesNo(QWidget* parent, const QString& title, const QString& text) override {
    Record("confirm", parent, title, text);
    return NextAnswer();
  }
  Choice ChooseWay(QWidget* parent, const QString& title, const QString& text, const QString& first,
                   bool first_enabled, const QString& second) override {
    Record("choose", parent, title, text);
    ways.push_back({first, first_enabled, second});
    if (choices.empty()) {
      unexpected.append(text);
      return Choice::kCancel;
    }
    const Choice choice = choices.front();
    choices.pop_front();
    return choice;
  }
  std::optional<QString> InputText(QWidget* parent, const QString& caption, const QString& prompt,
                                   const QString& preset) override {
    Record("input", parent, caption, preset);
    input_labels.append(prompt);
    if (inputs.empty()) {
      unexpected.push_back(caption);
      return std::nullopt;
    }
    const bool cancelled = !inputs.front().has_value();
    const QString text = cancelled ? QString() : *inputs.front();
    inputs.pop_front();
    if (cancelled) return std::nullopt;
    return text;
  }
  // Recorded with the folder the dialog starts in.
  QString ChooseFile(QFileDialog* dialog) override {
    Record("file", nullptr, dialog->objectName(), dialog->directory().absolutePath());
    return Next(files, dialog->objectName());
  }
  QString ChooseFolder(QWidget* parent, const QString& title, const QString& start) override {
    Record("folder", parent, title, start);
    return Next(folders, title);
  }

  // The prompts of one kind, in order.
  QStringList Texts(const QString& kind) const {
    QStringList texts;
    for (const Prompt& p : prompts) {
      if (p.kind == kind) texts.append(p.text);
    }
    return texts;
  }

  std::vector<Warning> warnings;
  std::vector<Prompt> prompts;
  std::deque<Answer> answers;
  std::vector<Ways> ways;
  std::deque<Choice> choices;
  std::deque<std::optional<QString>> inputs;
  std::deque<QString> files;
  std::deque<QString> folders;
  QStringList input_labels;  // the label inside each input box, in order
  QStringList unexpected;

 private:
  void Record(const char* kind, QWidget* parent, const QString& title, const QString& text) {
    prompts.push_back({QString::fromLatin1(kind), parent, title, text});
  }
  Answer NextAnswer() {
    if (answers.empty()) {
      unexpected.append(prompts.back().text);
      return Answer::kCancel;
    }
    const Answer answer = answers.front();
    answers.pop_front();
    return answer;
  }
  QString Next(std::deque<QString>& queue, const QString& what) {
    if (queue.empty()) {
      unexpected.append(what);
      return {};
    }
    QString value = queue.front();
    queue.pop_front();
    return value;
  }
};

inline std::vector<ThumbSpec> Thumbs(int count, std::uint32_t seed) {
  std::vector<ThumbSpec> thumbs;
  for (int k = 0; k < count; ++k) {
    thumbs.push_back({"E:\\img" + std::to_string(k) + ".jpg", testkit::GradientJpeg(seed + k)});
  }
  return thumbs;
}

inline DiskSpec Disk(const std::string& utf8_name, int thumb_count = 1) {
  return DiskSpec{Utf8ToCp1251(utf8_name),
                  Thumbs(thumb_count, static_cast<std::uint32_t>(thumb_count))};
}

// One window over one document, with the files it opens in a folder of its own.
struct Session {
  Session() : window(document, prompts, SettingsFile(), opening) {}

  // The settings file the window reads and writes, in a folder of its own inside the
  // session's, so that the window's own settings are not among the files a command wrote.
  std::filesystem::path SettingsFile() const {
    QDir(dir.path()).mkpath(QStringLiteral("settings"));
    return QStringToPath(dir.filePath(QStringLiteral("settings/quorvel.ini")));
  }

  QString Write(const QString& name, const Bytes& bytes) {
    const QString path = dir.filePath(name);
    testkit::WriteFile(QStringToPath(path), bytes);
    return path;
  }

  // Start-up as the program runs it: create, then show, then whatever the show set off.
  bool Start(const QString& catalogue) {
    window.OpenStartupCatalog(catalogue);
    window.show();
    if (!QTest::qWaitForWindowExposed(&window)) return false;
    QCoreApplication::processEvents();
    return true;
  }

  QTreeView* List() const { return window.findChild<QTreeView*>(QStringLiteral("disk_list")); }
  int RowCount() const { return List()->model()->rowCount(); }
  QString Cell(int row, int column) const {
    return List()->model()->index(row, column).data().toString();
  }

  // Every row's three cells, top to bottom.
  QList<QStringList> Rows() const {
    QList<QStringList> rows;
    for (int r = 0; r < RowCount(); ++r) rows.append({Cell(r, 0), Cell(r, 1), Cell(r, 2)});
    return rows;
  }

  // The names in the selected rows, top to bottom.
  QStringList SelectedNames() const {
    QStringList names;
    for (int r = 0; r < RowCount(); ++r) {
      if (List()->selectionModel()->isSelected(List()->model()->index(r, 0))) {
        names.append(Cell(r, 0));
      }
    }
    return names;
  }

  // Makes `row` current and alone selected, as a click on it would.
  void SetCurrentRow(int row) const { List()->setCurrentIndex(List()->model()->index(row, 0)); }

  // Selects exactly `rows`, as control-clicks on them would.
  void SelectRows(const QList<int>& rows) const {
    List()->clearSelection();
    for (const int row : rows) {
      List()->selectionModel()->select(List()->model()->index(row, 0),
                                       QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
  }

  // The window's commands as a user reaches them: its actions and menus, by name.
  QAction* Action(const char* name) const {
    return window.findChild<QAction*>(QString::fromLatin1(name));
  }
  void Trigger(const char* name) const { Action(name)->trigger(); }
  QMenu* Menu(const char* name) const {
    return window.findChild<QMenu*>(QString::fromLatin1(name));
  }
  // Reads the open catalogue's file again, as opening it does.
  void LoadFromFile() const { window.findChild<CatalogFileActions*>()->LoadFromFile(); }

  // A click on the header of `column`, which sorts the list by it.
  void ClickHeader(int column) const {
    QHeaderView* header = List()->header();
    const QPoint at(header->sectionViewportPosition(column) + header->sectionSize(column) / 2,
                    header->height() / 2);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, Qt::NoModifier, at);
  }
  // The column the list was last sorted by, and whether the next click sorts it ascending.
  int SortColumn() const { return List()->header()->sortIndicatorSection(); }
  bool NextSortAscending() const {
    return List()->header()->sortIndicatorOrder() == Qt::DescendingOrder;
  }

  QStringList Column(int column) const {
    QStringList cells;
    for (const QStringList& row : Rows()) cells.append(row[column]);
    return cells;
  }

  QTemporaryDir dir;
  CatalogDocument document;
  RecordingPrompts prompts;
  CatalogOpening opening;
  MainWindow window;
};

// The thumbnail view.
inline QListView* View(MainWindow& window) {
  return window.findChild<QListView*>(QStringLiteral("thumbnail_view"));
}

// The image names of the thumbnail view's items, in order.
inline QStringList ShownImages(MainWindow& window) {
  return static_cast<const ThumbnailModel*>(View(window)->model())->Names();
}

// A right click at `pos` in `list`'s viewport.
inline void RequestContextMenu(QAbstractItemView* list, const QPoint& pos) {
  QContextMenuEvent request(QContextMenuEvent::Mouse, pos, list->viewport()->mapToGlobal(pos));
  QCoreApplication::sendEvent(list->viewport(), &request);
}

// Selects the thumbnails at `rows` of the view, and only those.
inline void SelectThumbs(QListView* view, const QList<int>& rows) {
  view->clearSelection();
  for (const int row : rows) {
    view->selectionModel()->select(view->model()->index(row, 0), QItemSelectionModel::Select);
  }
}

// The whole of row `row` of a list of rows, every column.
inline QRect RowRect(QTreeView* list, int row) {
  const QAbstractItemModel& model = *list->model();
  return list->visualRect(model.index(row, 0))
      .united(list->visualRect(model.index(row, model.columnCount() - 1)));
}

// Types `text` into `widget` key by key, as a keyboard of any layout does: QTest::keyClicks
// knows the keys of ASCII characters only.
inline void TypeText(QWidget* widget, const QString& text) {
  for (const QChar ch : text) {
    QTest::sendKeyEvent(QTest::Click, widget, static_cast<Qt::Key>(ch.toUpper().unicode()),
                        QString(ch), Qt::NoModifier);
  }
}

// The status bar's one panel.
inline QString StatusText(MainWindow& window) {
  auto* panel = window.findChild<QLabel*>(QStringLiteral("status_panel"));
  return panel != nullptr ? panel->text() : QStringLiteral("<no panel>");
}

inline QString Caption(const QString& path, int disks) {
  return QStringLiteral("Каталог \"") + path + QStringLiteral("\",  дисков: ") +
         QString::number(disks);
}

}  // namespace quorvel

#endif  // QUORVEL_TESTS_MAINWINDOW_WINDOW_FIXTURE_H_
