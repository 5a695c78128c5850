#include "dlgkel.h"

#include "document/keltablefile.h"

dlgKEL::dlgKEL(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("dlgKEL"));
    setModal(true);
}

void dlgKEL::run(const SelectedLine &line)
{
    LoadTable(m_table, line.tablePath);
    exec();
}
