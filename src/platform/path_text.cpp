#include "platform/path_text.h"

#include <QByteArray>
#include <QStringView>
#include <string_view>

#include "catalog/cp1251.h"

namespace quorvel {

#ifdef _WIN32

QString PathToQString(const std::filesystem::path& path) {
  return QString::fromStdWString(path.native());
}

std::filesystem::path QStringToPath(const QString& text) {
  return std::filesystem::path(text.toStdWString());
}

std::string PathBytes(const QString& text) { return text.toStdString(); }

#else

namespace {

// A byte B that is no part of valid UTF-8 (always 0x80 or above) stands as U+DC00 + B. Valid
// UTF-8 never decodes to a lone low surrogate, nor ends in a high one, so these code units can
// only have come from such bytes.
constexpr char16_t kEscapeBase = 0xDC00;
constexpr char16_t kFirstEscape = 0xDC80;
constexpr char16_t kLastEscape = 0xDCFF;

void AppendUtf8(std::string& out, QStringView text) {
  const QByteArray utf8 = text.toUtf8();
  out.append(utf8.constData(), static_cast<std::size_t>(utf8.size()));
}

}  // namespace

QString PathToQString(const std::filesystem::path& path) {
  std::string_view bytes = path.native();
  QString text;
  text.reserve(static_cast<qsizetype>(bytes.size()));
  for (;;) {
    const std::size_t valid = ValidUtf8Prefix(bytes);
    text += QString::fromUtf8(bytes.data(), static_cast<qsizetype>(valid));
    if (valid == bytes.size()) return text;
    text += QChar(static_cast<char16_t>(kEscapeBase + static_cast<unsigned char>(bytes[valid])));
    bytes.remove_prefix(valid + 1);
  }
}

std::filesystem::path QStringToPath(const QString& text) { return PathBytes(text); }

std::string PathBytes(const QString& text) {
  std::string bytes;
  bytes.reserve(static_cast<std::size_t>(text.size()));
  qsizetype run = 0;  // where the text not yet converted starts
  for (qsizetype i = 0; i < text.size(); ++i) {
    const char16_t c = text[i].unicode();
    if (c < kFirstEscape || c > kLastEscape || (i > 0 && text[i - 1].isHighSurrogate())) continue;
    AppendUtf8(bytes, QStringView(text).mid(run, i - run));
    bytes += static_cast<char>(c - kEscapeBase);
    run = i + 1;
  }
  AppendUtf8(bytes, QStringView(text).mid(run));
  return bytes;
}

#endif

}  // namespace quorvel
