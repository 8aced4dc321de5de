#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "message_box_answers.h"
#include "modal_driver.h"
#include "qt_printers.h"
#include "vault/vault_data.h"
#include "view/print_entry_list.h"

using namespace Qt::StringLiterals;

namespace {

// What pdftotext -bbox reads from a PDF: pages, and words with their boxes in points (0.01 inch
// is 0.72 points), top to bottom, then left to right.
struct SPdfWord {
    QString text;
    double xMin, yMin, yMax;
};
struct SPdfText {
    int pages = 0;
    double width = 0, height = 0;
    std::vector<SPdfWord> words;
};

SPdfText ReadPdf(const QString& path) {
    SPdfText result;
    QProcess process;
    process.start(u"pdftotext"_s, {u"-bbox"_s, path, u"-"_s});
    if (!process.waitForFinished(30000) || process.exitCode() != 0) {
        ADD_FAILURE() << "pdftotext (Debian poppler-utils) failed on " << path.toStdString();
        return result;
    }
    const QString html = QString::fromUtf8(process.readAllStandardOutput());
    static const QRegularExpression page(uR"re(<page width="([\d.]+)" height="([\d.]+)">)re"_s);
    for (auto it = page.globalMatch(html); it.hasNext();) {
        const auto match = it.next();
        ++result.pages;
        result.width = match.captured(1).toDouble();
        result.height = match.captured(2).toDouble();
    }
    static const QRegularExpression word(
        uR"re(<word xMin="([\d.]+)" yMin="([\d.]+)" xMax="[\d.]+" yMax="([\d.]+)">([^<]*)</word>)re"_s);
    for (auto it = word.globalMatch(html); it.hasNext();) {
        const auto match = it.next();
        result.words.push_back({match.captured(4), match.captured(1).toDouble(), match.captured(2).toDouble(),
                                match.captured(3).toDouble()});
    }
    std::sort(result.words.begin(), result.words.end(), [](const SPdfWord& a, const SPdfWord& b) {
        return std::abs(a.yMin - b.yMin) > 1 ? a.yMin < b.yMin : a.xMin < b.xMin;
    });
    return result;
}

// The words of the line whose cell starts at `top` (0.01 inch), as (text, x in 0.01 inch).
std::vector<std::pair<QString, int>> Line(const SPdfText& text, double top) {
    std::vector<std::pair<QString, int>> line;
    for (const SPdfWord& word : text.words) {
        if (std::abs(word.yMin - top * 0.72) < 1) {
            line.emplace_back(word.text, static_cast<int>(std::lround(word.xMin / 0.72)));
        }
    }
    return line;
}

using Words = std::vector<std::pair<QString, int>>;

TEST(PrintEntryListTest, OnePageOfLinesAtTheirTabStopsInHundredthsOfAnInch) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString pdf = folder.filePath(u"liste.pdf"_s);
    CVaultData data;
    ASSERT_TRUE(PrintEntryListToPdf(data, pdf));
    EXPECT_EQ(ReadPdf(pdf).pages, 1);
    EXPECT_TRUE(ReadPdf(pdf).words.empty()) << "an empty vault prints an empty page";

    data.AddEntry("M\xfcller", "Stra\xdf\x65", "\x80uro", "Kommentar");  // Windows-1252 texts
    data.AddEntry(std::string(34, 'W'), "Name", "Geheim", "");           // ends between 3 and 4 inches
    data.AddEntry("", "Nur", "", "");
    data.AddEntry("Tab\tIn", "Name", "Geheim", "");
    for (int i = 4; i < 80; ++i) {
        data.AddEntry("S" + std::to_string(i), "N", "P", "K");
    }
    ASSERT_TRUE(PrintEntryListToPdf(data, pdf));
    EXPECT_EQ(QFile::permissions(pdf) & 0x0077, 0) << "passwords in plain text: for the owner only";
    const SPdfText text = ReadPdf(pdf);
    EXPECT_EQ(text.pages, 1);
    // A4; the printable area is the whole page.
    EXPECT_NEAR(text.width, 595.3, 0.5);
    EXPECT_NEAR(text.height, 841.9, 0.5);

    // Site at 0.05 inch, then the stops at 3, 4, 5 inches; a field that passes a stop pushes the
    // next one on; the comment is not printed.
    EXPECT_EQ(Line(text, 20), (Words{{u"Müller"_s, 5}, {u"Straße"_s, 300}, {u"€uro"_s, 400}}));
    EXPECT_EQ(Line(text, 40), (Words{{QString(34, u'W'), 5}, {u"Name"_s, 400}, {u"Geheim"_s, 500}}));
    EXPECT_EQ(Line(text, 60), (Words{{u"Nur"_s, 300}}));
    EXPECT_EQ(Line(text, 80), (Words{{u"Tab"_s, 5}, {u"In"_s, 300}, {u"Name"_s, 400}, {u"Geheim"_s, 500}}));
    // The cell is 0.12 inch high and starts 0.2 inch down; then a line every 0.2 inch, as many as
    // fit whole: tops 20 to 1140 on the 11.69-inch page.
    EXPECT_NEAR(text.words[0].yMin, 14.4, 0.05);
    EXPECT_NEAR(text.words[0].yMax - text.words[0].yMin, 8.64, 0.05);
    EXPECT_EQ(Line(text, 1140), (Words{{u"S56"_s, 5}, {u"N"_s, 300}, {u"P"_s, 400}}));
    EXPECT_EQ(text.words.back().text, u"P"_s);
    EXPECT_NEAR(text.words.back().yMin, 1140 * 0.72, 0.05);

    EXPECT_FALSE(PrintEntryListToPdf(data, folder.filePath(u"fehlt/liste.pdf"_s))) << "unwritable folder";
}

TEST(PrintEntryListTest, ALineTheEdgeWouldCutIsLeftOut) {
    CVaultData data;
    for (int i = 0; i < 80; ++i) {
        data.AddEntry("Seite" + std::to_string(i), "Name", "Pass", "");
    }
    // 9.91 inches at 100 dpi: the cell of the line at 9.80 inches would end below the edge.
    QImage page(850, 991, QImage::Format_RGB32);
    page.setDotsPerMeterX(3937);
    page.setDotsPerMeterY(3937);
    page.fill(Qt::white);
    QPainter painter(&page);
    PrintEntryList(painter, data);
    painter.end();
    const auto inkInRows = [&](int from, int to) {
        for (int y = from; y < to; ++y) {
            for (int x = 0; x < page.width(); ++x) {
                if (qGray(page.pixel(x, y)) < 160) {
                    return true;
                }
            }
        }
        return false;
    };
    EXPECT_TRUE(inkInRows(960, 972));
    EXPECT_FALSE(inkInRows(972, page.height()));
}

TEST(EntryListPrinterTest, ThePrintDialogAndThePreviewShowTheSameSinglePage) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString pdf = folder.filePath(u"gedruckt.pdf"_s);
    CVaultData data;
    data.AddEntry("Seite", "Name", "Geheim", "");
    CEntryListPrinter printer;
    // No printer is needed: the dialog's print-to-PDF choice.
    printer.Printer().setOutputFormat(QPrinter::PdfFormat);
    printer.Printer().setOutputFileName(pdf);

    int previewPages = -1;
    const CModalDriver driver{[&](QDialog& dialog) {
        auto* preview = dialog.findChild<QPrintPreviewWidget*>();
        ASSERT_NE(preview, nullptr);
        preview->updatePreview();
        previewPages = preview->pageCount();
    }};
    printer.Preview(data, nullptr);
    EXPECT_EQ(previewPages, 1);

    EXPECT_FALSE(printer.Print(data, nullptr)) << "cancelled";
    EXPECT_FALSE(QFile::exists(pdf));
    const CModalDriver accept{[](QDialog& dialog) { dialog.accept(); }};
    EXPECT_TRUE(printer.Print(data, nullptr));
    EXPECT_EQ(QFile::permissions(pdf) & 0x0077, 0);
    const SPdfText text = ReadPdf(pdf);
    EXPECT_EQ(text.pages, 1);
    ASSERT_EQ(text.words.size(), 3u);
    EXPECT_EQ(text.words[2].text, u"Geheim"_s);

    const CMessageBoxAnswers boxes;
    EXPECT_FALSE(printer.PrintDirect(data, u"Kein Drucker Namens Zelmora"_s, nullptr));
    ASSERT_EQ(boxes.Calls().size(), 1u);
    EXPECT_EQ(boxes.Calls()[0].text, u"Der Drucker \"Kein Drucker Namens Zelmora\" wurde nicht gefunden."_s);
}

}  // namespace
