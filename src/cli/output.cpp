#include "output.h"

#include "cli/cli.h"

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

} // namespace Cli
