#include "qrvtool.h"

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>

#include "catalog/atomic_file.h"
#include "catalog/catalog_check.h"
#include "catalog/catalog_edits.h"
#include "catalog/catalog_error.h"
#include "catalog/catalog_fingerprints.h"
#include "catalog/catalog_index.h"
#include "catalog/catalog_lock.h"
#include "catalog/catalog_repair.h"
#include "catalog/catalog_search.h"
#include "catalog/cp1251.h"
#include "catalog/facts_listing.h"
#include "catalog/folder_writer.h"
#include "catalog/lookalike_index.h"
#include "catalog/picture_facts.h"
#include "catalog/stream.h"

namespace quorvel::qrvtool {
namespace {

namespace fs = std::filesystem;

constexpr char kUsage[] =
    "usage: qrvtool list CATALOG\n"
    "       qrvtool thumbs CATALOG DISK\n"
    "       qrvtool check CATALOG\n"
    "       qrvtool extract CATALOG DISK FOLDER\n"
    "       qrvtool rename CATALOG DISK NAME\n"
    "       qrvtool remove CATALOG DISK...\n"
    "       qrvtool remove-thumbs CATALOG DISK INDEX...\n"
    "       qrvtool import CATALOG OTHER\n"
    "       qrvtool export CATALOG TARGET DISK...\n"
    "       qrvtool repair CATALOG TARGET\n"
    "       qrvtool search CATALOG QUERY [--count]\n"
    "       qrvtool facts CATALOG DISK\n"
    "       qrvtool csv CATALOG [QUERY]\n"
    "       qrvtool similar CATALOG DISK INDEX [--max N]\n"
    "       qrvtool duplicates CATALOG [--unique]\n"
    "       qrvtool add CATALOG FOLDER NAME [OPTION]...\n"
    "       qrvtool update CATALOG DISK FOLDER [OPTION]...\n"
    "       qrvtool formats\n"
    "DISK is a 1-based disk number, as `qrvtool list` prints it; INDEX a 1-based thumbnail\n"
    "index, as `qrvtool thumbs` prints it. Every change is saved at once, replacing the file\n"
    "only when the whole catalogue is written. A catalogue whose records do not fit together\n"
    "is damaged: every command but `repair` refuses it, and `repair` writes what can be read\n"
    "of it to TARGET. A thumbnail whose JPEG lacks FF D8 ... FF D9 is a bad picture: `check`\n"
    "reports it, every other command keeps it as it is. In names, a tab, a line break and a\n"
    "backslash print as \\t, \\n (\\r) and \\\\.\n"
    "`search` prints the thumbnails of every disk whose disk name or image path holds every\n"
    "word of QUERY, one line each: DISK, INDEX, disk name, image path; with --count, only how\n"
    "many. Case does not matter; \"a phrase\" is one word; -word must not occur; * stands for\n"
    "any run of characters and ? for one. A word may ask for a fact of the picture instead:\n"
    "date:2019, date:2019-07, date:2019-07-01, date:2019-07-01..2019-08-15 (days inclusive;\n"
    "either end may be a year or a month, or left open: date:2019..), camera:canon or\n"
    "camera:\"eos 70d\" (in the camera's make and model), type:video, type:raw, type:heic\n"
    "(HEIC and HEIF), type:avif (by the file's extension), gps:yes (a position is known); also\n"
    "дата:, камера:, тип:видео, место:есть. -date:2019 excludes. A picture whose fact is unknown\n"
    "matches no such word and is excluded by none; a value that means nothing (date:july)\n"
    "matches nothing. Finding nothing is no error.\n"
    "`facts` prints one line per thumbnail of DISK: INDEX, date taken, make, model, width,\n"
    "height, file size in bytes, modification time (UTC), image path; dates as\n"
    "2019-07-12T14:03:00, an unknown fact as an empty field.\n"
    "`csv` writes CSV (UTF-8 with a byte-order mark, CR LF) of every thumbnail, or of those that\n"
    "QUERY finds: disk, path, date taken, camera, width, height, file size.\n"
    "`formats` prints each file name extension whose files `add` catalogues, one a line, with\n"
    "the library that reads them.\n"
    "`update` walks FOLDER again for disk DISK, which keeps its name and place: files\n"
    "of the same path below the folder, size and modification time keep their thumbnails\n"
    "without being read, new and changed ones are added, those gone are removed. It takes the\n"
    "options of `add` and prints found, new, changed, removed, unchanged and without_facts\n"
    "(thumbnails that stored no size and time, made again). `add`, `update` and `formats` are\n"
    "there in the build with Qt only.\n";

// The usage with what makes two pictures alike, told by the thresholds the program uses.
std::string Usage() {
  return std::string(kUsage) +
         "`similar` prints the thumbnails that look like thumbnail INDEX of DISK (itself among\n"
         "them), the most alike first (equal distances in catalogue order), one line each:\n"
         "distance, DISK, INDEX, disk name, image path; with --max, at most N of them.\n"
         "`duplicates` prints the groups of copies of one picture, one line per\n"
         "thumbnail: group number, DISK, INDEX, disk name, image path; with --unique instead\n"
         "each disk's thumbnails that have no copy on another disk: DISK, INDEX, disk name, image\n"
         "path. Both compare 128-bit fingerprints of the thumbnails' pictures, read from the\n"
         "thumbnails or computed from their pixels (the catalogue is not changed). The\n"
         "distance is how many of the bits differ: two thumbnails are alike within " +
         std::to_string(kLookAlikeDistance) + ", and copies within\n" +
         std::to_string(kCopyDistance) + " when at most " + std::to_string(kCopyShapeDistance) +
         " of them lie in the 64 bits of the picture's coarse layout;\n"
         "a copy of a copy is in the same group. A blank picture or one that does not decode has\n"
         "no fingerprint and is in no list.\n";
}

struct UsageError {
  std::string message;
};

// A command that cannot go on; its message is printed and the run exits with this status.
struct Failure {
  int status;
  std::string message;
};

using Loaded = CatalogVersion;

// Opens and indexes a catalogue as the window does (its thumbnails' bytes stay in the file until
// they are wanted), refusing anything that is not a whole, well-formed one: the listing commands
// must not present a partial reading as the catalogue's content.
Loaded LoadCatalog(const std::string& path) {
  Loaded loaded;
  try {
    loaded = VersionOfFile(path);
  } catch (const CatalogError& e) {
    throw Failure{kExitBadCatalog, e.what()};
  }
  if (loaded.index.Damage) {
    throw Failure{kExitBadCatalog, path + ": damaged at offset " +
                                       std::to_string(loaded.index.Damage->offset) + ": " +
                                       loaded.index.Damage->reason};
  }
  return loaded;
}

// A 1-based number from the command line, at most `limit`, as a 0-based index.
int Number(const std::string& text, std::size_t limit, const char* what, const char* of_what) {
  std::size_t number = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), number);
  if (ec != std::errc() || end != text.data() + text.size() || number == 0) {
    throw UsageError{std::string(what) + " must be a number from 1 on, not \"" + text + "\""};
  }
  if (number > limit) {
    throw Failure{kExitBadCatalog, std::string(of_what) + " has " + std::to_string(limit) +
                                       "; there is no " + what + " " + text};
  }
  return static_cast<int>(number - 1);
}

int DiskIndex(const Loaded& loaded, const std::string& text) {
  return Number(text, loaded.index.Disks.size(), "DISK", "the catalogue");
}

const CatInfo& DiskByNumber(const Loaded& loaded, const std::string& text) {
  return loaded.index.Disks[static_cast<std::size_t>(DiskIndex(loaded, text))];
}

// The lock a changing command holds from reading the catalogue to writing it back, so that
// another program's change made in between is never overwritten.
std::unique_ptr<CatalogLock> LockCatalog(const std::string& path) {
  try {
    return std::make_unique<CatalogLock>(path);
  } catch (const CatalogBusyError&) {
    throw Failure{kExitBadCatalog, path + ": " + kBusyMessage};
  } catch (const CatalogError& e) {
    throw Failure{kExitBadCatalog, e.what()};
  }
}

void SaveCatalog(const std::string& path, const CatalogVersion& version) {
  try {
    SaveVersion(path, version);
  } catch (const CatalogError& e) {
    throw Failure{kExitBadCatalog, e.what()};
  }
}

// Runs a reading or a change of a catalogue, turning a refusal into a message.
template <typename Change>
auto Edit(Change change) -> decltype(change()) {
  try {
    return change();
  } catch (const CatalogError& e) {
    throw Failure{kExitBadCatalog, e.what()};
  }
}

// UTF-8 text as one tab-separated field of one line: the characters that would end the field or
// the line are escaped, and so is the escape character itself.
std::string Escaped(std::string_view utf8) {
  std::string field;
  for (const char c : utf8) {
    switch (c) {
      case '\\':
        field += "\\\\";
        break;
      case '\t':
        field += "\\t";
        break;
      case '\n':
        field += "\\n";
        break;
      case '\r':
        field += "\\r";
        break;
      default:
        field += c;
    }
  }
  return field;
}

// A stored name as one field.
std::string Field(std::string_view cp1251) { return Escaped(Cp1251ToUtf8(cp1251)); }

// DISK, INDEX, disk name and image path of a thumbnail, as fields.
std::string ThumbFields(const Loaded& loaded, const ThumbRef& ref) {
  const CatInfo& disk = loaded.index.Disks[static_cast<std::size_t>(ref.disk)];
  return std::to_string(ref.disk + 1) + '\t' + std::to_string(ref.thumb + 1) + '\t' +
         Field(disk.Name) + '\t' + Field(disk.Thumbs[static_cast<std::size_t>(ref.thumb)].Name());
}

int List(const std::vector<std::string>& args, std::ostream& out) {
  const Loaded loaded = LoadCatalog(args[0]);
  for (std::size_t i = 0; i < loaded.index.Disks.size(); ++i) {
    const CatInfo& disk = loaded.index.Disks[i];
    out << i + 1 << '\t' << disk.ThumbCount << '\t' << Field(disk.Name) << '\n';
  }
  return kExitOk;
}

int Thumbs(const std::vector<std::string>& args, std::ostream& out) {
  const Loaded loaded = LoadCatalog(args[0]);
  const CatInfo& disk = DiskByNumber(loaded, args[1]);
  for (std::size_t j = 0; j < disk.Thumbs.size(); ++j) {
    const Disc& thumb = disk.Thumbs[j];
    out << j + 1 << '\t' << thumb.JpegSize << '\t' << disk.JpegPos(thumb) << '\t'
        << Field(thumb.Name()) << '\n';
  }
  return kExitOk;
}

int Check(const std::vector<std::string>& args, std::ostream& out) {
  const CheckResult result = CheckCatalog(Edit([&] { return VersionOfFile(args[0]); }).index);
  if (!result.ok()) {
    throw Failure{kExitBadCatalog, "offset " + std::to_string(result.violation->offset) + ": " +
                                       result.violation->reason};
  }
  out << "ok\t" << result.disk_count << '\t' << result.thumb_count << '\n';
  return kExitOk;
}

int Extract(const std::vector<std::string>& args, std::ostream& out) {
  const Loaded loaded = LoadCatalog(args[0]);
  const CatInfo& disk = DiskByNumber(loaded, args[1]);
  const int disk_index = DiskIndex(loaded, args[1]);
  std::vector<ThumbRef> thumbs;
  for (std::int32_t j = 0; j < disk.ThumbCount; ++j) thumbs.push_back({disk_index, j});
  FolderWriteResult result;
  try {
    FolderWriter folder(args[2]);
    result = folder.WriteThumbnails(loaded, thumbs);
  } catch (const CatalogError& e) {
    throw Failure{kExitBadCatalog, e.what()};
  }
  for (const fs::path& path : result.written) out << path.string() << '\n';
  if (result.unwritten.empty()) return kExitOk;
  // One line each, every line as Run prints a failure, so that each can be read on its own.
  std::string message;
  for (const UnwrittenThumbnail& file : result.unwritten) {
    if (!message.empty()) message += "\nqrvtool: ";
    message += CannotCreateFile(file.path, file.reason).what();
  }
  throw Failure{kExitBadCatalog, message};
}

int Rename(const std::vector<std::string>& args, std::ostream&) {
  const auto lock = LockCatalog(args[0]);
  const Loaded loaded = LoadCatalog(args[0]);
  const int disk = DiskIndex(loaded, args[1]);
  if (const std::string lost = CharactersNotInCp1251(args[2]); !lost.empty()) {
    throw Failure{kExitBadCatalog, "NAME holds characters that Windows-1251 cannot store: " + lost};
  }
  const std::string name = Utf8ToCp1251(args[2]);
  SaveCatalog(args[0], Edit([&] { return RenameDisk(loaded, disk, name); }));
  return kExitOk;
}

int Remove(const std::vector<std::string>& args, std::ostream&) {
  const auto lock = LockCatalog(args[0]);
  const Loaded loaded = LoadCatalog(args[0]);
  std::vector<bool> removed(loaded.index.Disks.size(), false);
  for (std::size_t k = 1; k < args.size(); ++k) removed[DiskIndex(loaded, args[k])] = true;
  // The disks that stay are stored in ascending order of their names' bytes, as the window
  // stores them.
  std::vector<int> kept;
  for (std::size_t d = 0; d < removed.size(); ++d) {
    if (!removed[d]) kept.push_back(static_cast<int>(d));
  }
  std::stable_sort(kept.begin(), kept.end(), [&](int a, int b) {
    return loaded.index.Disks[a].Name < loaded.index.Disks[b].Name;
  });
  SaveCatalog(args[0], Edit([&] { return CopyDisks(loaded, kept); }));
  return kExitOk;
}

int RemoveThumbnails(const std::vector<std::string>& args, std::ostream&) {
  const auto lock = LockCatalog(args[0]);
  const Loaded loaded = LoadCatalog(args[0]);
  const int disk = DiskIndex(loaded, args[1]);
  const std::size_t thumbs = loaded.index.Disks[static_cast<std::size_t>(disk)].Thumbs.size();
  std::vector<ThumbRef> removed;
  for (std::size_t k = 2; k < args.size(); ++k) {
    removed.push_back({disk, Number(args[k], thumbs, "INDEX", "the disk")});
  }
  SaveCatalog(args[0], Edit([&] { return RemoveThumbs(loaded, removed); }));
  return kExitOk;
}

int Import(const std::vector<std::string>& args, std::ostream&) {
  const auto lock = LockCatalog(args[0]);
  const Loaded loaded = LoadCatalog(args[0]);
  const CatalogVersion other = Edit([&] { return VersionOfFile(args[1]); });
  SaveCatalog(args[0], Edit([&] { return ImportCatalog(loaded, other); }));
  return kExitOk;
}

int Export(const std::vector<std::string>& args, std::ostream&) {
  const auto lock = LockCatalog(args[1]);
  const Loaded loaded = LoadCatalog(args[0]);
  std::vector<int> chosen;
  for (std::size_t k = 2; k < args.size(); ++k) chosen.push_back(DiskIndex(loaded, args[k]));
  bool every_disk_in_order = chosen.size() == loaded.index.Disks.size();
  for (std::size_t k = 0; every_disk_in_order && k < chosen.size(); ++k) {
    every_disk_in_order = chosen[k] == static_cast<int>(k);
  }
  // Every disk in stored order is the catalogue itself, byte for byte.
  SaveCatalog(args[1], every_disk_in_order ? loaded : Edit([&] {
                return CopyDisks(loaded, chosen);
              }));
  return kExitOk;
}

int Repair(const std::vector<std::string>& args, std::ostream& out) {
  const Bytes stream = Edit([&] { return LoadFile(args[0]); });
  std::error_code ec;
  if (fs::equivalent(args[0], args[1], ec)) {
    throw Failure{kExitUsage,
                  "TARGET is CATALOG itself; the damaged file is kept as it is, so "
                  "name another file"};
  }
  const auto lock = LockCatalog(args[1]);
  CatalogRepair repair;
  try {
    repair = RepairCatalog(stream);
  } catch (const CatalogError& e) {
    throw Failure{kExitBadCatalog, args[0] + ": " + e.what()};
  }
  SaveCatalog(args[1], Edit([&] { return VersionOfBytes(std::move(repair.catalog)); }));
  if (!repair.damaged) out << "not-damaged\n";
  for (std::size_t d = 0; d < repair.disks.size(); ++d) {
    const RepairedDisk& disk = repair.disks[d];
    out << "kept\t" << d + 1 << '\t' << disk.thumbs_kept << '\t' << Field(disk.name) << '\n';
    if (disk.thumbs_declared > disk.thumbs_kept) {
      out << "dropped-thumbs\t" << d + 1 << '\t' << disk.thumbs_declared - disk.thumbs_kept << '\n';
    }
  }
  const auto kept_disks = static_cast<std::int64_t>(repair.disks.size());
  if (repair.declared_disks > kept_disks) {
    out << "dropped-disks\t" << repair.declared_disks - kept_disks << '\n';
  }
  for (const DroppedBytes& range : repair.dropped) {
    out << "dropped-bytes\t" << range.offset << '\t' << range.length << '\t' << range.reason
        << '\n';
  }
  return kExitOk;
}

int Search(const std::vector<std::string>& args, std::ostream& out) {
  std::vector<std::string> operands;
  bool count_only = false;
  for (const std::string& arg : args) {
    if (arg == "--count") {
      count_only = true;
    } else {
      operands.push_back(arg);
    }
  }
  if (operands.size() != 2) throw UsageError{"\"search\" takes CATALOG and one QUERY"};
  const Loaded loaded = LoadCatalog(operands[0]);
  const std::vector<ThumbRef> found = CatalogSearch(loaded.index)
                                          .Find(SearchQuery::Parse(operands[1]), loaded.index);
  if (count_only) {
    out << found.size() << '\n';
    return kExitOk;
  }
  for (const ThumbRef& ref : found) out << ThumbFields(loaded, ref) << '\n';
  return kExitOk;
}

int Facts(const std::vector<std::string>& args, std::ostream& out) {
  const Loaded loaded = LoadCatalog(args[0]);
  const CatInfo& disk = DiskByNumber(loaded, args[1]);
  for (std::size_t j = 0; j < disk.Thumbs.size(); ++j) {
    const Disc& thumb = disk.Thumbs[j];
    out << j + 1;
    const Bytes jpeg = Edit([&] { return loaded.Jpeg(disk, thumb); });
    for (const std::string& field : FactsFields(ReadPictureFacts(jpeg))) {
      out << '\t' << Escaped(field);
    }
    out << '\t' << Field(thumb.Name()) << '\n';
  }
  return kExitOk;
}

int Csv(const std::vector<std::string>& args, std::ostream& out) {
  if (args.size() > 2) throw UsageError{"\"csv\" takes CATALOG and at most one QUERY"};
  const Loaded loaded = LoadCatalog(args[0]);
  std::vector<ThumbRef> thumbs;
  if (args.size() == 2) {
    thumbs = CatalogSearch(loaded.index).Find(SearchQuery::Parse(args[1]), loaded.index);
  } else {
    for (std::size_t d = 0; d < loaded.index.Disks.size(); ++d) {
      for (std::int32_t j = 0; j < loaded.index.Disks[d].ThumbCount; ++j) {
        thumbs.push_back({static_cast<std::int32_t>(d), j});
      }
    }
  }
  Edit([&] {
    WriteFactsCsv(out, loaded.index, thumbs,
                  {"disk", "path", "date taken", "camera", "width", "height", "file size"});
  });
  return kExitOk;
}

// Every thumbnail's fingerprint, read from the thumbnail or computed from its pixels.
void ComputeFingerprints(const Loaded& loaded, CatalogFingerprints& fingerprints) {
  if (!Edit([&] { return fingerprints.Update(loaded); })) {
    throw Failure{kExitBadCatalog, "the pictures' fingerprints could not be computed"};
  }
}

LookalikeIndex IndexOfFingerprints(const Loaded& loaded, const CatalogFingerprints& fingerprints) {
  std::vector<ThumbPrint> prints;
  for (std::size_t d = 0; d < loaded.index.Disks.size(); ++d) {
    const auto& disk = fingerprints.Disk(loaded.index, static_cast<int>(d)).prints;
    for (std::size_t j = 0; j < disk.size(); ++j) {
      if (!disk[j]) continue;
      prints.push_back({{static_cast<std::int32_t>(d), static_cast<std::int32_t>(j)}, *disk[j]});
    }
  }
  return LookalikeIndex(std::move(prints), static_cast<int>(loaded.index.Disks.size()));
}

int Similar(const std::vector<std::string>& args, std::ostream& out) {
  std::size_t max = 0;
  if (args.size() == 5 && args[3] == "--max") {
    const std::string& text = args[4];
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), max);
    if (ec != std::errc() || end != text.data() + text.size() || max == 0) {
      throw UsageError{"N must be a number from 1 on, not \"" + text + "\""};
    }
  } else if (args.size() != 3) {
    throw UsageError{"\"similar\" takes CATALOG, DISK, INDEX and at most --max N"};
  }
  const Loaded loaded = LoadCatalog(args[0]);
  const int disk = DiskIndex(loaded, args[1]);
  const ThumbRef asked{
      disk, Number(args[2], loaded.index.Disks[disk].Thumbs.size(), "INDEX", "the disk")};
  CatalogFingerprints fingerprints;
  ComputeFingerprints(loaded, fingerprints);
  const auto& prints = fingerprints.Disk(loaded.index, disk).prints;
  if (static_cast<std::size_t>(asked.thumb) >= prints.size() || !prints[asked.thumb]) {
    throw Failure{kExitBadCatalog, "thumbnail " + args[2] + " of disk " + args[1] +
                                       " has no fingerprint: its picture is blank or does not "
                                       "decode"};
  }
  // The thumbnail asked about is among them, at distance 0, as the window lists it.
  const std::vector<Alike> alike =
      IndexOfFingerprints(loaded, fingerprints).Similar(*prints[asked.thumb], max);
  for (const Alike& a : alike) out << a.distance << '\t' << ThumbFields(loaded, a.ref) << '\n';
  return kExitOk;
}

int Duplicates(const std::vector<std::string>& args, std::ostream& out) {
  const bool unique = args.size() == 2 && args[1] == "--unique";
  if (args.size() != 1 && !unique) {
    throw UsageError{"\"duplicates\" takes CATALOG and at most --unique"};
  }
  const Loaded loaded = LoadCatalog(args[0]);
  CatalogFingerprints fingerprints;
  ComputeFingerprints(loaded, fingerprints);
  const LookalikeIndex index = IndexOfFingerprints(loaded, fingerprints);
  if (unique) {
    const std::vector<std::vector<std::int32_t>> unique_to_disk = index.UniqueToDisk();
    for (std::size_t d = 0; d < unique_to_disk.size(); ++d) {
      for (const std::int32_t thumb : unique_to_disk[d]) {
        out << ThumbFields(loaded, {static_cast<std::int32_t>(d), thumb}) << '\n';
      }
    }
    return kExitOk;
  }
  const std::vector<std::vector<ThumbRef>>& groups = index.CopyGroups();
  for (std::size_t g = 0; g < groups.size(); ++g) {
    for (const ThumbRef& ref : groups[g]) out << g + 1 << '\t' << ThumbFields(loaded, ref) << '\n';
  }
  return kExitOk;
}

struct Command {
  std::size_t arg_count;  // the fewest arguments
  bool more_allowed;
  std::function<int(const std::vector<std::string>&, std::ostream&)> run;
};

}  // namespace

int Run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  static const std::map<std::string, Command> kCommands = {
      {"list", {1, false, List}},
      {"thumbs", {2, false, Thumbs}},
      {"check", {1, false, Check}},
      {"extract", {3, false, Extract}},
      {"rename", {3, false, Rename}},
      {"remove", {2, true, Remove}},
      {"remove-thumbs", {3, true, RemoveThumbnails}},
      {"import", {2, false, Import}},
      {"export", {3, true, Export}},
      {"repair", {2, false, Repair}},
      {"search", {2, true, Search}},
      {"facts", {2, false, Facts}},
      {"csv", {1, true, Csv}},
      {"similar", {3, true, Similar}},
      {"duplicates", {1, true, Duplicates}},
  };
  try {
    if (args.empty()) throw UsageError{"no command given"};
    const auto command = kCommands.find(args[0]);
    if (command == kCommands.end()) throw UsageError{"unknown command \"" + args[0] + "\""};
    const std::vector<std::string> rest(args.begin() + 1, args.end());
    const Command& c = command->second;
    if (rest.size() < c.arg_count || (!c.more_allowed && rest.size() > c.arg_count)) {
      throw UsageError{"\"" + args[0] + "\" takes " + (c.more_allowed ? "at least " : "") +
                       std::to_string(c.arg_count) + " arguments"};
    }
    return command->second.run(rest, out);
  } catch (const UsageError& e) {
    err << "qrvtool: " << e.message << '\n' << Usage();
    return kExitUsage;
  } catch (const Failure& e) {
    err << "qrvtool: " << e.message << '\n';
    return e.status;
  }
}

}  // namespace quorvel::qrvtool
