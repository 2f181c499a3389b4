#include "app/startup.h"

#include <QApplication>
#include <QTimer>
#include <iostream>
#include <string>
#include <utility>

#include "adddisk/add_disk_page.h"
#include "adddisk/options_dialog.h"
#include "catalog/catalog_document.h"
#include "mainwindow/main_window.h"
#include "scan/thumbnail_pipeline.h"
#include "settings/settings_state.h"

namespace quorvel {

std::unique_ptr<ThumbnailPipeline> CreateThumbnailPipeline(
    const std::function<QList<QByteArray>()>& image_formats, UserPrompts& prompts) {
  const QList<QByteArray> formats = image_formats();
  QStringList missing;
  for (const char* needed : {"jpeg", "png"}) {
    if (!formats.contains(QByteArray(needed))) missing.append(QString::fromLatin1(needed));
  }
  if (!missing.isEmpty()) {
    prompts.Error(
        nullptr, QStringLiteral("Quorvel"),
        QStringLiteral("Не найдены модули чтения изображений: ") +
            missing.join(QStringLiteral(", ")) +
            QStringLiteral("\rповторная установка приложения может решить эту проблему."));
    return nullptr;
  }
  return std::make_unique<ThumbnailPipeline>();
}

OptionsDialogLinks DialogLinks(CatalogDocument& document, MainWindow& window) {
  OptionsDialogLinks links;
  links.catalog_open = [&document] { return document.CatalogOpen(); };
  links.open_dialog = window.OpenCatalogDialog();
  links.add_disk.document = &document;
  links.add_disk.disk_added = [&window] { window.ShowAddedDisk(); };
  links.add_disk.disk_updated = [&window](int disk) { window.ShowUpdatedDisk(disk); };
  links.add_disk.scan_running = [&window](bool running, std::function<void()> stop) {
    window.SetScanRunning(running, std::move(stop));
  };
  return links;
}

void ConnectDialog(MainWindow& window, OptionsDialog& dialog) {
  window.SetShowOptions(
      [&dialog](int page, const QString& folder) { dialog.ShowPage(page, folder); });
  window.SetShowUpdate(
      [&dialog](int disk, const QString& folder) { dialog.ShowUpdate(disk, folder); });
}

int RunQuorvel(const StartupOptions& options, UserPrompts& prompts) {
  const auto trace = [&](const char* step) {
    if (options.trace) options.trace(QString::fromLatin1(step));
  };
  std::unique_ptr<ThumbnailPipeline> pipeline =
      CreateThumbnailPipeline(options.image_formats, prompts);
  if (!pipeline) {
    trace("no renderer");
    return 1;
  }
  trace("renderer");

  // Declared in the order of creation, so that they are destroyed in the reverse order: the
  // dialog writes its settings first, then the main window the catalogue to open next time.
  auto splash = std::make_unique<SplashWindow>(options.association);
  trace("splash");
  SettingsState settings(options.settings, options.first_folder);
  CatalogDocument document;
  MainWindow window(document, prompts, options.settings.ini_file, settings.opening());
  window.OpenStartupCatalog(options.catalogue_argument);
  splash.reset();
  trace("splash closed");
  window.show();
  trace("main window");

  OptionsDialog dialog(settings, prompts, DialogLinks(document, window), &window);
  dialog.add_disk_page()->SetPipeline(std::move(pipeline));
  ConnectDialog(window, dialog);
  trace("dialog");

  if (options.running) QTimer::singleShot(0, &window, [&] { options.running(&window); });
  const int status = QApplication::exec();
  trace("event loop ended");
  return status;
}

}  // namespace quorvel
