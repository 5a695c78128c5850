#include "editdialog.h"

#include "dialogs/boxes.h"
#include "dialogs/widgets.h"
#include "platform/convert.h"

#include <QLabel>
#include <QPushButton>

EditDialog::EditDialog(QWidget *parent, const char *name, const QString &title, const QSize &size)
    : QDialog(parent)
{
    setObjectName(QString::fromLatin1(name));
    setWindowTitle(title);
    setModal(true);
    setFixedSize(size);
}

void EditDialog::buildByteLabels(const DialogLayout::ByteGrid &grid, int labelHeight)
{
    for (int i = 0; i < RomLine::Length; ++i) {
        auto *label = new QLabel(QStringLiteral("00:"), this);
        label->setObjectName(QStringLiteral("Label1_%1").arg(i));
        label->setGeometry(grid.cell(i, 0, DialogLayout::ByteGrid::LabelWidth, labelHeight));
        label->setFont(Widgets::lineFont());
        label->setTextFormat(Qt::PlainText);
        Label1[i] = label;
    }
}

void EditDialog::buildButtons(const QRect &saveAt, const QRect &cancelAt)
{
    cmdSave = Widgets::place(new QPushButton(QStringLiteral("Save"), this), "cmdSave", saveAt);
    cmdCancel = Widgets::place(new QPushButton(QStringLiteral("Cancel"), this),
                               "cmdCancel",
                               cancelAt);
    cmdCancel->setDefault(true);
    connect(cmdSave, &QPushButton::clicked, this, [this] { save(); });
    connect(cmdCancel, &QPushButton::clicked, this, [this] { reject(); });
}

void EditDialog::runModal(const RomDocument::Line &line, const KelTable &table)
{
    m_line = line;
    m_table = table;
    for (int i = 0; i < RomLine::Length; ++i)
        Label1[i]->setText(QString::fromLatin1(Convert::hexPair(byteValue(i))) + QLatin1Char(':'));
    load();
    exec();
}

int EditDialog::byteValue(int i) const
{
    return static_cast<unsigned char>(m_line.bytes.at(i));
}

void EditDialog::closeAfter(const std::function<bool()> &write)
{
    if (write())
        accept();
}
