#pragma once

#include "document/romdocument.h"

#include <QMainWindow>

#include <functional>
#include <memory>
#include <optional>

class EditDialog;
class QAction;
class QFileDialog;
class QLabel;
class QListWidget;
class QMenu;
class QProgressBar;
class QPushButton;
class dlgHEX;
class dlgKEL;

// The main window: a page of 14 ROM lines in hex and as text, the status of the selected
// line, and the commands that open, move through, search and edit the ROM and its table. The
// document it shows does the work; the window renders it and reads its own controls.
class frmOrvane : public QMainWindow
{
    Q_OBJECT

public:
    explicit frmOrvane(QWidget *parent = nullptr);
    ~frmOrvane() override;

    // Opens the ROM at path as the Open command does once a file has been chosen.
    void openRom(const QString &path);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    // One local file dropped on the window opens as Open opens it; anything else is refused.
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    enum class FindMode { Find, FindNext };

    void createActions();
    void buildControls(QWidget *client);
    void buildMenus();

    void open();
    void goTo();
    void editCurrentLine();
    void editTranslations();
    void about();

    // Renders the document's page: both lists, the offset caption and the page buttons.
    void ShowPage();
    void ShowCurrentLine();
    void FindText(FindMode mode);

    // Runs a command on the document and renders the page it leaves; when it fails, the
    // message says why and the window stays as it was.
    bool runCommand(const std::function<void()> &command);
    // The one place where the window meets a failure of the core: runs command, and when it
    // fails shows why in a box over boxParent (the window when none) and returns false.
    bool attempt(const std::function<void()> &command, QWidget *boxParent = nullptr);
    // Opens an edit dialog on the selected line, then re-renders the page whichever way it was
    // closed; a file that failed in the dialog is not reported a second time.
    void runEditor(const std::function<void(const RomDocument::Line &)> &run);
    [[nodiscard]] int selectedRow() const;
    // Whether a row is selected; refuses with a message when none is.
    bool lineSelected();
    void enableCommands();
    void showSearchProgress(qint64 position);

    RomDocument m_document;
    qint64 m_progressScale = 1;

    QListWidget *lstHEX = nullptr;
    QListWidget *lstKEL = nullptr;
    QPushButton *cmdPgUp = nullptr;
    QLabel *lblTopline = nullptr;
    QLabel *lblShowLine = nullptr;
    QProgressBar *pgsSearch = nullptr;
    QPushButton *cmd8 = nullptr;
    QFileDialog *cmnDialog = nullptr;
    QMenu *mnuEdit = nullptr;

    // One action per command; a command's button and menu item both trigger it.
    QAction *m_open = nullptr;
    QAction *m_exit = nullptr;
    QAction *m_about = nullptr;
    QAction *m_editLine = nullptr;
    QAction *m_editTranslations = nullptr;
    QAction *m_goTo = nullptr;
    QAction *m_find = nullptr;
    QAction *m_findNext = nullptr;
    QAction *m_createIps = nullptr;
    QAction *m_mergeIps = nullptr;
    QAction *m_pageUp = nullptr;
    QAction *m_pageDown = nullptr;

    std::unique_ptr<dlgHEX> m_lineEditor;
    // The files whose failure was shown while an editor is open.
    std::optional<QStringList> m_filesReported;
    std::unique_ptr<dlgKEL> m_translationEditor;
};
