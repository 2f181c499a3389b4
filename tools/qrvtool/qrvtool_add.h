// `qrvtool add`: the program's own walk, capture and disk record, driven from a terminal.
#ifndef QUORVEL_TOOLS_QRVTOOL_QRVTOOL_ADD_H_
#define QUORVEL_TOOLS_QRVTOOL_QRVTOOL_ADD_H_

#include <ostream>
#include <streambuf>
#include <string>
#include <vector>

namespace quorvel::qrvtool {

// add CATALOG FOLDER NAME [--no-subfolders] [--exclude ENDING]... [--timeout MS]
// [--no-embedded]: adds the disk NAME with the images of FOLDER to CATALOG (created when
// missing) and saves it atomically; --no-embedded decodes camera JPEGs whole instead of using
// the previews they hold.
// Prints "found\tN" and "added\tM" to `out`; the files that got no thumbnail go to `err`,
// and with `live_progress` a progress line too. Needs a QGuiApplication (the placeholder's text
// needs its fonts); runs on the calling thread, with no event loop. Returns the exit status.
int RunAdd(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
           bool live_progress);

// update CATALOG DISK FOLDER [the options of add]: walks FOLDER again for the disk named DISK
// (refused unless exactly one disk bears that name): unchanged files keep their thumbnails
// unread, new and changed ones are rendered, the thumbnails of files gone are dropped; saved as
// add saves, the catalogue unchanged on failure. Prints "found", "new", "changed", "removed",
// "unchanged" and "without_facts" (made again: their size and time were never stored), each
// with a tab and its count; the files that got no thumbnail go to `err` as for add.
int RunUpdate(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
              bool live_progress);

// While it lives, only the tool's own messages, written to stream(), reach stderr. The image
// readers' notes on the files (colour profiles, unknown tags, cut files) are not its messages:
// Qt's are dropped by a message handler, and those that libpng and libtiff print themselves
// find the process's stderr pointing nowhere. What `add` could not read, it says itself. Make
// it before the QGuiApplication.
class OwnStderr {
 public:
  OwnStderr();
  ~OwnStderr();  // stderr leads where it led before
  OwnStderr(const OwnStderr&) = delete;
  OwnStderr& operator=(const OwnStderr&) = delete;

  std::ostream& stream() { return stream_; }
  // Where stream() writes: the process's stderr as it was.
  int fd() const { return fd_; }

 private:
  class Buffer : public std::streambuf {
   public:
    explicit Buffer(int fd) : fd_(fd) {}

   protected:
    int_type overflow(int_type c) override;
    std::streamsize xsputn(const char* text, std::streamsize count) override;

   private:
    int fd_;
  };

  int fd_;
  Buffer buffer_;
  std::ostream stream_;
};

}  // namespace quorvel::qrvtool

#endif  // QUORVEL_TOOLS_QRVTOOL_QRVTOOL_ADD_H_
