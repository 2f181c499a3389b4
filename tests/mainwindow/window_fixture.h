// A main window over real catalogue files in a temporary folder, with the prompts answered by
// the test, shared by the window's test files.
#ifndef QUORVEL_TESTS_MAINWINDOW_WINDOW_FIXTURE_H_
#define QUORVEL_TESTS_MAINWINDOW_WINDOW_FIXTURE_H_

#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>
#include <string>
#include <vector>

#include "catalog/catalog_document.h"
#include "catalog/cp1251.h"
#include "mainwindow/main_window.h"
#include "platform/path_text.h"
#include "platform/user_prompts.h"
#include "settings/catalog_opening.h"
#include "support/catalog_builder.h"

namespace quorvel {

using testkit::BuildCatalog;
using testkit::DiskSpec;
using testkit::ThumbSpec;

// Answers in place of a person and remembers what it was told.
class RecordingPrompts : public UserPrompts {
 public:
  struct Warning {
    QWidget* parent;
    QString title;
    QString text;
  };
  void Warn(QWidget* parent, const QString& title, const QString& text) override {
    warnings.push_back({parent, title, text});
  }
  std::vector<Warning> warnings;
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

  // The settings file the window reads and writes, in the session's own folder.
  std::filesystem::path SettingsFile() const {
    return QStringToPath(dir.filePath(QStringLiteral("quorvel.ini")));
  }

  QString Write(const QString& name, const Bytes& bytes) {
    const QString path = dir.filePath(name);
    testkit::WriteFile(QStringToPath(path), bytes);
    return path;
  }

  // Start-up as the program runs it: create, then show, then whatever the show set off.
  bool Start(const QString& catalogue) {
    window.FormCreate(catalogue);
    window.show();
    if (!QTest::qWaitForWindowExposed(&window)) return false;
    QCoreApplication::processEvents();
    return true;
  }

  QTreeWidget* List() const { return window.findChild<QTreeWidget*>(QStringLiteral("ListView1")); }

  // Every row's three cells, top to bottom.
  QList<QStringList> Rows() const {
    QList<QStringList> rows;
    QTreeWidget* list = List();
    for (int r = 0; r < list->topLevelItemCount(); ++r) {
      const QTreeWidgetItem* item = list->topLevelItem(r);
      rows.append({item->text(0), item->text(1), item->text(2)});
    }
    return rows;
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

inline QString Caption(const QString& path, int disks) {
  return QStringLiteral("Каталог \"") + path + QStringLiteral("\",  дисков: ") +
         QString::number(disks);
}

}  // namespace quorvel

#endif  // QUORVEL_TESTS_MAINWINDOW_WINDOW_FIXTURE_H_
