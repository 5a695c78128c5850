#pragma once

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QString>
#include <QStringList>

#include <optional>

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

// The largest files a patch format's commands read, so that a file no patch of the format can
// describe is refused before it is read.
struct PatchLimits
{
    qint64 file;  // a file a patch is made from, made for or applied to
    qint64 patch; // the patch itself
    QString format;
};

// What making a patch works on: the two files it lies between, and the patch file to write.
struct PatchMaking
{
    QByteArray original;
    QByteArray modified;
    QString patchPath;
};

// Parses "ORIGINAL MODIFIED patchName" and reads the two files; nothing when --help was asked
// for. The patch file may not be either input.
[[nodiscard]] std::optional<PatchMaking> readPatchMaking(const QStringList &arguments,
                                                         const QString &description,
                                                         const char *patchName,
                                                         const PatchLimits &limits);

// What applying a patch works on: the ROM, the patch, and the file to write the result to.
struct PatchApplying
{
    QByteArray rom;
    QByteArray patch;
    QString target;
};

// Parses "ROM PATCH" with -o OUT or --in-place and reads both files; nothing when --help was
// asked for.
[[nodiscard]] std::optional<PatchApplying> readPatchApplying(const QStringList &arguments,
                                                             const QString &description,
                                                             const char *patchDescription,
                                                             const PatchLimits &limits);

} // namespace Cli
