#pragma once

#include "dialogs/selectedline.h"
#include "document/keltable.h"
#include "document/romline.h"

#include <QDialog>

#include <array>

class QLabel;
class QLineEdit;
class QPushButton;

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

    void done(int result) override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildControls();
    void load(const SelectedLine &line);
    // Takes the first box whose text differs from its entry into the table, then shows the
    // table's entries in every box.
    void synchronise();
    void cmdSaveClick();
    // The byte value box i edits, read from its label's hex digits.
    [[nodiscard]] int boxValue(int box) const;

    KelTable m_table;
    QString m_tablePath;
    bool m_open = false;

    QLabel *lblShowHEX = nullptr;
    QLabel *lblShowKEL = nullptr;
    std::array<QLabel *, RomLine::Length> Label1{};
    std::array<QLineEdit *, RomLine::Length> Text1{};
    QPushButton *cmdSave = nullptr;
    QPushButton *cmdCancel = nullptr;
};
