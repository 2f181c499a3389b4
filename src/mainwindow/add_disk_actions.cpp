#include "mainwindow/add_disk_actions.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QTimer>
#include <QWidget>
#include <utility>

#include "catalog/cp1251.h"
#include "catalog/stored_path.h"
#include "mainwindow/disk_recognition.h"

namespace quorvel {

AddDiskActions::AddDiskActions(const CommandContext& context, QObject* parent)
    : QObject(parent), context_(context) {
  setObjectName(QStringLiteral("add_disk_actions"));
  add_ = MakeCommand(this, "Add", QStringLiteral("&Добавить диск"));
  settings_ = MakeCommand(this, "Settings", QStringLiteral("&Параметры"));
  connect(add_, &QAction::triggered, this, [this] {
    if (show_options_) show_options_(0, {});
  });
  connect(settings_, &QAction::triggered, this, [this] {
    if (show_options_) show_options_(1, {});
  });
  FollowState(context_, this, [this] { UpdateActions(); });
}

void AddDiskActions::UpdateActions() {
  const bool dialog = show_options_ != nullptr;  // once start-up connected it
  add_->setEnabled(!scan_running_ && context_.document.CatalogOpen() && dialog);
  settings_->setEnabled(dialog);
}

void AddDiskActions::SetShowOptions(
    std::function<void(int page, const QString& folder)> show_page) {
  show_options_ = std::move(show_page);
  UpdateActions();
}

void AddDiskActions::SetShowUpdate(
    std::function<void(int disk, const QString& folder)> show_update) {
  show_update_ = std::move(show_update);
  emit context_.state_changed->Changed();
}

void AddDiskActions::UpdateDisk(int disk) {
  if (!CanUpdateDisk()) return;
  QString folder;
  if (const std::optional<DiskLocation> location = context_.disk_location(disk)) {
    folder = InsertedFolderText(*location);
  } else {
    const QString shared = QString::fromStdString(Cp1251ToUtf8(SharedStoredFolderPath(
        context_.document.Index().Disks.at(static_cast<std::size_t>(disk)))));
    if (!shared.isEmpty() && QFileInfo(shared).isDir()) {
      folder = QDir::toNativeSeparators(QDir::cleanPath(shared));
    }
  }
  show_update_(disk, folder);
}

bool AddDiskActions::CanAddDisk() const { return add_->isEnabled(); }

void AddDiskActions::AddDiskFrom(const QString& folder) {
  if (CanAddDisk()) show_options_(0, folder);
}

void AddDiskActions::SetScanRunning(bool running, std::function<void()> stop_scan) {
  scan_running_ = running;
  stop_scan_ = std::move(stop_scan);
  emit ScanRunningChanged();
  if (!running && close_after_scan_) {
    close_after_scan_ = false;
    QTimer::singleShot(0, context_.window, &QWidget::close);
  }
}

bool AddDiskActions::HoldClose() {
  if (!scan_running_) return false;
  // The addition would otherwise go on over a window that is gone; it ends with what it has
  // captured, and the window closes then, asking about the changes as usual.
  close_after_scan_ = true;
  if (stop_scan_) stop_scan_();
  return true;
}

}  // namespace quorvel
