// The window and both editors over a table that holds one huge entry: a table file without a
// carriage return is a single entry 1, and a ROM of byte 01 shows it 16 times in every row.
// Each case draws what it changed (QWidget::grab), since drawing long rows costs as much as
// reading them. The arguments are the table file's size and its byte: 0, control characters
// that no font has a glyph for (a sparse file), or 65, the letter A. Runs headless; prints the
// peak memory of the process last, so run one size at a time (--benchmark_filter=/65536/ or
// =/104857600/) to see what each needs.

#include "dialogs/dlghex.h"
#include "dialogs/dlgkel.h"
#include "document/keltablefile.h"
#include "document/romdocument.h"
#include "viewer/frmorvane.h"
#include "windowbench.h"

#include <QApplication>
#include <QListWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <sys/resource.h>

namespace {

// A ROM of byte 01 and, beside it, a table file of tableBytes bytes of one value.
struct HugeEntry
{
    HugeEntry(qint64 tableBytes, char fill)
    {
        QFile rom(dir.filePath(QStringLiteral("huge.smc")));
        const QByteArray ones(4096, '\x01');
        if (!rom.open(QIODevice::WriteOnly) || rom.write(ones) != ones.size())
            std::abort();
        rom.close();
        QFile table(tablePathFor(rom.fileName()));
        if (!table.open(QIODevice::WriteOnly))
            std::abort();
        if (fill == 0 && !table.resize(tableBytes))
            std::abort();
        const QByteArray block(1 << 16, fill);
        for (qint64 done = 0; fill != 0 && done < tableBytes; done += block.size()) {
            if (table.write(block.left(tableBytes - done)) < 0)
                std::abort();
        }
        romPath = rom.fileName();
    }

    QTemporaryDir dir;
    QString romPath;
};

void openingTheRom(benchmark::State &state)
{
    const HugeEntry files(state.range(0), static_cast<char>(state.range(1)));
    frmOrvane window;
    window.show();
    for (auto _ : state) {
        window.openRom(files.romPath);
        benchmark::DoNotOptimize(window.grab());
    }
}

void selectingARow(benchmark::State &state)
{
    const HugeEntry files(state.range(0), static_cast<char>(state.range(1)));
    frmOrvane window;
    window.show();
    window.openRom(files.romPath);
    auto *list = window.findChild<QListWidget *>(QStringLiteral("lstHEX"));
    int row = 0;
    for (auto _ : state) {
        row = 1 - row;
        QTest::mouseClick(list->viewport(),
                          Qt::LeftButton,
                          {},
                          list->visualItemRect(list->item(row)).center());
        benchmark::DoNotOptimize(window.grab());
    }
}

// Opens the dialog on the first line as the window does, with its table loaded from the file,
// draws it once shown and closes it.
template<typename Dialog>
void openingAnEditor(benchmark::State &state)
{
    const HugeEntry files(state.range(0), static_cast<char>(state.range(1)));
    RomDocument document;
    document.open(files.romPath);
    const RomDocument::Line line = document.page().lines[0];
    Dialog dialog;
    for (auto _ : state) {
        QTimer::singleShot(0, &dialog, [&dialog] {
            benchmark::DoNotOptimize(dialog.grab());
            dialog.reject();
        });
        dialog.run(line, document.tableFromFile(dialog.table()), {});
    }
}

// 64 KiB is as much as the table reader takes; 100 MB is a file far beyond it.
void tableSizes(benchmark::internal::Benchmark *benchmark)
{
    for (const qint64 size : {qint64(64) << 10, qint64(100) << 20}) {
        for (const char fill : {'\0', 'A'})
            benchmark->Args({size, fill});
    }
    benchmark->Unit(benchmark::kMillisecond);
}

BENCHMARK(openingTheRom)->Apply(tableSizes);
BENCHMARK(selectingARow)->Apply(tableSizes);
BENCHMARK(openingAnEditor<dlgHEX>)->Name("openingTheLineEditor")->Apply(tableSizes);
BENCHMARK(openingAnEditor<dlgKEL>)->Name("openingTheTranslationEditor")->Apply(tableSizes);

} // namespace

int main(int argc, char *argv[])
{
    WindowBench::runHeadless(argc, argv);
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("peak RSS of the process: %ld KiB\n", usage.ru_maxrss);
    return 0;
}
