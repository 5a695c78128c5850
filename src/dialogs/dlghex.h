#pragma once

#include "dialogs/selectedline.h"
#include "document/keltable.h"
#include "document/romline.h"

#include <QDialog>

#include <array>

class QComboBox;
class QLabel;
class QPushButton;
class QStringListModel;

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
    void buildControls();
    void load(const SelectedLine &line);
    void cmdSaveClick();
    // The byte value box i names: its selected entry, or an entry or hex pair typed into it;
    // -1 when its text names no value.
    [[nodiscard]] int chosenValue(int box) const;
    // Shows the entry of the value a box's typed text names, once the user has left it.
    void selectTypedValue(int box);

    KelTable m_table;
    SelectedLine m_line;

    std::array<QLabel *, RomLine::Length> Label1{};
    std::array<QComboBox *, RomLine::Length> Combo1{};
    QPushButton *cmdSave = nullptr;
    QPushButton *cmdCancel = nullptr;
    // One list of the 256 entries, shared by all sixteen boxes.
    QStringListModel *m_entries = nullptr;
};
