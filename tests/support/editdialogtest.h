#pragma once

#include "support/mainwindowdriver.h"
#include "support/tempfiles.h"

#include <QObject>
#include <QString>

#include <functional>
#include <memory>

class QDialog;

// What the tests of the two line dialogs, dlgHEX and dlgKEL, share: the scratch files a test
// opens, opening the dialog on a row, the ways of closing it without Save, a Save that is to be
// refused, and the checks that read alike for both.
class EditDialogTest : public QObject
{
    Q_OBJECT

protected:
    struct Names
    {
        QString button;   // the command's button
        QString menuItem; // and its menu item
        QString dialog;
        QString written; // the file its Save writes
    };

    explicit EditDialogTest(Names names);

    // Selects the row and opens the dialog on it with its button.
    bool edit(const MainWindowDriver &viewer,
              int row,
              const std::function<void(QDialog *)> &handle) const;
    // Closes the dialog as closingWritesNothing's row says, with the focus in box.
    static void closeWithoutSave(QDialog *dialog, QWidget *box, const QString &how);
    // Clicks Save, which is to refuse with the message box called boxName, and records the box.
    // Returns whether the box showed and the dialog stayed open.
    [[nodiscard]] static bool saveRefused(const MainWindowDriver &viewer,
                                          QDialog *dialog,
                                          const QString &boxName,
                                          ShownMessage &message);

    [[nodiscard]] QString path(const QString &name) const { return m_files->path(name); }
    [[nodiscard]] QString romPath() const { return path(QStringLiteral("game.smc")); }

    std::unique_ptr<TempFiles> m_files;
    const Names m_names;

private slots:
    void cleanup();
    void refusesWithoutSelection_data();
    void refusesWithoutSelection();
    void busyPointerWhileOpen();
    void closingWritesNothing_data();
};
