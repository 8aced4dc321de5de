#include "app/main_frame.h"

#include "app/command_actions.h"
#include "dialogs/about_dlg.h"
#include "document/vault_sync.h"
#include "document/zelmora_doc.h"
#include "platform/lock_keys.h"
#include "platform/product.h"
#include "platform/settings_store.h"
#include "resources/app_icon.h"
#include "resources/commands.h"
#include "resources/resource_ids.h"
#include "view/search_field.h"
#include "view/zelmora_view.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLabel>
#include <QMenuBar>
#include <QMimeData>
#include <QScreen>
#include <QSettings>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QStyle>
#include <QTimer>
#include <QToolBar>
#include <QWindow>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

const QString kIdle = u"Bereit"_s;

}  // namespace

// Commands that act on the selected row.
bool CMainFrame::NeedsSelection(int id) {
    switch (id) {
        case zid::ID_ENTRY_CHANGE:
        case zid::ID_ENTRY_DELETE:
        case zid::ID_ENTRY_DUPLICATE:
        case zid::ID_COPY_SEITE:
        case zid::ID_COPY_NAME:
        case zid::ID_COPY_PASSWORT:
        case zid::ID_COPY_KOMMENTAR:
            return true;
        default:
            return false;
    }
}

namespace {

// The show states of the stored placement.
constexpr int kShowNormal = 1;
constexpr int kShowMinimized = 2;
constexpr int kShowMaximized = 3;
constexpr int kShowAsIs = 5;
constexpr int kFlagRestoreToMaximized = 2;
// Ours alone, never stored: minimised, and maximised once restored.
constexpr int kShowMinimizedToMaximized = -kShowMinimized;

// A rectangle of the settings store, whose edges may be any int: computed in 64 bits.
struct SWideRect {
    qint64 left, top, right, bottom;
    qint64 Area(const QRect& other) const {
        const qint64 w = std::min<qint64>(right, other.left() + qint64(other.width())) -
                         std::max<qint64>(left, other.left());
        const qint64 h = std::min<qint64>(bottom, other.top() + qint64(other.height())) -
                         std::max<qint64>(top, other.top());
        return w > 0 && h > 0 ? w * h : 0;
    }
};

// Moves and shrinks a window rectangle (without its frame) onto the screen it overlaps most, else
// the primary one, so that the whole window with its frame and title bar lies in the screen's
// available area.
QRect FitOnScreen(const SWideRect& rect, const QMargins& frame) {
    const SWideRect outer{rect.left - frame.left(), rect.top - frame.top(), rect.right + frame.right(),
                          rect.bottom + frame.bottom()};
    QScreen* target = QGuiApplication::primaryScreen();
    qint64 best = 0;
    for (QScreen* screen : QGuiApplication::screens()) {
        const qint64 area = outer.Area(screen->availableGeometry());
        if (area > best) {
            best = area;
            target = screen;
        }
    }
    if (!target) {
        return QRect();
    }
    const QRect avail = target->availableGeometry();
    const qint64 maxWidth = std::max<qint64>(1, avail.width() - frame.left() - frame.right());
    const qint64 maxHeight = std::max<qint64>(1, avail.height() - frame.top() - frame.bottom());
    const qint64 width = std::clamp<qint64>(rect.right - rect.left, 1, maxWidth);
    const qint64 height = std::clamp<qint64>(rect.bottom - rect.top, 1, maxHeight);
    const qint64 left =
        std::clamp<qint64>(outer.left, avail.left(),
                           avail.left() + qint64(avail.width()) - width - frame.left() - frame.right()) +
        frame.left();
    const qint64 top =
        std::clamp<qint64>(outer.top, avail.top(),
                           avail.top() + qint64(avail.height()) - height - frame.top() - frame.bottom()) +
        frame.top();
    return QRect(int(left), int(top), int(width), int(height));
}

}  // namespace

CMainFrame::CMainFrame(CZelmoraDoc& doc, QWidget* parent)
    : QMainWindow(parent),
      m_doc(doc),
      m_view(new CZelmoraView(doc, this)),
      m_actions(new CCommandActions(this)) {
    setObjectName(u"mainFrame"_s);
    setWindowIcon(AppIcon());
    setCentralWidget(m_view);
    m_view->SetActions([actions = m_actions](int id) { return actions->Get(id); });
    m_doc.SetMainWindow(this);
    resize(600, 400);

    CreateMenus();
    CreateToolBar();
    CreateStatusBar();
    ConnectCommands();
    CreateSafety();
    CreateSearch();

    connect(m_view, &CZelmoraView::messageText, this, &CMainFrame::SetMessageText);
    connect(m_view, &CZelmoraView::commandStateChanged, this, &CMainFrame::UpdateCommandUI);
    connect(&m_doc, &CDocument::titleChanged, this, &CMainFrame::UpdateTitle);
    connect(&m_doc, &CDocument::bringToFront, this, &CMainFrame::BringToFront);
    connect(&m_doc.Sync(), &CVaultSync::statusMessage, this, &CMainFrame::SetMessageText);
    UpdateTitle();
    setAcceptDrops(true);
    qApp->installEventFilter(this);
    UpdateCommandUI();
}

CMainFrame::~CMainFrame() {
    qApp->removeEventFilter(this);
}

QString CMainFrame::BarStateSection() {
    return QString::fromLatin1(product::kAppTitle) + u"-Summary"_s;
}

void CMainFrame::CreateMenus() {
    for (const SMenuInfo& info : MainMenu()) {
        QMenu* menu = menuBar()->addMenu(QString::fromUtf8(info.title));
        for (const int id : info.ids) {
            if (id == 0) {
                menu->addSeparator();
            } else {
                menu->addAction(m_actions->Get(id));
            }
        }
        // The enabling is brought up to date before a menu shows.
        connect(menu, &QMenu::aboutToShow, this, &CMainFrame::UpdateCommandUI);
    }
}

void CMainFrame::CreateToolBar() {
    m_toolBar = addToolBar(u"Symbolleiste"_s);
    m_toolBar->setObjectName(u"toolBar"_s);
    m_toolBar->setIconSize(QSize(16, 16) * 1.5);
    m_toolBar->setAllowedAreas(Qt::AllToolBarAreas);
    for (const int id : ToolBarButtons()) {
        if (id == 0) {
            m_toolBar->addSeparator();
        } else {
            m_toolBar->addAction(m_actions->Get(id));
        }
    }
}

void CMainFrame::CreateStatusBar() {
    QStatusBar* bar = statusBar();
    bar->setObjectName(u"statusBar"_s);
    m_message = new QLabel(kIdle, bar);
    m_message->setObjectName(u"messagePane"_s);
    bar->addWidget(m_message, 1);
    const char* names[3] = {"capsPane", "numPane", "scrollPane"};
    for (int i = 0; i < 3; ++i) {
        auto* pane = new QLabel(bar);
        pane->setObjectName(QString::fromLatin1(names[i]));
        pane->setFrameShape(QFrame::Panel);
        pane->setFrameShadow(QFrame::Sunken);
        pane->setAlignment(Qt::AlignCenter);
        pane->setMinimumWidth(pane->fontMetrics().horizontalAdvance(u"NUM"_s) + 8);
        bar->addPermanentWidget(pane);
        m_lockPanes[i] = pane;
    }
    UpdateLockPanes();
}

void CMainFrame::CreateSearch() {
    auto* field = new CSearchField(m_toolBar);
    // The tips of its command, as the buttons have theirs; in the narrow first window the tip
    // names the key that the cut placeholder no longer shows.
    const QAction* search = m_actions->Get(zid::ID_VIEW_SEARCH);
    field->setToolTip(
        u"%1 (%2)"_s.arg(search->toolTip(), search->shortcut().toString(QKeySequence::NativeText)));
    field->setStatusTip(search->statusTip());
    m_toolBar->addSeparator();
    m_toolBar->addWidget(field);
    m_view->AttachSearchField(field);
    m_searchPane = new QLabel(statusBar());
    m_searchPane->setObjectName(u"searchPane"_s);
    m_searchPane->setFrameShape(QFrame::Panel);
    m_searchPane->setFrameShadow(QFrame::Sunken);
    m_searchPane->hide();
    statusBar()->insertPermanentWidget(1, m_searchPane);  // left of the lock indicators
    connect(m_view, &CZelmoraView::searchCountChanged, this, [this](int shown, int all) {
        m_searchPane->setText(u"%1 von %2"_s.arg(shown).arg(all));
        m_searchPane->setVisible(shown >= 0);
    });
    connect(m_actions->Get(zid::ID_VIEW_SEARCH), &QAction::triggered, this, [this] {
        if (m_doc.IsLocked()) {
            return;
        }
        // The field is on the tool bar: a hidden bar comes back with it.
        if (m_toolBar->isHidden()) {
            m_toolBar->show();
        }
        m_view->FocusSearch();
        UpdateCommandUI();
    });
}

void CMainFrame::ConnectCommands() {
    const auto on = [this](int id, auto handler) {
        connect(m_actions->Get(id), &QAction::triggered, this, [this, id, handler] {
            // A key may reach a command the locked vault has disabled only a moment ago.
            if (m_doc.IsLocked() && NeedsEntries(id)) {
                return;
            }
            handler();
            UpdateCommandUI();
        });
    };
    CZelmoraView& view = *m_view;
    CZelmoraDoc& doc = m_doc;
    on(zid::ID_FILE_NEW, [&view] { view.OnFileNew(); });
    on(zid::ID_FILE_OPEN, [&doc] { doc.OnFileOpen(); });
    on(zid::ID_FILE_SAVE, [&doc] { doc.OnFileSave(); });
    on(zid::ID_FILE_SAVE_AS, [&doc] { doc.OnFileSaveAs(); });
    on(zid::ID_FILE_EXPORT_KDBX, [&doc] { doc.OnFileExportKdbx(); });
    on(zid::ID_FILE_SEND_MAIL, [&doc] { doc.OnFileSendMail(); });
    on(zid::ID_FILE_MRU_FILE1, [&doc] { doc.OnOpenLastFile(); });
    on(zid::ID_APP_EXIT, [this] { close(); });
    on(zid::ID_ENTRY_NEW, [&view] { view.OnEntryNew(); });
    on(zid::ID_ENTRY_CHANGE, [&view] { view.OnEntryChange(); });
    on(zid::ID_ENTRY_DELETE, [&view] { view.OnEntryDelete(); });
    on(zid::ID_ENTRY_DUPLICATE, [&view] { view.OnEntryDuplicate(); });
    on(zid::ID_CHANGE_PASSWORD, [&doc] { doc.OnChangePassword(); });
    for (const int id :
         {zid::ID_COPY_SEITE, zid::ID_COPY_NAME, zid::ID_COPY_PASSWORT, zid::ID_COPY_KOMMENTAR}) {
        on(id, [&view, id] { view.OnCopyField(id); });
    }
    on(zid::ID_CLEAR_CLIPBOARD, [&view] { view.OnClearClipboard(); });
    on(zid::ID_OPTIONS, [&view] { view.OnOptions(); });
    on(zid::ID_REFRESH, [&view] { view.OnRefresh(); });
    on(zid::ID_FILE_PRINT, [&view] { view.OnFilePrint(); });
    on(zid::ID_FILE_PRINT_PREVIEW, [&view] { view.OnFilePrintPreview(); });
    on(zid::ID_FILE_PRINT_SETUP, [&view] { view.OnFilePrintSetup(); });
    on(zid::ID_HELP_PAGE, [&view] { view.OnHelp(); });
    on(zid::ID_UPDATE_CHECK, [&view] { view.OnUpdateCheck(); });
    on(zid::ID_APP_ABOUT, [this] {
        CAboutDlg dlg(this);
        dlg.DoModal();
    });

    QAction* toolBarItem = m_actions->Get(zid::ID_VIEW_TOOLBAR);
    toolBarItem->setCheckable(true);
    connect(toolBarItem, &QAction::triggered, m_toolBar, &QToolBar::setVisible);
    QAction* statusBarItem = m_actions->Get(zid::ID_VIEW_STATUS_BAR);
    statusBarItem->setCheckable(true);
    connect(statusBarItem, &QAction::triggered, statusBar(), &QStatusBar::setVisible);
}

void CMainFrame::UpdateCommandUI() {
    const bool selected = m_view->HasSelection();
    for (const auto& [id, action] : m_actions->All()) {
        if (NeedsSelection(id)) {
            action->setEnabled(selected);
        }
    }
    QAction* recent = m_actions->Get(zid::ID_FILE_MRU_FILE1);
    const CRecentFileList& files = m_doc.RecentFiles();
    recent->setEnabled(!files.IsEmpty());
    recent->setText(files.IsEmpty() ? u"Letzte Datei"_s : files.MenuText());
    m_actions->Get(zid::ID_VIEW_TOOLBAR)->setChecked(!m_toolBar->isHidden());
    m_actions->Get(zid::ID_VIEW_STATUS_BAR)->setChecked(!statusBar()->isHidden());
    UpdateSafetyCommands();
}

void CMainFrame::UpdateTitle() {
    setWindowTitle(m_doc.GetTitle() + LockedCaption() + u" - "_s + QString::fromLatin1(product::kAppTitle));
}

void CMainFrame::SetMessageText(const QString& text) {
    m_message->setText(text);
}

QString CMainFrame::MessageText() const {
    return m_message->text();
}

bool CMainFrame::event(QEvent* event) {
    if (event->type() == QEvent::StatusTip) {
        // A prompt while the pointer is on an item; the idle text when it leaves.
        const QString tip = static_cast<QStatusTipEvent*>(event)->tip();
        m_message->setText(tip.isEmpty() ? kIdle : tip);
        return true;
    }
    if (event->type() == QEvent::WindowActivate) {
        // Where the file system gives no watch, a change is noticed when the user comes back.
        QTimer::singleShot(0, &m_doc.Sync(), &CVaultSync::Check);
    }
    return QMainWindow::event(event);
}

void CMainFrame::UpdateLockPanes() {
    const SLockState state = ReadLockState();
    const bool on[3] = {state.caps, state.num, state.scroll};
    const QString texts[3] = {u"UF"_s, u"NUM"_s, u"RF"_s};
    for (int i = 0; i < 3; ++i) {
        m_lockPanes[i]->setText(state.known && on[i] ? texts[i] : QString());
    }
}

bool CMainFrame::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::WindowActivate:
        case QEvent::FocusIn:
            if (watched == this || watched == windowHandle() ||
                (watched->isWidgetType() && isAncestorOf(static_cast<QWidget*>(watched)))) {
                UpdateLockPanes();
            }
            break;
        default:
            break;
    }
    return QMainWindow::eventFilter(watched, event);
}

void CMainFrame::SavePlacement() const {
    const Qt::WindowStates state = windowState();
    int flags = 0;
    int showCommand = kShowNormal;
    if (state.testFlag(Qt::WindowMinimized)) {
        showCommand = kShowMinimized;
        if (state.testFlag(Qt::WindowMaximized)) {
            flags |= kFlagRestoreToMaximized;
        }
    } else if (state.testFlag(Qt::WindowMaximized) || state.testFlag(Qt::WindowFullScreen)) {
        showCommand = kShowMaximized;
    }
    // The rectangle the window returns to when it is neither maximised nor minimised.
    const QRect rect =
        showCommand == kShowNormal || !normalGeometry().isValid() ? geometry() : normalGeometry();
    using namespace settings;
    CSettingsStore::WriteInt(kSectionWndStatus, kFlag, flags);
    CSettingsStore::WriteInt(kSectionWndStatus, kShowCmd, showCommand);
    CSettingsStore::WriteInt(kSectionWndStatus, kLeft, rect.left());
    CSettingsStore::WriteInt(kSectionWndStatus, kTop, rect.top());
    CSettingsStore::WriteInt(kSectionWndStatus, kRight, rect.left() + rect.width());
    CSettingsStore::WriteInt(kSectionWndStatus, kBottom, rect.top() + rect.height());
    const auto store = CSettingsStore::Open();
    store->beginGroup(BarStateSection());
    store->setValue(u"State"_s, saveState());
    // The window's state holds the tool bars only; the status bar's visibility goes beside it.
    store->setValue(u"StatusBar"_s, statusBar()->isHidden() ? 0 : 1);
    store->endGroup();
    m_view->SaveColumnState();
}

void CMainFrame::RestorePlacement(int& showCommand) {
    using namespace settings;
    const int left = CSettingsStore::ReadInt(kSectionWndStatus, kLeft, 100);
    const int top = CSettingsStore::ReadInt(kSectionWndStatus, kTop, 100);
    const int right = CSettingsStore::ReadInt(kSectionWndStatus, kRight, 700);
    const int bottom = CSettingsStore::ReadInt(kSectionWndStatus, kBottom, 500);
    const int flags = CSettingsStore::ReadInt(kSectionWndStatus, kFlag, 0);
    showCommand = CSettingsStore::ReadInt(kSectionWndStatus, kShowCmd, kShowAsIs);
    {
        const auto store = CSettingsStore::Open();
        store->beginGroup(BarStateSection());
        const QByteArray bars = store->value(u"State"_s).toByteArray();
        const bool statusBarShown = store->value(u"StatusBar"_s, 1).toInt() != 0;
        store->endGroup();
        if (!bars.isEmpty()) {
            restoreState(bars);
        }
        statusBar()->setVisible(statusBarShown);
    }
    // A stored placement may come from another screen, scale or hand: it is moved and shrunk onto
    // an existing screen, and these corrected values are what the next close writes back.  A size
    // no window can have keeps the window's own size where it stands.
    SWideRect stored{left, top, right, bottom};
    if (stored.right <= stored.left || stored.bottom <= stored.top) {
        const QRect own = geometry();
        stored = {own.left(), own.top(), own.left() + qint64(own.width()), own.top() + qint64(own.height())};
    }
    const QRect fitted = FitOnScreen(stored, FrameMargins());
    if (fitted.isValid()) {
        setGeometry(fitted);
    }
    if (showCommand == kShowMinimized && (flags & kFlagRestoreToMaximized)) {
        showCommand = kShowMinimizedToMaximized;
    }
}

QMargins CMainFrame::FrameMargins() const {
    const QRect frame = frameGeometry();
    const QRect client = geometry();
    const QMargins known(client.left() - frame.left(), client.top() - frame.top(),
                         frame.right() - client.right(), frame.bottom() - client.bottom());
    if (known.top() > 0) {
        return known;
    }
    // Before the window manager has framed the window: a title bar and thin borders, as they are
    // drawn most often.
    const int border = 4;
    return QMargins(border, style()->pixelMetric(QStyle::PM_TitleBarHeight) + 2 * border, border, border);
}

void CMainFrame::ActivateFrame(int showCommand) {
    if (CSettingsStore::ReadInt(settings::kSectionProperties, settings::kRestorePosition, 1) >= 1 &&
        m_bFirstActivation) {
        m_bFirstActivation = false;
        RestorePlacement(showCommand);
    }
    m_bFirstActivation = false;
    switch (showCommand) {
        case kShowMaximized:
            showMaximized();
            break;
        case kShowMinimized:
            showMinimized();
            break;
        case kShowMinimizedToMaximized:
            setWindowState(Qt::WindowMinimized | Qt::WindowMaximized);
            show();
            break;
        default:
            // 1, 5 and anything else: a visible, normal window (a stored 0 would hide it for good).
            show();
            break;
    }
    // The keys go to the list from the start: arrows select, Return and Entf work on rows.
    m_view->setFocus(Qt::ActiveWindowFocusReason);
    UpdateCommandUI();
}

void CMainFrame::BringToFront() {
    // Before the first activation the window is not shown yet, and the start decides whether it
    // ever is (printing from the command line shows none).
    if (m_bFirstActivation) {
        return;
    }
    if (isMinimized()) {
        setWindowState(windowState() & ~Qt::WindowMinimized);
    }
    show();
    raise();
    activateWindow();
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    // Written first, even when the user then cancels the save prompt.
    SavePlacement();
    if (!m_doc.SaveModified()) {
        event->ignore();
        return;
    }
    m_view->ClearOwnClipboard();
    event->accept();
}

void CMainFrame::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls()) {
        for (const QUrl& url : event->mimeData()->urls()) {
            if (url.isLocalFile()) {
                event->acceptProposedAction();
                return;
            }
        }
    }
}

void CMainFrame::dropEvent(QDropEvent* event) {
    QStringList paths;
    for (const QUrl& url : event->mimeData()->urls()) {
        if (url.isLocalFile()) {
            paths.append(url.toLocalFile());
        }
    }
    event->acceptProposedAction();
    activateWindow();
    for (const QString& path : paths) {
        m_doc.OpenDocumentFile(path);
    }
    UpdateCommandUI();
}
