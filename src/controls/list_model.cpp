#include "controls/list_model.h"

#include "controls/sort_compare.h"
#include "platform/text_wipe.h"

#include <algorithm>
#include <numeric>

const QString CListModel::kMask = QStringLiteral("\u2022\u2022\u2022\u2022\u2022\u2022");

CListModel::CListModel(QObject* parent) : QAbstractTableModel(parent) {}

int CListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : RowCount();
}

int CListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount();
}

QVariant CListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || !ValidRow(index.row()) || !ValidColumn(index.column())) {
        return {};
    }
    switch (role) {
        case Qt::DisplayRole:
            return ShownText(index.row(), index.column());
        case Qt::TextAlignmentRole: {
            const Qt::Alignment h = index.column() == 0 ? Qt::AlignLeft : m_columns[index.column()].format;
            return QVariant::fromValue(h | Qt::AlignVCenter);
        }
        default:
            return {};
    }
}

QVariant CListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || !ValidColumn(section)) {
        return {};
    }
    switch (role) {
        case Qt::DisplayRole:
            return m_columns[section].title;
        case Qt::TextAlignmentRole: {
            const Qt::Alignment h = section == 0 ? Qt::AlignLeft : m_columns[section].format;
            return QVariant::fromValue(h | Qt::AlignVCenter);
        }
        default:
            return {};
    }
}

Qt::ItemFlags CListModel::flags(const QModelIndex& index) const {
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}

int CListModel::InsertRow(int row, const QString& text) {
    row = std::clamp(row, 0, RowCount());
    Row r;
    r.texts.resize(m_columns.size());
    if (!r.texts.empty()) {
        r.texts[0] = text;
    }
    const auto place = [&] {
        if (!m_bFiltered) {
            m_rows.insert(m_rows.begin() + row, std::move(r));
            return;
        }
        // Among all rows, just before the shown row it goes in front of.
        const int stored = row < RowCount() ? m_shown[static_cast<std::size_t>(row)] : AllRowCount();
        m_rows.insert(m_rows.begin() + stored, std::move(r));
        for (int& s : m_shown) {
            s += s >= stored ? 1 : 0;
        }
        m_shown.insert(m_shown.begin() + row, stored);
    };
    if (m_bBatch) {
        place();
        return row;
    }
    beginInsertRows(QModelIndex(), row, row);
    place();
    endInsertRows();
    return row;
}

bool CListModel::RemoveRow(int row) {
    if (!ValidRow(row)) {
        return false;
    }
    beginRemoveRows(QModelIndex(), row, row);
    const auto stored = static_cast<int>(Stored(row));
    m_rows.erase(m_rows.begin() + stored);
    if (m_bFiltered) {
        m_shown.erase(m_shown.begin() + row);
        for (int& s : m_shown) {
            s -= s > stored ? 1 : 0;
        }
    }
    endRemoveRows();
    return true;
}

void CListModel::BeginBatch(std::size_t expectedRows) {
    if (m_bBatch) {
        return;
    }
    beginResetModel();
    m_bBatch = true;
    m_rows.reserve(expectedRows);
}

void CListModel::EndBatch() {
    if (!m_bBatch) {
        return;
    }
    m_bBatch = false;
    endResetModel();
}

void CListModel::RemoveAllRows() {
    if (m_bBatch) {
        m_rows.clear();
        m_shown.clear();
        m_bFiltered = false;
        return;
    }
    beginResetModel();
    m_rows.clear();
    m_shown.clear();
    m_bFiltered = false;
    endResetModel();
}

QString CListModel::Text(int row, int column) const {
    return ValidRow(row) && ValidColumn(column) ? At(row).texts[column] : QString();
}

bool CListModel::SetText(int row, int column, const QString& text) {
    if (!ValidRow(row) || !ValidColumn(column)) {
        return false;
    }
    At(row).texts[column] = text;
    if (m_bBatch) {
        return true;
    }
    const QModelIndex cell = index(row, column);
    emit dataChanged(cell, cell, {Qt::DisplayRole});
    return true;
}

QString CListModel::ShownText(int row, int column) const {
    if (!ValidRow(row) || !ValidColumn(column)) {
        return QString();
    }
    const QString& text = At(row).texts[column];
    return m_columns[column].masked && !text.isEmpty() ? kMask : text;
}

void CListModel::WipeAllRows() {
    const bool batch = m_bBatch;
    if (!batch) {
        beginResetModel();
    }
    for (Row& r : m_rows) {
        for (QString& text : r.texts) {
            WipeText(text);
        }
    }
    std::vector<Row>().swap(m_rows);
    std::vector<int>().swap(m_shown);
    m_bFiltered = false;
    if (!batch) {
        endResetModel();
    }
}

quintptr CListModel::Data(int row) const {
    return ValidRow(row) ? At(row).data : 0;
}

bool CListModel::SetData(int row, quintptr data) {
    if (!ValidRow(row)) {
        return false;
    }
    At(row).data = data;  // not shown, so no view needs to hear of it
    return true;
}

int CListModel::StateImage(int row) const {
    return ValidRow(row) ? At(row).stateImage : 0;
}

bool CListModel::SetStateImage(int row, int image) {
    if (!ValidRow(row)) {
        return false;
    }
    At(row).stateImage = image;
    RowChanged(row);
    return true;
}

bool CListModel::DropHighlighted(int row) const {
    return ValidRow(row) && At(row).dropHighlighted;
}

bool CListModel::SetDropHighlighted(int row, bool on) {
    if (!ValidRow(row)) {
        return false;
    }
    At(row).dropHighlighted = on;
    RowChanged(row);
    return true;
}

void CListModel::RowChanged(int row) {
    if (!m_columns.empty()) {
        emit dataChanged(index(row, 0), index(row, ColumnCount() - 1));
    }
}

int CListModel::InsertColumn(int pos, const Column& column) {
    pos = std::clamp(pos, 0, ColumnCount());
    beginInsertColumns(QModelIndex(), pos, pos);
    m_columns.insert(m_columns.begin() + pos, column);
    for (Row& r : m_rows) {
        r.texts.insert(r.texts.begin() + pos, QString());
    }
    endInsertColumns();
    return pos;
}

bool CListModel::RemoveColumn(int pos) {
    if (!ValidColumn(pos)) {
        return false;
    }
    beginRemoveColumns(QModelIndex(), pos, pos);
    m_columns.erase(m_columns.begin() + pos);
    for (Row& r : m_rows) {
        r.texts.erase(r.texts.begin() + pos);
    }
    endRemoveColumns();
    return true;
}

const CListModel::Column* CListModel::ColumnAt(int pos) const {
    return ValidColumn(pos) ? &m_columns[pos] : nullptr;
}

bool CListModel::SetColumn(int pos, const Column& column) {
    if (!ValidColumn(pos)) {
        return false;
    }
    m_columns[pos] = column;
    emit headerDataChanged(Qt::Horizontal, pos, pos);
    if (!m_rows.empty()) {
        emit dataChanged(index(0, pos), index(RowCount() - 1, pos), {Qt::TextAlignmentRole, Qt::DisplayRole});
    }
    return true;
}

void CListModel::MoveColumn(int from, int to) {
    const int n = ColumnCount();
    if (!ValidColumn(from) || to < 0 || to > n || to == from || to == from + 1) {
        return;
    }
    const int dest = to > from ? to - 1 : to;  // the column's position once it has left its old one
    emit layoutAboutToBeChanged();
    MoveItem(m_columns, from, dest);
    m_columns[dest].subItem = to;
    if (from == 0) {
        m_columns[0].subItem = 0;
    }
    for (Row& r : m_rows) {
        MoveItem(r.texts, from, dest);
    }
    const QModelIndexList before = persistentIndexList();
    QModelIndexList after;
    after.reserve(before.size());
    for (const QModelIndex& i : before) {
        int c = i.column();
        if (c == from) {
            c = dest;
        } else if (dest > from && c > from && c <= dest) {
            --c;
        } else if (dest < from && c >= dest && c < from) {
            ++c;
        }
        after.append(index(i.row(), c));
    }
    changePersistentIndexList(before, after);
    emit layoutChanged();
}

void CListModel::SortRows(int column, int type, bool ascending) {
    if (!ValidColumn(column) || m_rows.size() < 2) {
        return;
    }
    // Each text is read once; the comparisons see only the keys.
    const sortcmp::CKeyReader reader(type);
    std::vector<sortcmp::SortKey> keys;
    keys.reserve(m_rows.size());
    for (const Row& r : m_rows) {
        keys.push_back(reader.Read(r.texts[column]));
    }
    std::vector<int> order(m_rows.size());
    std::iota(order.begin(), order.end(), 0);
    const int direction = ascending ? 1 : -1;
    // OrderKeys, not CompareKeys: a sort needs a strict weak order in either direction.  Rows with
    // equal keys keep the order they had.
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        return direction * sortcmp::OrderKeys(type, keys[a], keys[b]) < 0;
    });

    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    std::vector<Row> sorted;
    sorted.reserve(m_rows.size());
    std::vector<int> newPlace(m_rows.size());
    for (std::size_t i = 0; i < order.size(); ++i) {
        sorted.push_back(std::move(m_rows[order[i]]));
        newPlace[order[i]] = static_cast<int>(i);
    }
    m_rows.swap(sorted);
    // Hidden rows sort with the others; the shown ones keep standing in the order of all rows.
    std::vector<int> shownPlace;  // of each row shown before, among those shown after
    if (m_bFiltered) {
        std::vector<int> wasShownAt(m_rows.size(), -1);
        for (std::size_t d = 0; d < m_shown.size(); ++d) {
            wasShownAt[static_cast<std::size_t>(newPlace[static_cast<std::size_t>(m_shown[d])])] =
                static_cast<int>(d);
        }
        shownPlace.resize(m_shown.size());
        m_shown.clear();
        for (std::size_t s = 0; s < wasShownAt.size(); ++s) {
            if (wasShownAt[s] >= 0) {
                shownPlace[static_cast<std::size_t>(wasShownAt[s])] = static_cast<int>(m_shown.size());
                m_shown.push_back(static_cast<int>(s));
            }
        }
    }
    const QModelIndexList before = persistentIndexList();
    QModelIndexList after;
    after.reserve(before.size());
    for (const QModelIndex& i : before) {
        const auto row = static_cast<std::size_t>(i.row());
        after.append(index(m_bFiltered ? shownPlace[row] : newPlace[row], i.column()));
    }
    changePersistentIndexList(before, after);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void CListModel::FilterRows(const std::function<bool(quintptr data)>& keep) {
    std::vector<int> shown;
    shown.reserve(m_rows.size());
    for (std::size_t s = 0; s < m_rows.size(); ++s) {
        if (keep(m_rows[s].data)) {
            shown.push_back(static_cast<int>(s));
        }
    }
    ChangeShown(std::move(shown), true);
}

void CListModel::ShowAllRows() {
    if (m_bFiltered) {
        ChangeShown({}, false);
    }
}

void CListModel::ChangeShown(std::vector<int> shown, bool filtered) {
    if (m_bBatch) {
        m_shown = std::move(shown);
        m_bFiltered = filtered;
        return;
    }
    emit layoutAboutToBeChanged({}, QAbstractItemModel::NoLayoutChangeHint);
    const QModelIndexList before = persistentIndexList();
    std::vector<std::size_t> stored;
    stored.reserve(static_cast<std::size_t>(before.size()));
    for (const QModelIndex& i : before) {
        stored.push_back(Stored(i.row()));
    }
    m_shown = std::move(shown);
    m_bFiltered = filtered;
    std::vector<int> shownAt;  // of every row, its place among the shown ones, or -1
    if (m_bFiltered) {
        shownAt.assign(m_rows.size(), -1);
        for (std::size_t d = 0; d < m_shown.size(); ++d) {
            shownAt[static_cast<std::size_t>(m_shown[d])] = static_cast<int>(d);
        }
    }
    QModelIndexList after;
    after.reserve(before.size());
    for (qsizetype i = 0; i < before.size(); ++i) {
        const std::size_t s = stored[static_cast<std::size_t>(i)];
        const int row = m_bFiltered ? shownAt[s] : static_cast<int>(s);
        after.append(row >= 0 ? index(row, before[i].column()) : QModelIndex());
    }
    changePersistentIndexList(before, after);
    emit layoutChanged({}, QAbstractItemModel::NoLayoutChangeHint);
}
