// The search of the entry list against QSortFilterProxyModel, both over the same 100,000 rows in
// the same run: each keystroke of typing a word and deleting it again, and a change to an
// unrelated word (a full search, nothing to narrow from).  Ours runs as the program does, from
// the tool bar's field through the view to the shown list; theirs is a fixed-string filter,
// ignoring case, over the three searched columns, with a tree view shown on it.  The event loop
// runs after every keystroke on both sides, so that the views' layout work counts too.
//
//   QT_QPA_PLATFORM=offscreen zelmora-bench-search
#include "app/main_frame.h"
#include "controls/list_model.h"
#include "controls/sort_list_ctrl.h"
#include "document/zelmora_doc.h"
#include "view/search_field.h"
#include "view/zelmora_view.h"
#include "window_bench.h"

#include <QApplication>
#include <QSortFilterProxyModel>
#include <QTreeView>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace {

constexpr int kEntries = 100000;
constexpr int kRounds = 7;

// Sites, names and comments of mixed case, with umlauts, in code page 1252.
struct SEntry {
    std::string seite, name, kommentar;
};
std::vector<SEntry> MakeEntries() {
    static const char* const kWords[] = {"bank",
                                         "Zahnarzt",
                                         "telekom",
                                         "M\xFC"
                                         "ller",
                                         "\xC4pfel",
                                         "Versand",
                                         "Stadt",
                                         "werke",
                                         "Post",
                                         "Reise",
                                         "Kasse",
                                         "Forum"};
    unsigned seed = 4711;
    const auto next = [&seed] {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 16) & 0x7FFF;
    };
    std::vector<SEntry> entries;
    entries.reserve(kEntries);
    for (int i = 0; i < kEntries; ++i) {
        const std::string n = std::to_string(next() % 10000);
        entries.push_back({"https://www." + std::string(kWords[next() % 12]) + n + ".de",
                           std::string(kWords[next() % 12]) + ".nutzer" + std::to_string(i),
                           "Konto " + std::string(kWords[next() % 12]) + " " + n});
    }
    return entries;
}

double Millis(const std::function<void()>& step) {
    const auto start = std::chrono::steady_clock::now();
    step();
    QApplication::processEvents();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

// The texts of each keystroke: "zahn" typed and deleted again; then two unrelated words.
const std::vector<QString> kTyping = {
    QStringLiteral("z"),   QStringLiteral("za"), QStringLiteral("zah"), QStringLiteral("zahn"),
    QStringLiteral("zah"), QStringLiteral("za"), QStringLiteral("z"),   QString()};
const std::vector<QString> kFull = {QStringLiteral("post"), QStringLiteral("kasse")};

// The mean and the slowest keystroke over the texts, of the round with the best mean.
struct STimes {
    double mean = 1e9;
    double worst = 0;
};
STimes PerKeystroke(const std::vector<QString>& texts, const std::function<void(const QString&)>& type) {
    STimes best;
    for (int round = 0; round < kRounds; ++round) {
        double total = 0;
        double worst = 0;
        for (const QString& text : texts) {
            const double ms = Millis([&] { type(text); });
            total += ms;
            worst = std::max(worst, ms);
        }
        if (total / static_cast<double>(texts.size()) < best.mean) {
            best = {total / static_cast<double>(texts.size()), worst};
        }
    }
    return best;
}

void Report(const char* what, const STimes& ours, const STimes& theirs) {
    const double ratio = ours.mean / theirs.mean;
    std::printf(
        "%-28s %6.2f ms per keystroke (slowest %6.2f), QSortFilterProxyModel %7.2f ms (slowest %7.2f): "
        "%.2fx (target at most 0.50x: %s; slowest under 16 ms: %s)\n",
        what, ours.mean, ours.worst, theirs.mean, theirs.worst, ratio, ratio <= 0.5 ? "met" : "MISSED",
        ours.worst < 16 ? "met" : "MISSED");
}

}  // namespace

int main(int argc, char** argv) {
    const CWindowBench bench(argc, argv);
    const std::vector<SEntry> entries = MakeEntries();

    CZelmoraDoc doc;
    CMainFrame frame(doc);
    doc.OnNewDocument();
    frame.View().OnInitialUpdate();
    for (const SEntry& e : entries) {
        doc.AddEntry(e.seite, e.name, "geheim", e.kommentar);
    }
    frame.View().FillList();
    frame.resize(900, 700);
    frame.ActivateFrame(5);
    QApplication::processEvents();
    CSearchField* field = frame.findChild<CSearchField*>(QStringLiteral("searchField"));

    // Theirs: the same texts in a model of three columns, filtered by a proxy a tree view shows.
    CListModel source;
    for (const char* title : {"Seite", "Name", "Kommentar"}) {
        CListModel::Column column;
        column.title = QString::fromLatin1(title);
        source.InsertColumn(source.ColumnCount(), column);
    }
    source.BeginBatch(entries.size());
    for (const SEntry& e : entries) {
        const int row = source.InsertRow(source.RowCount(), QString::fromLatin1(e.seite));
        source.SetText(row, 1, QString::fromLatin1(e.name));
        source.SetText(row, 2, QString::fromLatin1(e.kommentar));
    }
    source.EndBatch();
    QSortFilterProxyModel proxy;
    proxy.setSourceModel(&source);
    proxy.setFilterKeyColumn(-1);
    proxy.setFilterCaseSensitivity(Qt::CaseInsensitive);
    QTreeView tree;
    tree.setUniformRowHeights(true);
    tree.setRootIsDecorated(false);
    tree.setModel(&proxy);
    tree.resize(900, 700);
    tree.show();
    QApplication::processEvents();

    const auto ours = [&](const QString& text) { field->setText(text); };
    const auto theirs = [&](const QString& text) { proxy.setFilterFixedString(text); };
    // Both must show the same rows, or the race is not fair.
    for (const QString& text :
         {QStringLiteral("zahn"), QStringLiteral("m\u00fcller"), QStringLiteral("post")}) {
        ours(text);
        theirs(text);
        QApplication::processEvents();
        if (frame.View().List().GetItemCount() != proxy.rowCount()) {
            std::fprintf(stderr, "\"%s\": %d rows shown, the proxy %d\n", qPrintable(text),
                         frame.View().List().GetItemCount(), proxy.rowCount());
            return 1;
        }
    }
    ours(QString());
    theirs(QString());
    QApplication::processEvents();

    std::printf("search over %d entries, shown in the window:\n", kEntries);
    Report("typing and deleting \"zahn\"", PerKeystroke(kTyping, ours), PerKeystroke(kTyping, theirs));
    Report("one word for another", PerKeystroke(kFull, ours), PerKeystroke(kFull, theirs));
    // After every fill the folded texts are built anew, by the first keystroke.
    double first = 1e9;
    for (int round = 0; round < kRounds; ++round) {
        ours(QString());
        frame.View().FillList();
        QApplication::processEvents();
        first = std::min(first, Millis([&] { ours(QStringLiteral("post")); }));
    }
    std::printf("%-28s %6.2f ms (under 16 ms: %s)\n", "first keystroke after a fill", first,
                first < 16 ? "met" : "MISSED");
    return 0;
}
