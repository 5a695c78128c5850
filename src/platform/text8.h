#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// The boundary between 8-bit text (one character per byte, as files and translations hold it)
// and the widgets' Unicode text. Latin-1 maps every byte value to one character and back.
namespace Text8 {

[[nodiscard]] QString toWidget(const QByteArray &bytes);
// The bytes of a widget's text, or nothing when a character has no 8-bit code.
[[nodiscard]] std::optional<QByteArray> fromWidget(const QString &text);
// The first character of the text that has no 8-bit code, or -1.
[[nodiscard]] qsizetype firstNon8Bit(const QString &text);

// The text for drawing in a one-line row: control characters (0 to 31 and 127) become their
// visible control pictures so that a row never breaks or collapses. Only for drawing.
[[nodiscard]] QString toDisplay(const QByteArray &bytes);

// The most characters of a text that a row, a label or a list entry of the windows draws: more
// than the widest of them shows, few enough that a row of long translations draws at once.
constexpr qsizetype DisplayLimit = 1024;
// toDisplay of the first limit bytes, ended by an ellipsis when more follow.
[[nodiscard]] QString toDisplay(const QByteArray &bytes, qsizetype limit);

} // namespace Text8
