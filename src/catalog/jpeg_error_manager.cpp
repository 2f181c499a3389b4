#include "catalog/jpeg_error_manager.h"

#include <cstring>

// clang-format off
#include <jerror.h>
// clang-format on

namespace quorvel {
namespace {

// libjpeg reports fatal errors through error_exit, which must not return: jump back to the
// caller's setjmp.
void ErrorExit(j_common_ptr cinfo) {
  auto* err = reinterpret_cast<JpegErrorManager*>(cinfo->err);
  (*cinfo->err->format_message)(cinfo, err->message);
  std::longjmp(err->jump, 1);
}

void SilentOutput(j_common_ptr) {}

// libjpeg decodes past damage and fills the gaps. Garbled entropy codes would make a thumbnail
// with noisy parts, so those warnings mark the picture damaged. A file cut short (a copy or
// download that stopped) keeps the part it has, the rest grey as every viewer shows it, unless
// it ended before any of the picture. The other warnings (stray bytes between markers, odd but
// whole headers) leave the picture intact. Every warning is counted in num_warnings, as libjpeg's
// own handler does.
void EmitMessage(j_common_ptr cinfo, int level) {
  if (level >= 0) return;  // trace messages
  auto* err = reinterpret_cast<JpegErrorManager*>(cinfo->err);
  const int code = cinfo->err->msg_code;
  cinfo->err->num_warnings++;
  if (err->cut || err->damaged) return;  // the end of a cut file also reads as a hit marker
  if (code == JWRN_JPEG_EOF && cinfo->is_decompressor) {
    const auto* decompress = reinterpret_cast<j_decompress_ptr>(cinfo);
    err->cut = true;
    err->cut_early = decompress->input_scan_number <= 1 && decompress->input_iMCU_row == 0;
    if (err->cut_early) (*cinfo->err->format_message)(cinfo, err->message);
    return;
  }
  if (code == JWRN_HIT_MARKER || code == JWRN_HUFF_BAD_CODE || code == JWRN_MUST_RESYNC) {
    (*cinfo->err->format_message)(cinfo, err->message);
    err->damaged = true;
  }
}

}  // namespace

jpeg_error_mgr* UseJpegErrorManager(JpegErrorManager* err) {
  std::memset(err, 0, sizeof *err);
  jpeg_std_error(&err->pub);
  err->pub.error_exit = ErrorExit;
  err->pub.output_message = SilentOutput;
  err->pub.emit_message = EmitMessage;
  return &err->pub;
}

}  // namespace quorvel
