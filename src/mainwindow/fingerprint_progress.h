// Computing a catalogue's missing fingerprints while the window stays alive: the work runs on
// worker threads, and a dialog over the window shows how far it got and offers to stop it.
#ifndef QUORVEL_MAINWINDOW_FINGERPRINT_PROGRESS_H_
#define QUORVEL_MAINWINDOW_FINGERPRINT_PROGRESS_H_

#include "catalog/catalog_fingerprints.h"
#include "catalog/catalog_version.h"

class QWidget;

namespace quorvel {

// Makes `prints` know every fingerprint of `version`. When some are missing, a window-modal
// dialog over `window` shows the progress with "Отмена" until they are computed. False when the
// user cancelled: the caller then shows nothing. Throws as CatalogFingerprints::Update does.
bool ComputeFingerprints(QWidget* window, CatalogFingerprints& prints,
                         const CatalogVersion& version);

}  // namespace quorvel

#endif  // QUORVEL_MAINWINDOW_FINGERPRINT_PROGRESS_H_
