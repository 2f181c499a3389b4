#include "scan/find_images.h"

#include <QDir>
#include <filesystem>
#include <set>
#include <system_error>
#include <utility>

#include "catalog/cp1251.h"
#include "platform/path_text.h"
#include "scan/scan_rules.h"
#include "scan/thumbnail_pipeline.h"

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace quorvel {
namespace {

namespace fs = std::filesystem;

const QString kSearchingIn = QStringLiteral("Поиск изображений в: ");
// The sub-folder failure names the folder right after the colon.
const QString kCannotSearch = QStringLiteral("Поиск изображений в:");
const QString kLinkMarker = QStringLiteral(".lnk");

// What tells one folder from another whatever the path that reaches it.
#ifdef _WIN32
using FolderId = std::wstring;
bool IdentifyFolder(const fs::path& folder, FolderId* id) {
  std::error_code ec;
  const fs::path canonical = fs::canonical(folder, ec);
  if (ec) return false;
  *id = canonical.native();
  return true;
}
#else
using FolderId = std::pair<dev_t, ino_t>;
bool IdentifyFolder(const fs::path& folder, FolderId* id) {
  struct stat info {};
  if (::stat(folder.c_str(), &info) != 0) return false;
  *id = {info.st_dev, info.st_ino};
  return true;
}
#endif

class Walk {
 public:
  Walk(ScanContext& context, ScanState& state, ScanView& view, const ThumbnailPipeline& thumbs)
      : context_(context), state_(state), view_(view), thumbs_(thumbs) {}

  // Walks `folder` (shown as `text`); throws ScanError when it cannot be listed.
  void Folder(const fs::path& folder, const QString& text);

 private:
  void Files(const fs::path& folder, const QString& prefix);
  void Subfolders(const fs::path& folder, const QString& prefix);
  void WaitAfterFailure(const QString& subfolder_text);

  ScanContext& context_;
  ScanState& state_;
  ScanView& view_;
  const ThumbnailPipeline& thumbs_;
  std::set<FolderId> walked_;
};

// Calls `visit` for each entry of `folder` in the system's order until it returns false. Throws
// ScanError when the folder cannot be opened; a listing that fails midway just ends.
template <typename Visit>
void ForEachEntry(const fs::path& folder, const QString& text, Visit visit) {
  std::error_code ec;
  fs::directory_iterator entry(folder, ec);
  if (ec) {
    throw ScanError("Cannot list folder \"" + text.toStdString() + "\": " + ec.message(),
                    ErrorKind::kFileAccess, folder);
  }
  for (; !ec && entry != fs::directory_iterator(); entry.increment(ec)) {
    if (!visit(*entry)) return;
  }
}

void Walk::Folder(const fs::path& folder, const QString& text) {
  FolderId id;
  if (IdentifyFolder(folder, &id) && !walked_.insert(id).second) return;
  const QString prefix = text.endsWith(QDir::separator()) ? text : text + QDir::separator();
  Files(folder, prefix);
  if (state_.IncludeSubfolders) Subfolders(folder, prefix);
}

void Walk::Files(const fs::path& folder, const QString& prefix) {
  ForEachEntry(folder, prefix, [&](const fs::directory_entry& entry) {
    std::error_code ec;
    if (entry.is_directory(ec)) return true;
    if (!state_.ScanActive) return false;
    // A FIFO, socket or device named like a picture would block the read that renders it. Told
    // by the listing's type or a stat, never by opening; a link counts as what it leads to.
    if (!entry.is_regular_file(ec)) return true;
    const QString name = PathToQString(entry.path().filename());
    if (name.contains(kLinkMarker)) return true;
    const QString path = prefix + name;
    if (!thumbs_.CanShow(path)) return true;
    view_.SetStatusLine(kSearchingIn + prefix);
    if (!IsExcluded(FileNameToCp1251(PathBytes(name)), view_.ExcludedEndings())) {
      context_.FoundFiles.append(path);
      ++context_.FoundCount;
      view_.SetCounterLine(QStringLiteral("Найдено %1 изображений.").arg(context_.FoundCount));
    }
    return true;
  });
}

void Walk::Subfolders(const fs::path& folder, const QString& prefix) {
  ForEachEntry(folder, prefix, [&](const fs::directory_entry& entry) {
    // After "Отмена" nothing more would be collected: going on listing would only cost time.
    if (!state_.ScanActive) return false;
    std::error_code ec;
    if (!entry.is_directory(ec)) return true;
    const QString text = prefix + PathToQString(entry.path().filename());
    try {
      Folder(entry.path(), text);
    } catch (const ScanError&) {
      WaitAfterFailure(text);
    }
    return true;
  });
}

void Walk::WaitAfterFailure(const QString& subfolder_text) {
  context_.NotEntered.append(subfolder_text);
  if (!view_.PersonCanSkip()) return;
  view_.SetWaiting(true);
  view_.SetStatusLine(kCannotSearch + subfolder_text);
  state_.SkipRequested = false;
  context_.WaitSteps = 0;
  ScanWait(view_, state_, context_, [] { return false; });
  view_.SetWaiting(false);
}

}  // namespace

QString ScanRoot(const QString& folder) {
  // By the standard library rather than QDir, which would lose the bytes of a name that is not
  // UTF-8.
  std::error_code ec;
  fs::path root = fs::absolute(QStringToPath(folder), ec).lexically_normal();
  if (!root.has_filename() && root.has_relative_path()) root = root.parent_path();
  return QDir::toNativeSeparators(PathToQString(root));
}

void FindImages(ScanContext& context, ScanState& state, ScanView& view,
                const ThumbnailPipeline& thumbs) {
  const QString root = ScanRoot(state.ScanFolder);
  Walk(context, state, view, thumbs).Folder(QStringToPath(root), root);
}

}  // namespace quorvel
