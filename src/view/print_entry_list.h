// Printing the vault's entries as a plain list: site, user name and password per line, on as many
// pages as the entries need, each laid out like the first.
#pragma once

#include <QString>

#include <memory>

class CVaultData;
class QPainter;
class QPrinter;
class QWidget;

namespace print_layout {
// In 0.01 inch, from the top-left corner of the printable area.
constexpr double kCellHeight = 12;  // the font's character cell
constexpr double kLeft = 5;
constexpr double kFirstTop = 20;  // top of the first line's cell
constexpr double kLineStep = 20;
constexpr double kTabOrigin = 150;
constexpr double kTabStops[] = {150, 250, 350, 450};  // from the tab origin: 3, 4, 5 and 6 inches
}  // namespace print_layout

// Whole lines a page of pageHeight (0.01 inch) holds: a line whose cell would cross the bottom edge
// goes to the next page.
int LinesPerPage(double pageHeight);

// Draws the pages on the painter's device, whose coordinates must be the device's own (a fresh
// painter): one line per entry in entry-list order, whole lines only.  A printer or PDF writer gets
// a new page whenever one is full; any other device (an image) shows the first page only.
void PrintEntryList(QPainter& painter, const CVaultData& data);

// Writes the pages into a PDF file (A4, the whole page printable).  Every PDF Zelmora writes is
// readable by its owner only from its first byte and replaces an existing file only once it is
// whole.  False when it cannot be written.
bool PrintEntryListToPdf(const CVaultData& data, const QString& filePath);

// The print commands of the view.  Holds the printer, so that the page set-up and the printer
// chosen last stay for the next print and preview.
class CEntryListPrinter {
public:
    CEntryListPrinter();
    ~CEntryListPrinter();
    CEntryListPrinter(const CEntryListPrinter&) = delete;
    CEntryListPrinter& operator=(const CEntryListPrinter&) = delete;

    // "&Drucken...": the print dialog, then the page.  True when the page was printed.
    bool Print(const CVaultData& data, QWidget* parent);
    // "Sei&tenansicht": the print preview of the same pages; its print button prints them.
    void Preview(const CVaultData& data, QWidget* parent);
    // "Drucker&einrichtung...": paper, orientation and margins for later prints.  True when accepted.
    bool PageSetup(QWidget* parent);
    // The command line's print switches: the default printer (empty name) or the named one,
    // without a dialog.  A printer that does not exist is a message and false.
    bool PrintDirect(const CVaultData& data, const QString& printerName, QWidget* parent);

    // Made on first use: looking for printers can take a moment.
    QPrinter& Printer();

private:
    std::unique_ptr<QPrinter> m_pPrinter;
};
