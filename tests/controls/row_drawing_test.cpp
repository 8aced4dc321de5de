#include "controls/sort_list_ctrl.h"
#include "controls_test_util.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QLineEdit>
#include <QScreen>
#include <QTest>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

// A list above a line edit, so that the focus can leave the list.
class RowDrawingTest : public ::testing::Test {
protected:
    void SetUp() override {
        auto* layout = new QVBoxLayout(&window);
        list = new CSortListCtrl;
        edit = new QLineEdit;
        layout->addWidget(list);
        layout->addWidget(edit);
        list->InsertColumn(0, u"Seite"_s, Qt::AlignRight, 100);  // column 0 draws left all the same
        list->InsertColumn(1, u"Name"_s, Qt::AlignLeft, 60);
        list->InsertColumn(2, u"Zahl"_s, Qt::AlignRight, 100);
        for (int r = 0; r < 5; ++r) {
            list->InsertItem(r, u"ab"_s);
            list->SetItemText(r, 1, r == 1 ? u"WWWWWWWWWWWWWWWWWWWWWWWW"_s : u""_s);
            list->SetItemText(r, 2, u"12"_s);
        }
        list->SetHighlightMode(CSortListCtrl::kHighlightFull);
        list->SetItemState(1, CSortListCtrl::kSelected, CSortListCtrl::kSelected);
        window.resize(500, 300);
        window.show();
        window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
        list->setFocus();
        highlight = list->palette().color(QPalette::Active, QPalette::Highlight);
        base = list->palette().color(QPalette::Active, QPalette::Base);
    }

    QImage Grab() const { return list->viewport()->grab().toImage(); }

    // What the viewport shows after pending repaints: the window's backing store, so that a part
    // left out of a repaint keeps its old colour.
    QImage Shown() const {
        QCoreApplication::processEvents();
        const QPoint at = list->viewport()->mapTo(&window, QPoint());
        const QSize size = list->viewport()->size();
        return window.screen()
            ->grabWindow(window.winId(), at.x(), at.y(), size.width(), size.height())
            .toImage();
    }
    int RowY(int row) const { return list->visualRect(list->model()->index(row, 0)).center().y(); }

    // The columns of a row's pixels that differ from the background colour.
    std::vector<int> InkColumns(const QImage& image, int row, int from, int to, const QColor& back) const {
        std::vector<int> xs;
        const QRect r = list->visualRect(list->model()->index(row, 0));
        for (int x = from; x < to; ++x) {
            for (int y = r.top(); y <= r.bottom(); ++y) {
                if (image.pixelColor(x, y) != back) {
                    xs.push_back(x);
                    break;
                }
            }
        }
        return xs;
    }

    QWidget window;
    CSortListCtrl* list = nullptr;
    QLineEdit* edit = nullptr;
    QColor highlight;
    QColor base;
};

}  // namespace

TEST_F(RowDrawingTest, FullRowHighlightReachesTheRightEdgeAlsoAfterAResize) {
    const int right = list->viewport()->width() - 1;
    ASSERT_GT(right, 300);  // the columns end at 260
    QImage image = Shown();
    EXPECT_EQ(image.pixelColor(right, RowY(1)), highlight);
    EXPECT_EQ(image.pixelColor(280, RowY(1)), highlight);
    EXPECT_EQ(image.pixelColor(right, RowY(2)), base);

    window.resize(700, 300);
    QCoreApplication::processEvents();
    const int wider = list->viewport()->width() - 1;
    ASSERT_GT(wider, right + 100);
    image = Shown();
    EXPECT_EQ(image.pixelColor(wider, RowY(1)), highlight);
    EXPECT_EQ(image.pixelColor(right + 50, RowY(1)), highlight);
}

TEST_F(RowDrawingTest, APartialRepaintOfTheStripRightOfTheColumnsIsHighlighted) {
    const int width = list->viewport()->width();
    QImage image(list->viewport()->size(), QImage::Format_RGB32);
    image.fill(Qt::magenta);
    const QRect strip(width - 30, 0, 30, list->viewport()->height());
    list->viewport()->render(&image, strip.topLeft(), QRegion(strip));
    EXPECT_EQ(image.pixelColor(width - 1, RowY(1)), highlight);
    EXPECT_EQ(image.pixelColor(width - 30, RowY(1)), highlight);
    EXPECT_EQ(image.pixelColor(width - 31, RowY(1)), QColor(Qt::magenta));
}

TEST_F(RowDrawingTest, SelectionChangesRepaintTheWholeRow) {
    const int right = list->viewport()->width() - 1;
    EXPECT_EQ(Shown().pixelColor(right, RowY(1)), highlight);
    list->SetItemState(1, 0, CSortListCtrl::kSelected);
    list->SetItemState(3, CSortListCtrl::kSelected, CSortListCtrl::kSelected);
    QImage image = Shown();
    EXPECT_EQ(image.pixelColor(right, RowY(1)), base);
    EXPECT_EQ(image.pixelColor(right, RowY(3)), highlight);

    // Keyboard moves take the selection and the focus rectangle along.
    list->setCurrentIndex(list->model()->index(3, 0));
    QTest::keyClick(list, Qt::Key_Down);
    ASSERT_EQ(list->GetSelectedItems(), std::vector<int>({4}));
    image = Shown();
    EXPECT_EQ(image.pixelColor(right, RowY(3)), base);
    EXPECT_EQ(image.pixelColor(right - 3, RowY(4)), highlight);  // inside the focus rectangle
    const QRect row4 = list->visualRect(list->model()->index(4, 0));
    bool frame = false;
    for (int x = 300; x < right; ++x) {
        frame = frame || image.pixelColor(x, row4.top()) != highlight;
    }
    EXPECT_TRUE(frame);
}

TEST_F(RowDrawingTest, HighlightModesReachLabelRowOrEdge) {
    list->SetHighlightMode(CSortListCtrl::kHighlightRow);
    QImage image = Grab();
    EXPECT_EQ(image.pixelColor(170, RowY(1)), highlight);
    EXPECT_EQ(image.pixelColor(280, RowY(1)), base);

    list->SetHighlightMode(CSortListCtrl::kHighlightLabel);
    image = Grab();
    EXPECT_EQ(image.pixelColor(2, RowY(1)), highlight);
    EXPECT_EQ(image.pixelColor(95, RowY(1)), base);  // "ab" is narrow: the label ends early
    EXPECT_EQ(image.pixelColor(170, RowY(1)), base);
    EXPECT_EQ(image.pixelColor(280, RowY(1)), base);
}

TEST_F(RowDrawingTest, SelectionShowsOnlyWithFocusUnlessShownAlways) {
    edit->setFocus();
    ASSERT_FALSE(list->hasFocus());
    EXPECT_EQ(Grab().pixelColor(280, RowY(1)), base);

    EXPECT_FALSE(list->SetShowSelectionAlways(true));
    EXPECT_EQ(Grab().pixelColor(280, RowY(1)), highlight);
    list->SetShowSelectionAlways(false);

    // A drop target is highlighted whether or not it is selected or focused.
    list->SetItemState(3, CSortListCtrl::kDropHighlighted, CSortListCtrl::kDropHighlighted);
    EXPECT_EQ(Grab().pixelColor(280, RowY(3)), highlight);
}

TEST_F(RowDrawingTest, FocusChangesRepaintTheList) {
    ctest::CEventRecorder paints(list->viewport());
    edit->setFocus();
    QCoreApplication::processEvents();
    EXPECT_NE(paints.Last(QEvent::Paint), nullptr);
    paints.events.clear();
    list->setFocus();
    QCoreApplication::processEvents();
    EXPECT_NE(paints.Last(QEvent::Paint), nullptr);
}

TEST_F(RowDrawingTest, TextsAreCutAlignedAndOffset) {
    list->SetItemState(1, 0, CSortListCtrl::kSelected);
    const QImage image = Grab();
    // The long name ends in an ellipsis inside its column and leaves the next one alone.
    const std::vector<int> name = InkColumns(image, 1, 100, 160, base);
    ASSERT_FALSE(name.empty());
    EXPECT_GE(name.front(), 102);
    EXPECT_LT(name.back(), 158);
    EXPECT_TRUE(InkColumns(image, 1, 160, 220, base).empty());
    // Empty cells draw nothing.
    EXPECT_TRUE(InkColumns(image, 2, 100, 160, base).empty());
    // The right-aligned number keeps an offset from the cell's right edge; column 0 starts left.
    const std::vector<int> number = InkColumns(image, 2, 160, 260, base);
    ASSERT_FALSE(number.empty());
    EXPECT_GT(number.front(), 220);
    EXPECT_LT(number.back(), 258);
    const std::vector<int> label = InkColumns(image, 2, 0, 100, base);
    ASSERT_FALSE(label.empty());
    EXPECT_LT(label.front(), 10);
}

TEST_F(RowDrawingTest, FocusedRowGetsAFocusRectangle) {
    list->SetItemState(1, 0, CSortListCtrl::kSelected);
    list->SetItemState(3, CSortListCtrl::kFocused, CSortListCtrl::kFocused);
    ASSERT_EQ(list->GetSelectedItems().size(), 0u);
    QImage image = Grab();
    EXPECT_FALSE(InkColumns(image, 3, 300, 400, base).empty());  // the frame's top and bottom lines
    edit->setFocus();
    image = Grab();
    EXPECT_TRUE(InkColumns(image, 3, 300, 400, base).empty());
}
