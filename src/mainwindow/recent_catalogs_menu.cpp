#include "mainwindow/recent_catalogs_menu.h"

#include <QAction>
#include <QMenu>
#include <QWidget>
#include <iostream>
#include <utility>

#include "catalog/catalog_error.h"
#include "platform/path_text.h"

namespace quorvel {
namespace {

// "&1 /path" up to "1&0 /path": each item's own letter; an '&' of the path is shown as itself.
QString ItemText(std::size_t place, const QString& path) {
  const QString number =
      place < 9 ? QStringLiteral("&") + QString::number(place + 1) : QStringLiteral("1&0");
  return number + QLatin1Char(' ') + QString(path).replace(QLatin1Char('&'), QStringLiteral("&&"));
}

}  // namespace

RecentCatalogsMenu::RecentCatalogsMenu(const CommandContext& context,
                                       std::filesystem::path settings_file,
                                       std::function<void(const QString& path)> open,
                                       QObject* parent)
    : QObject(parent),
      context_(context),
      settings_file_(std::move(settings_file)),
      open_(std::move(open)),
      recent_(RecentCatalogs::Read(settings_file_)) {
  setObjectName(QStringLiteral("recent_catalogs_menu"));
  menu_ = new QMenu(QStringLiteral("Н&едавние каталоги"), context_.window);
  menu_->setObjectName(QStringLiteral("recent_menu"));
  menu_->menuAction()->setObjectName(QStringLiteral("recent_menu_action"));
  // Whether each file is there is looked at again as the menu opens.
  connect(menu_, &QMenu::aboutToShow, this, &RecentCatalogsMenu::Fill);
  CatalogDocument& document = context_.document;
  const int listener = document.AddListener([this](DocumentChange change) { Remember(change); });
  connect(this, &QObject::destroyed, [&document, listener] { document.RemoveListener(listener); });
  FollowState(context_, this, [this] { UpdateActions(); });
  Fill();
}

void RecentCatalogsMenu::Remember(DocumentChange change) {
  const CatalogDocument& document = context_.document;
  if ((change != DocumentChange::kReloaded && change != DocumentChange::kSaved) ||
      !document.CatalogOpen()) {
    return;
  }
  std::error_code ec;
  const std::filesystem::path file = std::filesystem::absolute(document.CatalogFileName(), ec);
  if (ec || !recent_.Add(PathToQString(file).toStdString())) return;
  changed_ = true;
  Fill();
}

void RecentCatalogsMenu::Store() const {
  if (!changed_) return;
  try {
    recent_.Write(settings_file_);
  } catch (const CatalogError& error) {
    // The window is going away with the program; there is no one left to ask.
    std::cerr << "quorvel: " << error.what() << '\n';
  }
}

void RecentCatalogsMenu::Fill() {
  // Later, not now: the item chosen may be what is being answered.
  for (QAction* old : menu_->actions()) {
    menu_->removeAction(old);
    old->deleteLater();
  }
  const std::vector<RecentCatalogs::Entry> entries = recent_.Entries();
  for (std::size_t place = 0; place < entries.size(); ++place) {
    const QString path = QString::fromStdString(entries[place].path);
    QAction* item = menu_->addAction(ItemText(place, path));
    item->setEnabled(entries[place].exists);
    connect(item, &QAction::triggered, this, [this, path] { open_(path); });
  }
  UpdateActions();
}

void RecentCatalogsMenu::UpdateActions() {
  // While a disk is being added nothing else is opened, as with "Открыть".
  menu_->menuAction()->setEnabled(!context_.scan_running() && !recent_.Paths().empty());
}

}  // namespace quorvel
