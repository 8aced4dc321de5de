// A window with one CSortListCtrl set up as the entry list uses it, filled with some hundred rows of
// long and short texts: for trying sorting, column moving, title tips and row drawing by hand.
//
//   zelmora-list-demo [--rows N] [--mode 0|1|2] [--show-selection-always] [--checkboxes]
#include "controls/sort_list_ctrl.h"

#include <QApplication>
#include <QLineEdit>
#include <QMainWindow>
#include <QPainter>
#include <QStatusBar>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

QPixmap CheckBox(bool checked) {
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setPen(Qt::black);
    painter.setBrush(Qt::white);
    painter.drawRect(2, 2, 11, 11);
    if (checked) {
        painter.drawLine(4, 8, 7, 11);
        painter.drawLine(7, 11, 11, 4);
    }
    return pixmap;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    int rows = 300;
    int mode = 2;
    bool showAlways = false;
    bool checkBoxes = false;
    const QStringList args = app.arguments();
    for (int i = 1; i < args.size(); ++i) {
        if (args[i] == u"--rows" && i + 1 < args.size()) {
            rows = args[++i].toInt();
        } else if (args[i] == u"--mode" && i + 1 < args.size()) {
            mode = args[++i].toInt();
        } else if (args[i] == u"--show-selection-always") {
            showAlways = true;
        } else if (args[i] == u"--checkboxes") {
            checkBoxes = true;
        }
    }

    QMainWindow window;
    window.setWindowTitle(u"Zelmora list demo"_s);
    auto* central = new QWidget(&window);
    auto* layout = new QVBoxLayout(central);
    auto* list = new CSortListCtrl(central);
    auto* edit = new QLineEdit(central);  // somewhere else for the focus to go
    edit->setPlaceholderText(u"Fokus hier: die Auswahl der Liste ohne Fokus"_s);
    layout->addWidget(list);
    layout->addWidget(edit);
    window.setCentralWidget(central);

    const QStringList titles{u"Seite"_s, u"Name"_s, u"Passwort"_s, u"Kommentar"_s};
    const int widths[] = {250, 130, 130, 250};
    for (int i = 0; i < titles.size(); ++i) {
        list->InsertColumn(i, titles[i], Qt::AlignLeft, widths[i]);
    }
    list->EnableSort(true);
    list->SetHighlightMode(mode);
    list->EnableColumnMove(true);
    const unsigned char types[] = {1, 1, 1, 1};
    list->SetColumnTypes(types, 4);
    list->SetShowSelectionAlways(showAlways);
    if (checkBoxes) {
        list->SetStateImages({CheckBox(false), CheckBox(true)});
    }

    const QStringList sites{u"www.example.org"_s,
                            u"Ärztekammer"_s,
                            u"zeitung.example/abo/login?ref=start"_s,
                            u"Bank"_s,
                            u"ÖPNV"_s,
                            u"mail.halvorn.example"_s,
                            u"a"_s,
                            u"Zentrale Verwaltung der städtischen Bibliotheken und Archive"_s};
    const QStringList names{u"anna"_s, u"Bernd"_s, u"carla.mueller@example.org"_s, u"D"_s, u"Ülrich"_s};
    const QStringList comments{
        u""_s, u"kurz"_s,
        u"Ein sehr langer Kommentar, der in keine Spalte passt und darum abgeschnitten wird"_s, u"PIN 1234"_s,
        u"Zugang seit 2019, jährlich verlängern"_s};
    for (int r = 0; r < rows; ++r) {
        const int row = list->InsertItem(r, sites[(r * 7) % sites.size()] + u' ' + QString::number(r));
        list->SetItemText(row, 1, names[(r * 3) % names.size()]);
        list->SetItemText(row, 2, QString(1 + (r * 5) % 24, QChar(u'a' + r % 26)));
        list->SetItemText(row, 3, comments[r % comments.size()]);
        list->SetItemData(row, static_cast<quintptr>(r));
        if (checkBoxes) {
            list->SetItemState(row, CSortListCtrl::StateImage(1 + r % 2), CSortListCtrl::kStateImageMask);
        }
    }

    auto show = [&window, list] {
        const int row = list->GetFirstSelectedItem();
        window.statusBar()->showMessage(row < 0 ? u"keine Zeile"_s
                                                : u"Zeile %1, Daten %2, %3 markiert"_s.arg(row)
                                                      .arg(list->GetItemData(row))
                                                      .arg(list->GetSelectedItems().size()));
    };
    QObject::connect(list->selectionModel(), &QItemSelectionModel::selectionChanged, &window, show);
    QObject::connect(list, &CSortListCtrl::listDoubleClicked, &window, show);
    window.resize(900, 600);
    window.show();
    return app.exec();
}
