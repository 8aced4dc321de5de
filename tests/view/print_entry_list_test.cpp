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

struct SRow {
    std::string seite, name, passwort, kommentar;
};

void Fill(CVaultData& data, const std::vector<SRow>& rows) {
    for (const SRow& row : rows) {
        data.AddEntry(row.seite, row.name, row.passwort, row.kommentar);
    }
}

// A page of the given size in 0.01 inch, one pixel per unit.
QImage Page(const CVaultData& data, int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    image.setDotsPerMeterX(3937);  // 100 dpi
    image.setDotsPerMeterY(3937);
    image.fill(Qt::white);
    QPainter painter(&image);
    PrintEntryList(painter, data);
    return image;
}

bool Ink(const QImage& image, int x, int y) {
    return qGray(image.pixel(x, y)) < 160;
}

struct SBand {
    int top, bottom;  // rows with ink, inclusive
};

std::vector<SBand> InkBands(const QImage& image) {
    std::vector<SBand> bands;
    for (int y = 0; y < image.height(); ++y) {
        bool any = false;
        for (int x = 0; x < image.width() && !any; ++x) {
            any = Ink(image, x, y);
        }
        if (any && !bands.empty() && bands.back().bottom == y - 1) {
            bands.back().bottom = y;
        } else if (any) {
            bands.push_back({y, y});
        }
    }
    return bands;
}

struct SRun {
    int left, right;
};

// The fields of a line: runs of ink columns apart by more than a word gap.
std::vector<SRun> InkRuns(const QImage& image, const SBand& band) {
    std::vector<SRun> runs;
    for (int x = 0; x < image.width(); ++x) {
        bool any = false;
        for (int y = band.top; y <= band.bottom && !any; ++y) {
            any = Ink(image, x, y);
        }
        if (any && !runs.empty() && x - runs.back().right <= 12) {
            runs.back().right = x;
        } else if (any) {
            runs.push_back({x, x});
        }
    }
    return runs;
}

// Where the ink of a field may start: at its pen position, give or take the first glyph's bearing.
void ExpectStartsAt(const SRun& run, int x, const char* what) {
    EXPECT_GE(run.left, x - 1) << what;
    EXPECT_LE(run.left, x + 2) << what;
}

TEST(PrintEntryListTest, LinesAndTabStopsInHundredthsOfAnInch) {
    CVaultData data;
    // The long site name ends between the stops at 3 and 4 inches.
    Fill(data, {{"Seite", "Name", "Geheim", "Kommentar"},
                {std::string(34, 'W'), "Name", "Geheim", ""},
                {"", "Nur", "", ""},
                {"Tab\tIn", "Name", "Geheim", ""}});
    const QImage page = Page(data, 850, 1100);
    const std::vector<SBand> bands = InkBands(page);
    ASSERT_EQ(bands.size(), 4u);
    for (std::size_t i = 0; i < bands.size(); ++i) {
        const int top = 20 + 20 * static_cast<int>(i);
        // Inside the line's 0.12-inch cell; capitals fill more than half of it.
        EXPECT_GE(bands[i].top, top) << i;
        EXPECT_LE(bands[i].bottom, top + 12) << i;
        EXPECT_GE(bands[i].bottom - bands[i].top, 6) << i;
    }
    EXPECT_EQ(bands[1].top - bands[0].top, 20);

    const std::vector<SRun> first = InkRuns(page, bands[0]);
    ASSERT_EQ(first.size(), 3u) << "site, name and password; the comment is not printed";
    ExpectStartsAt(first[0], 5, "site");
    ExpectStartsAt(first[1], 300, "name at 3 inches");
    ExpectStartsAt(first[2], 400, "password at 4 inches");

    const std::vector<SRun> pushed = InkRuns(page, bands[1]);
    ASSERT_EQ(pushed.size(), 3u);
    ASSERT_GT(pushed[0].right, 300);
    ASSERT_LT(pushed[0].right, 398);
    ExpectStartsAt(pushed[1], 400, "name pushed to 4 inches");
    ExpectStartsAt(pushed[2], 500, "password pushed to 5 inches");

    const std::vector<SRun> alone = InkRuns(page, bands[2]);
    ASSERT_EQ(alone.size(), 1u);
    ExpectStartsAt(alone[0], 300, "an empty site still tabs");

    // A tab inside a field is expanded like the separators.
    const std::vector<SRun> tabbed = InkRuns(page, bands[3]);
    ASSERT_EQ(tabbed.size(), 4u);
    ExpectStartsAt(tabbed[1], 300, "after the site's own tab");
    ExpectStartsAt(tabbed[2], 400, "name");
    ExpectStartsAt(tabbed[3], 500, "password");
}

TEST(PrintEntryListTest, OnePageOfWholeLinesAndNothingForAnEmptyVault) {
    CVaultData data;
    EXPECT_TRUE(InkBands(Page(data, 850, 1000)).empty());

    for (int i = 0; i < 80; ++i) {
        data.AddEntry("Seite" + std::to_string(i), "Name", "Pass", "");
    }
    // A printable area 10 inches high holds the lines whose cell ends by 1000: tops 20 to 980.
    const std::vector<SBand> bands = InkBands(Page(data, 850, 1000));
    ASSERT_EQ(bands.size(), 49u);
    EXPECT_LE(bands.back().bottom, 992);
    EXPECT_EQ(bands.back().top - bands.front().top, 48 * 20);
    // A line cut by the edge is left out, not half drawn.
    EXPECT_EQ(InkBands(Page(data, 850, 991)).size(), 48u);
}

// What pdftotext -bbox reads from a PDF: the pages and the words with their boxes in points.
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
    // In reading order: top to bottom, then left to right.
    std::sort(result.words.begin(), result.words.end(), [](const SPdfWord& a, const SPdfWord& b) {
        return std::abs(a.yMin - b.yMin) > 1 ? a.yMin < b.yMin : a.xMin < b.xMin;
    });
    return result;
}

TEST(PrintEntryListTest, ThePdfHasOnePageWithTheLinesAtTheirPlaces) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString pdf = folder.filePath(u"liste.pdf"_s);
    CVaultData data;
    // Windows-1252 texts arrive as their characters.
    Fill(data, {{"M\xfcller", "Stra\xdf\x65", "\x80uro", "nicht gedruckt"}});
    for (int i = 0; i < 79; ++i) {
        data.AddEntry("S" + std::to_string(i), "N" + std::to_string(i), "P" + std::to_string(i), "K");
    }
    ASSERT_TRUE(PrintEntryListToPdf(data, pdf));

    const SPdfText text = ReadPdf(pdf);
    EXPECT_EQ(text.pages, 1);
    // A4 in points; the printable area is the whole page.
    EXPECT_NEAR(text.width, 595.3, 0.5);
    EXPECT_NEAR(text.height, 841.9, 0.5);
    ASSERT_GE(text.words.size(), 3u);
    EXPECT_EQ(text.words[0].text, u"Müller"_s);
    EXPECT_EQ(text.words[1].text, u"Straße"_s);
    EXPECT_EQ(text.words[2].text, u"€uro"_s);
    // 0.01 inch is 0.72 points: site at 0.05 in, name at 3 in, password at 4 in.
    EXPECT_NEAR(text.words[0].xMin, 3.6, 0.3);
    EXPECT_NEAR(text.words[1].xMin, 216.0, 0.3);
    EXPECT_NEAR(text.words[2].xMin, 288.0, 0.3);
    // One line per entry, 0.2 inch apart, the first cell's top 0.2 inch down, each cell 0.12 inch
    // high; only whole lines fit on the page.
    EXPECT_NEAR(text.words[0].yMin, 14.4, 0.05);
    EXPECT_NEAR(text.words[0].yMax - text.words[0].yMin, 8.64, 0.05);
    const std::size_t lines = text.words.size() / 3;
    EXPECT_EQ(text.words.size(), lines * 3);
    EXPECT_EQ(static_cast<double>(lines), std::floor((841.89 - 14.4 - 8.64) / 14.4) + 1);
    for (std::size_t i = 1; i < lines; ++i) {
        EXPECT_NEAR(text.words[3 * i].yMin - text.words[3 * (i - 1)].yMin, 14.4, 0.05) << i;
    }
    for (const SPdfWord& word : text.words) {
        EXPECT_NE(word.text, u"gedruckt"_s);
    }
    // An unwritable place is a failure, not a file.
    EXPECT_FALSE(PrintEntryListToPdf(data, folder.filePath(u"fehlt/liste.pdf"_s)));
}

TEST(EntryListPrinterTest, ThePrintDialogAndThePreviewShowTheSameSinglePage) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString pdf = folder.filePath(u"gedruckt.pdf"_s);
    CVaultData data;
    Fill(data, {{"Seite", "Name", "Geheim", ""}});
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
    CModalDriver accept{[](QDialog& dialog) { dialog.accept(); }};
    EXPECT_TRUE(printer.Print(data, nullptr));
    const SPdfText text = ReadPdf(pdf);
    EXPECT_EQ(text.pages, 1);
    ASSERT_EQ(text.words.size(), 3u);
    EXPECT_EQ(text.words[2].text, u"Geheim"_s);
}

TEST(EntryListPrinterTest, PrintingToAPrinterThatDoesNotExistSaysSo) {
    CVaultData data;
    Fill(data, {{"Seite", "Name", "Geheim", ""}});
    CEntryListPrinter printer;
    const CMessageBoxAnswers boxes;
    EXPECT_FALSE(printer.PrintDirect(data, u"Kein Drucker Namens Zelmora"_s, nullptr));
    ASSERT_EQ(boxes.Calls().size(), 1u);
    EXPECT_EQ(boxes.Calls()[0].text, u"Der Drucker \"Kein Drucker Namens Zelmora\" wurde nicht gefunden."_s);
}

}  // namespace
