#pragma once

#include <QByteArray>
#include <QString>

// What an edit dialog takes from the main window when it opens: the selected line as the
// page shows it, where it lies, and the two files it belongs to.
struct SelectedLine
{
    QByteArray hexForm;    // 32 hex digits, as the hex list shows the line
    QByteArray textForm;   // the line's text form as last rendered, real bytes
    QString offsetCaption; // the caption of the offset status: the line's byte offset
    QString romPath;
    QString tablePath;
};
