#pragma once

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QString>
#include <QStringList>

// Where a command that makes a file from an input writes it: the file that -o names, or with
// --in-place the input itself. One of the two must be given, so that an input is never changed
// by a command that was not told to; and -o may not name an input.
namespace Cli {

class OutputOptions
{
public:
    OutputOptions();

    void addTo(QCommandLineParser &parser) const;
    // The file to write: edited with --in-place, else -o's file. Throws UsageError.
    [[nodiscard]] QString target(const QCommandLineParser &parser,
                                 const QString &edited,
                                 const QStringList &inputs) const;

private:
    QCommandLineOption m_output;
    QCommandLineOption m_inPlace;
};

} // namespace Cli
