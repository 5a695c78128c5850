#include "viewer/frmorvane.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Orvane"));
    frmOrvane window;
    window.show();
    return QApplication::exec();
}
