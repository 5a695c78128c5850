#include "cli/commands.h"

#include "cli/output.h"
#include "patch/bps.h"
#include "platform/binaryfile.h"

namespace Cli {

namespace {

// A patch that stores its whole target as new bytes is the target and a few bytes more.
const PatchLimits Limits{Bps::MaxTargetSize, 2 * Bps::MaxTargetSize, QStringLiteral("BPS")};

QString crcText(quint32 crc)
{
    return QStringLiteral("%1").arg(crc, 8, 16, QLatin1Char('0')).toUpper();
}

Exit create(const QStringList &arguments)
{
    const std::optional<PatchMaking> making = readPatchMaking(
        arguments,
        QStringLiteral("Writes a BPS patch that turns ORIGINAL into MODIFIED, with the CRC32 of "
                       "both and of the patch, so that applying it checks that it fits."),
        "OUT.bps",
        Limits);
    if (!making)
        return Exit::Success;
    const auto &[original, modified, patchPath] = *making;
    const QByteArray patch = Bps::create(original, modified);
    BinaryFile::replaceContents(patchPath, patch);
    const Bps::Header header = Bps::readHeader(patch);
    err() << "Wrote " << patchPath << ": " << patch.size() << " bytes, for a source of "
          << original.size() << " bytes (CRC32 " << crcText(header.sourceCrc)
          << ") and a target of " << modified.size() << " bytes (CRC32 "
          << crcText(header.targetCrc) << ").\n";
    return Exit::Success;
}

Exit apply(const QStringList &arguments)
{
    const std::optional<PatchApplying> applying = readPatchApplying(
        arguments,
        QStringLiteral("Applies a BPS patch to ROM and writes the result, after checking the "
                       "CRC32 of the patch, of ROM and of the result. A patch that does not fit "
                       "is refused, saying which checksum failed, and nothing is written."),
        "The .bps patch.",
        Limits);
    if (!applying)
        return Exit::Success;
    const QByteArray patched = Bps::apply(applying->rom, applying->patch);
    BinaryFile::replaceContents(applying->target, patched);
    err() << "The patch, source and target checksums match; wrote " << applying->target << ", "
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
