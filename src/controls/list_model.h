// The rows and columns behind CSortListCtrl: texts, item data, drop highlight and state image of every
// row, and title, alignment and subitem of every column.  Selection and focus live in the view's
// selection model; column widths in its header.
#pragma once

#include <QAbstractTableModel>
#include <QString>

#include <algorithm>
#include <functional>
#include <vector>

// Moves items[from] to position dest, shifting the items between by one.
template <typename T>
void MoveItem(std::vector<T>& items, int from, int dest) {
    if (dest > from) {
        std::rotate(items.begin() + from, items.begin() + from + 1, items.begin() + dest + 1);
    } else if (dest < from) {
        std::rotate(items.begin() + dest, items.begin() + from, items.begin() + from + 1);
    }
}

class CListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    struct Column {
        QString title;
        Qt::Alignment format = Qt::AlignLeft;  // horizontal alignment of the cells; column 0 is always left
        int subItem = 0;                       // kept for the owner; cells are addressed by position
        bool masked = false;                   // ours: the cells show kMask, the texts stay for sorting
    };

    // What a masked cell shows instead of a text that is not empty; its length tells nothing.
    static const QString kMask;

    explicit CListModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // The rows shown; every row operation below addresses these, by their place among them.
    int RowCount() const { return static_cast<int>(m_bFiltered ? m_shown.size() : m_rows.size()); }
    // Ours: the rows shown and hidden together.
    int AllRowCount() const { return static_cast<int>(m_rows.size()); }

    // Ours: only the rows whose item data keep accepts are shown, in their order; the others are
    // out of reach until ShowAllRows, yet sort and move columns with the rest.  Views keep their
    // selection and current row where those are still shown.  Removing all rows shows all again.
    void FilterRows(const std::function<bool(quintptr data)>& keep);
    void ShowAllRows();
    bool IsFiltered() const { return m_bFiltered; }

    // Between these two, row inserts and text changes tell the views nothing; the end resets them
    // once.  Filling 100,000 rows one signal at a time would take seconds.
    void BeginBatch(std::size_t expectedRows);
    void EndBatch();
    int ColumnCount() const { return static_cast<int>(m_columns.size()); }

    // A new row at row (clamped to 0..RowCount) with text in column 0; returns its position.
    int InsertRow(int row, const QString& text);
    bool RemoveRow(int row);
    void RemoveAllRows();
    // Ours: every text is zeroed before the rows go (they may hold vault texts).
    void WipeAllRows();

    // Out of range gives the empty text or 0; setting out of range fails.
    QString Text(int row, int column) const;
    // The text as the cell shows it: kMask in a masked column.
    QString ShownText(int row, int column) const;
    bool SetText(int row, int column, const QString& text);
    quintptr Data(int row) const;
    bool SetData(int row, quintptr data);
    int StateImage(int row) const;
    bool SetStateImage(int row, int image);
    bool DropHighlighted(int row) const;
    bool SetDropHighlighted(int row, bool on);

    // A new column at pos (clamped to 0..ColumnCount) with empty cells; returns its position.
    int InsertColumn(int pos, const Column& column);
    bool RemoveColumn(int pos);
    const Column* ColumnAt(int pos) const;
    bool SetColumn(int pos, const Column& column);

    // Column from with its texts goes to the boundary left of column to (ColumnCount: the end).
    // Rows keep their item data and state; views keep selection and current cell.
    void MoveColumn(int from, int to);

    // Sorts all rows by the texts of column, read once each, with a comparison type of sortcmp.
    // Rows that compare equal keep their order.
    void SortRows(int column, int type, bool ascending);

private:
    struct Row {
        std::vector<QString> texts;  // one per column
        quintptr data = 0;
        int stateImage = 0;
        bool dropHighlighted = false;
    };

    bool ValidRow(int row) const { return row >= 0 && row < RowCount(); }
    // Where the shown row stands among all rows.
    std::size_t Stored(int row) const {
        return m_bFiltered ? static_cast<std::size_t>(m_shown[static_cast<std::size_t>(row)])
                           : static_cast<std::size_t>(row);
    }
    Row& At(int row) { return m_rows[Stored(row)]; }
    const Row& At(int row) const { return m_rows[Stored(row)]; }
    // The shown rows become shown (all of them when !filtered), telling the views as one change
    // of layout that maps their persistent indexes.
    void ChangeShown(std::vector<int> shown, bool filtered);
    bool ValidColumn(int column) const { return column >= 0 && column < ColumnCount(); }
    void RowChanged(int row);

    std::vector<Column> m_columns;
    std::vector<Row> m_rows;
    std::vector<int> m_shown;  // while filtered: the places in m_rows of the rows shown, ascending
    bool m_bFiltered = false;
    bool m_bBatch = false;
};
