// The rule for a disk name the user types, shared by every place that asks for one.
#ifndef QUORVEL_PLATFORM_DISK_NAME_TEXT_H_
#define QUORVEL_PLATFORM_DISK_NAME_TEXT_H_

#include <QString>

namespace quorvel {

// Why `name` cannot be stored as a disk's name, as the message to show the user: it is empty,
// holds characters that Windows-1251 has not, or is longer than the name field. Empty when the
// name can be stored.
QString DiskNameRefusal(const QString& name);

}  // namespace quorvel

#endif  // QUORVEL_PLATFORM_DISK_NAME_TEXT_H_
