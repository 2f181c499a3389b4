// Which catalogued disks are mounted on this machine now, wherever that is: looked for when the
// catalogue is opened or changed, when the table of mounts changes and when the program becomes
// active (where the mounts cannot be watched), on a thread of its own so that a slow medium never
// holds up the window. A disk found that was not found at the look before is announced in the
// status bar, and the disk list marks the disks found.
#ifndef QUORVEL_MAINWINDOW_DISK_RECOGNITION_H_
#define QUORVEL_MAINWINDOW_DISK_RECOGNITION_H_

#include <QObject>
#include <QString>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "catalog/catalog_index.h"
#include "mainwindow/command_context.h"
#include "platform/disk_location.h"
#include "platform/mounted_folders.h"

namespace quorvel {

// Where a look finds the mounts and the disks on them. Both are called on the look's thread.
struct RecognitionSources {
  std::function<std::vector<MountedFolder>()> mounted;
  std::function<std::optional<DiskLocation>(const CatInfo& disk,
                                            const std::filesystem::path& mounted)>
      locate;
};

// The machine's own: MountedFolders and LocateDisk.
RecognitionSources MachineRecognitionSources();

// The folder a found disk is named by, in the user's separators.
QString InsertedFolderText(const DiskLocation& location);

class DiskListModel;

class DiskRecognition : public QObject {
  Q_OBJECT

 public:
  // Marks the disks found in `disks`, which must outlive this.
  DiskRecognition(const CommandContext& context, DiskListModel& disks, QObject* parent = nullptr);
  // A look still running goes on alone; its result is dropped.
  ~DiskRecognition() override;

  // Replaces where the looks search (tests), then looks again.
  void SetSources(RecognitionSources sources);

  // Where disk `disk` (an index into Disks) was found at the last look; nullopt when it was not.
  std::optional<DiskLocation> Location(int disk) const;

  // Asks for a look; one asked for while another runs is made once that one ends, however
  // often it was asked for meanwhile.
  void Look();

 private:
  struct Shared;
  // The document changed: the disks found keep their marks under their new indexes until the
  // look this starts says where they are.
  void DocumentChanged();
  void StartLook();
  // On the window's thread: the look of `generation` found `found` (one per disk).
  void LookEnded(unsigned generation, std::vector<std::optional<DiskLocation>> found);
  // Takes `found` as the disks' locations, marking in the list every disk that changed.
  void SetLocations(std::vector<std::optional<DiskLocation>> found);

  CommandContext context_;
  DiskListModel& disks_;
  int document_listener_;
  RecognitionSources sources_;
  std::shared_ptr<Shared> shared_;  // with the look's thread, which may outlive this
  MountWatch* watch_;

  std::vector<std::optional<DiskLocation>> locations_;  // per disk of the index
  // What tells the disks apart across a change: the name (1251) and the thumbnails' entries.
  struct Identity {
    std::string name;
    std::weak_ptr<const DiskThumbs> thumbs;  // the entries still in use are never another's
  };
  std::vector<Identity> identities_;  // per disk of the index
  // The disks found at the last look, by name and folder: what a new look announces is not here.
  std::set<std::pair<std::string, std::filesystem::path>> announced_;
  unsigned generation_ = 0;  // counts the document's changes; a look of an older one is dropped
  bool looking_ = false;
  bool look_again_ = false;
};

}  // namespace quorvel

#endif  // QUORVEL_MAINWINDOW_DISK_RECOGNITION_H_
