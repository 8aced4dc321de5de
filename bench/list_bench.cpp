// The sortable list against a plain QTreeWidget with the same 100,000 rows of four texts and item
// data: filling the rows, and one sort by a text column compared ignoring case.  Both widgets are
// shown and the event loop runs after each step, so that deferred layout work counts too.
//
//   QT_QPA_PLATFORM=offscreen zelmora-bench-list
#include "controls/move_header_ctrl.h"
#include "controls/sort_list_ctrl.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QTreeWidget>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace {

constexpr int kRows = 100000;
constexpr int kColumns = 4;

// Texts of mixed case and length, with umlauts, in an order unrelated to any column.
struct Rows {
    std::vector<QString> texts[kColumns];

    Rows() {
        static const char16_t* const kParts[] = {u"alpha", u"Beta",  u"gamma",  u"Äpfel", u"zeta", u"Omega",
                                                 u"über",  u"kappa", u"Lambda", u"mü",    u"ny",   u"XI"};
        unsigned seed = 12345;
        const auto next = [&seed] {
            seed = seed * 1103515245u + 12345u;
            return (seed >> 16) & 0x7FFF;
        };
        for (int c = 0; c < kColumns; ++c) {
            texts[c].reserve(kRows);
            for (int r = 0; r < kRows; ++r) {
                QString text;
                const int words = 1 + static_cast<int>(next() % 4);
                for (int w = 0; w < words; ++w) {
                    text += QString::fromUtf16(kParts[next() % 12]) + QString::number(next() % 1000);
                }
                texts[c].push_back(text);
            }
        }
    }
};

const Rows& Data() {
    static const Rows rows;
    return rows;
}

void FillList(CSortListCtrl& list) {
    const Rows& rows = Data();
    for (int r = 0; r < kRows; ++r) {
        const int row = list.InsertItem(r, rows.texts[0][r]);
        for (int c = 1; c < kColumns; ++c) {
            list.SetItemText(row, c, rows.texts[c][r]);
        }
        list.SetItemData(row, static_cast<quintptr>(r));
    }
}

void FillTree(QTreeWidget& tree) {
    const Rows& rows = Data();
    QList<QTreeWidgetItem*> items;
    items.reserve(kRows);
    for (int r = 0; r < kRows; ++r) {
        auto* item = new QTreeWidgetItem(
            QStringList{rows.texts[0][r], rows.texts[1][r], rows.texts[2][r], rows.texts[3][r]});
        item->setData(0, Qt::UserRole, r);
        items.append(item);
    }
    tree.addTopLevelItems(items);
}

struct Widgets {
    CSortListCtrl list;
    QTreeWidget tree;

    Widgets() {
        const char16_t* const titles[] = {u"Seite", u"Name", u"Passwort", u"Kommentar"};
        for (int c = 0; c < kColumns; ++c) {
            list.InsertColumn(c, QString::fromUtf16(titles[c]), Qt::AlignLeft, 150);
        }
        const unsigned char types[] = {1, 1, 1, 1};
        list.SetColumnTypes(types, kColumns);
        list.EnableSort(true);
        list.SetHighlightMode(CSortListCtrl::kHighlightFull);
        list.EnableColumnMove(true);
        list.resize(800, 600);
        list.show();
        tree.setColumnCount(kColumns);
        tree.setUniformRowHeights(true);
        tree.setRootIsDecorated(false);
        tree.resize(800, 600);
        tree.show();
        QCoreApplication::processEvents();
    }
};

Widgets* g_widgets = nullptr;  // lives in main, inside the application's lifetime

Widgets& Shown() {
    return *g_widgets;
}

void BM_FillSortList(benchmark::State& state) {
    CSortListCtrl& list = Shown().list;
    for (auto _ : state) {
        state.PauseTiming();
        list.DeleteAllItems();
        QCoreApplication::processEvents();
        state.ResumeTiming();
        FillList(list);
        QCoreApplication::processEvents();
    }
}

void BM_FillTreeWidget(benchmark::State& state) {
    QTreeWidget& tree = Shown().tree;
    for (auto _ : state) {
        state.PauseTiming();
        tree.clear();
        QCoreApplication::processEvents();
        state.ResumeTiming();
        FillTree(tree);
        QCoreApplication::processEvents();
    }
}

// Each sort starts from freshly filled rows; the list turns its direction on every click, so the
// tree widget does the same.
void BM_SortList(benchmark::State& state) {
    CSortListCtrl& list = Shown().list;
    for (auto _ : state) {
        state.PauseTiming();
        list.DeleteAllItems();
        FillList(list);
        QCoreApplication::processEvents();
        state.ResumeTiming();
        emit list.GetHeaderCtrl()->sectionClicked(1);
        QCoreApplication::processEvents();
    }
}

void BM_SortTreeWidget(benchmark::State& state) {
    QTreeWidget& tree = Shown().tree;
    bool ascending = true;
    for (auto _ : state) {
        state.PauseTiming();
        tree.clear();
        FillTree(tree);
        QCoreApplication::processEvents();
        state.ResumeTiming();
        tree.sortItems(1, ascending ? Qt::AscendingOrder : Qt::DescendingOrder);
        QCoreApplication::processEvents();
        ascending = !ascending;
    }
}

BENCHMARK(BM_FillSortList)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(1.0);
BENCHMARK(BM_FillTreeWidget)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(1.0);
BENCHMARK(BM_SortList)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(1.0);
BENCHMARK(BM_SortTreeWidget)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(1.0);

// Keeps each run's time per iteration for the ratios printed at the end, by the benchmark's
// function name: the full name carries the options (min_time, real_time), which the library
// spells differently from version to version.
class CRatioReporter : public benchmark::ConsoleReporter {
public:
    CRatioReporter() : ConsoleReporter(OO_Tabular) {}

    std::map<std::string, double> times;

    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.run_type == Run::RT_Iteration && run.iterations > 0 && !run.error_occurred) {
                times[run.run_name.function_name] = run.GetAdjustedRealTime();
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }

    void PrintRatio(const char* what, const std::string& ours, const std::string& theirs,
                    double target) const {
        const auto a = times.find(ours);
        const auto b = times.find(theirs);
        if (a == times.end() || b == times.end() || b->second <= 0) {
            // Say so rather than leave the line out: a filter or a renamed benchmark hides it.
            std::printf("%-42s no ratio: %s did not run\n", what,
                        a == times.end() ? ours.c_str() : theirs.c_str());
            return;
        }
        const double ratio = a->second / b->second;
        std::printf("%-42s %6.2fx  (target at most %.2fx: %s)\n", what, ratio, target,
                    ratio <= target ? "met" : "MISSED");
    }
};

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    Widgets widgets;
    g_widgets = &widgets;
    benchmark::Initialize(&argc, argv);
    CRatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("\nCSortListCtrl against QTreeWidget, %d rows of %d texts:\n", kRows, kColumns);
    reporter.PrintRatio("fill / addTopLevelItems", "BM_FillSortList", "BM_FillTreeWidget", 1.5);
    reporter.PrintRatio("sort (type 1) / sortItems", "BM_SortList", "BM_SortTreeWidget", 1.0);
    std::fflush(stdout);
    benchmark::Shutdown();
    return 0;
}
