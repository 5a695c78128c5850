#include "convert.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <limits>
#include <string>

namespace Convert {

QByteArray hexPair(int byteValue)
{
    static constexpr char digits[] = "0123456789ABCDEF";
    const auto v = static_cast<unsigned>(byteValue) & 0xFFu;
    const char pair[2] = {digits[v >> 4], digits[v & 0xF]};
    return QByteArray(pair, 2);
}

namespace {

int hexDigitValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

bool isIgnored(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'\n';
}

double readDigits(const std::string &s, size_t from, int base)
{
    double value = 0;
    for (size_t i = from; i < s.size(); ++i) {
        const int digit = hexDigitValue(s[i]);
        if (digit < 0 || digit >= base)
            break;
        value = value * base + digit;
    }
    return value;
}

// The longest prefix of s that has the shape of a decimal number: sign, digits, point,
// digits, and an exponent only when digits follow it.
size_t decimalPrefixLength(const std::string &s)
{
    size_t i = 0;
    auto isDigit = [&s](size_t k) { return k < s.size() && s[k] >= '0' && s[k] <= '9'; };
    if (i < s.size() && (s[i] == '+' || s[i] == '-'))
        ++i;
    const size_t mantissaStart = i;
    while (isDigit(i))
        ++i;
    if (i < s.size() && s[i] == '.')
        ++i;
    while (isDigit(i))
        ++i;
    const bool hasDigits = i > mantissaStart
                           && !(i == mantissaStart + 1 && s[mantissaStart] == '.');
    if (!hasDigits)
        return 0;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E' || s[i] == 'd' || s[i] == 'D')) {
        size_t k = i + 1;
        if (k < s.size() && (s[k] == '+' || s[k] == '-'))
            ++k;
        if (isDigit(k)) {
            while (isDigit(k))
                ++k;
            i = k;
        }
    }
    return i;
}

// The value of a decimal number too large or too small for a double, which from_chars leaves
// unread: infinity of its sign for a large one, zero of its sign for a tiny one. Its decimal
// order of magnitude tells which, as the two lie more than 600 orders apart.
double outOfRange(const std::string &number)
{
    const bool negative = number[0] == '-';
    size_t i = negative ? 1 : 0;
    // The order of the first nonzero digit: digits before the point count up, zeros after it down.
    long long order = 0;
    bool leading = true;
    bool afterPoint = false;
    for (; i < number.size() && number[i] != 'e'; ++i) {
        if (number[i] == '.') {
            afterPoint = true;
        } else if (leading && number[i] == '0') {
            if (afterPoint)
                --order;
        } else if (leading) {
            leading = false;
            if (afterPoint)
                --order;
        } else if (!afterPoint) {
            ++order;
        }
    }
    // An exponent beyond any text's length saturates: the sum only needs its sign.
    constexpr long long Saturated = 1000000000000000LL;
    long long exponent = 0;
    if (i < number.size()) {
        const bool negativeExponent = number[i + 1] == '-';
        for (size_t k = i + 1; k < number.size(); ++k) {
            if (number[k] >= '0' && number[k] <= '9')
                exponent = std::min(exponent * 10 + (number[k] - '0'), Saturated);
        }
        if (negativeExponent)
            exponent = -exponent;
    }
    const double magnitude = order + exponent >= 0 ? std::numeric_limits<double>::infinity() : 0.0;
    return negative ? -magnitude : magnitude;
}

} // namespace

int hexPairValue(QByteArrayView digits)
{
    if (digits.size() < 2)
        return -1;
    const int high = hexDigitValue(digits[0]);
    const int low = hexDigitValue(digits[1]);
    return high < 0 || low < 0 ? -1 : high * 16 + low;
}

QString decimalText(double value)
{
    if (value == 0 || std::isnan(value))
        return QStringLiteral("0");
    std::array<char, 400> buffer{};
    const auto result = std::to_chars(buffer.data(),
                                      buffer.data() + buffer.size(),
                                      value,
                                      std::chars_format::fixed);
    return QString::fromLatin1(buffer.data(), result.ptr - buffer.data());
}

double Val(const QString &text)
{
    std::string s;
    s.reserve(text.size());
    for (const QChar c : text) {
        if (isIgnored(c))
            continue;
        // Anything outside ASCII cannot belong to a number; it ends the reading like a letter.
        s.push_back(c.unicode() < 128 ? static_cast<char>(c.unicode()) : '\x7f');
    }
    if (s.size() >= 2 && s[0] == '&') {
        if (s[1] == 'H' || s[1] == 'h')
            return readDigits(s, 2, 16);
        if (s[1] == 'O' || s[1] == 'o')
            return readDigits(s, 2, 8);
    }
    const size_t length = decimalPrefixLength(s);
    if (length == 0)
        return 0;
    std::string number = s.substr(0, length);
    for (char &c : number) {
        if (c == 'd' || c == 'D')
            c = 'e';
    }
    if (number[0] == '+')
        number.erase(0, 1);
    double value = 0;
    const auto result = std::from_chars(number.data(), number.data() + number.size(), value);
    if (result.ec == std::errc::result_out_of_range)
        return outOfRange(number);
    return value;
}

double roundHalfEven(double value)
{
    return std::nearbyint(value);
}

} // namespace Convert
