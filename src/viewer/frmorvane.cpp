#include "frmorvane.h"

#include "dialogs/boxes.h"
#include "dialogs/dlghex.h"
#include "dialogs/dlgkel.h"
#include "dialogs/widgets.h"
#include "document/romline.h"
#include "platform/fileerror.h"
#include "platform/text8.h"

#include <QAction>
#include <QApplication>
#include <QDragEnterEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMenuBar>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QScopeGuard>
#include <QStyle>
#include <QStyleOptionButton>

#include <algorithm>
#include <climits>
#include <new>
#include <optional>

namespace {

using Widgets::place;

constexpr int ClientWidth = 713;
constexpr int ClientHeight = 419;
constexpr int CommandWidth = 129;
constexpr int CommandHeight = 33;
// How many times at most the progress bar is drawn again during one search.
constexpr int ProgressSteps = 100;

// The hex list reports every key and mouse event after it has handled it, so the current-line
// status is recomputed from the selection the event left behind.
class HexList : public QListWidget
{
public:
    HexList(QWidget *parent, std::function<void()> afterEvent)
        : QListWidget(parent)
        , m_afterEvent(std::move(afterEvent))
    {
        viewport()->setMouseTracking(true);
    }

protected:
    bool event(QEvent *event) override
    {
        const bool handled = QListWidget::event(event);
        if (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease)
            m_afterEvent();
        return handled;
    }
    // The mouse's events reach the list through its viewport.
    bool viewportEvent(QEvent *event) override
    {
        const bool handled = QListWidget::viewportEvent(event);
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseMove:
        case QEvent::MouseButtonRelease:
            m_afterEvent();
            break;
        default:
            break;
        }
        return handled;
    }

private:
    std::function<void()> m_afterEvent;
};

// A command button triggers its command's action and is enabled while the action is.
QPushButton *commandButton(QWidget *parent,
                           const char *name,
                           const QRect &geometry,
                           QAction *action,
                           const QString &caption = {})
{
    auto *button = place(new QPushButton(caption.isEmpty() ? action->text() : caption, parent),
                         name,
                         geometry);
    QObject::connect(button, &QPushButton::clicked, action, &QAction::trigger);
    auto follow = [button, action] { button->setEnabled(action->isEnabled()); };
    QObject::connect(action, &QAction::changed, button, follow);
    follow();
    return button;
}

// The page buttons are narrower than their captions in most default fonts: the caption's font
// shrinks until it fits the room the style leaves inside the button.
void fitCaption(QPushButton *button)
{
    QStyleOptionButton option;
    option.initFrom(button);
    option.text = button->text();
    const int room
        = button->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button).width();
    QFont font = button->font();
    constexpr double SmallestPointSize = 5;
    while (QFontMetrics(font).horizontalAdvance(button->text()) > room
           && font.pointSizeF() > SmallestPointSize) {
        font.setPointSizeF(font.pointSizeF() - 0.5);
    }
    button->setFont(font);
}

// The ROM a drag carries: exactly one local file that is not a folder.
QString droppedRom(const QMimeData *data)
{
    if (!data || data->urls().size() != 1 || !data->urls().first().isLocalFile())
        return {};
    const QString path = data->urls().first().toLocalFile();
    return QFileInfo(path).isFile() ? QFileInfo(path).absoluteFilePath() : QString();
}

} // namespace

static void initResources()
{
    // The icons live in the static UI library, whose resources are not registered by themselves.
    Q_INIT_RESOURCE(orvane);
}

frmOrvane::frmOrvane(QWidget *parent)
    : QMainWindow(parent)
{
    initResources();
    setObjectName(QStringLiteral("frmOrvane"));
    setWindowTitle(QStringLiteral("Kel's Orvane v2.0"));
    QIcon icon;
    icon.addFile(QStringLiteral(":/icons/orvane-32.png"), QSize(32, 32));
    icon.addFile(QStringLiteral(":/icons/orvane-16.png"), QSize(16, 16));
    setWindowIcon(icon);

    auto *client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    client->setFixedSize(ClientWidth, ClientHeight);
    client->setMouseTracking(true);
    client->installEventFilter(this);
    setCentralWidget(client);

    createActions();
    buildControls(client);
    buildMenus();
    setFixedSize(ClientWidth, ClientHeight + menuBar()->sizeHint().height());
    setAcceptDrops(true);
    lstHEX->setFocus();
}

frmOrvane::~frmOrvane() = default;

void frmOrvane::createActions()
{
    auto action = [this](const char *name, const char *caption, std::function<void()> run) {
        auto *item = new QAction(QString::fromLatin1(caption), this);
        item->setObjectName(QString::fromLatin1(name));
        if (run)
            connect(item, &QAction::triggered, this, std::move(run));
        return item;
    };
    m_open = action("mnuOpen", "&Open", [this] { open(); });
    m_open->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    m_exit = action("mnuExit", "E&xit", [this] {
        close();
        QApplication::quit();
    });
    m_about = action("mnuAbout", "About Orvane", [this] { about(); });
    m_editLine = action("mnuLine", "Edit Current &Line", [this] { editCurrentLine(); });
    m_editTranslations = action("mnuKEL", "Edit KEL &Translation", [this] { editTranslations(); });
    m_goTo = action("mnuGoTo", "&GoTo", [this] { goTo(); });
    m_goTo->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_G));
    m_find = action("mnuFind", "&Find", [this] { FindText(FindMode::Find); });
    m_find->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F));
    m_findNext = action("mnuFindN", "Find &Next", [this] { FindText(FindMode::FindNext); });
    m_findNext->setShortcut(QKeySequence(Qt::Key_F3));
    // The patch commands are shown but have no action.
    m_createIps = action("mnuCSP", "&Create IPS File", {});
    m_mergeIps = action("mnuMSP", "&Merge IPS File", {});
    m_pageUp = action("actPageUp", "PgUp", [this] { runCommand([this] { m_document.pageUp(); }); });
    m_pageDown = action("actPageDown", "PgDn", [this] {
        runCommand([this] { m_document.pageDown(); });
    });
    // Every command but Open, Exit and About waits for a ROM.
    for (QAction *waiting : {m_editLine,
                             m_editTranslations,
                             m_goTo,
                             m_find,
                             m_findNext,
                             m_createIps,
                             m_mergeIps,
                             m_pageUp,
                             m_pageDown}) {
        waiting->setEnabled(false);
    }
}

void frmOrvane::buildControls(QWidget *client)
{
    auto label = [client](const char *name, const char *caption, const QRect &geometry) {
        auto *shown = place(new QLabel(QString::fromLatin1(caption), client), name, geometry);
        shown->setFont(Widgets::captionFont());
        return shown;
    };
    label("lblHEX", "HEX Codes:", {8, 0, 81, 17});
    label("lblKEL", "KEL Translation:", {376, 0, 129, 17});
    lstHEX = place(new HexList(client, [this] { ShowCurrentLine(); }), "lstHEX", {8, 16, 329, 256});
    cmdPgUp = commandButton(client, "cmdPgUp", {344, 16, 25, 33}, m_pageUp);
    QPushButton *cmdPgDn = commandButton(client, "cmdPgDn", {344, 240, 25, 33}, m_pageDown);
    cmdPgUp->setToolTip(QStringLiteral("Page Up (Enter)"));
    cmdPgDn->setToolTip(QStringLiteral("Page Down"));
    fitCaption(cmdPgUp);
    fitCaption(cmdPgDn);
    lstKEL = place(new QListWidget(client), "lstKEL", {376, 16, 329, 256});
    label("lblCurLine", "Current Line:", {8, 280, 105, 17});
    lblTopline = label("lblTopline", "0", {120, 280, 249, 17});
    lblShowLine = place(new QLabel(client), "lblShowLine", {8, 296, 697, 25});
    lblShowLine->setFont(Widgets::lineFont());
    lblShowLine->setTextFormat(Qt::PlainText);
    pgsSearch = place(new QProgressBar(client), "pgsSearch", {8, 296, 697, 25});
    pgsSearch->setRange(0, 100);
    pgsSearch->setTextVisible(false);
    pgsSearch->hide();

    auto command =
        [client](const char *name, int left, int top, QAction *action, const QString &caption = {}) {
            return commandButton(client,
                                 name,
                                 {left, top, CommandWidth, CommandHeight},
                                 action,
                                 caption);
        };
    QPushButton *cmd1 = command("cmd1", 88, 336, m_editLine);
    QPushButton *cmd2 = command("cmd2", 88, 376, m_editTranslations);
    // The button's caption and the menu item's differ in their access key.
    QPushButton *cmd3 = command("cmd3", 224, 336, m_find, QStringLiteral("Fin&d"));
    QPushButton *cmd4 = command("cmd4", 224, 376, m_findNext);
    QPushButton *cmd5 = command("cmd5", 360, 336, m_createIps);
    QPushButton *cmd6 = command("cmd6", 360, 376, m_mergeIps);
    QPushButton *cmd7 = command("cmd7", 496, 336, m_goTo);
    // Exit is in the menu from the start, but its button waits for a ROM like the others.
    cmd8 = place(new QPushButton(m_exit->text(), client),
                 "cmd8",
                 {496, 376, CommandWidth, CommandHeight});
    connect(cmd8, &QPushButton::clicked, m_exit, &QAction::trigger);
    cmd8->setEnabled(false);

    for (QListWidget *list : {lstHEX, lstKEL}) {
        list->setFont(Widgets::lineFont());
        list->setSelectionMode(QAbstractItemView::SingleSelection);
        list->setSortingEnabled(false);
        list->setUniformItemSizes(true);
        list->setWordWrap(false);
        list->setTextElideMode(Qt::ElideNone);
        list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    }
    lstKEL->setEnabled(false);
    // The text column only follows the hex column, but it is there to be read: it keeps the
    // colours of an enabled list.
    QPalette readable = lstKEL->palette();
    for (const auto role :
         {QPalette::Text, QPalette::Base, QPalette::Highlight, QPalette::HighlightedText}) {
        readable.setColor(QPalette::Disabled, role, readable.color(QPalette::Active, role));
    }
    lstKEL->setPalette(readable);

    // In a main window only buttons that are auto-default take Enter; the window itself sends
    // Enter from anywhere else to its default button, PgUp.
    const std::initializer_list<QWidget *> focusOrder
        = {cmdPgUp, cmdPgDn, cmd1, cmd2, cmd3, cmd4, cmd5, cmd6, cmd7, cmd8, lstHEX, lstKEL};
    for (QWidget *widget : focusOrder) {
        if (auto *button = qobject_cast<QPushButton *>(widget))
            button->setAutoDefault(true);
    }
    cmdPgUp->setDefault(true);
    QWidget *previous = nullptr;
    for (QWidget *next : focusOrder) {
        if (previous)
            setTabOrder(previous, next);
        previous = next;
    }

    cmnDialog = new QFileDialog(this);
    cmnDialog->setObjectName(QStringLiteral("cmnDialog"));
    cmnDialog->setOption(QFileDialog::DontUseNativeDialog);
    cmnDialog->setFileMode(QFileDialog::ExistingFile);
    cmnDialog->setAcceptMode(QFileDialog::AcceptOpen);
    // The window's own filter comes first and is the one selected; any file chosen is opened.
    const QString romFilter = QStringLiteral("SNES files (*.SMC)");
    cmnDialog->setNameFilters({romFilter,
                               QStringLiteral("Other SNES ROMs (*.sfc *.swc *.fig)"),
                               QStringLiteral("All files (*)")});
    cmnDialog->selectNameFilter(romFilter);
    // ROMs show whatever the case of their extension.
    cmnDialog->setFilter(cmnDialog->filter() & ~QDir::CaseSensitive);

    // The table's file dialog is never shown: the table's path follows from the ROM's.
    auto *cmnKEL = new QFileDialog(this);
    cmnKEL->setObjectName(QStringLiteral("cmnKEL"));
    cmnKEL->setOption(QFileDialog::DontUseNativeDialog);
    cmnKEL->setNameFilter(QStringLiteral("KEL files (*.KEL)"));
}

void frmOrvane::buildMenus()
{
    auto menu = [this](const char *name, const char *caption) {
        QMenu *added = menuBar()->addMenu(QString::fromLatin1(caption));
        added->setObjectName(QString::fromLatin1(name));
        return added;
    };
    auto separator = [](QMenu *in, const char *name) {
        QAction *item = in->addSeparator();
        item->setObjectName(QString::fromLatin1(name));
        return item;
    };

    QMenu *mnuFile = menu("mnuFile", "&File");
    mnuFile->addAction(m_open);
    separator(mnuFile, "mnuHyphen3");
    mnuFile->addActions({m_createIps, m_mergeIps});
    separator(mnuFile, "mnuHyphen2");
    mnuFile->addAction(m_exit);

    mnuEdit = menu("mnuEdit", "&Edit");
    mnuEdit->addActions({m_editLine, m_editTranslations});
    separator(mnuEdit, "mnuHyphen");
    mnuEdit->addActions({m_goTo, m_find, m_findNext});
    mnuEdit->setEnabled(false);

    QMenu *mnuHelp = menu("mnuHelp", "&Help");
    const std::pair<const char *, const char *> hiddenItems[] = {
        {"mnuHLine", "&1 Edit Current Line"},
        {"mnuHTrans", "&2 Edit KEL Translation"},
        {"mnuHFind", "&3 Find"},
        {"mnuHNext", "&4 Find Next"},
        {"mnuHCreate", "&5 Create IPS File"},
        {"mnuHMerge", "&6 Merge IPS File"},
        {"mnuHGoTo", "&7 GoTo"},
    };
    for (const auto &[name, caption] : hiddenItems) {
        QAction *item = mnuHelp->addAction(QString::fromLatin1(caption));
        item->setObjectName(QString::fromLatin1(name));
        item->setVisible(false);
    }
    separator(mnuHelp, "mnuHyphen4")->setVisible(false);
    mnuHelp->addAction(m_about);
}

void frmOrvane::keyPressEvent(QKeyEvent *event)
{
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && event->modifiers() == Qt::NoModifier) {
        if (cmdPgUp->isEnabled())
            cmdPgUp->click();
        return;
    }
    QMainWindow::keyPressEvent(event);
}

bool frmOrvane::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == centralWidget() && event->type() == QEvent::MouseMove)
        ShowCurrentLine();
    return QMainWindow::eventFilter(watched, event);
}

void frmOrvane::dragEnterEvent(QDragEnterEvent *event)
{
    if (droppedRom(event->mimeData()).isEmpty())
        event->ignore();
    else
        event->acceptProposedAction();
}

void frmOrvane::dragMoveEvent(QDragMoveEvent *event)
{
    if (droppedRom(event->mimeData()).isEmpty())
        event->ignore();
    else
        event->acceptProposedAction();
}

void frmOrvane::dropEvent(QDropEvent *event)
{
    const QString rom = droppedRom(event->mimeData());
    if (rom.isEmpty()) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    openRom(rom);
}

void frmOrvane::open()
{
    cmnDialog->selectFile(QString());
    if (cmnDialog->exec() != QDialog::Accepted)
        return;
    const QStringList chosen = cmnDialog->selectedFiles();
    if (chosen.isEmpty() || chosen.first().isEmpty())
        return;
    openRom(chosen.first());
}

void frmOrvane::openRom(const QString &path)
{
    if (runCommand([this, &path] { m_document.open(path); }))
        enableCommands();
}

void frmOrvane::enableCommands()
{
    for (QAction *command : {m_editLine, m_editTranslations, m_find, m_findNext, m_goTo, m_pageDown})
        command->setEnabled(true);
    cmd8->setEnabled(true);
    mnuEdit->setEnabled(true);
}

bool frmOrvane::runCommand(const std::function<void()> &command)
{
    return attempt([&] {
        command();
        ShowPage();
    });
}

bool frmOrvane::attempt(const std::function<void()> &command, QWidget *boxParent)
{
    QString message;
    QString file;
    try {
        command();
        return true;
    } catch (const FileError &error) {
        message = error.message();
        file = error.path();
    } catch (const Error &error) {
        message = error.message();
    } catch (const std::bad_alloc &) {
        message = QStringLiteral("There is not enough memory for this command.");
    }
    // While an editor is open, its save and the page read after it meet the same file, which
    // fails for the same reason: the user is told once.
    if (m_filesReported && !file.isEmpty()) {
        if (m_filesReported->contains(file))
            return false;
        m_filesReported->append(file);
    }
    Boxes::showError(boxParent ? boxParent : this, message);
    return false;
}

void frmOrvane::ShowPage()
{
    const RomDocument::Page &page = m_document.page();
    m_pageUp->setEnabled(Navigation::pageUpEnabled(page.topLine));
    m_pageDown->setEnabled(Navigation::pageDownEnabled(page.topLine, page.romLength));

    lstHEX->clear();
    lstKEL->clear();
    // All 14 rows of a page fit the list's height.
    const QSize rowSize(lstHEX->width() - 2 * lstHEX->frameWidth(),
                        (lstHEX->height() - 2 * lstHEX->frameWidth()) / Navigation::PageRows);
    for (const RomDocument::Line &line : page.lines) {
        (new QListWidgetItem(QString::fromLatin1(RomLine::LineHex(line.bytes)), lstHEX))
            ->setSizeHint(rowSize);
        (new QListWidgetItem(Text8::toDisplay(line.text, Text8::DisplayLimit), lstKEL))
            ->setSizeHint(rowSize);
    }
    lblTopline->setText(Navigation::offsetText(page.topLine));
}

void frmOrvane::goTo()
{
    const QString entry = Boxes::inputBox(this,
                                          QStringLiteral("What line would you like to go to?"));
    runCommand([this, &entry] { m_document.goTo(entry); });
}

int frmOrvane::selectedRow() const
{
    const QList<QListWidgetItem *> selected = lstHEX->selectedItems();
    return selected.isEmpty() ? -1 : lstHEX->row(selected.first());
}

void frmOrvane::ShowCurrentLine()
{
    const int row = selectedRow();
    if (row < 0) {
        lstKEL->setCurrentRow(-1);
        lstKEL->clearSelection();
        lblShowLine->clear();
        return;
    }
    lstKEL->setCurrentRow(row);
    lblShowLine->setText(
        Text8::toDisplay(m_document.page().lines.at(row).text, Text8::DisplayLimit));
    lblTopline->setText(Navigation::offsetText(m_document.topLine(), row));
}

bool frmOrvane::lineSelected()
{
    if (selectedRow() >= 0)
        return true;
    Boxes::messageBox(this, QStringLiteral("Please select a line."), Boxes::Style::Critical);
    return false;
}

void frmOrvane::runEditor(const std::function<void(const RomDocument::Line &)> &run)
{
    if (!lineSelected())
        return;
    BusyPointer busy(this);
    m_filesReported.emplace();
    attempt([&] { run(m_document.page().lines.at(selectedRow())); });
    // The page is read again whichever way the dialog closed.
    runCommand([this] { m_document.reread(); });
    m_filesReported.reset();
}

void frmOrvane::editCurrentLine()
{
    runEditor([this](const RomDocument::Line &line) {
        if (!m_lineEditor)
            m_lineEditor = std::make_unique<dlgHEX>(this);
        const KelTable table = m_document.tableFromFile(m_lineEditor->table());
        m_lineEditor->run(line, table, [this, &line](const QByteArray &bytes) {
            return attempt([&] { m_document.writeLine(line.offset, bytes); }, m_lineEditor.get());
        });
    });
}

void frmOrvane::editTranslations()
{
    runEditor([this](const RomDocument::Line &line) {
        if (!m_translationEditor)
            m_translationEditor = std::make_unique<dlgKEL>(this);
        const KelTable table = m_document.tableFromFile(m_translationEditor->table());
        m_translationEditor->run(line, table, [this](const KelTable &edited) {
            return attempt([&] { m_document.saveTable(edited); }, m_translationEditor.get());
        });
        m_document.reloadTable();
    });
}

void frmOrvane::about()
{
    Boxes::messageBox(this,
                      QStringLiteral("Orvane 2.0: reads, searches and patches SNES ROM images "
                                     "through their translation tables."),
                      Boxes::Style::Information);
}

void frmOrvane::showSearchProgress(qint64 position)
{
    // The bar is drawn again only once it has moved by a hundredth, so that a search of any
    // length spends next to nothing on it.
    const int value = static_cast<int>(position / m_progressScale);
    const int step = std::max(1, pgsSearch->maximum() / ProgressSteps);
    if (value / step == pgsSearch->value() / step)
        return;
    pgsSearch->setValue(value);
    pgsSearch->repaint();
}

void frmOrvane::FindText(FindMode mode)
{
    QByteArray typed;
    if (mode == FindMode::Find) {
        const QString text = Boxes::inputBox(this,
                                             QStringLiteral("Enter characters to search for:"),
                                             QStringLiteral("Find"));
        if (text.isEmpty())
            return;
        // A character with no 8-bit code can be no translation's: the pattern ends before it.
        const qsizetype unmatched = Text8::firstNon8Bit(text);
        typed = text.left(unmatched < 0 ? text.size() : unmatched).toLatin1();
    }

    std::optional<BusyPointer> busy(std::in_place, this);
    const auto length = static_cast<qint64>(m_document.romLength());
    m_progressScale = length > INT_MAX ? length / INT_MAX + 1 : 1;
    pgsSearch->setRange(0, static_cast<int>(length / m_progressScale));
    pgsSearch->setValue(0);
    pgsSearch->show();
    pgsSearch->repaint();
    const auto progress = [this](qint64 position) { showSearchProgress(position); };
    attempt([&] {
        {
            // The window is back as it was before a box reports a failure.
            const auto restore = qScopeGuard([&] {
                pgsSearch->hide();
                busy.reset();
            });
            if (mode == FindMode::Find)
                m_document.find(typed, progress);
            else
                m_document.findNext(progress);
        }
        ShowPage();
    });
}
