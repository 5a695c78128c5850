#pragma once

#include <QByteArray>
#include <QString>

// Number conversions shared by the windows and the document: hexadecimal and decimal text,
// reading a typed number, and taking a real file position to a whole one.
namespace Convert {

// Exactly two uppercase hex digits for a byte value.
[[nodiscard]] QByteArray hexPair(int byteValue);
// The value of two hex digits of either case, or -1 when they are not hex digits.
[[nodiscard]] int hexPairValue(QByteArrayView digits);

// Decimal digits with a leading "-" for negatives, no grouping, no exponent; whole numbers
// show no point, fractions their digits (the shortest text that reads back to the same value).
[[nodiscard]] QString decimalText(double value);

// The number that starts the text, BASIC style: blanks, tabs and line feeds are ignored
// anywhere, "&H" and "&O" introduce hexadecimal and octal digits, and anything that does not
// start with a number reads as 0. A number too large for a double reads as infinity of its sign,
// one too small as 0.
[[nodiscard]] double Val(const QString &text);

// A position given as a real number, to the nearest whole number, halves to the even neighbour.
[[nodiscard]] double roundHalfEven(double value);

} // namespace Convert
