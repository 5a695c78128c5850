#include "cli/commands.h"

#include "cli/output.h"
#include "patch/ips.h"
#include "patch/snesrom.h"
#include "platform/binaryfile.h"

namespace Cli {

namespace {

// IPS reaches 16 MiB and one record past it; a patch of records that overlap may be larger than
// its target, but not by this much.
const PatchLimits Limits{Ips::MaxTargetSize + Ips::MaxRecordSize,
                         qint64(64) << 20,
                         QStringLiteral("IPS")};

QString records(std::size_t count)
{
    return QStringLiteral("%1 record%2").arg(count).arg(count == 1 ? "" : "s");
}

Exit create(const QStringList &arguments)
{
    const std::optional<PatchMaking> making = readPatchMaking(
        arguments,
        QStringLiteral("Writes an IPS patch that turns ORIGINAL into MODIFIED. A MODIFIED that is "
                       "shorter gets the truncation length after \"EOF\", which some patchers "
                       "ignore; one over 16 MiB is refused (make a BPS patch)."),
        "OUT.ips",
        Limits);
    if (!making)
        return Exit::Success;
    const auto &[original, modified, patchPath] = *making;
    const QByteArray patch = Ips::create(original, modified);
    BinaryFile::replaceContents(patchPath, patch);
    err() << "Wrote " << patchPath << ": " << records(Ips::read(patch).records.size()) << ", "
          << patch.size() << " bytes.\n";
    if (modified.size() < original.size()) {
        err() << "MODIFIED is shorter: the patch cuts the file to " << modified.size()
              << " bytes (IPS's truncation extension; a patcher that does not know it leaves the "
                 "file longer).\n";
    }
    return Exit::Success;
}

Exit apply(const QStringList &arguments)
{
    const std::optional<PatchApplying> applying = readPatchApplying(
        arguments,
        QStringLiteral("Applies an IPS patch to ROM and writes the result. A damaged patch is "
                       "refused, saying where, and nothing is written."),
        "The .ips patch.",
        Limits);
    if (!applying)
        return Exit::Success;
    const auto &[rom, patch, target] = *applying;
    const QByteArray patched = Ips::apply(rom, patch);
    BinaryFile::replaceContents(target, patched);
    const Ips::Contents contents = Ips::read(patch);
    err() << "Applied " << records(contents.records.size()) << "; wrote " << target << ", "
          << patched.size() << " bytes.\n";
    if (contents.truncation && *contents.truncation < rom.size())
        err() << "The patch cut the file to " << *contents.truncation << " bytes.\n";
    if (Snes::copierHeaderSize(rom.size()) != 0) {
        err() << "Note: ROM has a 512-byte copier header. A patch made for a ROM without one "
                 "lands 512 bytes off; 'orvane-cli snes header remove' takes it away.\n";
    }
    return Exit::Success;
}

} // namespace

Exit ipsCommand(const QStringList &arguments)
{
    return dispatch(arguments,
                    {
                        {QStringLiteral("create"),
                         QStringLiteral("Writes the IPS patch between two files."),
                         create},
                        {QStringLiteral("apply"),
                         QStringLiteral("Applies an IPS patch to a file."),
                         apply},
                    });
}

} // namespace Cli
