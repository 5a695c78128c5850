#pragma once

#include "script/pointerformat.h"

#include <QCommandLineOption>
#include <QCommandLineParser>

#include <vector>

// The options that give a pointer format, shared by pointers, script dump and script insert's
// help: --width, --big-endian, --stride, --lorom/--hirom/--exhirom with --bank, or --base.
namespace Cli {

class PointerOptions
{
public:
    PointerOptions();

    void addTo(QCommandLineParser &parser) const;
    // The format the options give; throws UsageError.
    [[nodiscard]] PointerFormat format(const QCommandLineParser &parser) const;

private:
    QCommandLineOption m_width;
    QCommandLineOption m_bigEndian;
    QCommandLineOption m_stride;
    QCommandLineOption m_loRom;
    QCommandLineOption m_hiRom;
    QCommandLineOption m_exHiRom;
    QCommandLineOption m_bank;
    QCommandLineOption m_base;
};

// A code in bare hex digits ("C6", "00"), 1 to maxBytes bytes; throws UsageError naming what.
[[nodiscard]] QByteArray parseHexCode(const QString &text, const QString &what, int maxBytes);

} // namespace Cli
