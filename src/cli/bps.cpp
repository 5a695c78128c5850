#include "cli/commands.h"

#include "cli/output.h"
#include "patch/bps.h"
#include "platform/binaryfile.h"

namespace Cli {

namespace {

QString crcText(quint32 crc)
{
    return QStringLiteral("%1").arg(crc, 8, 16, QLatin1Char('0')).toUpper();
}

Exit create(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Writes a BPS patch that turns ORIGINAL into MODIFIED, with the CRC32 of "
                       "both and of the patch, so that applying it checks that it fits."));
    if (!parse(parser,
               arguments,
               {{"ORIGINAL", "The file as it was."},
                {"MODIFIED", "The file as it is."},
                {"OUT.bps", "The patch to write."}}))
        return Exit::Success;
    const QStringList files = parser.positionalArguments();
    refuseToOverwrite(files[2], {files[0], files[1]});
    const QByteArray original = BinaryFile::readAll(files[0]);
    const QByteArray modified = BinaryFile::readAll(files[1]);
    const QByteArray patch = Bps::create(original, modified);
    BinaryFile::replaceContents(files[2], patch);
    const Bps::Header header = Bps::readHeader(patch);
    out() << "Wrote " << files[2] << ": " << patch.size() << " bytes, for a source of "
          << original.size() << " bytes (CRC32 " << crcText(header.sourceCrc)
          << ") and a target of " << modified.size() << " bytes (CRC32 "
          << crcText(header.targetCrc) << ").\n";
    return Exit::Success;
}

Exit apply(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Applies a BPS patch to ROM and writes the result, after checking the "
                       "CRC32 of the patch, of ROM and of the result. A patch that does not fit "
                       "is refused, saying which checksum failed, and nothing is written."));
    const OutputOptions output;
    output.addTo(parser);
    if (!parse(parser, arguments, {{"ROM", "The file to patch."}, {"PATCH", "The .bps patch."}}))
        return Exit::Success;
    const QStringList files = parser.positionalArguments();
    const QString target = output.target(parser, files[0], files);
    const QByteArray rom = BinaryFile::readAll(files[0]);
    const QByteArray patched = Bps::apply(rom, BinaryFile::readAll(files[1]));
    BinaryFile::replaceContents(target, patched);
    out() << "The patch, source and target checksums match; wrote " << target << ", "
          << patched.size() << " bytes.\n";
    return Exit::Success;
}

} // namespace

Exit bpsCommand(const QStringList &arguments)
{
    return dispatch(arguments,
                    {
                        {QStringLiteral("create"),
                         QStringLiteral("Writes the BPS patch between two files."),
                         create},
                        {QStringLiteral("apply"),
                         QStringLiteral("Applies a BPS patch to a file, checking its checksums."),
                         apply},
                    });
}

} // namespace Cli
