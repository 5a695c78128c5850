#include "frmorvane.h"

#include "dialogs/dlghex.h"
#include "dialogs/dlgkel.h"
#include "dialogs/selectedline.h"
#include "document/keltablefile.h"
#include "document/romline.h"
#include "platform/binaryfile.h"
#include "platform/dialogs.h"
#include "platform/fileerror.h"
#include "platform/text8.h"
#include "platform/widgets.h"
#include "viewer/navigation.h"
#include "viewer/search.h"

#include <QApplication>
#include <QFileDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>

#include <climits>
#include <functional>
#include <optional>

namespace {

constexpr int ClientWidth = 713;
constexpr int ClientHeight = 419;
// Repainting the progress bar more often than this costs time and shows nothing more.
constexpr qint64 ProgressIntervalMs = 33;

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
    void keyPressEvent(QKeyEvent *event) override
    {
        QListWidget::keyPressEvent(event);
        m_afterEvent();
    }
    void keyReleaseEvent(QKeyEvent *event) override
    {
        QListWidget::keyReleaseEvent(event);
        m_afterEvent();
    }
    void mousePressEvent(QMouseEvent *event) override
    {
        QListWidget::mousePressEvent(event);
        m_afterEvent();
    }
    void mouseMoveEvent(QMouseEvent *event) override
    {
        QListWidget::mouseMoveEvent(event);
        m_afterEvent();
    }
    void mouseReleaseEvent(QMouseEvent *event) override
    {
        QListWidget::mouseReleaseEvent(event);
        m_afterEvent();
    }

private:
    std::function<void()> m_afterEvent;
};

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
    icon.addFile(QStringLiteral(":/icons/orvane-32.xpm"), QSize(32, 32));
    icon.addFile(QStringLiteral(":/icons/orvane-16.xpm"), QSize(16, 16));
    setWindowIcon(icon);
    buildControls();
    buildMenus();
    connectCommands();
    setFixedSize(ClientWidth, ClientHeight + menuBar()->sizeHint().height());
    lstHEX->setFocus();
}

frmOrvane::~frmOrvane() = default;

void frmOrvane::buildControls()
{
    auto *client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    client->setFixedSize(ClientWidth, ClientHeight);
    client->setMouseTracking(true);
    client->installEventFilter(this);
    setCentralWidget(client);

    const QFont listFont = courierBold(12);
    const QFont labelFont = courierBold(9.75);

    lblHEX = place(new QLabel(QStringLiteral("HEX Codes:"), client), "lblHEX", {8, 0, 81, 17});
    lblKEL = place(new QLabel(QStringLiteral("KEL Translation:"), client),
                   "lblKEL",
                   {376, 0, 129, 17});
    lstHEX = place(new HexList(client, [this] { ShowCurrentLine(); }), "lstHEX", {8, 16, 329, 256});
    cmdPgUp = place(new QPushButton(QStringLiteral("PgUp"), client), "cmdPgUp", {344, 16, 25, 33});
    cmdPgDn = place(new QPushButton(QStringLiteral("PgDn"), client), "cmdPgDn", {344, 240, 25, 33});
    lstKEL = place(new QListWidget(client), "lstKEL", {376, 16, 329, 256});
    lblCurLine = place(new QLabel(QStringLiteral("Current Line:"), client),
                       "lblCurLine",
                       {8, 280, 105, 17});
    lblTopline = place(new QLabel(QStringLiteral("0"), client), "lblTopline", {120, 280, 249, 17});
    lblShowLine = place(new QLabel(client), "lblShowLine", {8, 296, 697, 25});
    pgsSearch = place(new QProgressBar(client), "pgsSearch", {8, 296, 697, 25});

    struct ButtonSpec
    {
        QPushButton **button;
        const char *name;
        const char *caption;
        int left;
        int top;
    };
    const ButtonSpec buttons[] = {
        {&cmd1, "cmd1", "Edit Current &Line", 88, 336},
        {&cmd2, "cmd2", "Edit KEL &Translation", 88, 376},
        {&cmd3, "cmd3", "Fin&d", 224, 336},
        {&cmd4, "cmd4", "Find &Next", 224, 376},
        {&cmd5, "cmd5", "&Create IPS File", 360, 336},
        {&cmd6, "cmd6", "&Merge IPS File", 360, 376},
        {&cmd7, "cmd7", "&GoTo", 496, 336},
        {&cmd8, "cmd8", "E&xit", 496, 376},
    };
    for (const ButtonSpec &spec : buttons) {
        *spec.button = place(new QPushButton(QString::fromLatin1(spec.caption), client),
                             spec.name,
                             {spec.left, spec.top, 129, 33});
    }

    for (QLabel *label : {lblHEX, lblKEL, lblCurLine, lblTopline})
        label->setFont(labelFont);
    lstHEX->setFont(listFont);
    lstKEL->setFont(listFont);
    lblShowLine->setFont(listFont);
    lblShowLine->setTextFormat(Qt::PlainText);

    for (QListWidget *list : {lstHEX, lstKEL}) {
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

    pgsSearch->setRange(0, 100);
    pgsSearch->setTextVisible(false);
    pgsSearch->hide();

    // In a main window only buttons that are auto-default take Enter; the window itself sends
    // Enter from anywhere else to its default button, PgUp.
    for (QPushButton *button : {cmdPgUp, cmdPgDn, cmd1, cmd2, cmd3, cmd4, cmd5, cmd6, cmd7, cmd8}) {
        button->setAutoDefault(true);
        button->setEnabled(false);
    }
    cmdPgUp->setDefault(true);

    QWidget *previous = cmdPgUp;
    for (QWidget *next : std::initializer_list<QWidget *>{
             cmdPgDn, cmd1, cmd2, cmd3, cmd4, cmd5, cmd6, cmd7, cmd8, lstHEX, lstKEL}) {
        setTabOrder(previous, next);
        previous = next;
    }

    cmnDialog = new QFileDialog(this);
    cmnDialog->setObjectName(QStringLiteral("cmnDialog"));
    cmnDialog->setOption(QFileDialog::DontUseNativeDialog);
    cmnDialog->setFileMode(QFileDialog::ExistingFile);
    cmnDialog->setAcceptMode(QFileDialog::AcceptOpen);
    cmnDialog->setNameFilter(QStringLiteral("SNES files (*.SMC)"));
    // ROMs show whatever the case of their extension.
    cmnDialog->setFilter(cmnDialog->filter() & ~QDir::CaseSensitive);

    cmnKEL = new QFileDialog(this);
    cmnKEL->setObjectName(QStringLiteral("cmnKEL"));
    cmnKEL->setOption(QFileDialog::DontUseNativeDialog);
    cmnKEL->setNameFilter(QStringLiteral("KEL files (*.KEL)"));
}

void frmOrvane::buildMenus()
{
    auto action = [](QMenu *menu, const char *name, const char *caption) {
        QAction *item = menu->addAction(QString::fromLatin1(caption));
        item->setObjectName(QString::fromLatin1(name));
        return item;
    };
    auto separator = [](QMenu *menu, const char *name) {
        QAction *item = menu->addSeparator();
        item->setObjectName(QString::fromLatin1(name));
        return item;
    };

    mnuFile = menuBar()->addMenu(QStringLiteral("&File"));
    mnuFile->setObjectName(QStringLiteral("mnuFile"));
    mnuOpen = action(mnuFile, "mnuOpen", "&Open");
    mnuOpen->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    separator(mnuFile, "mnuHyphen3");
    mnuCSP = action(mnuFile, "mnuCSP", "&Create IPS File");
    mnuCSP->setEnabled(false);
    mnuMSP = action(mnuFile, "mnuMSP", "&Merge IPS File");
    mnuMSP->setEnabled(false);
    separator(mnuFile, "mnuHyphen2");
    mnuExit = action(mnuFile, "mnuExit", "E&xit");

    mnuEdit = menuBar()->addMenu(QStringLiteral("&Edit"));
    mnuEdit->setObjectName(QStringLiteral("mnuEdit"));
    mnuLine = action(mnuEdit, "mnuLine", "Edit Current &Line");
    mnuKEL = action(mnuEdit, "mnuKEL", "Edit KEL &Translation");
    separator(mnuEdit, "mnuHyphen");
    mnuGoTo = action(mnuEdit, "mnuGoTo", "&GoTo");
    mnuGoTo->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_G));
    mnuFind = action(mnuEdit, "mnuFind", "&Find");
    mnuFind->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F));
    mnuFindN = action(mnuEdit, "mnuFindN", "Find &Next");
    mnuFindN->setShortcut(QKeySequence(Qt::Key_F3));
    mnuEdit->setEnabled(false);

    mnuHelp = menuBar()->addMenu(QStringLiteral("&Help"));
    mnuHelp->setObjectName(QStringLiteral("mnuHelp"));
    const std::pair<const char *, const char *> hiddenItems[] = {
        {"mnuHLine", "&1 Edit Current Line"},
        {"mnuHTrans", "&2 Edit KEL Translation"},
        {"mnuHFind", "&3 Find"},
        {"mnuHNext", "&4 Find Next"},
        {"mnuHCreate", "&5 Create IPS File"},
        {"mnuHMerge", "&6 Merge IPS File"},
        {"mnuHGoTo", "&7 GoTo"},
    };
    for (const auto &[name, caption] : hiddenItems)
        action(mnuHelp, name, caption)->setVisible(false);
    separator(mnuHelp, "mnuHyphen4")->setVisible(false);
    mnuAbout = action(mnuHelp, "mnuAbout", "About Orvane");
}

void frmOrvane::connectCommands()
{
    connect(mnuOpen, &QAction::triggered, this, [this] { mnuOpenClick(); });
    connect(mnuExit, &QAction::triggered, this, [this] { cmd8Click(); });
    connect(cmd8, &QPushButton::clicked, this, [this] { cmd8Click(); });
    connect(mnuAbout, &QAction::triggered, this, [this] { mnuAboutClick(); });
    connect(cmdPgDn, &QPushButton::clicked, this, [this] { cmdPgDnClick(); });
    connect(cmdPgUp, &QPushButton::clicked, this, [this] { cmdPgUpClick(); });
    connect(cmd1, &QPushButton::clicked, this, [this] { cmd1Click(); });
    connect(cmd2, &QPushButton::clicked, this, [this] { cmd2Click(); });
    connect(cmd3, &QPushButton::clicked, this, [this] { FindText(0); });
    connect(cmd4, &QPushButton::clicked, this, [this] { FindText(1); });
    connect(cmd7, &QPushButton::clicked, this, [this] { cmd7Click(); });
    connect(mnuLine, &QAction::triggered, this, [this] { cmd1Click(); });
    connect(mnuKEL, &QAction::triggered, this, [this] { cmd2Click(); });
    connect(mnuGoTo, &QAction::triggered, this, [this] { cmd7Click(); });
    connect(mnuFind, &QAction::triggered, this, [this] { FindText(0); });
    connect(mnuFindN, &QAction::triggered, this, [this] { FindText(1); });
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

void frmOrvane::mnuOpenClick()
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
    const QString tablePath = tablePathFor(path);
    try {
        refuseUnusableRom(path, tablePath);
        KelTable table = m_table;
        LoadTable(table, tablePath);
        const Page page = readPage(path, tablePath, 0, table);
        m_romPath = path;
        m_tablePath = tablePath;
        m_table = table;
        applyPage(0, page);
    } catch (const FileError &error) {
        Boxes::showFileError(this, error);
        return;
    }
    enableCommands();
}

void frmOrvane::enableCommands()
{
    for (QPushButton *button : {cmd1, cmd2, cmd3, cmd4, cmd7, cmd8, cmdPgDn})
        button->setEnabled(true);
    mnuEdit->setEnabled(true);
}

frmOrvane::Page frmOrvane::readPage(const QString &romPath,
                                    const QString &tablePath,
                                    double topLine,
                                    const KelTable &table) const
{
    BinaryFile::createIfMissing(tablePath);
    BinaryFile rom(romPath, BinaryFile::Mode::Read);
    Page page;
    page.romLength = static_cast<double>(rom.length());
    for (int row = 0; row < Navigation::PageRows; ++row) {
        const QByteArray bytes = RomLine::ReadLine(rom, topLine + row);
        page.hexRows.append(QString::fromLatin1(RomLine::LineHex(bytes)));
        page.textRows.append(RomLine::LineText(bytes, table));
    }
    rom.close();
    return page;
}

void frmOrvane::applyPage(double topLine, const Page &page)
{
    TopLine = topLine;
    RomLength = page.romLength;
    cmdPgUp->setEnabled(Navigation::pageUpEnabled(TopLine));
    cmdPgDn->setEnabled(Navigation::pageDownEnabled(TopLine, RomLength));

    lstHEX->clear();
    lstKEL->clear();
    // All 14 rows of a page fit the list's height.
    const QSize rowSize(lstHEX->width() - 2 * lstHEX->frameWidth(),
                        (lstHEX->height() - 2 * lstHEX->frameWidth()) / Navigation::PageRows);
    for (const QString &hex : page.hexRows)
        (new QListWidgetItem(hex, lstHEX))->setSizeHint(rowSize);
    m_textRows = page.textRows;
    for (const QByteArray &text : page.textRows)
        (new QListWidgetItem(Text8::toDisplay(text, Text8::DisplayLimit), lstKEL))
            ->setSizeHint(rowSize);
    lblTopline->setText(Navigation::offsetText(TopLine));
}

void frmOrvane::moveTo(double topLine)
{
    try {
        applyPage(topLine, readPage(m_romPath, m_tablePath, topLine, m_table));
    } catch (const FileError &error) {
        Boxes::showFileError(this, error);
    }
}

void frmOrvane::ShowPage()
{
    moveTo(TopLine);
}

void frmOrvane::cmdPgDnClick()
{
    moveTo(Navigation::pageDown(TopLine, RomLength));
}

void frmOrvane::cmdPgUpClick()
{
    moveTo(Navigation::pageUp(TopLine));
}

void frmOrvane::cmd7Click()
{
    const QString entry = Boxes::inputBox(this,
                                          QStringLiteral("What line would you like to go to?"));
    moveTo(Navigation::goTo(entry, RomLength).value_or(TopLine));
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
    lblShowLine->setText(Text8::toDisplay(m_textRows.value(row), Text8::DisplayLimit));
    lblTopline->setText(Navigation::offsetText(TopLine, row));
}

SelectedLine frmOrvane::selectedLine() const
{
    const int row = selectedRow();
    return SelectedLine{lstHEX->item(row)->text().toLatin1(),
                        m_textRows.value(row),
                        lblTopline->text(),
                        m_romPath,
                        m_tablePath};
}

bool frmOrvane::lineSelected()
{
    if (selectedRow() >= 0)
        return true;
    Boxes::messageBox(this, QStringLiteral("Please select a line."), Boxes::Critical);
    return false;
}

void frmOrvane::cmd1Click()
{
    if (!lineSelected())
        return;
    BusyPointer busy(this);
    try {
        if (!m_dlgHEX)
            m_dlgHEX = std::make_unique<dlgHEX>(this);
        m_dlgHEX->run(selectedLine());
    } catch (const FileError &error) {
        Boxes::showFileError(this, error);
    }
    ShowPage();
}

void frmOrvane::cmd2Click()
{
    if (!lineSelected())
        return;
    BusyPointer busy(this);
    try {
        if (!m_dlgKEL)
            m_dlgKEL = std::make_unique<dlgKEL>(this);
        m_dlgKEL->run(selectedLine());
        // A load that fails changes no entry, so the table is reloaded in place.
        LoadTable(m_table, m_tablePath);
    } catch (const FileError &error) {
        Boxes::showFileError(this, error);
    }
    ShowPage();
}

void frmOrvane::cmd8Click()
{
    close();
    QApplication::quit();
}

void frmOrvane::mnuAboutClick()
{
    Boxes::messageBox(this,
                      QStringLiteral("Orvane 2.0: reads, searches and patches SNES ROM images "
                                     "through their translation tables."),
                      Boxes::Information);
}

void frmOrvane::showSearchProgress(qint64 position)
{
    if (m_sinceProgressRepaint.isValid() && m_sinceProgressRepaint.elapsed() < ProgressIntervalMs)
        return;
    m_sinceProgressRepaint.start();
    pgsSearch->setValue(static_cast<int>(position / m_progressScale));
    pgsSearch->repaint();
}

void frmOrvane::FindText(int mode)
{
    if (mode == 0) {
        const QString typed = Boxes::inputBox(this,
                                              QStringLiteral("Enter characters to search for:"),
                                              QStringLiteral("Find"));
        if (typed.isEmpty())
            return;
        // A character with no 8-bit code can be no translation's: the pattern ends before it.
        const qsizetype unmatched = Text8::firstNon8Bit(typed);
        SearchBytes
            = Search::textToBytes(typed.left(unmatched < 0 ? typed.size() : unmatched).toLatin1(),
                                  m_table);
    }

    std::optional<BusyPointer> busy(std::in_place, this);
    const auto length = static_cast<qint64>(RomLength);
    m_progressScale = length > INT_MAX ? length / INT_MAX + 1 : 1;
    pgsSearch->setRange(0, static_cast<int>(length / m_progressScale));
    pgsSearch->setValue(0);
    pgsSearch->show();
    pgsSearch->repaint();

    double newTop = 0;
    try {
        if (!SearchBytes.isEmpty()) {
            const qint64 start = Search::startPosition(mode == 1, TopLine);
            BinaryFile rom(m_romPath, BinaryFile::Mode::Read);
            // A file that shrank since the page was read has no bytes past its end to match.
            const auto found = Search::findPattern(rom,
                                                   SearchBytes,
                                                   start,
                                                   std::min<qint64>(length, rom.length()),
                                                   [this](qint64 position) {
                                                       showSearchProgress(position);
                                                   });
            rom.close();
            newTop = found ? Search::topLineForMatch(*found) : Search::topLineWhenNotFound(start);
        }
    } catch (const FileError &error) {
        // The window is back as it was before the box reports the failure.
        pgsSearch->hide();
        busy.reset();
        Boxes::showFileError(this, error);
        return;
    }
    pgsSearch->hide();
    moveTo(newTop);
}
