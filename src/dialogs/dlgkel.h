#pragma once

#include "dialogs/editdialog.h"

#include <array>

class QLineEdit;

// The translation editor: lets the user change the translations of the byte values of the
// selected line and rewrites the table file on Save.
class dlgKEL : public LineDialog<KelTable>
{
    Q_OBJECT

public:
    explicit dlgKEL(QWidget *parent = nullptr);

    void done(int result) override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void load() override;
    void save() override;
    // Takes the first box whose text differs from its entry into the table, then shows the
    // table's entries in every box.
    void synchronise();

    // Whether a box losing the focus is the user's move, not the dialog closing.
    bool m_open = false;
    QLabel *lblShowHEX = nullptr;
    QLabel *lblShowKEL = nullptr;
    std::array<QLineEdit *, RomLine::Length> Text1{};
};
