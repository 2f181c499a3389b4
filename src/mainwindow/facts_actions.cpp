#include "mainwindow/facts_actions.h"

#include <QAction>
#include <QFileDialog>
#include <QFileInfo>
#include <QRegularExpression>
#include <array>
#include <iostream>
#include <sstream>
#include <string_view>
#include <utility>

#include "catalog/atomic_file.h"
#include "catalog/catalog_error.h"
#include "catalog/facts_listing.h"
#include "mainwindow/catalog_file_name.h"
#include "mainwindow/thumbnail_model.h"
#include "platform/path_text.h"
#include "settings/window_layout_file.h"

namespace quorvel {
namespace {

constexpr std::array<std::string_view, kCsvColumns> kCsvHeader = {
    "Диск", "Путь", "Дата съёмки", "Камера", "Ширина", "Высота", "Размер файла"};

}  // namespace

FactsActions::FactsActions(const CommandContext& context, ThumbnailModel& thumbnail_model,
                           std::filesystem::path settings_file, QObject* parent)
    : QObject(parent),
      context_(context),
      thumbnail_model_(thumbnail_model),
      settings_file_(std::move(settings_file)) {
  setObjectName(QStringLiteral("facts_actions"));
  // A choice of how to look, not a command on the catalogue: always at hand.
  order_by_date_ = new QAction(QStringLiteral("Упорядочить по да&те съёмки"), this);
  order_by_date_->setObjectName(QStringLiteral("OrderByDate"));
  order_by_date_->setCheckable(true);
  export_list_ = MakeCommand(this, "ExportList", QStringLiteral("Экспо&рт списка (CSV)…"));
  save_dialog_ = new QFileDialog(context_.window);
  save_dialog_->setObjectName(QStringLiteral("csv_dialog"));
  save_dialog_->setNameFilter(QStringLiteral("CSV (*.csv)"));
  save_dialog_->setDefaultSuffix(QStringLiteral("csv"));
  save_dialog_->setAcceptMode(QFileDialog::AcceptSave);

  const bool by_date = ReadOrderByDate(settings_file_);
  thumbnail_model_.SetOrderByDate(by_date);
  order_by_date_->setChecked(by_date);
  connect(order_by_date_, &QAction::toggled, this, &FactsActions::SetOrderByDate);
  connect(export_list_, &QAction::triggered, this, &FactsActions::ExportList);
  FollowState(context_, this, [this] { UpdateActions(); });
}

void FactsActions::UpdateActions() {
  // While a disk is being added, nothing reads the catalogue.
  bool any = false;
  if (context_.searching()) {
    any = thumbnail_model_.rowCount() > 0;
  } else {
    const std::vector<CatInfo>& disks = context_.document.Index().Disks;
    for (const int disk : context_.selected_disks()) {
      any = any || disks.at(static_cast<std::size_t>(disk)).ThumbCount > 0;
    }
  }
  export_list_->setEnabled(!context_.scan_running() && any);
}

void FactsActions::SetOrderByDate(bool by_date) {
  thumbnail_model_.SetOrderByDate(by_date);
  try {
    WriteOrderByDate(settings_file_, by_date);
  } catch (const CatalogError& error) {
    // The view is ordered all the same; only the next start will not remember it.
    std::cerr << "quorvel: " << error.what() << '\n';
  }
}

std::vector<ThumbRef> FactsActions::ThumbsToExport() const {
  if (context_.searching()) return thumbnail_model_.Items();
  const CatalogIndex& index = context_.document.Index();
  std::vector<ThumbRef> thumbs;
  for (const int disk : context_.selected_disks()) {
    const std::int32_t count = index.Disks.at(static_cast<std::size_t>(disk)).ThumbCount;
    for (std::int32_t thumb = 0; thumb < count; ++thumb) thumbs.push_back({disk, thumb});
  }
  OrderThumbs(index, thumbnail_model_.OrdersByDate(), thumbs);
  return thumbs;
}

QString FactsActions::ProposedFileName() const {
  const std::vector<int> disks = context_.selected_disks();
  QString name =
      disks.size() == 1
          ? context_.disk_name(disks.front())
          : QFileInfo(PathToQString(context_.document.CatalogFileName())).completeBaseName();
  // A disk may be named what no file can be.
  name.replace(QRegularExpression(QStringLiteral("[\\\\/:*?\"<>|]")), QStringLiteral("_"));
  return (name.trimmed().isEmpty() ? QStringLiteral("Quorvel") : name) + QStringLiteral(".csv");
}

void FactsActions::ExportList() {
  const std::vector<ThumbRef> thumbs = ThumbsToExport();
  if (thumbs.empty()) return;
  if (const QString folder = CatalogFolder(context_.document); !folder.isEmpty()) {
    save_dialog_->setDirectory(folder);
  }
  save_dialog_->selectFile(ProposedFileName());
  const QString chosen = context_.prompts.ChooseFile(save_dialog_);
  if (chosen.isEmpty()) return;
  const WaitCursor wait;
  RunGuarded(context_, [&] {
    std::ostringstream csv;
    WriteFactsCsv(csv, context_.document.Index(), thumbs, kCsvHeader);
    const std::string bytes = std::move(csv).str();
    SaveFileAtomically(QStringToPath(chosen),
                       ByteView(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
  });
}

}  // namespace quorvel
