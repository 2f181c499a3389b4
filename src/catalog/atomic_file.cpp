#include "catalog/atomic_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <random>
#include <system_error>

#ifndef _WIN32
#include <unistd.h>
#endif

namespace quorvel {
namespace {

namespace fs = std::filesystem;

std::string ErrnoText() { return std::strerror(errno); }

std::string RandomSuffix() {
  std::random_device device;
  std::uniform_int_distribution<unsigned long long> digits;
  char text[17];
  std::snprintf(text, sizeof text, "%016llx", digits(device));
  return text;
}

}  // namespace

bool WriteFileAtomically(const fs::path& path, ByteView bytes, std::string* reason) {
  const auto fail = [&](const std::string& why) {
    if (reason) *reason = why;
    return false;
  };
  fs::path temp;
  try {
    std::error_code ec;
    fs::path target = path;
    // Renaming over a link would replace the link itself with a plain file.
    if (fs::is_symlink(path, ec)) {
      const fs::path resolved = fs::canonical(path, ec);
      if (!ec) target = resolved;
    }
    const std::string base = "." + target.filename().string() + ".";
    std::FILE* file = nullptr;
    for (int attempt = 0; attempt < 8 && !file; ++attempt) {
      temp = target.parent_path() / (base + RandomSuffix() + ".tmp");
      file = std::fopen(temp.string().c_str(), "wbx");  // x: never reuse a file that exists
      if (!file && errno != EEXIST) break;
    }
    if (!file) {
      const std::string why = ErrnoText();
      temp.clear();
      return fail(why);
    }
    bool written =
        std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size() && std::fflush(file) == 0;
#ifndef _WIN32
    // Without this a crash soon after the rename can leave an empty file on some file systems.
    written = written && fsync(fileno(file)) == 0;
#endif
    std::string why = written ? std::string() : ErrnoText();
    if (std::fclose(file) != 0 && written) {
      written = false;
      why = ErrnoText();
    }
    if (!written) {
      fs::remove(temp, ec);
      return fail(why);
    }
    const fs::file_status old_status = fs::status(target, ec);
    if (fs::is_regular_file(old_status)) fs::permissions(temp, old_status.permissions(), ec);
    fs::rename(temp, target, ec);
    if (ec) {
      const std::string rename_why = ec.message();
      fs::remove(temp, ec);
      return fail(rename_why);
    }
    return true;
  } catch (const std::exception& e) {
    std::error_code ec;
    if (!temp.empty()) fs::remove(temp, ec);
    return fail(e.what());
  }
}

}  // namespace quorvel
