#include "dlghex.h"

#include "document/keltablefile.h"

dlgHEX::dlgHEX(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("dlgHEX"));
    setModal(true);
}

void dlgHEX::run(const SelectedLine &line)
{
    LoadTable(m_table, line.tablePath);
    exec();
}
