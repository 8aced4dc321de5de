#include "controls/move_header_ctrl.h"
#include "controls/sort_list_ctrl.h"
#include "controls_test_util.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QClipboard>
#include <QDate>
#include <QGuiApplication>
#include <QLocale>
#include <QTest>

#include <algorithm>
#include <numeric>

using namespace Qt::StringLiterals;

namespace {

class SortListTest : public ::testing::Test {
protected:
    void SetUp() override {
        list.resize(600, 300);
        list.InsertColumn(0, u"Seite"_s, Qt::AlignLeft, 120);
        list.InsertColumn(1, u"Name"_s, Qt::AlignRight, 90);
        list.InsertColumn(2, u"Nummer"_s, Qt::AlignHCenter, 70);
        const unsigned char types[] = {1, 0, 2};
        ASSERT_TRUE(list.SetColumnTypes(types, 3));
        list.EnableSort(true);
        Fill({{u"beta"_s, u"b"_s, u"10"_s},
              {u"Alpha"_s, u"C"_s, u"9"_s},
              {u"Äpfel"_s, u"a"_s, u"-3"_s},
              {u"zeta"_s, u"B"_s, u"100"_s}});
        list.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&list));
    }

    // Fills the rows as an owner does: row i gets item data i.
    void Fill(const std::vector<std::vector<QString>>& rows) {
        list.DeleteAllItems();
        for (std::size_t i = 0; i < rows.size(); ++i) {
            const int row = list.InsertItem(static_cast<int>(i), rows[i][0]);
            for (std::size_t c = 1; c < rows[i].size(); ++c) {
                list.SetItemText(row, static_cast<int>(c), rows[i][c]);
            }
            list.SetItemData(row, i);
        }
    }

    QStringList Column(int column) const {
        QStringList texts;
        for (int r = 0; r < list.GetItemCount(); ++r) {
            texts << list.GetItemText(r, column);
        }
        return texts;
    }

    std::vector<quintptr> Data() const {
        std::vector<quintptr> data;
        for (int r = 0; r < list.GetItemCount(); ++r) {
            data.push_back(list.GetItemData(r));
        }
        return data;
    }

    void ClickHeader(int column, Qt::MouseButton button = Qt::LeftButton) {
        CMoveHeaderCtrl* header = list.GetHeaderCtrl();
        const QPoint pos(header->sectionViewportPosition(column) + header->sectionSize(column) / 2,
                         header->height() / 2);
        QTest::mouseClick(header->viewport(), button, Qt::NoModifier, pos);
    }

    QStringList Titles() const {
        QStringList titles;
        for (int c = 0; c < list.GetColumnCount(); ++c) {
            titles << list.GetColumnTitle(c);
        }
        return titles;
    }

    CSortListCtrl list;
};

}  // namespace

TEST_F(SortListTest, ClicksSortAscendingThenDescendingAndAnotherColumnAscending) {
    ClickHeader(0);
    EXPECT_EQ(Column(0), QStringList({u"Alpha"_s, u"beta"_s, u"zeta"_s, u"Äpfel"_s}));
    EXPECT_EQ(Data(), std::vector<quintptr>({1, 0, 3, 2}));
    ClickHeader(0);
    EXPECT_EQ(Column(0), QStringList({u"Äpfel"_s, u"zeta"_s, u"beta"_s, u"Alpha"_s}));
    EXPECT_EQ(Data(), std::vector<quintptr>({2, 3, 0, 1}));
    ClickHeader(2);
    EXPECT_EQ(Column(2), QStringList({u"-3"_s, u"9"_s, u"10"_s, u"100"_s}));
    ClickHeader(1);  // case-sensitive: capitals first
    EXPECT_EQ(Column(1), QStringList({u"B"_s, u"C"_s, u"a"_s, u"b"_s}));
    // The texts of every row travel together.
    EXPECT_EQ(Column(0), QStringList({u"zeta"_s, u"Alpha"_s, u"Äpfel"_s, u"beta"_s}));
    EXPECT_EQ(Data(), std::vector<quintptr>({3, 1, 2, 0}));
}

TEST_F(SortListTest, OnlyALeftClickWithSortingOnAndATypedColumnSorts) {
    const QStringList before = Column(0);
    ClickHeader(0, Qt::RightButton);
    EXPECT_EQ(Column(0), before);
    ClickHeader(0, Qt::MiddleButton);
    EXPECT_EQ(Column(0), before);

    EXPECT_TRUE(list.EnableSort(false));
    ClickHeader(0);
    EXPECT_EQ(Column(0), before);
    EXPECT_FALSE(list.EnableSort(true));

    // A column without a type does not sort; nor does it change the direction of the next click.
    list.InsertColumn(3, u"Frei"_s);
    ClickHeader(3);
    EXPECT_EQ(Column(0), before);
    ClickHeader(0);
    EXPECT_EQ(Column(0).first(), u"Alpha"_s);
}

TEST_F(SortListTest, RefilledAndInsertedRowsStayInTheOwnersOrder) {
    ClickHeader(0);
    ClickHeader(0);  // descending now
    Fill({{u"b"_s}, {u"c"_s}, {u"a"_s}});
    EXPECT_EQ(Column(0), QStringList({u"b"_s, u"c"_s, u"a"_s}));
    const int row = list.InsertItem(1, u"zz"_s);
    EXPECT_EQ(row, 1);
    EXPECT_EQ(Column(0), QStringList({u"b"_s, u"zz"_s, u"c"_s, u"a"_s}));
    // The next click on the last sort column turns the direction of the last sort.
    ClickHeader(0);
    EXPECT_EQ(Column(0), QStringList({u"a"_s, u"b"_s, u"c"_s, u"zz"_s}));
}

TEST_F(SortListTest, SelectionAndFocusStayWithTheirRowsThroughSorts) {
    list.SetItemState(0, CSortListCtrl::kSelected | CSortListCtrl::kFocused,
                      CSortListCtrl::kSelected | CSortListCtrl::kFocused);
    list.SetItemState(3, CSortListCtrl::kSelected, CSortListCtrl::kSelected);
    list.SetItemState(2, CSortListCtrl::kDropHighlighted | CSortListCtrl::StateImage(2),
                      CSortListCtrl::kDropHighlighted | CSortListCtrl::kStateImageMask);
    ClickHeader(0);  // Alpha(1) beta(0) zeta(3) Äpfel(2)
    EXPECT_EQ(list.GetSelectedItems(), std::vector<int>({1, 2}));
    EXPECT_EQ(list.GetItemState(1, CSortListCtrl::kFocused), CSortListCtrl::kFocused);
    EXPECT_EQ(list.GetItemState(3, ~0u), CSortListCtrl::kDropHighlighted | CSortListCtrl::StateImage(2));
    EXPECT_EQ(list.GetItemData(3), 2u);
}

TEST_F(SortListTest, SelectionIsReportedInDisplayOrder) {
    EXPECT_EQ(list.GetFirstSelectedItem(), -1);
    EXPECT_TRUE(list.GetSelectedItems().empty());
    list.SetItemState(3, CSortListCtrl::kSelected, CSortListCtrl::kSelected);
    list.SetItemState(1, CSortListCtrl::kSelected, CSortListCtrl::kSelected);
    EXPECT_EQ(list.GetFirstSelectedItem(), 1);
    EXPECT_EQ(list.GetSelectedItems(), std::vector<int>({1, 3}));
    list.SetItemState(1, 0, CSortListCtrl::kSelected);
    EXPECT_EQ(list.GetFirstSelectedItem(), 3);

    // Clicks select as in any list: ctrl adds a row.
    const QRect second = list.visualRect(list.model()->index(2, 0));
    const QRect first = list.visualRect(list.model()->index(0, 0));
    QTest::mouseClick(list.viewport(), Qt::LeftButton, Qt::NoModifier, second.center());
    QTest::mouseClick(list.viewport(), Qt::LeftButton, Qt::ControlModifier, first.center());
    EXPECT_EQ(list.GetSelectedItems(), std::vector<int>({0, 2}));
}

TEST_F(SortListTest, EqualKeysInBothDirectionsSortSafely) {
    // Decimal and date comparisons never answer 0 for equal values; the sort must stay whole with
    // many equal keys in both directions all the same.
    const QString date = QLocale::system().toString(QDate(2024, 5, 1), QLocale::ShortFormat);
    std::vector<std::vector<QString>> rows;
    for (int i = 0; i < 2000; ++i) {
        rows.push_back({QString::number(i % 3), QString(), i % 2 ? u"kein Datum"_s : date});
    }
    Fill(rows);
    const unsigned char types[] = {5, 0, 3};
    ASSERT_TRUE(list.SetColumnTypes(types, 3));
    std::vector<quintptr> all(rows.size());
    std::iota(all.begin(), all.end(), 0);
    for (int column : {0, 0, 2, 2}) {
        ClickHeader(column);
        std::vector<quintptr> data = Data();
        std::sort(data.begin(), data.end());
        EXPECT_EQ(data, all);  // every row is still there, once
    }
    ClickHeader(0);
    QStringList values = Column(0);
    EXPECT_TRUE(std::is_sorted(values.begin(), values.end()));
    ClickHeader(0);
    values = Column(0);
    EXPECT_TRUE(std::is_sorted(values.rbegin(), values.rend()));
}

// Equal keys are no reason to reorder: in either direction such rows keep the owner's order.
TEST_F(SortListTest, EqualDecimalsAndDatesKeepTheirOrderBothWays) {
    const QString date = QLocale::system().toString(QDate(2024, 5, 1), QLocale::ShortFormat);
    Fill({{u"1.5"_s, QString(), date}, {u"1.50"_s, QString(), date}, {u"1.5e0"_s, QString(), date}});
    const unsigned char types[] = {5, 0, 6};
    ASSERT_TRUE(list.SetColumnTypes(types, 3));
    for (int column : {0, 0, 2, 2}) {
        ClickHeader(column);
        EXPECT_EQ(Data(), (std::vector<quintptr>{0, 1, 2})) << "column " << column;
    }
}

TEST_F(SortListTest, ColumnTypesAboveSixLeaveNoTable) {
    const unsigned char bad[] = {1, 1, 7};
    EXPECT_FALSE(list.SetColumnTypes(bad, 3));
    const QStringList before = Column(0);
    ClickHeader(0);
    EXPECT_EQ(Column(0), before);
    EXPECT_FALSE(list.SetColumnTypes(nullptr, 2));
    EXPECT_TRUE(list.SetColumnTypes(nullptr, 0));
    const unsigned char all[] = {0, 1, 2, 3, 4, 5, 6};
    EXPECT_TRUE(list.SetColumnTypes(all, 7));
}

TEST_F(SortListTest, HighlightModeAboveTwoIsRefused) {
    EXPECT_EQ(list.SetHighlightMode(2), 0);
    EXPECT_EQ(list.SetHighlightMode(3), 2);
    EXPECT_EQ(list.SetHighlightMode(-1), 2);
    EXPECT_EQ(list.SetHighlightMode(1), 2);
}

TEST_F(SortListTest, FindColumnIsExactAndCaseSensitive) {
    EXPECT_EQ(list.FindColumn(u"Seite"_s), 0);
    EXPECT_EQ(list.FindColumn(u"Nummer"_s), 2);
    EXPECT_EQ(list.FindColumn(u"seite"_s), -1);
    EXPECT_EQ(list.FindColumn(u"Seit"_s), -1);
    EXPECT_EQ(list.FindColumn(u""_s), -1);
    list.InsertColumn(3, u"Name"_s);
    EXPECT_EQ(list.FindColumn(u"Name"_s), 1);
    const QString longTitle(300, u'x');
    list.InsertColumn(4, longTitle);
    EXPECT_EQ(list.FindColumn(longTitle), 4);
    EXPECT_EQ(list.FindColumn(longTitle.left(199)), -1);
}

TEST_F(SortListTest, MoveColumnLeftAndRight) {
    list.SetItemState(1, CSortListCtrl::kSelected | CSortListCtrl::kFocused,
                      CSortListCtrl::kSelected | CSortListCtrl::kFocused);
    list.MoveColumn(2, 0);
    EXPECT_EQ(Titles(), QStringList({u"Nummer"_s, u"Seite"_s, u"Name"_s}));
    EXPECT_EQ(list.GetColumnWidth(0), 70);
    EXPECT_EQ(list.GetColumnWidth(1), 120);
    EXPECT_EQ(list.GetColumnWidth(2), 90);
    EXPECT_EQ(list.GetColumnFormat(0), Qt::AlignHCenter);
    EXPECT_EQ(list.GetColumnFormat(2), Qt::AlignRight);
    EXPECT_EQ(Column(0), QStringList({u"10"_s, u"9"_s, u"-3"_s, u"100"_s}));
    EXPECT_EQ(Column(1), QStringList({u"beta"_s, u"Alpha"_s, u"Äpfel"_s, u"zeta"_s}));
    EXPECT_EQ(Data(), std::vector<quintptr>({0, 1, 2, 3}));
    EXPECT_EQ(list.GetSelectedItems(), std::vector<int>({1}));
    EXPECT_EQ(list.GetItemState(1, CSortListCtrl::kFocused), CSortListCtrl::kFocused);

    list.MoveColumn(1, 3);  // "Seite" to the end
    EXPECT_EQ(Titles(), QStringList({u"Nummer"_s, u"Name"_s, u"Seite"_s}));
    EXPECT_EQ(list.GetColumnWidth(2), 120);
    EXPECT_EQ(Column(2), QStringList({u"beta"_s, u"Alpha"_s, u"Äpfel"_s, u"zeta"_s}));
    EXPECT_EQ(list.GetSelectedItems(), std::vector<int>({1}));

    // The type table keeps its order: position 0 now holds numbers but still sorts as type 1.
    ClickHeader(0);
    EXPECT_EQ(Column(0), QStringList({u"-3"_s, u"10"_s, u"100"_s, u"9"_s}));
}

TEST_F(SortListTest, MoveColumnZeroToTheEndAndBack) {
    list.MoveColumn(0, 3);
    EXPECT_EQ(Titles(), QStringList({u"Name"_s, u"Nummer"_s, u"Seite"_s}));
    EXPECT_EQ(list.GetColumnWidth(0), 90);
    EXPECT_EQ(list.GetColumnWidth(2), 120);
    EXPECT_EQ(list.GetColumnFormat(0), Qt::AlignRight);  // kept, though column 0 draws left
    EXPECT_EQ(list.GetColumnSubItem(0), 0);
    EXPECT_EQ(Column(0), QStringList({u"b"_s, u"C"_s, u"a"_s, u"B"_s}));
    EXPECT_EQ(Column(2), QStringList({u"beta"_s, u"Alpha"_s, u"Äpfel"_s, u"zeta"_s}));
    list.MoveColumn(2, 0);
    EXPECT_EQ(Titles(), QStringList({u"Seite"_s, u"Name"_s, u"Nummer"_s}));
    EXPECT_EQ(Column(1), QStringList({u"b"_s, u"C"_s, u"a"_s, u"B"_s}));
    EXPECT_EQ(list.GetColumnWidth(1), 90);
}

TEST_F(SortListTest, MoveColumnIgnoresNonMoves) {
    for (const auto& [from, to] : std::vector<std::pair<int, int>>{{1, 1}, {1, 2}, {-1, 0}, {3, 0}, {0, 4}}) {
        list.MoveColumn(from, to);
    }
    EXPECT_EQ(Titles(), QStringList({u"Seite"_s, u"Name"_s, u"Nummer"_s}));
    EXPECT_EQ(Column(1), QStringList({u"b"_s, u"C"_s, u"a"_s, u"B"_s}));
}

TEST_F(SortListTest, MovedColumnsKeepLongTitles) {
    const QString longTitle = QString(200, u'K') + u"ommentar"_s;
    list.SetColumnTitle(1, longTitle);
    list.MoveColumn(1, 0);
    EXPECT_EQ(list.GetColumnTitle(0), longTitle);
    EXPECT_EQ(list.FindColumn(longTitle), 0);
}

TEST_F(SortListTest, ClickOnStateImageTogglesIt) {
    QPixmap box(12, 12);
    box.fill(Qt::red);
    list.SetStateImages({box, box});
    list.SetItemState(1, CSortListCtrl::StateImage(1), CSortListCtrl::kStateImageMask);
    const QRect cell = list.visualRect(list.model()->index(1, 0));
    const QPoint onImage(cell.left() + 3, cell.center().y());
    const auto image = [&](int row) { return list.GetItemState(row, CSortListCtrl::kStateImageMask) >> 12; };
    QTest::mouseClick(list.viewport(), Qt::LeftButton, Qt::NoModifier, onImage);
    EXPECT_EQ(image(1), 2u);
    QTest::mouseClick(list.viewport(), Qt::LeftButton, Qt::NoModifier, onImage + QPoint(0, 1));
    EXPECT_EQ(image(1), 1u);
    // Beside the image nothing toggles; a row without an image gets image 1.
    QTest::mouseClick(list.viewport(), Qt::LeftButton, Qt::NoModifier,
                      QPoint(cell.left() + 40, cell.center().y()));
    EXPECT_EQ(image(1), 1u);
    const QRect other = list.visualRect(list.model()->index(3, 0));
    QTest::mouseClick(list.viewport(), Qt::LeftButton, Qt::NoModifier,
                      QPoint(other.left() + 3, other.center().y()));
    EXPECT_EQ(image(3), 1u);
}

TEST_F(SortListTest, DoubleAndRightClicksAreReported) {
    int doubles = 0;
    QPoint rightAt;
    QObject::connect(&list, &CSortListCtrl::listDoubleClicked, [&] { ++doubles; });
    QObject::connect(&list, &CSortListCtrl::listRightClicked, [&](const QPoint& p) { rightAt = p; });
    const QPoint inRow = list.visualRect(list.model()->index(2, 1)).center();
    QTest::mouseDClick(list.viewport(), Qt::LeftButton, Qt::NoModifier, inRow);
    EXPECT_EQ(doubles, 1);
    QTest::mouseDClick(list.viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(300, 250));  // below the rows
    EXPECT_EQ(doubles, 2);
    QTest::mouseClick(list.viewport(), Qt::RightButton, Qt::NoModifier, inRow);
    EXPECT_EQ(rightAt, list.viewport()->mapToGlobal(inRow));
    EXPECT_EQ(list.GetFirstSelectedItem(), 2);
}

// The copy key copies nothing by itself, whether or not the window's command takes it.
TEST(SortListKeysTest, CopyKeysAreTheWindowsCommandAlone) {
    QWidget window;
    auto* list = new CSortListCtrl(&window);
    list->resize(300, 200);
    list->InsertColumn(0, u"Seite"_s);
    list->InsertColumn(1, u"Passwort"_s);
    list->InsertItem(0, u"bank"_s);
    list->SetItemText(0, 1, u"geheim"_s);
    QAction copy(&window);
    copy.setShortcut(QKeySequence::Copy);
    window.addAction(&copy);
    int copies = 0;
    QObject::connect(&copy, &QAction::triggered, [&] { ++copies; });
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    list->setFocus();
    list->setCurrentIndex(list->model()->index(0, 1));
    list->SetItemState(0, 0, CSortListCtrl::kSelected);  // current, but no row selected
    QGuiApplication::clipboard()->setText(u"vorher"_s);

    copy.setEnabled(false);
    QTest::keyClick(list, Qt::Key_C, Qt::ControlModifier);
    QTest::keyClick(list, Qt::Key_Insert, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), u"vorher"_s);
    EXPECT_EQ(copies, 0);

    copy.setEnabled(true);
    QTest::keyClick(list, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(copies, 1);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), u"vorher"_s);
}

// Hidden rows are out of reach of every row operation yet sort and move with the others; the
// selection and the current row stay where their rows are still shown.
TEST_F(SortListTest, FilteredRowsSortAndMoveWithTheOthersAndKeepSelectionWhereShown) {
    // Rows: 0 beta, 1 Alpha, 2 Äpfel, 3 zeta.  beta and zeta selected, zeta current.
    list.SetItemState(0, CSortListCtrl::kSelected, CSortListCtrl::kSelected);
    list.SetItemState(3, CSortListCtrl::kSelected | CSortListCtrl::kFocused,
                      CSortListCtrl::kSelected | CSortListCtrl::kFocused);
    list.FilterRows([](quintptr data) { return data != 0; });  // beta hidden
    EXPECT_TRUE(list.IsFiltered());
    EXPECT_EQ(list.GetItemCount(), 3);
    EXPECT_EQ(list.GetAllItemCount(), 4);
    EXPECT_EQ(Column(0), QStringList({u"Alpha"_s, u"Äpfel"_s, u"zeta"_s}));
    EXPECT_EQ(list.GetSelectedItems(), std::vector<int>{2});
    EXPECT_EQ(list.currentIndex().row(), 2);
    EXPECT_EQ(list.GetItemText(3, 0), QString()) << "a hidden row is out of reach";

    // Sorting while filtered sorts the hidden row too; a column move takes its texts along.
    ASSERT_TRUE(list.SortByColumn(2, true));  // by number: Äpfel -3, Alpha 9, zeta 100 (beta 10)
    EXPECT_EQ(Column(0), QStringList({u"Äpfel"_s, u"Alpha"_s, u"zeta"_s}));
    EXPECT_EQ(list.GetSelectedItems(), std::vector<int>{2});
    list.MoveColumn(2, 0);
    EXPECT_EQ(Column(0), QStringList({u"-3"_s, u"9"_s, u"100"_s}));
    EXPECT_EQ(Column(1), QStringList({u"Äpfel"_s, u"Alpha"_s, u"zeta"_s}));

    // Rows inserted and removed while filtered land among all rows where the shown ones say.
    const int row = list.InsertItem(1, u"7"_s);
    list.SetItemData(row, 9);
    EXPECT_EQ(Data(), (std::vector<quintptr>{2, 9, 1, 3}));
    EXPECT_TRUE(list.DeleteItem(0));
    EXPECT_EQ(Data(), (std::vector<quintptr>{9, 1, 3}));

    list.ShowAllRows();
    EXPECT_FALSE(list.IsFiltered());
    EXPECT_EQ(Data(), (std::vector<quintptr>{9, 1, 0, 3})) << "beta sorted between Alpha and zeta";
    EXPECT_EQ(Column(1), QStringList({QString(), u"Alpha"_s, u"beta"_s, u"zeta"_s}));
    EXPECT_EQ(list.GetSelectedItems(), std::vector<int>{3}) << "beta lost its selection when it was hidden";
    EXPECT_EQ(list.currentIndex().row(), 3);

    // Removing all rows ends the filter.
    list.FilterRows([](quintptr) { return false; });
    EXPECT_EQ(list.GetItemCount(), 0);
    list.DeleteAllItems();
    EXPECT_FALSE(list.IsFiltered());
}
