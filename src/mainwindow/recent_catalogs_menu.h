// "Недавние каталоги" of the "Файл" menu: the catalogues opened or saved last, most recent
// first, kept in the settings file; a catalogue whose file is gone is shown but not offered.
#ifndef QUORVEL_MAINWINDOW_RECENT_CATALOGS_MENU_H_
#define QUORVEL_MAINWINDOW_RECENT_CATALOGS_MENU_H_

#include <QObject>
#include <QString>
#include <filesystem>
#include <functional>

#include "mainwindow/command_context.h"
#include "settings/recent_catalogs.h"

class QMenu;

namespace quorvel {

class RecentCatalogsMenu : public QObject {
  Q_OBJECT

 public:
  // Keeps the list in `settings_file`; a chosen catalogue is handed to `open`, which opens it as
  // "Открыть" does.
  RecentCatalogsMenu(const CommandContext& context, std::filesystem::path settings_file,
                     std::function<void(const QString& path)> open, QObject* parent = nullptr);

  QMenu* Menu() const { return menu_; }
  // Writes the list into the settings file when it changed, as the window closes.
  void Store() const;

 private:
  // The document's notice: a catalogue read or saved goes to the top of the list.
  void Remember(DocumentChange change);
  void Fill();
  void UpdateActions();

  CommandContext context_;
  const std::filesystem::path settings_file_;
  std::function<void(const QString& path)> open_;
  RecentCatalogs recent_;
  QMenu* menu_;
  bool changed_ = false;  // since it was read
};

}  // namespace quorvel

#endif  // QUORVEL_MAINWINDOW_RECENT_CATALOGS_MENU_H_
