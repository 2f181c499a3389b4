// The one libjpeg error handler of the program, for the catalogue's thumbnail codec and the
// scan's decoders alike: a fatal error jumps back to the caller instead of ending the process,
// nothing is printed, and the warnings that say a picture is damaged or cut short are noted.
#ifndef QUORVEL_CATALOG_JPEG_ERROR_MANAGER_H_
#define QUORVEL_CATALOG_JPEG_ERROR_MANAGER_H_

// clang-format off
#include <csetjmp>
#include <cstdio>
#include <jpeglib.h>
// clang-format on

namespace quorvel {

// Plain data only: it lives in the frame that calls setjmp(jump), across the jump.
struct JpegErrorManager {
  jpeg_error_mgr pub;  // first, so that libjpeg's pointer to it is one to the whole
  std::jmp_buf jump;   // where a fatal error returns to, with `message` filled
  char message[JMSG_LENGTH_MAX];
  bool damaged;    // a warning said that pixels are garbled (`message` says how)
  bool cut;        // the data ended before the picture did
  bool cut_early;  // it ended before one row of blocks was complete (`message` says so)
};

// Clears `err` and sets it up as described above; returns the value for cinfo.err. The caller
// still calls setjmp(err->jump) before handing the struct to libjpeg.
jpeg_error_mgr* UseJpegErrorManager(JpegErrorManager* err);

}  // namespace quorvel

#endif  // QUORVEL_CATALOG_JPEG_ERROR_MANAGER_H_
