#pragma once

#include <QByteArray>

#include <optional>

class BinaryFile;

// The search as first designed, kept as the reference the fast scan must agree with: windows of
// 3000 bytes read 1500 apart, and every candidate's remaining bytes read one at a time.
namespace PlainScan {

[[nodiscard]] std::optional<qint64> find(BinaryFile &rom,
                                         const QByteArray &pattern,
                                         qint64 start,
                                         qint64 romLength);

} // namespace PlainScan
