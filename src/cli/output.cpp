#include "output.h"

#include "cli/cli.h"
#include "platform/binaryfile.h"

namespace Cli {

OutputOptions::OutputOptions()
    : m_output({QStringLiteral("o"), QStringLiteral("output")},
               QStringLiteral("The file to write; it may not be an input."),
               QStringLiteral("OUT"))
    , m_inPlace(QStringLiteral("in-place"),
                QStringLiteral("Replaces the input itself (in one step, as a new file)."))
{}

void OutputOptions::addTo(QCommandLineParser &parser) const
{
    parser.addOptions({m_output, m_inPlace});
}

QString OutputOptions::target(const QCommandLineParser &parser,
                              const QString &edited,
                              const QStringList &inputs) const
{
    const bool inPlace = parser.isSet(m_inPlace);
    if (inPlace && parser.isSet(m_output))
        throw UsageError(QStringLiteral("takes either -o OUT or --in-place, not both."));
    if (inPlace)
        return edited;
    if (!parser.isSet(m_output)) {
        throw UsageError(
            QStringLiteral("needs -o OUT, or --in-place to change \"%1\" itself.").arg(edited));
    }
    QString output = parser.value(m_output);
    if (output.isEmpty())
        throw UsageError(QStringLiteral("-o needs a file name."));
    refuseToOverwrite(output, inputs);
    return output;
}

std::optional<PatchMaking> readPatchMaking(const QStringList &arguments,
                                           const QString &description,
                                           const char *patchName,
                                           const PatchLimits &limits)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(description);
    if (!parse(parser,
               arguments,
               {{"ORIGINAL", "The file as it was."},
                {"MODIFIED", "The file as it is."},
                {patchName, "The patch to write."}}))
        return std::nullopt;
    const QStringList files = parser.positionalArguments();
    refuseToOverwrite(files[2], {files[0], files[1]});
    const QString holder = QStringLiteral("a file that %1 patches").arg(limits.format);
    return PatchMaking{BinaryFile::readAll(files[0], limits.file, holder),
                       BinaryFile::readAll(files[1], limits.file, holder),
                       files[2]};
}

std::optional<PatchApplying> readPatchApplying(const QStringList &arguments,
                                               const QString &description,
                                               const char *patchDescription,
                                               const PatchLimits &limits)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(description);
    const OutputOptions output;
    output.addTo(parser);
    if (!parse(parser, arguments, {{"ROM", "The file to patch."}, {"PATCH", patchDescription}}))
        return std::nullopt;
    const QStringList files = parser.positionalArguments();
    const QString target = output.target(parser, files[0], files);
    return PatchApplying{BinaryFile::readAll(files[0],
                                             limits.file,
                                             QStringLiteral("a file that %1 patches")
                                                 .arg(limits.format)),
                         BinaryFile::readAll(files[1],
                                             limits.patch,
                                             QStringLiteral("a %1 patch").arg(limits.format)),
                         target};
}

} // namespace Cli
