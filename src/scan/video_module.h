// The entry points of the video module, the one part of the scan that links FFmpeg. The scan
// loads the module on the first video it renders (video_frame_reader.h), so that a program that
// renders none never maps FFmpeg's libraries. C linkage, so that they are found by name; the
// module and the scan come from one build, which the interface number checks.
#ifndef QUORVEL_SCAN_VIDEO_MODULE_H_
#define QUORVEL_SCAN_VIDEO_MODULE_H_

#include <QImage>
#include <QString>
#include <stop_token>

#include "catalog/picture_facts.h"
#include "scan/byte_source.h"

// Raised whenever an entry point changes: a module of another build is not used.
#define QUORVEL_VIDEO_MODULE_INTERFACE 2

extern "C" {

// QUORVEL_VIDEO_MODULE_INTERFACE as the module was built with it.
int quorvel_video_interface();

// "FFmpeg " and the version of the libraries the module runs with, into `name`.
void quorvel_video_library(QString* name);

// ReadVideoFrame (video_frame_reader.h): the frame, or null with `message` set, into `frame`,
// and the video's facts into `facts` unless it is null.
void quorvel_video_read_frame(quorvel::ByteSource* source, int side, const std::stop_token* stop,
                              QImage* frame, QString* message, quorvel::PictureFacts* facts);
}

#endif  // QUORVEL_SCAN_VIDEO_MODULE_H_
