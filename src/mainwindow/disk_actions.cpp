#include "mainwindow/disk_actions.h"

#include <QAction>
#include <set>
#include <string>
#include <vector>

#include "catalog/catalog_edits.h"
#include "catalog/cp1251.h"
#include "mainwindow/add_disk_actions.h"
#include "platform/disk_name_text.h"

namespace quorvel {
namespace {

const QString kTitle = QStringLiteral("Quorvel");

}  // namespace

DiskActions::DiskActions(const CommandContext& context, AddDiskActions& additions, QObject* parent)
    : QObject(parent), context_(context), additions_(additions) {
  setObjectName(QStringLiteral("disk_actions"));
  remove_ = MakeCommand(this, "RemoveDisk", QStringLiteral("&Удалить диск"));
  rename_ = MakeCommand(this, "RenameDisk", QStringLiteral("&Переименовать диск"));
  update_ = MakeCommand(this, "UpdateDisk", QStringLiteral("&Обновить диск"));
  remove_->setShortcut(Qt::Key_Delete);
  rename_->setShortcut(Qt::Key_F2);
  connect(remove_, &QAction::triggered, this, &DiskActions::RemoveDisks);
  connect(rename_, &QAction::triggered, this, &DiskActions::RenameDisk);
  connect(update_, &QAction::triggered, this, &DiskActions::UpdateDisk);
  FollowState(context_, this, [this] { UpdateActions(); });
}

void DiskActions::UpdateActions() {
  const bool idle = !context_.scan_running();
  const std::size_t disks = context_.selected_disks().size();
  remove_->setText(disks > 1 ? QStringLiteral("&Удалить диски") : QStringLiteral("&Удалить диск"));
  remove_->setEnabled(idle && disks > 0);
  rename_->setEnabled(idle && disks == 1);
  // The results of a search name thumbnails an update may take away.
  update_->setEnabled(idle && disks == 1 && !context_.searching() && additions_.CanUpdateDisk());
}

void DiskActions::RemoveDisks() {
  const std::vector<int> selected = context_.selected_disks();
  if (selected.empty() || !ChangeAllowed(context_)) return;
  // The question names the selected row's disk: the last row selected may have been
  // unselected since, and must not be named for a disk that is not going.
  const QString text = selected.size() == 1
                           ? QStringLiteral("Вы действительно хотите удалить диск \r\"") +
                                 context_.disk_name(selected.front()) + QStringLiteral("\" ?")
                           : QStringLiteral("Вы действительно хотите удалить эти диски (") +
                                 QString::number(selected.size()) + QStringLiteral(" шт.) ?");
  if (context_.prompts.ConfirmYesNo(context_.window, kTitle, text) != Answer::kYes) return;
  const WaitCursor wait;
  // The disks that stay are stored in ascending name order, the order the list shows after
  // this sort; the disks a filter hides stay as well.
  const std::set<int> going(selected.begin(), selected.end());
  std::vector<int> kept;
  for (const int disk : context_.all_disks_by_name()) {
    if (!going.contains(disk)) kept.push_back(disk);
  }
  CatalogDocument& document = context_.document;
  RunGuarded(context_, [&] {
    document.ApplyChange(CopyDisks(document.Current(), kept),
                         RemoveDisksEdit(document.Index(), selected));
    if (context_.disk_rows() > 0) context_.select_row(0);
  });
}

void DiskActions::UpdateDisk() {
  const std::vector<int> selected = context_.selected_disks();
  if (selected.size() != 1 || !ChangeAllowed(context_)) return;
  additions_.UpdateDisk(selected.front());
}

void DiskActions::RenameDisk() {
  const std::vector<int> selected = context_.selected_disks();
  if (selected.size() != 1 || !ChangeAllowed(context_)) return;
  // The selected row's disk, which is not always the last one selected (see RemoveDisks).
  const int disk = selected.front();
  const QString preset = context_.disk_name(disk);
  std::string name;
  for (;;) {
    // Cancel keeps the name, and the rename still goes ahead with it.
    const QString typed = context_.prompts
                              .InputText(context_.window, QStringLiteral("Введите новое имя диска"),
                                         QStringLiteral("Новое название диска:"), preset)
                              .value_or(preset);
    if (const QString refusal = DiskNameRefusal(typed); !refusal.isEmpty()) {
      context_.prompts.Error(context_.window, kTitle, refusal);
      continue;
    }
    name = Utf8ToCp1251(typed.toStdString());
    break;
  }
  CatalogDocument& document = context_.document;
  RunGuarded(context_, [&] {
    document.ApplyChange(quorvel::RenameDisk(document.Current(), disk, name),
                         RenameDiskEdit(document.Index(), disk, name));
    context_.select_disk(disk);
  });
}

}  // namespace quorvel
