#include "document/keltable.h"
#include "document/romline.h"
#include "support/mainwindowdriver.h"
#include "support/modal.h"
#include "support/romdata.h"
#include "support/tempfiles.h"

#include <QApplication>
#include <QFile>
#include <QInputDialog>
#include <QLineEdit>
#include <QProgressBar>
#include <QTest>

#include <algorithm>
#include <memory>

namespace {

using RomData::romWith;

// Records the progress bar's value and the window's pointer whenever the bar paints.
class PaintWatch : public QObject
{
public:
    explicit PaintWatch(QWidget *window)
        : m_window(window)
    {}

    QList<int> values;
    int busyPaints = 0;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint) {
            values.append(static_cast<QProgressBar *>(watched)->value());
            if (m_window->cursor().shape() == Qt::WaitCursor)
                ++busyPaints;
        }
        return QObject::eventFilter(watched, event);
    }

private:
    QWidget *m_window;
};

} // namespace

// Find and Find Next as the window runs them; where a search lands is the document's business.
class tst_Find : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void findShowsTheLineOfTheMatch();
    void inputBox();
    void cancelChangesNothing_data();
    void cancelChangesNothing();
    void menuShortcuts();
    void feedbackWhileSearching();
    void deletedRomLeavesWindow();

private:
    void open(const QByteArray &rom);

    std::unique_ptr<TempFiles> m_files;
    std::unique_ptr<MainWindowDriver> m_viewer;
    QString m_romPath;
};

void tst_Find::init()
{
    m_files = std::make_unique<TempFiles>();
    m_viewer = std::make_unique<MainWindowDriver>();
}

void tst_Find::cleanup()
{
    QVERIFY(Modal::allHandled());
    m_viewer.reset();
    m_files.reset();
}

void tst_Find::open(const QByteArray &rom)
{
    KelTable table = RomData::abTable();
    table.setEntry(0x58, "X");
    table.setEntry(0x59, "Y");
    m_romPath = m_files->write(QStringLiteral("game.smc"), rom);
    m_files->write(QStringLiteral("game.kel"), table.records());
    m_viewer->openRom(m_romPath);
}

void tst_Find::findShowsTheLineOfTheMatch()
{
    // ABA is AB then A, 43 41: the line that holds those bytes comes to the top.
    const QByteArray rom = romWith(2048, {{20, "ABA"}, {1000, "CA"}});
    open(rom);
    m_viewer->find(QStringLiteral("ABA"));
    QCOMPARE(m_viewer->topOffset(), QStringLiteral("992"));
    QCOMPARE(m_viewer->hexRows().value(0), QString::fromLatin1(RomLine::LineHex(rom.mid(992, 16))));
    QCOMPARE(m_viewer->hexRows().size(), 14);
    QVERIFY(!m_viewer->child<QProgressBar>(QStringLiteral("pgsSearch"))->isVisible());
}

void tst_Find::inputBox()
{
    open(romWith(64, {}));
    QString title;
    QString prompt;
    QString text = QStringLiteral("not empty");
    Modal::whenShown(QStringLiteral("InputBox"), [&](QWidget *box) {
        auto *input = qobject_cast<QInputDialog *>(box);
        QVERIFY(input);
        title = input->windowTitle();
        prompt = input->labelText();
        text = input->textValue();
        Modal::finish(box, QDialog::Rejected);
    });
    m_viewer->click(QStringLiteral("cmd3"));
    QCOMPARE(title, QStringLiteral("Find"));
    QCOMPARE(prompt, QStringLiteral("Enter characters to search for:"));
    QCOMPARE(text, QString());
}

void tst_Find::cancelChangesNothing_data()
{
    QTest::addColumn<bool>("cancel");
    QTest::newRow("typed, then cancelled") << true;
    QTest::newRow("nothing typed") << false;
}

void tst_Find::cancelChangesNothing()
{
    QFETCH(bool, cancel);

    open(romWith(256, {{40, "XY"}, {100, "XY"}, {200, "AB"}}));
    m_viewer->find(QStringLiteral("XY"));
    QCOMPARE(m_viewer->topOffset(), QStringLiteral("32"));
    const QStringList rows = m_viewer->hexRows();

    Modal::whenShown(QStringLiteral("InputBox"), [cancel](QWidget *box) {
        auto *edit = box->findChild<QLineEdit *>();
        if (cancel) {
            QTest::keyClicks(edit, QStringLiteral("AB"));
            QTest::keyClick(edit, Qt::Key_Escape);
        } else {
            QTest::keyClick(edit, Qt::Key_Return);
        }
    });
    m_viewer->click(QStringLiteral("cmd3"));
    QCOMPARE(m_viewer->topOffset(), QStringLiteral("32"));
    QCOMPARE(m_viewer->hexRows(), rows);
    QVERIFY(m_viewer->window().cursor().shape() != Qt::WaitCursor);

    // Find Next still has the pattern.
    m_viewer->findNext();
    QCOMPARE(m_viewer->topOffset(), QStringLiteral("96"));
}

void tst_Find::menuShortcuts()
{
    open(romWith(256, {{40, "XY"}, {100, "XY"}}));
    m_viewer->activate();

    answerInput(QStringLiteral("XY"));
    m_viewer->pressKeys(QKeySequence(QStringLiteral("Ctrl+F")));
    QVERIFY(Modal::allHandled());
    QCOMPARE(m_viewer->topOffset(), QStringLiteral("32"));

    // The box has closed; the main window takes the keys again once it is active.
    m_viewer->activate();
    m_viewer->pressKeys(QKeySequence(QStringLiteral("F3")));
    QCOMPARE(m_viewer->topOffset(), QStringLiteral("96"));

    m_viewer->action(QStringLiteral("mnuFindN"))->trigger();
    QCOMPARE(m_viewer->topOffset(), QStringLiteral("112"));
}

void tst_Find::feedbackWhileSearching()
{
    // Long enough for several reads, each of which moves the bar on.
    const qsizetype size = qsizetype(3) << 20;
    const QByteArray rom = romWith(size, {{size - 10, "XY"}});
    open(rom);
    auto *bar = m_viewer->child<QProgressBar>(QStringLiteral("pgsSearch"));
    PaintWatch watch(&m_viewer->window());
    bar->installEventFilter(&watch);
    m_viewer->find(QStringLiteral("XY"));
    bar->removeEventFilter(&watch);

    // The bar moves on: it is drawn at several values, each further than the one before.
    QList<int> distinct = watch.values;
    distinct.erase(std::unique(distinct.begin(), distinct.end()), distinct.end());
    QVERIFY2(distinct.size() >= 3, qPrintable(QString::number(distinct.size())));
    QVERIFY(std::is_sorted(watch.values.begin(), watch.values.end()));
    QCOMPARE(watch.busyPaints, watch.values.size());
    QVERIFY(!bar->isVisible());
    QCOMPARE(bar->maximum(), rom.size());
    QVERIFY(m_viewer->window().cursor().shape() != Qt::WaitCursor);
    QCOMPARE(m_viewer->topOffset(), QString::number((size - 8) / 16 * 16));
}

void tst_Find::deletedRomLeavesWindow()
{
    open(romWith(256, {{40, "XY"}}));
    m_viewer->find(QStringLiteral("XY"));
    const QStringList rows = m_viewer->hexRows();
    QVERIFY(QFile::remove(m_romPath));

    bool barHidden = false;
    bool pointerRestored = false;
    Modal::whenShown(QStringLiteral("ErrorBox"), [&](QWidget *box) {
        barHidden = !m_viewer->child<QProgressBar>(QStringLiteral("pgsSearch"))->isVisible();
        pointerRestored = m_viewer->window().cursor().shape() != Qt::WaitCursor;
        Modal::finish(box, QDialog::Accepted);
    });
    m_viewer->find(QStringLiteral("AB"));

    QVERIFY(Modal::allHandled());
    QVERIFY(barHidden);
    QVERIFY(pointerRestored);
    QCOMPARE(m_viewer->topOffset(), QStringLiteral("32"));
    QCOMPARE(m_viewer->hexRows(), rows);
}

QTEST_MAIN(tst_Find)
#include "tst_find.moc"
