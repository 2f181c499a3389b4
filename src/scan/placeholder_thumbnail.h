// The picture stored for a file that has no thumbnail of its own, so that the catalogue still
// lists the file and plainly shows that there is no preview.
#ifndef QUORVEL_SCAN_PLACEHOLDER_THUMBNAIL_H_
#define QUORVEL_SCAN_PLACEHOLDER_THUMBNAIL_H_

#include <QRect>
#include <QString>

class QPainter;

namespace quorvel {

// Fills `area` with the placeholder of the file at `path`: a frame, the file's extension in
// capitals (no such line when the name has none) and "нет эскиза", on white.
void PaintPlaceholder(QPainter& painter, const QRect& area, const QString& path);

}  // namespace quorvel

#endif  // QUORVEL_SCAN_PLACEHOLDER_THUMBNAIL_H_
