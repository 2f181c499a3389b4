#include "mainwindow/copies_page.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QStandardItemModel>
#include <QStringList>
#include <QToolButton>
#include <QTreeView>
#include <QVBoxLayout>
#include <set>

namespace quorvel {
namespace {

// Which list a row belongs to and which group or disk it stands for.
constexpr int kNumberRole = Qt::UserRole + 1;

QTreeView* MakeList(QStandardItemModel* model, const char* name, const QString& accessible_name,
                    QWidget* parent) {
  auto* list = new QTreeView(parent);
  list->setObjectName(QString::fromLatin1(name));
  list->setAccessibleName(accessible_name);
  list->setModel(model);
  list->setEditTriggers(QAbstractItemView::NoEditTriggers);
  list->setUniformRowHeights(true);
  list->setAllColumnsShowFocus(true);
  list->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
  return list;
}

QToolButton* MakeButton(QAction* action, QWidget* parent) {
  auto* button = new QToolButton(parent);
  button->setDefaultAction(action);
  button->setToolButtonStyle(Qt::ToolButtonTextOnly);
  return button;
}

}  // namespace

CopiesPage::CopiesPage(QAction* store_prints, QAction* refresh, QWidget* parent)
    : QDockWidget(QStringLiteral("Повторы"), parent) {
  setObjectName(QStringLiteral("copies_page"));
  setFeatures(QDockWidget::DockWidgetClosable | QDockWidget::DockWidgetMovable |
              QDockWidget::DockWidgetFloatable);
  auto* page = new QWidget(this);
  groups_ = new QStandardItemModel(this);
  groups_->setHorizontalHeaderLabels({QStringLiteral("Группа"), QStringLiteral("Диски")});
  disks_ = new QStandardItemModel(this);
  disks_->setHorizontalHeaderLabels({QStringLiteral("Диск"), QStringLiteral("Без повторов")});
  group_list_ = MakeList(groups_, "copy_groups", QStringLiteral("Группы повторов"), page);
  disk_list_ = MakeList(disks_, "unique_counts", QStringLiteral("Только на одном диске"), page);
  disk_list_->setRootIsDecorated(false);
  note_ = new QLabel(page);
  note_->setObjectName(QStringLiteral("copies_note"));
  note_->setWordWrap(true);
  note_->hide();

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(MakeButton(refresh, page));
  buttons->addWidget(MakeButton(store_prints, page));
  buttons->addStretch(1);
  auto* layout = new QVBoxLayout(page);
  layout->setContentsMargins(2, 2, 2, 2);
  layout->addWidget(note_);
  layout->addWidget(group_list_, 3);
  layout->addWidget(disk_list_, 1);
  layout->addLayout(buttons);
  setWidget(page);

  // A click on a row, or Enter, shows its thumbnails; moving through the rows does not, so that
  // the keys can pass over a large group without waiting for it.
  for (QTreeView* list : {group_list_, disk_list_}) {
    connect(list, &QAbstractItemView::clicked, this, &CopiesPage::RowChosen);
    connect(list, &QAbstractItemView::activated, this, &CopiesPage::RowChosen);
  }
}

void CopiesPage::ShowContent(const Content& content) {
  groups_->removeRows(0, groups_->rowCount());
  disks_->removeRows(0, disks_->rowCount());
  for (std::size_t g = 0; g < content.groups.size(); ++g) {
    const std::vector<ThumbRef>& group = content.groups[g];
    std::set<int> disks;
    for (const ThumbRef& thumb : group) disks.insert(thumb.disk);
    QStringList names;
    for (const int disk : disks) names.append(content.disk_name(disk));
    auto* row =
        new QStandardItem(QStringLiteral("Группа %1: эскизов %2").arg(g + 1).arg(group.size()));
    row->setData(static_cast<int>(g), kNumberRole);
    for (const ThumbRef& thumb : group) {
      auto* member = new QStandardItem(content.thumb_name(thumb));
      member->setData(static_cast<int>(g), kNumberRole);
      auto* disk = new QStandardItem(content.disk_name(thumb.disk));
      disk->setData(static_cast<int>(g), kNumberRole);
      row->appendRow({member, disk});
    }
    auto* disk_names = new QStandardItem(names.join(QStringLiteral(", ")));
    disk_names->setData(static_cast<int>(g), kNumberRole);
    groups_->appendRow({row, disk_names});
  }
  for (std::size_t d = 0; d < content.unique.size(); ++d) {
    auto* name = new QStandardItem(content.disk_name(static_cast<int>(d)));
    auto* count =
        new QStandardItem(QStringLiteral("Только на этом диске: %1").arg(content.unique[d].size()));
    for (QStandardItem* cell : {name, count}) cell->setData(static_cast<int>(d), kNumberRole);
    disks_->appendRow({name, count});
  }
  note_->setText(QStringLiteral("Повторов нет."));
  note_->setVisible(content.groups.empty());
}

void CopiesPage::ShowNote(const QString& note) {
  groups_->removeRows(0, groups_->rowCount());
  disks_->removeRows(0, disks_->rowCount());
  note_->setText(note);
  note_->show();
}

void CopiesPage::RowChosen(const QModelIndex& index) {
  if (!index.isValid()) return;
  const int number = index.data(kNumberRole).toInt();
  if (index.model() == groups_) {
    emit GroupChosen(number);
  } else {
    emit DiskChosen(number);
  }
}

}  // namespace quorvel
