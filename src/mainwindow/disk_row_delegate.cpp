#include "mainwindow/disk_row_delegate.h"

namespace quorvel {

void DiskRowDelegate::initStyleOption(QStyleOptionViewItem* option,
                                      const QModelIndex& index) const {
  QStyledItemDelegate::initStyleOption(option, index);
  // Styles draw selected text in HighlightedText and the rest in Text; both are set so that
  // every style shows the same two colours.
  const QColor text =
      option->state.testFlag(QStyle::State_Selected) ? kSelectedText : kUnselectedText;
  option->palette.setColor(QPalette::Text, text);
  option->palette.setColor(QPalette::HighlightedText, text);
}

}  // namespace quorvel
