// The walk of the folder being added: the files the pipeline can render and the exclusion list
// lets through, in the order the system lists them, each folder before its sub-folders.
#ifndef QUORVEL_SCAN_FIND_IMAGES_H_
#define QUORVEL_SCAN_FIND_IMAGES_H_

#include <QString>

#include "scan/scan_state.h"
#include "scan/scan_view.h"

namespace quorvel {

class ThumbnailPipeline;

// `folder` as an absolute, clean path in the platform's separators, without a trailing one
// unless it is a root: the base of every full path the walk collects.
QString ScanRoot(const QString& folder);

// Walks `state.ScanFolder` (and, with IncludeSubfolders, every folder below it, each once even
// when links lead back to it) and appends the full paths of the images it finds to
// `context.FoundFiles`. Only names are looked at; no file is opened. A sub-folder that cannot
// be entered is added to `context.NotEntered` and starts a wait with the red skip button (when
// someone can press it), after which the walk goes on. Throws
// ScanError when the folder itself cannot be listed or a wait's time-out text is no number.
// Stops examining files, and descending, once ScanActive is false.
void FindImages(ScanContext& context, ScanState& state, ScanView& view,
                const ThumbnailPipeline& thumbs);

}  // namespace quorvel

#endif  // QUORVEL_SCAN_FIND_IMAGES_H_
