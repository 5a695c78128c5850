#pragma once

#include "document/keltable.h"
#include "document/romdocument.h"
#include "document/romline.h"

#include <QDialog>
#include <QRect>

#include <array>
#include <functional>

class QLabel;
class QPushButton;

namespace DialogLayout {

// 15 twips make one pixel at 96 dots per inch.
constexpr int px(int twips)
{
    return twips / 15;
}

constexpr QRect twips(int left, int top, int width, int height)
{
    return {px(left), px(top), px(width), px(height)};
}

// Where the sixteen byte controls stand, in twips: two columns of eight rows, a byte's label
// first and its box beside it.
struct ByteGrid
{
    static constexpr int RowsPerColumn = 8;
    static constexpr int LabelWidth = 375;
    static constexpr int BoxShift = 480;

    int firstColumn;
    int secondColumn;
    int top;
    int rowPitch;

    [[nodiscard]] constexpr QRect cell(int i, int shift, int width, int height) const
    {
        return twips((i < RowsPerColumn ? firstColumn : secondColumn) + shift,
                     top + rowPitch * (i % RowsPerColumn),
                     width,
                     height);
    }
};

} // namespace DialogLayout

// What the two line dialogs share: the line they edit, handed in when they open, with its sixteen
// byte labels; their own table, which each opening's load starts from; Save and Cancel; running
// modally; and a save that reports its failure and keeps the dialog open.
class EditDialog : public QDialog
{
public:
    [[nodiscard]] const KelTable &table() const { return m_table; }

protected:
    EditDialog(QWidget *parent, const char *name, const QString &title, const QSize &size);

    void buildByteLabels(const DialogLayout::ByteGrid &grid, int labelHeight);
    void buildButtons(const QRect &saveAt, const QRect &cancelAt);

    // Takes line and table as the dialog's own, loads the controls and shows the dialog
    // modally; returns once it has closed.
    void runModal(const RomDocument::Line &line, const KelTable &table);
    // Sets the controls up for m_line and m_table.
    virtual void load() = 0;
    virtual void save() = 0;
    // Closes the dialog once write has succeeded; when it fails, its writer has said why and the
    // dialog stays open with its edits.
    void closeAfter(const std::function<bool()> &write);
    [[nodiscard]] int byteValue(int i) const;

    KelTable m_table;
    RomDocument::Line m_line;
    std::array<QLabel *, RomLine::Length> Label1{};
    QPushButton *cmdSave = nullptr;
    QPushButton *cmdCancel = nullptr;
};

// A line dialog whose Save hands one value, the new bytes or the new table, to a writer that
// says whether it was written, having shown why not.
template<typename Value>
class LineDialog : public EditDialog
{
public:
    using Write = std::function<bool(const Value &)>;

    // Shows the dialog modally for line, with table as its own; Save hands its value to write.
    // Returns once the dialog has closed.
    void run(const RomDocument::Line &line, const KelTable &table, Write write)
    {
        m_write = std::move(write);
        runModal(line, table);
    }

protected:
    using EditDialog::EditDialog;

    Write m_write;
};
