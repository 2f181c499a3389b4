#include "mainwindow/lookalike_actions.h"

#include <QAction>
#include <QKeySequence>
#include <QMainWindow>
#include <QScopedValueRollback>
#include <QTimer>
#include <algorithm>
#include <utility>

#include "catalog/catalog_error.h"
#include "catalog/catalog_merge.h"
#include "catalog/cp1251.h"
#include "mainwindow/copies_page.h"
#include "mainwindow/fingerprint_progress.h"
#include "mainwindow/search_actions.h"
#include "mainwindow/thumbnail_model.h"

namespace quorvel {
namespace {

const QString kCountedAlike = QStringLiteral("Похожих эскизов: %1, на дисках: %2.");

}  // namespace

LookalikeActions::LookalikeActions(const CommandContext& context, SearchActions& search,
                                   QMainWindow* window, QObject* parent)
    : QObject(parent), context_(context), search_(search), window_(window) {
  setObjectName(QStringLiteral("lookalike_actions"));
  find_similar_ = MakeCommand(this, "FindSimilar", QStringLiteral("Найти по&хожие"));
  find_similar_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_L));
  // Its key works wherever the window has the focus, as Ctrl+F does.
  context_.window->addAction(find_similar_);
  copies_ = MakeCommand(this, "Copies", QStringLiteral("Пов&торы"));
  store_prints_ =
      MakeCommand(this, "StorePrints", QStringLiteral("Сохранить &отпечатки в каталоге"));
  refresh_page_ = MakeCommand(this, "RefreshCopies", QStringLiteral("Обновить"));
  connect(find_similar_, &QAction::triggered, this, &LookalikeActions::FindSimilar);
  connect(copies_, &QAction::triggered, this, &LookalikeActions::ShowCopiesPage);
  connect(refresh_page_, &QAction::triggered, this, &LookalikeActions::RefreshPage);
  connect(store_prints_, &QAction::triggered, this, &LookalikeActions::StorePrints);
  FollowState(context_, this, [this] { UpdateActions(); });
}

void LookalikeActions::UpdateActions() {
  // While a disk is being added, nothing reads the catalogue.
  const bool idle = !context_.scan_running() && context_.document.CatalogOpen();
  const ThumbnailModel& model = context_.thumbnail_model;
  find_similar_->setEnabled(idle && (model.Thumb(context_.current_thumbnail_row()) != nullptr ||
                                     !context_.selected_thumbnail_rows().isEmpty()));
  copies_->setEnabled(idle);
  refresh_page_->setEnabled(idle);
  // The workers write prints_ while they compute; it is read only once they are done.
  store_prints_->setEnabled(idle && !computing_ &&
                            prints_.ComputedCount(context_.document.Index()) > 0);
}

void LookalikeActions::CatalogueChanged(DocumentChange change) {
  index_.reset();
  if (change == DocumentChange::kClosed) prints_ = CatalogFingerprints();
  if (page_ != nullptr && page_->isVisible() && !refresh_pending_) {
    // Not inside the document's notice: computing may show a dialog and let events through.
    refresh_pending_ = true;
    QTimer::singleShot(0, this, [this] {
      refresh_pending_ = false;
      RefreshPage();
    });
  }
}

bool LookalikeActions::KnowAll() {
  if (computing_) return false;
  // A copy of a version shares its bytes: the workers read it whatever the document does.
  const CatalogVersion version = context_.document.Current();
  bool computed = false;
  {
    const QScopedValueRollback<bool> busy(computing_, true);
    computed = ComputeFingerprints(context_.window, prints_, version);
  }
  // What was computed may now be stored.
  UpdateActions();
  if (!computed) return false;
  // Computing let events through; the document may have changed meanwhile.
  return prints_.Knows(context_.document.Index());
}

bool LookalikeActions::KnowAllNow() {
  // A change that arrives while the dialog computes finds nothing until it is done.
  if (computing_) return false;
  if (prints_.Knows(context_.document.Index())) return true;
  const WaitCursor wait;
  try {
    return prints_.Update(context_.document.Current());
  } catch (const CatalogError&) {
    return false;
  }
}

std::optional<Fingerprint> LookalikeActions::PrintOf(ThumbRef thumb) const {
  const DiskFingerprints& disk = prints_.Disk(context_.document.Index(), thumb.disk);
  const auto at = static_cast<std::size_t>(thumb.thumb);
  return at < disk.prints.size() ? disk.prints[at] : std::nullopt;
}

const LookalikeIndex& LookalikeActions::Index() {
  if (!index_) {
    const CatalogIndex& catalog = context_.document.Index();
    std::vector<ThumbPrint> prints;
    const int disks = static_cast<int>(catalog.Disks.size());
    for (int disk = 0; disk < disks; ++disk) {
      const DiskFingerprints& known = prints_.Disk(catalog, disk);
      for (std::size_t thumb = 0; thumb < known.prints.size(); ++thumb) {
        if (known.prints[thumb]) {
          prints.push_back({{disk, static_cast<std::int32_t>(thumb)}, *known.prints[thumb]});
        }
      }
    }
    index_ = std::make_unique<LookalikeIndex>(std::move(prints), disks);
  }
  return *index_;
}

std::vector<ThumbRef> LookalikeActions::SimilarTo(const Fingerprint& print) {
  if (!KnowAllNow()) return {};
  std::vector<ThumbRef> found;
  for (const Alike& alike : Index().Similar(print)) found.push_back(alike.ref);
  return found;
}

std::vector<ThumbRef> LookalikeActions::GroupHolding(const Fingerprint& print) {
  if (!KnowAllNow()) return {};
  for (const std::vector<ThumbRef>& group : Index().CopyGroups()) {
    for (const ThumbRef& thumb : group) {
      if (PrintOf(thumb) == print) return group;
    }
  }
  return {};
}

std::vector<ThumbRef> LookalikeActions::UniqueOnDisk(const std::string& disk_name) {
  if (!KnowAllNow()) return {};
  // By name: a change may have moved the disk to another place in the catalogue.
  const std::vector<CatInfo>& disks = context_.document.Index().Disks;
  const auto disk = std::find_if(disks.begin(), disks.end(),
                                 [&](const CatInfo& info) { return info.Name == disk_name; });
  const std::vector<std::vector<std::int32_t>> unique = Index().UniqueToDisk();
  const auto at = static_cast<std::size_t>(disk - disks.begin());
  if (at >= unique.size()) return {};
  std::vector<ThumbRef> found;
  for (const std::int32_t thumb : unique[at]) found.push_back({static_cast<int>(at), thumb});
  return found;
}

void LookalikeActions::FindSimilar() {
  if (!find_similar_->isEnabled()) return;
  const ThumbnailModel& model = context_.thumbnail_model;
  // The item the menu was opened over (or the keys moved to), else the first selected.
  int row = context_.current_thumbnail_row();
  const QList<int> selected = context_.selected_thumbnail_rows();
  if (!selected.isEmpty() && !selected.contains(row)) row = selected.first();
  if (model.Thumb(row) == nullptr) return;
  const ThumbRef thumb = model.Items()[static_cast<std::size_t>(row)];
  const QString name = model.FileName(row);
  RunGuarded(context_, [&] {
    if (!KnowAll()) return;
    const std::optional<Fingerprint> print = PrintOf(thumb);
    if (!print) {
      context_.note(
          QStringLiteral("Эскиз \"%1\" не с чем сравнить: на нём нет изображения.").arg(name));
      return;
    }
    search_.ShowFound({QStringLiteral("Похожие на \"%1\"").arg(name), kCountedAlike,
                       [this, print = *print] { return SimilarTo(print); }});
  });
}

void LookalikeActions::ShowCopiesPage() {
  if (page_ == nullptr) {
    page_ = new CopiesPage(store_prints_, refresh_page_, window_);
    window_->addDockWidget(Qt::RightDockWidgetArea, page_);
    connect(page_, &CopiesPage::GroupChosen, this, &LookalikeActions::ShowGroup);
    connect(page_, &CopiesPage::DiskChosen, this, &LookalikeActions::ShowUniqueOnDisk);
  }
  page_->show();
  page_->raise();
  RefreshPage();
}

void LookalikeActions::RefreshPage() {
  if (page_ == nullptr || !page_->isVisible()) return;
  if (!context_.document.CatalogOpen()) {
    page_->ShowNote(QStringLiteral("Каталог не открыт."));
    return;
  }
  // The addition's end changes the catalogue, which refreshes the page again.
  if (context_.scan_running()) return;
  RunGuarded(context_, [&] {
    if (!KnowAll()) {
      page_->ShowNote(QStringLiteral("Отпечатки не вычислены. Нажмите \"Обновить\"."));
      return;
    }
    const CatalogIndex& catalog = context_.document.Index();
    page_->ShowContent({Index().CopyGroups(), Index().UniqueToDisk(),
                        [this](int disk) { return context_.disk_name(disk); },
                        [&catalog](ThumbRef thumb) {
                          const CatInfo& disk = catalog.Disks[static_cast<std::size_t>(thumb.disk)];
                          return QString::fromStdString(Cp1251ToUtf8(
                              disk.Thumbs[static_cast<std::size_t>(thumb.thumb)].Name()));
                        }});
  });
}

void LookalikeActions::ShowGroup(int group) {
  if (!KnowAllNow()) return;
  const std::vector<std::vector<ThumbRef>>& groups = Index().CopyGroups();
  if (group < 0 || static_cast<std::size_t>(group) >= groups.size()) return;
  const std::optional<Fingerprint> print = PrintOf(groups[static_cast<std::size_t>(group)].front());
  if (!print) return;
  search_.ShowFound({QStringLiteral("Повторы: группа %1").arg(group + 1), kCountedAlike,
                     [this, print = *print] { return GroupHolding(print); }});
}

void LookalikeActions::ShowUniqueOnDisk(int disk) {
  const std::vector<CatInfo>& disks = context_.document.Index().Disks;
  if (disk < 0 || static_cast<std::size_t>(disk) >= disks.size()) return;
  search_.ShowFound(
      {QStringLiteral("Только на диске \"%1\"").arg(context_.disk_name(disk)),
       QStringLiteral("Найдено эскизов: %1, на дисках: %2."),
       [this, name = disks[static_cast<std::size_t>(disk)].Name] { return UniqueOnDisk(name); }});
}

void LookalikeActions::StorePrints() {
  if (!store_prints_->isEnabled() || !ChangeAllowed(context_)) return;
  const WaitCursor wait;
  CatalogDocument& document = context_.document;
  const int disk = context_.selected_disk();
  RunGuarded(context_, [&] {
    // Every disk keeps its place; results are shown again with the refresh after the change, a
    // disk's thumbnails by selecting it again.
    document.ApplyChange(StoreFingerprints(document.Current(), prints_), StoreFingerprintsEdit());
    if (!context_.searching() && disk >= 0) context_.select_disk(disk);
  });
}

}  // namespace quorvel
