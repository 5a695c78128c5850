#pragma once

#include "dialogs/editdialog.h"

#include <array>

class QComboBox;
class QStringListModel;

// The line hex editor: shows the 16 bytes of the selected line, each in a box of all 256
// values with their translations, and writes the chosen bytes into the ROM on Save.
class dlgHEX : public LineDialog<QByteArray>
{
    Q_OBJECT

public:
    explicit dlgHEX(QWidget *parent = nullptr);

private:
    void buildBoxes();
    void load() override;
    void save() override;
    // The byte value box i names: its selected entry, or an entry or hex pair typed into it;
    // -1 when its text names no value.
    [[nodiscard]] int chosenValue(int box) const;
    // Shows the entry of the value a box's typed text names, once the user has left it.
    void selectTypedValue(int box);

    std::array<QComboBox *, RomLine::Length> Combo1{};
    // One list of the 256 entries, shared by all sixteen boxes.
    QStringListModel *m_entries = nullptr;
};
