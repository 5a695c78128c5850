#pragma once

#include "dialogs/selectedline.h"
#include "document/keltable.h"

#include <QDialog>

// The translation editor: lets the user change the translations of the byte values of the
// selected line and rewrites the table file on Save.
class dlgKEL : public QDialog
{
    Q_OBJECT

public:
    explicit dlgKEL(QWidget *parent = nullptr);

    // Loads the dialog for line and shows it modally; returns once it has closed.
    // Throws FileError when the table cannot be read, before anything is shown.
    void run(const SelectedLine &line);

private:
    KelTable m_table;
};
