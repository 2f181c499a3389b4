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

ExclusionListRead ReadExclusionList(const fs::path& path, std::vector<std::string>* endings,
                                    std::string* error) {
  endings->clear();
  const auto fail = [&](const std::string& reason) {
    endings->clear();
    if (error) *error = "Cannot read the exclusion list \"" + path.string() + "\": " + reason;
    return ExclusionListRead::kUnreadable;
  };
  try {
    std::error_code ec;
    const fs::file_status status = fs::status(path, ec);
    if (status.type() == fs::file_type::not_found) return ExclusionListRead::kMissing;
    if (ec) return fail(ec.message());
    if (!fs::is_regular_file(status)) return fail("not a file");
    std::ifstream file(path, std::ios::binary);
    if (!file) return fail(std::strerror(errno));
    // One read of the whole file: a long list read byte by byte would keep the start waiting.
    std::ostringstream contents;
    contents << file.rdbuf();
    if (file.bad()) return fail(std::strerror(errno));
    const std::string bytes = std::move(contents).str();
    *endings = ParseExclusionList(bytes);
    return ExclusionListRead::kRead;
  } catch (const std::exception& e) {
    return fail(e.what());
  }
}

bool WriteExclusionList(const fs::path& path, const std::vector<std::string>& endings,
                        std::string* error) {
  try {
    const std::string bytes = FormatExclusionList(endings);
    std::string reason;
    if (WriteFileAtomically(
            path, ByteView(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()),
            &reason)) {
      return true;
    }
    if (error) *error = "Cannot save the exclusion list \"" + path.string() + "\": " + reason;
  } catch (const std::exception& e) {
    if (error) *error = "Cannot save the exclusion list \"" + path.string() + "\": " + e.what();
  }
  return false;
}

}  // namespace quorvel
