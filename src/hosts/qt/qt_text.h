#pragma once
// Text between the program's strings (UTF-8, or the bytes of a file name) and Qt's.

#include <QByteArray>
#include <QString>
#include <string>
#include <string_view>

namespace korvint::hosts::qt {

/// `text` as Qt text; bytes that are not UTF-8 show as replacement characters.
inline QString to_qt(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

/// `text` as UTF-8.
inline std::string from_qt(const QString& text) {
  const QByteArray bytes = text.toUtf8();
  return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

/// `text` byte for byte, for keeping beside a widget's shown text.
inline QByteArray to_bytes(std::string_view text) {
  return QByteArray(text.data(), static_cast<qsizetype>(text.size()));
}

/// `bytes` as a string, byte for byte.
inline std::string from_bytes(const QByteArray& bytes) {
  return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

}  // namespace korvint::hosts::qt
