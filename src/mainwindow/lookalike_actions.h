// The commands on look-alikes and copies: "Найти похожие" (Ctrl+L) in the thumbnail view's
// context menu, which shows every thumbnail like the current one as results, the most alike
// first; "Повторы", the page of the catalogue's groups of copies and of each disk's thumbnails
// found on no other disk; and "Сохранить отпечатки в каталоге", which stores the fingerprints
// computed here into the thumbnails as one change. The fingerprints of the open catalogue are
// kept here, and after a change only the disks it touched are computed again.
#ifndef QUORVEL_MAINWINDOW_LOOKALIKE_ACTIONS_H_
#define QUORVEL_MAINWINDOW_LOOKALIKE_ACTIONS_H_

#include <QObject>
#include <QString>
#include <memory>
#include <optional>
#include <vector>

#include "catalog/catalog_document.h"
#include "catalog/catalog_fingerprints.h"
#include "catalog/lookalike_index.h"
#include "mainwindow/command_context.h"

class QAction;
class QMainWindow;

namespace quorvel {

class CopiesPage;
class SearchActions;

class LookalikeActions : public QObject {
  Q_OBJECT

 public:
  // Shows what it finds through `search`; docks its page in `window`.
  LookalikeActions(const CommandContext& context, SearchActions& search, QMainWindow* window,
                   QObject* parent = nullptr);

  QAction* FindSimilarAction() const { return find_similar_; }
  // "Повторы" and "Сохранить отпечатки в каталоге", for the "Действия" menu.
  QList<QAction*> MenuActions() const { return {copies_, store_prints_}; }

  // Called by the window on each change of the document's content, before the search shown is
  // found again: the fingerprints of a closed catalogue are dropped, and an open page is
  // refreshed once the change is over.
  void CatalogueChanged(DocumentChange change);

 private:
  void UpdateActions();
  // "Найти похожие" on the view's current thumbnail (or the first selected one).
  void FindSimilar();
  // Every fingerprint of the catalogue known, computed with a progress dialog where missing.
  // False when the user cancelled.
  bool KnowAll();
  // The same without a dialog, for finding results again inside a change's refresh, where only
  // the disks the change touched are left to compute; false when the file cannot be read.
  bool KnowAllNow();
  // The fingerprint of `thumb`, or nullopt when it has none; the fingerprints must be known.
  std::optional<Fingerprint> PrintOf(ThumbRef thumb) const;
  // The look-alikes and copies of the catalogue as it is now, built when first needed.
  const LookalikeIndex& Index();
  std::vector<ThumbRef> SimilarTo(const Fingerprint& print);
  std::vector<ThumbRef> GroupHolding(const Fingerprint& print);
  std::vector<ThumbRef> UniqueOnDisk(const std::string& disk_name);

  // The page, made on first use: shown and filled.
  void ShowCopiesPage();
  void RefreshPage();
  void ShowGroup(int group);
  void ShowUniqueOnDisk(int disk);
  void StorePrints();

  CommandContext context_;
  SearchActions& search_;
  QMainWindow* window_;
  QAction* find_similar_;
  QAction* copies_;
  QAction* store_prints_;
  QAction* refresh_page_;
  CopiesPage* page_ = nullptr;
  bool refresh_pending_ = false;  // a refresh of the page waits for the change to end
  bool computing_ = false;        // workers are updating prints_, which nothing else may touch

  CatalogFingerprints prints_;
  std::unique_ptr<LookalikeIndex> index_;  // over prints_ for the catalogue as it is now
};

}  // namespace quorvel

#endif  // QUORVEL_MAINWINDOW_LOOKALIKE_ACTIONS_H_
