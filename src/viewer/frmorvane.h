#pragma once

#include "document/keltable.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QMainWindow>
#include <QStringList>

#include <memory>

class QAction;
class QFileDialog;
class QLabel;
class QListWidget;
class QMenu;
class QProgressBar;
class QPushButton;
class dlgHEX;
class dlgKEL;
struct SelectedLine;

// The main window: a page of 14 ROM lines in hex and as text, the status of the selected
// line, and the commands that open, move through, search and edit the ROM and its table.
class frmOrvane : public QMainWindow
{
    Q_OBJECT

public:
    explicit frmOrvane(QWidget *parent = nullptr);
    ~frmOrvane() override;

    // Opens the ROM at path as the Open command does once a file has been chosen.
    void openRom(const QString &path);

    [[nodiscard]] double topLine() const { return TopLine; }
    [[nodiscard]] const QString &romPath() const { return m_romPath; }
    [[nodiscard]] const QString &tablePath() const { return m_tablePath; }
    [[nodiscard]] const QByteArray &searchBytes() const { return SearchBytes; }

protected:
    void keyPressEvent(QKeyEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // One page as read from the files, applied to the window only once all of it was read.
    struct Page
    {
        double romLength = 0;
        QStringList hexRows;
        QList<QByteArray> textRows;
    };

    void buildControls();
    void buildMenus();
    void connectCommands();

    void mnuOpenClick();
    void cmdPgDnClick();
    void cmdPgUpClick();
    void cmd7Click();
    void cmd1Click();
    void cmd2Click();
    void cmd8Click();
    void mnuAboutClick();

    void ShowPage();
    void ShowCurrentLine();
    void FindText(int mode);

    [[nodiscard]] Page readPage(const QString &romPath,
                                const QString &tablePath,
                                double topLine,
                                const KelTable &table) const;
    void applyPage(double topLine, const Page &page);
    // Renders the page at topLine, or leaves the window as it was when a file fails.
    void moveTo(double topLine);
    [[nodiscard]] int selectedRow() const;
    // Whether a row is selected; refuses with a message when none is.
    bool lineSelected();
    [[nodiscard]] SelectedLine selectedLine() const;
    void enableCommands();
    void showSearchProgress(qint64 position);

    double TopLine = 0;
    double RomLength = 0;
    KelTable m_table;
    QByteArray SearchBytes;
    QString m_romPath;
    QString m_tablePath;
    QList<QByteArray> m_textRows;
    qint64 m_progressScale = 1;
    QElapsedTimer m_sinceProgressRepaint;

    QLabel *lblHEX = nullptr;
    QLabel *lblKEL = nullptr;
    QListWidget *lstHEX = nullptr;
    QListWidget *lstKEL = nullptr;
    QPushButton *cmdPgUp = nullptr;
    QPushButton *cmdPgDn = nullptr;
    QLabel *lblCurLine = nullptr;
    QLabel *lblTopline = nullptr;
    QLabel *lblShowLine = nullptr;
    QProgressBar *pgsSearch = nullptr;
    QPushButton *cmd1 = nullptr;
    QPushButton *cmd2 = nullptr;
    QPushButton *cmd3 = nullptr;
    QPushButton *cmd4 = nullptr;
    QPushButton *cmd5 = nullptr;
    QPushButton *cmd6 = nullptr;
    QPushButton *cmd7 = nullptr;
    QPushButton *cmd8 = nullptr;
    QFileDialog *cmnDialog = nullptr;
    QFileDialog *cmnKEL = nullptr;

    QMenu *mnuFile = nullptr;
    QMenu *mnuEdit = nullptr;
    QMenu *mnuHelp = nullptr;
    QAction *mnuOpen = nullptr;
    QAction *mnuCSP = nullptr;
    QAction *mnuMSP = nullptr;
    QAction *mnuExit = nullptr;
    QAction *mnuLine = nullptr;
    QAction *mnuKEL = nullptr;
    QAction *mnuGoTo = nullptr;
    QAction *mnuFind = nullptr;
    QAction *mnuFindN = nullptr;
    QAction *mnuAbout = nullptr;

    std::unique_ptr<dlgHEX> m_dlgHEX;
    std::unique_ptr<dlgKEL> m_dlgKEL;
};
