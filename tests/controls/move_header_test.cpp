#include "controls/move_header_ctrl.h"
#include "controls/sort_list_ctrl.h"
#include "controls_test_util.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace ctest;

namespace {

class MoveHeaderTest : public ::testing::Test {
protected:
    void SetUp() override {
        list.resize(600, 200);
        for (int c = 0; c < 4; ++c) {
            list.InsertColumn(c, QString(QChar(u'A' + c)), Qt::AlignLeft, 100);
        }
        list.InsertItem(0, u"a0"_s);
        list.SetItemText(0, 1, u"b0"_s);
        list.EnableColumnMove(true);
        header = list.GetHeaderCtrl();
        view = header->viewport();
        header->SetMoveHandler([this](int from, int to) { moves.emplace_back(from, to); });
        list.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&list));
        h = header->height();
    }

    QPoint At(int x) const { return QPoint(x, h / 2); }

    // Press at x, start the drag with a small move, then move to each of xs.
    void Drag(int x, std::initializer_list<int> xs) {
        Press(view, At(x));
        Move(view, At(x + 1), Qt::LeftButton);
        for (int to : xs) {
            Move(view, At(to), Qt::LeftButton);
        }
    }

    void Drop(int x) { Release(view, At(x)); }

    QRect ExpectedMarker(int boundary) const {
        return QRect(QPoint(boundary - h / 4 - 1, h - h / 2 - 1), QPoint(boundary + h / 4, h));
    }

    CSortListCtrl list;
    CMoveHeaderCtrl* header = nullptr;
    QWidget* view = nullptr;
    int h = 0;
    std::vector<std::pair<int, int>> moves;
};

using Moves = std::vector<std::pair<int, int>>;

}  // namespace

TEST_F(MoveHeaderTest, DragToAnotherBoundaryMovesTheColumn) {
    Press(view, At(150));
    EXPECT_FALSE(header->IsDragging());
    Move(view, At(151), Qt::LeftButton);
    EXPECT_TRUE(header->IsDragging());
    EXPECT_EQ(header->DropPos(), 1);
    EXPECT_TRUE(header->MarkerRect().isEmpty());  // still on the column's own place
    Move(view, At(350), Qt::LeftButton);
    EXPECT_EQ(header->DropPos(), 3);
    EXPECT_EQ(header->MarkerRect(), ExpectedMarker(300));
    Drop(350);
    EXPECT_FALSE(header->IsDragging());
    EXPECT_TRUE(header->MarkerRect().isEmpty());
    EXPECT_EQ(moves, Moves({{1, 3}}));

    Drag(250, {499});  // right of the last column
    EXPECT_EQ(header->DropPos(), 4);
    Drop(499);
    Drag(350, {50});
    Drop(50);
    EXPECT_EQ(moves, Moves({{1, 3}, {2, 4}, {3, 0}}));
}

TEST_F(MoveHeaderTest, DropsOnTheColumnsOwnBoundariesMoveNothing) {
    Drag(150, {199});  // left boundary: still inside the column
    Drop(199);
    Drag(150, {250});  // right boundary: the next column's left edge
    EXPECT_EQ(header->DropPos(), 2);
    Drop(250);
    Drag(350, {450});  // the last column right of itself
    EXPECT_EQ(header->DropPos(), 4);
    Drop(450);
    Drag(150, {350, 120});  // away and back again
    Drop(120);
    EXPECT_TRUE(moves.empty());
}

TEST_F(MoveHeaderTest, FarLeftDropsBeforeTheFirstColumn) {
    Drag(250, {-40});
    EXPECT_EQ(header->DropPos(), 0);
    EXPECT_EQ(header->MarkerRect(), ExpectedMarker(0));
    Drop(-40);
    Drag(350, {0});
    Drop(0);
    EXPECT_EQ(moves, Moves({{2, 0}, {3, 0}}));
}

TEST_F(MoveHeaderTest, MovingWithinTheSameColumnDrawsNoNewMarker) {
    Drag(150, {320});
    const QRect marker = header->MarkerRect();
    QWidget* viewport = view;
    CEventRecorder paints(viewport);
    QCoreApplication::processEvents();
    paints.events.clear();
    Move(view, At(360), Qt::LeftButton);
    Move(view, At(399), Qt::LeftButton);
    QCoreApplication::processEvents();
    EXPECT_EQ(header->MarkerRect(), marker);
    EXPECT_EQ(paints.Last(QEvent::Paint), nullptr);
    Drop(399);
}

TEST_F(MoveHeaderTest, MarkerIsAWhiteTriangleErasedWhenItMoves) {
    Drag(50, {350});
    QImage image = header->grab().toImage();
    const int inside = h / 2 + 2;
    EXPECT_EQ(image.pixelColor(300, inside), QColor(Qt::white));
    EXPECT_EQ(image.pixelColor(300, h / 2), QColor(Qt::black));  // the outline
    EXPECT_NE(image.pixelColor(300 - h / 4 - 3, inside), QColor(Qt::white));
    Move(view, At(250), Qt::LeftButton);
    image = header->grab().toImage();
    EXPECT_NE(image.pixelColor(300, inside), QColor(Qt::white));
    EXPECT_EQ(image.pixelColor(200, inside), QColor(Qt::white));
    Drop(250);
    image = header->grab().toImage();
    EXPECT_NE(image.pixelColor(200, inside), QColor(Qt::white));
}

TEST_F(MoveHeaderTest, ADividerResizesAndNeverStartsAMove) {
    Press(view, At(100));
    Move(view, At(101), Qt::LeftButton);
    Move(view, At(130), Qt::LeftButton);
    EXPECT_FALSE(header->IsDragging());
    Release(view, At(130));
    EXPECT_EQ(header->sectionSize(0), 130);
    EXPECT_TRUE(moves.empty());
}

TEST_F(MoveHeaderTest, AMoveWithoutTheButtonEndsTheDrag) {
    Drag(150, {350});
    Move(view, At(360));
    EXPECT_FALSE(header->IsDragging());
    EXPECT_TRUE(header->MarkerRect().isEmpty());
    Release(view, At(360));
    EXPECT_TRUE(moves.empty());
    // A press followed by a move without the button never becomes a drag.
    Press(view, At(150));
    Move(view, At(151));
    Move(view, At(350), Qt::LeftButton);
    EXPECT_FALSE(header->IsDragging());
}

TEST_F(MoveHeaderTest, ClicksStillReachTheHeaderWithAndWithoutMoving) {
    QSignalSpy clicked(header, &QHeaderView::sectionClicked);
    QTest::mouseClick(view, Qt::LeftButton, Qt::NoModifier, At(250));
    ASSERT_EQ(clicked.count(), 1);
    EXPECT_EQ(clicked.takeFirst().at(0).toInt(), 2);

    EXPECT_TRUE(list.EnableColumnMove(false));
    Drag(150, {350});
    EXPECT_FALSE(header->IsDragging());
    Drop(350);
    EXPECT_TRUE(moves.empty());
    QTest::mouseClick(view, Qt::LeftButton, Qt::NoModifier, At(50));
    ASSERT_EQ(clicked.count(), 1);
    EXPECT_EQ(clicked.takeFirst().at(0).toInt(), 0);
    EXPECT_FALSE(list.EnableColumnMove(true));
}

TEST(MoveHeaderListTest, DraggingAHeaderMovesTheListsColumn) {
    CSortListCtrl list;
    list.resize(500, 200);
    for (int c = 0; c < 3; ++c) {
        list.InsertColumn(c, QString(QChar(u'A' + c)), Qt::AlignLeft, 80 + 10 * c);
    }
    list.InsertItem(0, u"a"_s);
    list.SetItemText(0, 1, u"b"_s);
    list.SetItemText(0, 2, u"c"_s);
    list.EnableColumnMove(true);
    list.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&list));
    QWidget* view = list.GetHeaderCtrl()->viewport();
    const int y = list.GetHeaderCtrl()->height() / 2;
    Press(view, QPoint(40, y));
    Move(view, QPoint(41, y), Qt::LeftButton);
    Move(view, QPoint(290, y), Qt::LeftButton);
    Release(view, QPoint(290, y));
    EXPECT_EQ(list.GetColumnTitle(0), u"B"_s);
    EXPECT_EQ(list.GetColumnTitle(2), u"A"_s);
    EXPECT_EQ(list.GetColumnWidth(2), 80);
    EXPECT_EQ(list.GetItemText(0, 2), u"a"_s);
}

// After the move the button may come up over the section index it went down on (now another
// column); that must not sort the list.
TEST(MoveHeaderListTest, ADragNeverSortsButAnUnsteadyClickDoes) {
    CSortListCtrl list;
    list.resize(500, 200);
    list.InsertColumn(0, u"Seite"_s, Qt::AlignLeft, 100);
    list.InsertColumn(1, u"Name"_s, Qt::AlignLeft, 60);
    const unsigned char types[] = {1, 1};
    ASSERT_TRUE(list.SetColumnTypes(types, 2));
    list.EnableSort(true);
    list.EnableColumnMove(true);
    const char16_t* rows[][2] = {{u"b", u"2"}, {u"a", u"3"}, {u"c", u"1"}};
    for (int r = 0; r < 3; ++r) {
        list.InsertItem(r, QString::fromUtf16(rows[r][0]));
        list.SetItemText(r, 1, QString::fromUtf16(rows[r][1]));
        list.SetItemData(r, static_cast<quintptr>(r));
    }
    list.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&list));
    QWidget* view = list.GetHeaderCtrl()->viewport();
    QSignalSpy clicked(list.GetHeaderCtrl(), &QHeaderView::sectionClicked);
    const int y = list.GetHeaderCtrl()->height() / 2;

    // "Name" onto the right half of "Seite": "Seite" then spans 60..159, under index 1 again.
    Press(view, QPoint(130, y));
    Move(view, QPoint(131, y), Qt::LeftButton);
    Move(view, QPoint(75, y), Qt::LeftButton);
    Release(view, QPoint(75, y));
    ASSERT_EQ(list.GetColumnTitle(0), u"Name"_s);
    EXPECT_EQ(clicked.count(), 0);
    for (int r = 0; r < 3; ++r) {
        EXPECT_EQ(list.GetItemData(r), static_cast<quintptr>(r)) << "the rows keep their order";
    }

    // A press that moves a little but stays in its column is still a click, and sorts.
    Press(view, QPoint(20, y));
    Move(view, QPoint(23, y), Qt::LeftButton);
    Release(view, QPoint(23, y));
    EXPECT_EQ(clicked.count(), 1);
    EXPECT_EQ(list.GetItemText(0, 0), u"1"_s);
    EXPECT_EQ(list.GetItemData(0), 2u);
}

TEST(MoveHeaderListTest, DropPositionsFollowHorizontalScrolling) {
    CSortListCtrl list;
    list.resize(250, 150);
    for (int c = 0; c < 4; ++c) {
        list.InsertColumn(c, QString(QChar(u'A' + c)), Qt::AlignLeft, 100);
    }
    list.EnableColumnMove(true);
    CMoveHeaderCtrl* header = list.GetHeaderCtrl();
    std::vector<std::pair<int, int>> moves;
    header->SetMoveHandler([&](int from, int to) { moves.emplace_back(from, to); });
    list.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&list));
    list.horizontalScrollBar()->setValue(100);
    ASSERT_EQ(header->offset(), 100);
    QWidget* view = header->viewport();
    const int y = header->height() / 2;
    // Column 2 is shown at 100..199 now, column 1 at 0..99.
    Press(view, QPoint(150, y));
    Move(view, QPoint(151, y), Qt::LeftButton);
    Move(view, QPoint(50, y), Qt::LeftButton);
    EXPECT_EQ(header->DropPos(), 1);
    EXPECT_EQ(header->MarkerRect().center().x(), 0);
    Release(view, QPoint(50, y));
    EXPECT_EQ(moves, (std::vector<std::pair<int, int>>{{2, 1}}));
}
