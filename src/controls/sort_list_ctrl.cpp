#include "controls/sort_list_ctrl.h"

#include "controls/list_model.h"
#include "controls/move_header_ctrl.h"
#include "controls/sort_compare.h"
#include "controls/title_tip.h"

#include <QCursor>
#include <QKeyEvent>
#include <QKeySequence>
#include <QMouseEvent>

#include <algorithm>

CSortListCtrl::CSortListCtrl(QWidget* parent)
    : QTreeView(parent),
      m_titleTip(new CTitleTip(this)),
      m_crTipText(palette().color(QPalette::Active, QPalette::Text)),
      m_crTipBack(palette().color(QPalette::Active, QPalette::Base)),
      m_header(new CMoveHeaderCtrl(this)),
      m_model(new CListModel(this)) {
    setHeader(m_header);
    setModel(m_model);
    m_header->setSectionsMovable(false);  // columns move in the model, through MoveColumn
    m_header->setSectionsClickable(true);
    m_header->setSortIndicatorShown(false);
    m_header->setHighlightSections(false);
    m_header->setStretchLastSection(false);
    m_header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_header->SetMoveHandler([this](int from, int to) { MoveColumn(from, to); });
    connect(m_header, &QHeaderView::sectionClicked, this, &CSortListCtrl::OnHeaderItemClick);

    setRootIsDecorated(false);
    setItemsExpandable(false);
    setExpandsOnDoubleClick(false);
    setIndentation(0);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setTextElideMode(Qt::ElideRight);
    setMouseTracking(true);
}

CSortListCtrl::~CSortListCtrl() = default;

bool CSortListCtrl::EnableSort(bool enable) {
    const bool previous = m_bSortEnabled;
    m_bSortEnabled = enable;
    return previous;
}

int CSortListCtrl::SetHighlightMode(int mode) {
    if (mode < kHighlightLabel || mode > kHighlightFull) {
        return m_nHighlight;
    }
    const int previous = m_nHighlight;
    m_nHighlight = mode;
    if (mode != kHighlightLabel) {
        m_bOwnerDraw = true;
    }
    viewport()->update();
    return previous;
}

bool CSortListCtrl::EnableColumnMove(bool enable) {
    return m_header->EnableMove(enable);
}

bool CSortListCtrl::SetShowSelectionAlways(bool show) {
    const bool previous = m_bShowSelAlways;
    m_bShowSelAlways = show;
    viewport()->update();
    return previous;
}

bool CSortListCtrl::SetColumnTypes(const unsigned char* types, unsigned count) {
    m_columnTypes.clear();
    if (count > 0 && !types) {
        return false;
    }
    if (std::any_of(types, types + count, [](unsigned char t) { return t > sortcmp::kMaxType; })) {
        return false;
    }
    m_columnTypes.assign(types, types + count);
    return true;
}

int CSortListCtrl::GetColumnCount() const {
    return m_header->count();
}

int CSortListCtrl::InsertColumn(int pos, const QString& title, Qt::Alignment format, int width, int subItem) {
    pos = std::clamp(pos, 0, GetColumnCount());
    CListModel::Column column;
    column.title = title;
    column.format = format & Qt::AlignHorizontal_Mask;
    column.subItem = subItem < 0 ? pos : subItem;
    pos = m_model->InsertColumn(pos, column);
    m_header->resizeSection(pos, std::max(0, width));
    return pos;
}

bool CSortListCtrl::DeleteColumn(int pos) {
    return m_model->RemoveColumn(pos);
}

QString CSortListCtrl::GetColumnTitle(int pos) const {
    const CListModel::Column* column = m_model->ColumnAt(pos);
    return column ? column->title : QString();
}

Qt::Alignment CSortListCtrl::GetColumnFormat(int pos) const {
    const CListModel::Column* column = m_model->ColumnAt(pos);
    return column ? column->format : Qt::Alignment(Qt::AlignLeft);
}

int CSortListCtrl::GetColumnSubItem(int pos) const {
    const CListModel::Column* column = m_model->ColumnAt(pos);
    return column ? column->subItem : -1;
}

int CSortListCtrl::GetColumnWidth(int pos) const {
    return pos >= 0 && pos < GetColumnCount() ? m_header->sectionSize(pos) : 0;
}

bool CSortListCtrl::SetColumnTitle(int pos, const QString& title) {
    const CListModel::Column* column = m_model->ColumnAt(pos);
    if (!column) {
        return false;
    }
    CListModel::Column changed = *column;
    changed.title = title;
    return m_model->SetColumn(pos, changed);
}

bool CSortListCtrl::SetColumnFormat(int pos, Qt::Alignment format) {
    const CListModel::Column* column = m_model->ColumnAt(pos);
    if (!column) {
        return false;
    }
    CListModel::Column changed = *column;
    changed.format = format & Qt::AlignHorizontal_Mask;
    return m_model->SetColumn(pos, changed);
}

bool CSortListCtrl::SetColumnWidth(int pos, int width) {
    if (pos < 0 || pos >= GetColumnCount()) {
        return false;
    }
    m_header->resizeSection(pos, std::max(0, width));
    return true;
}

bool CSortListCtrl::SetColumnMasked(int pos, bool masked) {
    const CListModel::Column* column = m_model->ColumnAt(pos);
    if (!column) {
        return false;
    }
    if (column->masked != masked) {
        CListModel::Column changed = *column;
        changed.masked = masked;
        m_model->SetColumn(pos, changed);
        m_titleTip->hide();
        viewport()->update();
    }
    return true;
}

bool CSortListCtrl::IsColumnMasked(int pos) const {
    const CListModel::Column* column = m_model->ColumnAt(pos);
    return column && column->masked;
}

int CSortListCtrl::FindColumn(const QString& title) const {
    for (int i = 0; i < m_model->ColumnCount(); ++i) {
        if (m_model->ColumnAt(i)->title == title) {
            return i;
        }
    }
    return -1;
}

void CSortListCtrl::MoveColumn(int from, int to) {
    const int n = GetColumnCount();
    if (from < 0 || from >= n || to < 0 || to > n || to == from || to == from + 1) {
        return;
    }
    std::vector<int> widths(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) {
        widths[i] = m_header->sectionSize(i);
    }
    m_model->MoveColumn(from, to);
    MoveItem(widths, from, to > from ? to - 1 : to);
    for (int i = 0; i < n; ++i) {
        m_header->resizeSection(i, widths[i]);
    }
    viewport()->update();
}

int CSortListCtrl::GetItemCount() const {
    return m_model->RowCount();
}

void CSortListCtrl::FilterRows(const std::function<bool(quintptr data)>& keep) {
    m_titleTip->hide();
    m_model->FilterRows(keep);
}

void CSortListCtrl::ShowAllRows() {
    m_model->ShowAllRows();
}

bool CSortListCtrl::IsFiltered() const {
    return m_model->IsFiltered();
}

int CSortListCtrl::GetAllItemCount() const {
    return m_model->AllRowCount();
}

void CSortListCtrl::BeginFill(std::size_t expectedRows) {
    m_model->BeginBatch(expectedRows);
}

void CSortListCtrl::EndFill() {
    m_model->EndBatch();
}

int CSortListCtrl::InsertItem(int row, const QString& text) {
    return m_model->InsertRow(row, text);
}

bool CSortListCtrl::DeleteItem(int row) {
    return m_model->RemoveRow(row);
}

void CSortListCtrl::DeleteAllItems() {
    m_model->RemoveAllRows();
}

void CSortListCtrl::WipeAllItems() {
    m_titleTip->Forget();
    m_model->WipeAllRows();
}

QString CSortListCtrl::GetItemText(int row, int column) const {
    return m_model->Text(row, column);
}

bool CSortListCtrl::SetItemText(int row, int column, const QString& text) {
    return m_model->SetText(row, column, text);
}

quintptr CSortListCtrl::GetItemData(int row) const {
    return m_model->Data(row);
}

bool CSortListCtrl::SetItemData(int row, quintptr data) {
    return m_model->SetData(row, data);
}

bool CSortListCtrl::IsRowSelected(int row) const {
    return selectionModel()->isSelected(m_model->index(row, 0));
}

bool CSortListCtrl::IsRowHighlighted(int row) const {
    return m_model->DropHighlighted(row) || (IsRowSelected(row) && (hasFocus() || m_bShowSelAlways));
}

unsigned CSortListCtrl::GetItemState(int row, unsigned mask) const {
    if (row < 0 || row >= GetItemCount()) {
        return 0;
    }
    unsigned state = StateImage(m_model->StateImage(row));
    if (IsRowSelected(row)) {
        state |= kSelected;
    }
    if (currentIndex().isValid() && currentIndex().row() == row) {
        state |= kFocused;
    }
    if (m_model->DropHighlighted(row)) {
        state |= kDropHighlighted;
    }
    return state & mask;
}

bool CSortListCtrl::SetItemState(int row, unsigned state, unsigned mask) {
    if (row < 0 || row >= GetItemCount()) {
        return false;
    }
    const QModelIndex index = m_model->index(row, 0);
    if (mask & kSelected) {
        selectionModel()->select(
            index, ((state & kSelected) ? QItemSelectionModel::Select : QItemSelectionModel::Deselect) |
                       QItemSelectionModel::Rows);
    }
    if (mask & kFocused) {
        if (state & kFocused) {
            selectionModel()->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
        } else if (currentIndex().row() == row) {
            selectionModel()->setCurrentIndex(QModelIndex(), QItemSelectionModel::NoUpdate);
        }
    }
    if (mask & kDropHighlighted) {
        m_model->SetDropHighlighted(row, (state & kDropHighlighted) != 0);
    }
    if (mask & kStateImageMask) {
        m_model->SetStateImage(row, static_cast<int>((state & kStateImageMask) >> kStateImageShift));
    }
    return true;
}

int CSortListCtrl::GetFirstSelectedItem() const {
    int first = -1;
    for (const QItemSelectionRange& range : selectionModel()->selection()) {
        if (range.left() == 0 && (first < 0 || range.top() < first)) {
            first = range.top();
        }
    }
    return first;
}

std::vector<int> CSortListCtrl::GetSelectedItems() const {
    std::vector<int> rows;
    for (const QItemSelectionRange& range : selectionModel()->selection()) {
        if (range.left() == 0) {
            for (int r = range.top(); r <= range.bottom(); ++r) {
                rows.push_back(r);
            }
        }
    }
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    return rows;
}

void CSortListCtrl::SetStateImages(const QList<QPixmap>& images) {
    m_stateImages = images;
    viewport()->update();
}

void CSortListCtrl::OnHeaderItemClick(int column) {
    SortByColumn(column, column == m_nSortColumn ? !m_bSortAscending : true);
}

bool CSortListCtrl::SortByColumn(int column, bool ascending) {
    if (!m_bSortEnabled || column < 0 || column >= static_cast<int>(m_columnTypes.size())) {
        return false;
    }
    m_bSortAscending = ascending;
    m_nSortColumn = column;
    m_model->SortRows(column, m_columnTypes[column], m_bSortAscending);
    return true;
}

void CSortListCtrl::ShowCellTip(const QPoint& pos) {
    // indexAt and visualRect follow horizontal scrolling, so the tip is for the cell under the pointer.
    const QModelIndex index = indexAt(pos);
    if (!index.isValid()) {
        return;
    }
    // What the cell shows: a masked password never reaches the tip.
    const QString text = m_model->ShownText(index.row(), index.column());
    if (text.isEmpty()) {
        return;
    }
    // The tip's rule (the text fits when the cell, less the offset on both sides and the border,
    // holds it) is given exactly the space the drawing gives the text, up to the viewport's edge,
    // and puts the tip's text on top of the cell's.
    const QRect cell = visualRect(index);
    QRect space = CellTextRect(cell, index.column());
    space.setRight(std::min(space.right(), viewport()->width() - 1));
    const int inset = TextInset();
    const QRect tipCell(space.left() - inset, cell.top() - 1, space.width() + 2 * inset, cell.height() + 1);
    // The tip looks like the cell it covers.
    if (IsRowHighlighted(index.row())) {
        m_titleTip->SetBackgroundColor(palette().color(QPalette::Active, QPalette::Highlight));
        m_titleTip->SetTextColor(palette().color(QPalette::Active, QPalette::HighlightedText));
    } else {
        m_titleTip->SetBackgroundColor(m_crTipBack);
        m_titleTip->SetTextColor(m_crTipText);
    }
    m_titleTip->Show(tipCell, text, inset - 1);
}

int CSortListCtrl::StateImageWidth() const {
    if (m_stateImages.isEmpty() || GetColumnCount() == 0) {
        return 0;
    }
    return std::min(qRound(m_stateImages.first().deviceIndependentSize().width()), m_header->sectionSize(0));
}

int CSortListCtrl::StateImageHit(const QPoint& pos) const {
    const int width = StateImageWidth();
    const QModelIndex index = indexAt(pos);
    const int left = m_header->sectionViewportPosition(0);
    if (width == 0 || !index.isValid() || pos.x() < left || pos.x() >= left + width) {
        return -1;
    }
    return index.row();
}

void CSortListCtrl::mouseMoveEvent(QMouseEvent* event) {
    // While a tip is shown the pointer belongs to it; once the pointer has left its cell it goes.
    const QPoint global = event->globalPosition().toPoint();
    if (!m_titleTip->Holds(global)) {
        m_titleTip->hide();
        if (event->buttons() == Qt::NoButton && event->modifiers() == Qt::NoModifier) {
            ShowCellTip(event->position().toPoint());
        }
    }
    QTreeView::mouseMoveEvent(event);
}

void CSortListCtrl::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        const int row = StateImageHit(event->position().toPoint());
        if (row >= 0) {
            m_model->SetStateImage(row, m_model->StateImage(row) == 1 ? 2 : 1);
        }
    }
    QTreeView::mousePressEvent(event);
}

void CSortListCtrl::mouseReleaseEvent(QMouseEvent* event) {
    QTreeView::mouseReleaseEvent(event);
    if (event->button() == Qt::RightButton && viewport()->rect().contains(event->position().toPoint())) {
        emit listRightClicked(event->globalPosition().toPoint());
    }
}

void CSortListCtrl::mouseDoubleClickEvent(QMouseEvent* event) {
    QTreeView::mouseDoubleClickEvent(event);
    if (event->button() == Qt::LeftButton) {
        emit listDoubleClicked();
    }
}

void CSortListCtrl::keyPressEvent(QKeyEvent* event) {
    // QAbstractItemView copies the current cell when the copy key reaches it, which it does just
    // when the window's copy command is disabled; after a column move that cell may be a password.
    // Copying is the window's command alone.
    if (event->matches(QKeySequence::Copy)) {
        event->ignore();
        return;
    }
    QTreeView::keyPressEvent(event);
    // The view moves the focus but selects nothing when the target row has the focus already
    // (Home on the first row); a report list selects the row a plain navigation key lands on.
    if (event->modifiers() != Qt::NoModifier && event->modifiers() != Qt::KeypadModifier) {
        return;
    }
    switch (event->key()) {
        case Qt::Key_Home:
        case Qt::Key_End:
        case Qt::Key_PageUp:
        case Qt::Key_PageDown:
        case Qt::Key_Up:
        case Qt::Key_Down: {
            const QModelIndex current = currentIndex();
            if (current.isValid() && !IsRowSelected(current.row())) {
                selectionModel()->select(current,
                                         QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
            }
            break;
        }
        default:
            break;
    }
}

bool CSortListCtrl::viewportEvent(QEvent* event) {
    if (event->type() == QEvent::Leave && !m_titleTip->Holds(QCursor::pos())) {
        m_titleTip->hide();
    }
    return QTreeView::viewportEvent(event);
}
