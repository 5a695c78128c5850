#pragma once

#include "dialogs/selectedline.h"
#include "document/keltable.h"

#include <QDialog>

// The line hex editor: shows the 16 bytes of the selected line, each in a box of all 256
// values with their translations, and writes the chosen bytes into the ROM on Save.
class dlgHEX : public QDialog
{
    Q_OBJECT

public:
    explicit dlgHEX(QWidget *parent = nullptr);

    // Loads the dialog for line and shows it modally; returns once it has closed.
    // Throws FileError when the table cannot be read, before anything is shown.
    void run(const SelectedLine &line);

private:
    KelTable m_table;
};
