// What a drop on the main window names: a folder to add as a disk or a catalogue to open.
#ifndef QUORVEL_MAINWINDOW_DROPPED_ITEM_H_
#define QUORVEL_MAINWINDOW_DROPPED_ITEM_H_

#include <QList>
#include <QString>
#include <QUrl>

namespace quorvel {

struct DroppedItem {
  enum class Kind { kNone, kFolder, kCatalogue };
  Kind kind = Kind::kNone;
  QString path;  // the local folder or file
};

// One local folder, or one local file whose name ends in ".qrv" in any case. Anything else
// (several items, other files, a missing file, a URL of another machine) is kNone.
DroppedItem DroppedItemOf(const QList<QUrl>& urls);

}  // namespace quorvel

#endif  // QUORVEL_MAINWINDOW_DROPPED_ITEM_H_
