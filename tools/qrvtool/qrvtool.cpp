#include "qrvtool.h"

#include <charconv>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>

#include "catalog/catalog_check.h"
#include "catalog/catalog_error.h"
#include "catalog/catalog_index.h"
#include "catalog/cp1251.h"
#include "catalog/stream.h"

namespace quorvel::qrvtool {
namespace {

namespace fs = std::filesystem;

constexpr char kUsage[] =
    "usage: qrvtool list CATALOG\n"
    "       qrvtool thumbs CATALOG DISK\n"
    "       qrvtool check CATALOG\n"
    "       qrvtool extract CATALOG DISK FOLDER\n"
    "DISK is a 1-based disk number, as `qrvtool list` prints it.\n";

struct UsageError {
  std::string message;
};

// A command that cannot go on; its message is printed and the run exits with this status.
struct Failure {
  int status;
  std::string message;
};

struct Loaded {
  Bytes stream;
  CatalogIndex index;
};

// Loads and indexes a catalogue, refusing anything that is not a whole, well-formed one: the
// listing commands must not present a partial reading as the catalogue's content.
Loaded LoadCatalog(const std::string& path) {
  Loaded loaded;
  try {
    loaded.stream = LoadFile(path);
  } catch (const CatalogError& e) {
    throw Failure{kExitBadCatalog, e.what()};
  }
  loaded.index = BuildIndex(loaded.stream);
  if (loaded.index.Damage) {
    throw Failure{kExitBadCatalog, path + ": damaged at offset " +
                                       std::to_string(loaded.index.Damage->offset) + ": " +
                                       loaded.index.Damage->reason};
  }
  return loaded;
}

const CatInfo& DiskByNumber(const Loaded& loaded, const std::string& text) {
  std::size_t number = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), number);
  if (ec != std::errc() || end != text.data() + text.size() || number == 0) {
    throw UsageError{"DISK must be a disk number from 1 on, not \"" + text + "\""};
  }
  if (number > loaded.index.Disks.size()) {
    throw Failure{kExitBadCatalog, "the catalogue has " +
                                       std::to_string(loaded.index.Disks.size()) +
                                       " disks; there is no disk " + text};
  }
  return loaded.index.Disks[number - 1];
}

std::string Utf8(std::string_view cp1251) { return Cp1251ToUtf8(cp1251); }

int List(const std::vector<std::string>& args, std::ostream& out) {
  const Loaded loaded = LoadCatalog(args[0]);
  for (std::size_t i = 0; i < loaded.index.Disks.size(); ++i) {
    const CatInfo& disk = loaded.index.Disks[i];
    out << i + 1 << '\t' << disk.ThumbCount << '\t' << Utf8(disk.Name) << '\n';
  }
  return kExitOk;
}

int Thumbs(const std::vector<std::string>& args, std::ostream& out) {
  const Loaded loaded = LoadCatalog(args[0]);
  const CatInfo& disk = DiskByNumber(loaded, args[1]);
  for (std::size_t j = 0; j < disk.Thumbs.size(); ++j) {
    const Disc& thumb = disk.Thumbs[j];
    out << j + 1 << '\t' << thumb.JpegSize << '\t' << thumb.JpegPos << '\t' << Utf8(thumb.Name(loaded.stream))
        << '\n';
  }
  return kExitOk;
}

int Check(const std::vector<std::string>& args, std::ostream& out) {
  Bytes stream;
  try {
    stream = LoadFile(args[0]);
  } catch (const CatalogError& e) {
    throw Failure{kExitBadCatalog, e.what()};
  }
  const CheckResult result = CheckCatalog(stream);
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
  const fs::path folder = args[2];
  std::error_code ec;
  if (!fs::is_directory(folder, ec)) {
    throw Failure{kExitBadCatalog, "\"" + args[2] + "\" is not a folder"};
  }
  for (const Disc& thumb : disk.Thumbs) {
    const fs::path name = fs::u8path(ThumbnailFileName(Utf8(thumb.Name(loaded.stream))));
    // The name holds no separator, but refuse anything that would still not be a plain child.
    if (name.has_parent_path() || name == "." || name == "..") {
      throw Failure{kExitBadCatalog, "refusing to write \"" + name.string() + "\""};
    }
    const fs::path target = folder / name;
    std::ofstream file(target, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(loaded.stream.data() + thumb.JpegPos), thumb.JpegSize);
    file.close();
    if (!file) throw Failure{kExitBadCatalog, "cannot write \"" + target.string() + "\""};
    out << target.string() << '\n';
  }
  return kExitOk;
}

struct Command {
  std::size_t arg_count;
  std::function<int(const std::vector<std::string>&, std::ostream&)> run;
};

}  // namespace

std::string ThumbnailFileName(const std::string& image_name_utf8) {
  const std::size_t cut = image_name_utf8.find_last_of("\\/:");
  const std::string part =
      cut == std::string::npos ? image_name_utf8 : image_name_utf8.substr(cut + 1);
  return part + ".jpg";
}

int Run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  static const std::map<std::string, Command> kCommands = {{"list", {1, List}},
                                                           {"thumbs", {2, Thumbs}},
                                                           {"check", {1, Check}},
                                                           {"extract", {3, Extract}}};
  try {
    if (args.empty()) throw UsageError{"no command given"};
    const auto command = kCommands.find(args[0]);
    if (command == kCommands.end()) throw UsageError{"unknown command \"" + args[0] + "\""};
    const std::vector<std::string> rest(args.begin() + 1, args.end());
    if (rest.size() != command->second.arg_count) {
      throw UsageError{"\"" + args[0] + "\" takes " + std::to_string(command->second.arg_count) +
                       " arguments"};
    }
    return command->second.run(rest, out);
  } catch (const UsageError& e) {
    err << "qrvtool: " << e.message << '\n' << kUsage;
    return kExitUsage;
  } catch (const Failure& e) {
    err << "qrvtool: " << e.message << '\n';
    return e.status;
  }
}

}  // namespace quorvel::qrvtool
