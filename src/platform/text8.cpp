#include "text8.h"

namespace Text8 {

QString toWidget(const QByteArray &bytes)
{
    return QString::fromLatin1(bytes);
}

qsizetype firstNon8Bit(const QString &text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text.at(i).unicode() > 0xFF)
            return i;
    }
    return -1;
}

std::optional<QByteArray> fromWidget(const QString &text)
{
    if (firstNon8Bit(text) >= 0)
        return std::nullopt;
    return text.toLatin1();
}

QString toDisplay(const QByteArray &bytes)
{
    QString shown;
    shown.reserve(bytes.size());
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x20)
            shown.append(QChar(0x2400 + b));
        else if (b == 0x7F)
            shown.append(QChar(0x2421));
        else
            shown.append(QChar(b));
    }
    return shown;
}

QString toDisplay(const QByteArray &bytes, qsizetype limit)
{
    if (bytes.size() <= limit)
        return toDisplay(bytes);
    return toDisplay(bytes.left(limit)) + QChar(0x2026);
}

} // namespace Text8
