// A report list: columns with title, width and alignment, rows of texts with item data and state.
// It sorts all rows on a left click on a column header (a comparison type per column), lets the user
// drag columns to another place, shows the full text of cut-off cells in a title tip and draws its
// rows itself, with the selection reaching as far as the highlight mode says.
//
// The list knows nothing of what its rows stand for: the owner keeps its own key in each row's item
// data, which survives every sort, and finds columns by title, since the user may move them.  The
// list never sorts by itself: rows inserted later stay where they were inserted.
#pragma once

#include <QColor>
#include <QList>
#include <QPixmap>
#include <QString>
#include <QTreeView>

#include <functional>
#include <vector>

class CListModel;
class CMoveHeaderCtrl;
class CTitleTip;

class CSortListCtrl : public QTreeView {
    Q_OBJECT
public:
    // Row state bits for GetItemState and SetItemState.
    enum State : unsigned {
        kFocused = 0x0001,
        kSelected = 0x0002,
        kDropHighlighted = 0x0008,
        kStateImageMask = 0xF000,  // the state image index, shifted by kStateImageShift
    };
    static constexpr int kStateImageShift = 12;
    static constexpr unsigned StateImage(int index) {
        return static_cast<unsigned>(index) << kStateImageShift;
    }

    // How far the selection colour reaches in a row.
    enum Highlight : int {
        kHighlightLabel = 0,  // the first column's text
        kHighlightRow = 1,    // all columns
        kHighlightFull = 2,   // the whole row to the right edge of the list
    };

    explicit CSortListCtrl(QWidget* parent = nullptr);
    ~CSortListCtrl() override;

    // Feature switches; each returns the previous value.
    bool EnableSort(bool enable);
    int SetHighlightMode(int mode);  // 0..2; any other mode changes nothing
    bool EnableColumnMove(bool enable);
    bool SetShowSelectionAlways(bool show);

    // The comparison type (see sortcmp::Type) of the column at each position.  Fails, keeping no
    // table at all, if a type is above 6.  The table does not follow moved columns.  A click on a
    // column without a type does not sort.
    bool SetColumnTypes(const unsigned char* types, unsigned count);

    // Columns.
    int GetColumnCount() const;
    int InsertColumn(int pos, const QString& title, Qt::Alignment format = Qt::AlignLeft, int width = 100,
                     int subItem = -1);  // -1: the column's position
    bool DeleteColumn(int pos);
    QString GetColumnTitle(int pos) const;
    Qt::Alignment GetColumnFormat(int pos) const;
    int GetColumnSubItem(int pos) const;
    int GetColumnWidth(int pos) const;
    bool SetColumnTitle(int pos, const QString& title);
    bool SetColumnFormat(int pos, Qt::Alignment format);
    bool SetColumnWidth(int pos, int width);
    // Ours: a masked column shows "••••••" for every text that is not empty, in its cells and tips;
    // GetItemText and sorting still see the texts.  The flag moves with the column.
    bool SetColumnMasked(int pos, bool masked);
    bool IsColumnMasked(int pos) const;
    // Position of the first column titled exactly title (case-sensitive), or -1.
    int FindColumn(const QString& title) const;
    // Moves column from with its title, width, format and texts to the boundary left of column to
    // (GetColumnCount(): the end).  Rows keep their item data and state.  The header calls it on a drop.
    void MoveColumn(int from, int to);

    // The column of the last sort (-1 before the first) and its direction.
    int GetSortColumn() const { return m_nSortColumn; }
    bool IsSortAscending() const { return m_bSortAscending; }
    // Sorts by the column in the direction, as the header clicks that end there would; false (and
    // nothing changes) while sorting is off or for a column without a type.
    bool SortByColumn(int column, bool ascending);

    // Rows.
    // A fill of many rows: between the two calls the view is not told of each row, only once at
    // the end.  Selection and current row are cleared.
    void BeginFill(std::size_t expectedRows);
    void EndFill();
    // The rows shown: every row operation addresses these, by their place among them.
    int GetItemCount() const;
    // Ours: only the rows whose item data keep accepts are shown; the others sort and move
    // columns with them and come back with ShowAllRows (a fill or DeleteAllItems shows all too).
    // Selection and current row stay where their rows are still shown.
    void FilterRows(const std::function<bool(quintptr data)>& keep);
    void ShowAllRows();
    bool IsFiltered() const;
    // The rows shown and hidden together.
    int GetAllItemCount() const;
    int InsertItem(int row, const QString& text);  // returns the new row's position, clamped to the ends
    bool DeleteItem(int row);
    void DeleteAllItems();
    // Ours: the rows go with every text zeroed first, and the title tip forgets its text.
    void WipeAllItems();
    QString GetItemText(int row, int column) const;
    bool SetItemText(int row, int column, const QString& text);
    quintptr GetItemData(int row) const;
    bool SetItemData(int row, quintptr data);
    unsigned GetItemState(int row, unsigned mask) const;
    bool SetItemState(int row, unsigned state, unsigned mask);

    // The selection in display order: the first selected row from the top (-1 if none), and all.
    int GetFirstSelectedItem() const;
    std::vector<int> GetSelectedItems() const;

    // Images for the state image indexes 1, 2, ... (0 shows none), drawn left of a row's first
    // text.  A left click on a row's state image toggles it between 1 and 2.
    void SetStateImages(const QList<QPixmap>& images);

    // How far a cell's text stands in from the cell's edges: two blanks of the list's font (the first
    // column has half of it on the left).  The drawing and the title tip both go by it.
    int TextInset() const;
    // Where a cell's text is drawn, for the cell's rectangle in the viewport.
    QRect CellTextRect(const QRect& cell, int column) const;

    CMoveHeaderCtrl* GetHeaderCtrl() const { return m_header; }
    CTitleTip* GetTitleTip() const { return m_titleTip; }

signals:
    // A double click anywhere in the rows' area, and a right click there (at a screen position).
    void listDoubleClicked();
    void listRightClicked(const QPoint& globalPos);

protected:
    void drawRow(QPainter* painter, const QStyleOptionViewItem& option,
                 const QModelIndex& index) const override;
    QRegion visualRegionForSelection(const QItemSelection& selection) const override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool viewportEvent(QEvent* event) override;

private:
    void OnHeaderItemClick(int column);
    void ShowCellTip(const QPoint& pos);
    int StateImageWidth() const;  // of the area left of the first column's text; 0 without images
    int StateImageHit(const QPoint& pos) const;
    bool IsRowSelected(int row) const;
    // Drawn in the selection colours: a drop target, or selected while that shows.
    bool IsRowHighlighted(int row) const;

    CTitleTip* m_titleTip;
    QColor m_crTipText;
    QColor m_crTipBack;
    int m_nHighlight = kHighlightLabel;
    bool m_bOwnerDraw = false;  // rows are drawn here; set with highlight mode 1 or 2 and kept
    bool m_bShowSelAlways = false;
    bool m_bSortEnabled = false;
    std::vector<unsigned char> m_columnTypes;
    int m_nSortColumn = -1;
    bool m_bSortAscending = true;
    CMoveHeaderCtrl* m_header;
    CListModel* m_model;
    QList<QPixmap> m_stateImages;
};
