// How long the line hex editor takes to open: loading a full table and filling sixteen boxes of
// 256 entries, shown and closed at once. Runs headless (QT_QPA_PLATFORM=offscreen).

#include "dialogs/dlghex.h"
#include "document/keltable.h"
#include "document/keltablefile.h"
#include "windowbench.h"

#include <QApplication>
#include <QTemporaryDir>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <cstdlib>

namespace {

QString writeFile(const QTemporaryDir &dir, const QString &name, const QByteArray &bytes)
{
    QFile file(dir.filePath(name));
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        std::abort();
    return file.fileName();
}

void openingTheLineHexEditor(benchmark::State &state)
{
    QTemporaryDir dir;
    KelTable table;
    for (int k = 1; k <= KelTable::RecordCount; ++k)
        table.setEntry(k, QByteArray(8, static_cast<char>('a' + k % 26)));
    QByteArray line;
    for (int i = 0; i < 16; ++i)
        line.append(static_cast<char>(i * 17));
    const RomDocument::Line selected{line, {}, 0};
    const QString tablePath = writeFile(dir, QStringLiteral("game.kel"), table.records());
    dlgHEX dialog;
    for (auto _ : state) {
        QTimer::singleShot(0, &dialog, [&dialog] { dialog.reject(); });
        KelTable loaded = dialog.table();
        LoadTable(loaded, tablePath);
        dialog.run(selected, loaded, [](const QByteArray &) { return true; });
    }
}
BENCHMARK(openingTheLineHexEditor)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char *argv[])
{
    WindowBench::runHeadless(argc, argv);
    return 0;
}
