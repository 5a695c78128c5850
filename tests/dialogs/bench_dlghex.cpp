#include "support/tempfiles.h"
#include "viewerdriver.h"

#include "dialogs/dlghex.h"

#include <QTest>
#include <QTimer>

// How long the line hex editor takes to open: loading a full table and filling sixteen boxes
// of 256 entries, shown and closed at once.
class bench_dlgHEX : public QObject
{
    Q_OBJECT

private slots:
    void opening();
};

void bench_dlgHEX::opening()
{
    TempFiles files;
    QList<QByteArray> entries;
    for (int k = 1; k <= 255; ++k)
        entries.append(QByteArray(8, static_cast<char>('a' + k % 26)));
    const SelectedLine line{TempFiles::pattern(16).toHex().toUpper(), {}, QStringLiteral("0"),
                            files.write(QStringLiteral("game.smc"), TempFiles::pattern(64)),
                            files.write(QStringLiteral("game.kel"), tableFile(entries))};
    dlgHEX dialog;
    QBENCHMARK {
        QTimer::singleShot(0, &dialog, [&dialog] { dialog.reject(); });
        dialog.run(line);
    }
}

QTEST_MAIN(bench_dlgHEX)
#include "bench_dlghex.moc"
