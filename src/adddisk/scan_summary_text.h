// What the user is told after a disk was added or updated: the lines of the notice, made from
// what the scan counted and listed.
#ifndef QUORVEL_ADDDISK_SCAN_SUMMARY_TEXT_H_
#define QUORVEL_ADDDISK_SCAN_SUMMARY_TEXT_H_

#include <QStringList>

#include "scan/add_disk.h"
#include "scan/update_disk.h"

namespace quorvel {

// An addition's notice: a stop or the disk's limit, then the files that could not be read, were
// skipped or read in part and the folders not entered (each count with the first names), then
// the paths whose characters were replaced. Empty when there is nothing to tell.
QStringList AdditionSummaryLines(const AddDiskSummary& summary);

// An update's notice: the counts of new, changed, removed and kept thumbnails, those made again
// for want of facts when there are some, then what an addition would tell of the files read.
QStringList UpdateSummaryLines(const DiskUpdateCounts& counts, const AddDiskSummary& summary);

}  // namespace quorvel

#endif  // QUORVEL_ADDDISK_SCAN_SUMMARY_TEXT_H_
