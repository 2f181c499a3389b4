#include "settings/exclusion_list_file.h"

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <exception>
#include <fstream>
#include <sstream>
#include <system_error>
#include <utility>

#include "catalog/atomic_file.h"
#include "catalog/catalog_error.h"
#include "catalog/cp1251.h"

namespace quorvel {
namespace {

namespace fs = std::filesystem;

}  // namespace

std::vector<std::string> ParseExclusionList(std::string_view bytes) {
  std::vector<std::string> endings;
  std::size_t begin = 0;
  while (begin < bytes.size()) {
    std::size_t end = bytes.find_first_of("\r\n", begin);
    if (end == std::string_view::npos) end = bytes.size();
    endings.push_back(Cp1251ToUtf8(bytes.substr(begin, end - begin)));
    begin = end + 1;
    if (end + 1 < bytes.size() && bytes[end] == '\r' && bytes[end + 1] == '\n') ++begin;
  }
  return endings;
}

std::string FormatExclusionList(const std::vector<std::string>& endings) {
  std::string bytes;
  for (const std::string& ending : endings) {
    std::string line = Utf8ToCp1251(ending);
    // A break inside an entry would come back as two entries.
    for (char& c : line) {
      if (c == '\r' || c == '\n') c = '?';
    }
    bytes += line;
    bytes += "\r\n";
  }
  return bytes;
}

std::optional<std::vector<std::string>> ReadExclusionList(const fs::path& path) {
  const auto fail = [&](const std::string& reason) {
    return CatalogError("Cannot read the exclusion list \"" + path.string() + "\": " + reason,
                        ErrorKind::kFileAccess, path);
  };
  std::string bytes;
  try {
    std::error_code ec;
    const fs::file_status status = fs::status(path, ec);
    if (status.type() == fs::file_type::not_found) return std::nullopt;
    if (ec) throw fail(ec.message());
    if (!fs::is_regular_file(status)) throw fail("not a file");
    std::ifstream file(path, std::ios::binary);
    if (!file) throw fail(std::strerror(errno));
    // One read of the whole file: a long list read byte by byte would keep the start waiting.
    std::ostringstream contents;
    contents << file.rdbuf();
    if (file.bad()) throw fail(std::strerror(errno));
    bytes = std::move(contents).str();
  } catch (const CatalogError&) {
    throw;
  } catch (const std::exception& e) {
    throw fail(e.what());
  }
  return ParseExclusionList(bytes);
}

void WriteExclusionList(const fs::path& path, const std::vector<std::string>& endings) {
  const std::string bytes = FormatExclusionList(endings);
  SaveFileAtomically(path,
                     ByteView(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
}

}  // namespace quorvel
