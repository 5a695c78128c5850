// Draws the main window with a ROM open, as a user sees it after paging down and picking a line,
// into a PNG file for the README. Runs headless: QT_QPA_PLATFORM=offscreen.
//   screenshot ROM OUTPUT.png [PAGE_DOWNS] [ROW]

#include "viewer/frmorvane.h"

#include <QApplication>
#include <QListWidget>
#include <QPixmap>
#include <QPushButton>
#include <QTest>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const QStringList args = QApplication::arguments();
    if (args.size() < 3) {
        qWarning("usage: screenshot ROM OUTPUT.png [PAGE_DOWNS] [ROW]");
        return 2;
    }
    frmOrvane window;
    window.show();
    window.openRom(args.at(1));
    const int pageDowns = args.value(3, QStringLiteral("0")).toInt();
    const int row = args.value(4, QStringLiteral("-1")).toInt();
    auto *pageDown = window.findChild<QPushButton *>(QStringLiteral("cmdPgDn"));
    for (int i = 0; i < pageDowns; ++i)
        QTest::mouseClick(pageDown, Qt::LeftButton);
    if (row >= 0) {
        auto *list = window.findChild<QListWidget *>(QStringLiteral("lstHEX"));
        QTest::mouseClick(list->viewport(),
                          Qt::LeftButton,
                          {},
                          list->visualItemRect(list->item(row)).center());
    }
    QApplication::processEvents();
    if (!window.grab().save(args.at(2))) {
        qWarning("cannot write %s", qPrintable(args.at(2)));
        return 1;
    }
    return 0;
}
