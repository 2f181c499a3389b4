// A folder that no one, root included, can list: its path is longer than the system lets a path
// be (PATH_MAX), though every folder on the way to it is an ordinary one.
#ifndef QUORVEL_TESTS_SUPPORT_TOO_DEEP_FOLDER_H_
#define QUORVEL_TESTS_SUPPORT_TOO_DEEP_FOLDER_H_

#include <string>

namespace quorvel::testkit {

class TooDeepFolder {
 public:
  // Makes folders of long names inside `parent`, each inside the one before, until the path of
  // the last is too long.
  explicit TooDeepFolder(const std::string& parent);
  // Removes the whole chain, which removal by paths could not reach.
  ~TooDeepFolder();
  TooDeepFolder(const TooDeepFolder&) = delete;
  TooDeepFolder& operator=(const TooDeepFolder&) = delete;

  // The full path of the last folder, the one that cannot be listed.
  const std::string& path() const { return path_; }

 private:
  std::string parent_;
  std::string path_;
};

}  // namespace quorvel::testkit

#endif  // QUORVEL_TESTS_SUPPORT_TOO_DEEP_FOLDER_H_
