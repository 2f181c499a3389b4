#include "mainwindow/disk_recognition.h"

#include <QDir>
#include <QGuiApplication>
#include <QMetaObject>
#include <QStringList>
#include <cstddef>
#include <exception>
#include <iostream>
#include <mutex>
#include <thread>

#include "catalog/cp1251.h"
#include "mainwindow/disk_list_model.h"
#include "platform/path_text.h"

namespace quorvel {

// What the look's thread shares with the handler: the handler may be gone when it ends.
struct DiskRecognition::Shared {
  std::mutex mutex;
  DiskRecognition* owner = nullptr;  // null once the handler is destroyed
};

RecognitionSources MachineRecognitionSources() {
  return {[] { return MountedFolders(); },
          [](const CatInfo& disk, const std::filesystem::path& mounted) {
            return LocateDisk(disk, mounted);
          }};
}

QString InsertedFolderText(const DiskLocation& location) {
  return QDir::toNativeSeparators(PathToQString(location.update_folder));
}

DiskRecognition::DiskRecognition(const CommandContext& context, DiskListModel& disks,
                                 QObject* parent)
    : QObject(parent),
      context_(context),
      disks_(disks),
      sources_(MachineRecognitionSources()),
      shared_(std::make_shared<Shared>()) {
  setObjectName(QStringLiteral("disk_recognition"));
  shared_->owner = this;
  document_listener_ = context_.document.AddListener([this](DocumentChange change) {
    // A save or a new name leaves the disks as they were.
    if (change == DocumentChange::kSaved || change == DocumentChange::kCreated) return;
    // A catalogue opened after this one announces its disks afresh.
    if (change == DocumentChange::kClosed) announced_.clear();
    DocumentChanged();
  });
  watch_ = new MountWatch(this);
  connect(watch_, &MountWatch::Changed, this, &DiskRecognition::Look);
  // Where the mounts cannot be watched, coming back to the program is the next reason to look:
  // the user may have inserted the disk meanwhile.
  if (auto* application = qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
    connect(application, &QGuiApplication::applicationStateChanged, this,
            [this](Qt::ApplicationState state) {
              if (state == Qt::ApplicationActive) Look();
            });
  }
  DocumentChanged();
}

DiskRecognition::~DiskRecognition() {
  context_.document.RemoveListener(document_listener_);
  const std::lock_guard lock(shared_->mutex);
  shared_->owner = nullptr;
}

void DiskRecognition::SetSources(RecognitionSources sources) {
  sources_ = std::move(sources);
  // What the old sources found does not count as found by these.
  ++generation_;
  Look();
}

std::optional<DiskLocation> DiskRecognition::Location(int disk) const {
  if (disk < 0 || static_cast<std::size_t>(disk) >= locations_.size()) return std::nullopt;
  return locations_[static_cast<std::size_t>(disk)];
}

void DiskRecognition::Look() {
  if (looking_) {
    look_again_ = true;
    return;
  }
  StartLook();
}

void DiskRecognition::DocumentChanged() {
  ++generation_;
  // The list was reloaded without marks; the disks found keep theirs until the look says where
  // they are. A disk is the same one when it shares its thumbnails' entries (a rename, another
  // disk removed), else when it has the same name (the catalogue read again).
  const std::vector<std::optional<DiskLocation>> before = std::exchange(locations_, {});
  const std::vector<Identity> identities_before = std::exchange(identities_, {});
  std::vector<std::size_t> found_before;  // usually a handful of the disks
  for (std::size_t b = 0; b < before.size(); ++b) {
    if (before[b]) found_before.push_back(b);
  }
  const std::vector<CatInfo>& disks = context_.document.Index().Disks;
  locations_.resize(disks.size());
  std::vector<std::optional<DiskLocation>> kept(disks.size());
  for (std::size_t d = 0; d < disks.size(); ++d) {
    identities_.push_back({disks[d].Name, disks[d].Storage});
    for (const std::size_t b : found_before) {
      const Identity& old = identities_before[b];
      const std::shared_ptr<const DiskThumbs> thumbs = old.thumbs.lock();
      if ((thumbs && thumbs == disks[d].Storage) || old.name == disks[d].Name) {
        kept[d] = before[b];
        break;
      }
    }
    // Renamed, it is still the disk the user was told of.
    if (kept[d]) announced_.emplace(disks[d].Name, kept[d]->update_folder);
  }
  SetLocations(std::move(kept));
  Look();
}

void DiskRecognition::StartLook() {
  const CatalogDocument& document = context_.document;
  if (!document.CatalogOpen() || document.Index().Disks.empty()) return;
  looking_ = true;
  // A copy of the disks shares their thumbnails' entries: the document may change meanwhile.
  std::thread([disks = document.Index().Disks, sources = sources_, generation = generation_,
               shared = shared_] {
    std::vector<std::optional<DiskLocation>> found(disks.size());
    try {
      const std::vector<MountedFolder> mounts = sources.mounted();
      for (std::size_t d = 0; d < disks.size(); ++d) {
        for (const MountedFolder& mount : mounts) {
          found[d] = sources.locate(disks[d], mount.folder);
          if (found[d]) break;
        }
      }
    } catch (const std::exception& error) {
      // A mount table that cannot be read, or a medium that fails, hides its disks until the
      // next look; the window has nothing to tell the user of it.
      std::cerr << "quorvel: looking for catalogued disks failed: " << error.what() << '\n';
    }
    const std::lock_guard lock(shared->mutex);
    // Posted to the handler, the call is dropped with it should it go before the call runs.
    if (DiskRecognition* owner = shared->owner) {
      QMetaObject::invokeMethod(
          owner,
          [owner, generation, found = std::move(found)]() mutable {
            owner->LookEnded(generation, std::move(found));
          },
          Qt::QueuedConnection);
    }
  }).detach();
}

void DiskRecognition::LookEnded(unsigned generation,
                                std::vector<std::optional<DiskLocation>> found) {
  looking_ = false;
  if (generation == generation_ && found.size() == identities_.size()) {
    QStringList news;
    std::set<std::pair<std::string, std::filesystem::path>> announced;
    for (std::size_t d = 0; d < found.size(); ++d) {
      if (!found[d]) continue;
      auto key = std::pair(identities_[d].name, found[d]->update_folder);
      if (!announced_.contains(key)) {
        news.append(QStringLiteral("Диск \"%1\" вставлен: %2")
                        .arg(QString::fromStdString(Cp1251ToUtf8(identities_[d].name)),
                             InsertedFolderText(*found[d])));
      }
      announced.insert(std::move(key));
    }
    announced_ = std::move(announced);
    SetLocations(std::move(found));
    // The status bar has one line: disks inserted together are named on it together.
    if (!news.isEmpty()) context_.note(news.join(QStringLiteral("  ")));
  }
  if (look_again_) {
    look_again_ = false;
    StartLook();
  }
}

void DiskRecognition::SetLocations(std::vector<std::optional<DiskLocation>> found) {
  // Only the rows whose mark changes are repainted.
  for (std::size_t d = 0; d < found.size() && d < locations_.size(); ++d) {
    if (found[d] == locations_[d]) continue;
    disks_.MarkInserted(static_cast<int>(d), found[d] ? InsertedFolderText(*found[d]) : QString());
  }
  locations_ = std::move(found);
}

}  // namespace quorvel
