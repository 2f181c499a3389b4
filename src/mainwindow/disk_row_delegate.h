// The disk list's row colours: black text on selected rows, silver on the others, over the
// list's own background.
#ifndef QUORVEL_MAINWINDOW_DISK_ROW_DELEGATE_H_
#define QUORVEL_MAINWINDOW_DISK_ROW_DELEGATE_H_

#include <QColor>
#include <QStyledItemDelegate>

namespace quorvel {

class DiskRowDelegate : public QStyledItemDelegate {
 public:
  static constexpr QRgb kSelectedText = qRgb(0, 0, 0);
  static constexpr QRgb kUnselectedText = qRgb(192, 192, 192);

  using QStyledItemDelegate::QStyledItemDelegate;

 protected:
  void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;
};

}  // namespace quorvel

#endif  // QUORVEL_MAINWINDOW_DISK_ROW_DELEGATE_H_
