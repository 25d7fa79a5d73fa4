#include "WindowTestSupport.h"
#include "basics/Text.h"
#include "formats/ResultFiles.h"
#include "windows/results/NumericalOutputPage.h"
#include "windows/results/NumericalOutputPrint.h"
#include "windows/results/TextMemo.h"

#include <QFontMetricsF>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTemporaryDir>

#include <cmath>
#include <fstream>
#include <map>
#include <tuple>
#include <vector>

namespace orvek::test {

namespace {

struct Placed {
    int page;
    double x;
    double y;
    QString text;
    bool operator==(const Placed& o) const {
        return std::tie(page, x, y, text) == std::tie(o.page, o.x, o.y, o.text);
    }
};

// A monospaced device: every character 10 wide, lines 20 high, a 400 x 200 printable area.
std::vector<Placed> layOut(const QStringList& lines, int* pages = nullptr) {
    ui::TextDeviceMetrics m;
    m.pageWidth = 400;
    m.pageHeight = 200;
    m.lineHeight = 20;
    m.averageCharWidth = 10;
    m.advance = [](const QString& t) { return 10.0 * static_cast<double>(t.size()); };
    std::vector<Placed> out;
    const int n =
        ui::layoutTextDevice(lines, m, [&out](int page, double x, double y, const QString& text) {
            out.push_back({page, x, y, text});
        });
    if (pages != nullptr) {
        *pages = n;
    }
    return out;
}

TEST(MemoText, LinesOfCrLfAndLfFilesJoinAsTheLineReaderSplitsThem) {
    // Whatever line breaks a result file has, the memo shows the lines the line reader finds:
    // a CR counts only before an LF or at the very end, and a final break starts no line.
    for (const std::string content :
         {"", "\r\n", "a", "a\r\n", "a\n", "a\r", "a\r\r", "a\r\r\n", "a\rb\r\nc",
          "\r\n\r\nx\r\n\r\n", "a\n\r", "1\t2\r\n3\t4\n5\t6", "\xC3\xA4\r\n\xC3\xB6"}) {
        const std::vector<std::string> lines = splitLines(content);
        std::string expected;
        for (size_t i = 0; i < lines.size(); ++i) {
            expected += (i > 0 ? "\n" : "") + lines[i];
        }
        EXPECT_EQ(ui::detail::joinedLines(content), expected) << quotedText(content);
    }
}

TEST(MemoText, ALongTableShowsEveryLineOnceWithItsOwnCharacters) {
    // Well over a megabyte of table, with characters of two and three bytes.
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::string folder = dir.path().toStdString() + "/";
    std::string table;
    QStringList expected;
    for (int i = 0; i < 20000; ++i) {
        const std::string row = std::to_string(i) + "\t\xC3\xA4" +
                                std::string(i == 19000 ? 200 : i % 97, 'x') + "\t\xE2\x82\xAC" +
                                std::to_string(i * 7);
        table += row + (i % 3 == 0 ? "\n" : "\r\n");
        expected << QString::fromStdString(row);
    }
    std::ofstream(folder + kResultDailyMemoFileName, std::ios::binary) << table;
    std::ofstream(folder + kSettingRecordFileName, std::ios::binary) << "Settings\r\nlast\r\n";
    expected << QString() << QStringLiteral("Settings") << QStringLiteral("last");

    ui::NumericalOutputPage page;
    page.resize(400, 300);
    static_cast<QWidget&>(page).show();
    page.loadMemo(folder, true);
    EXPECT_EQ(page.memo()->toPlainText(), expected.join(QLatin1Char('\n')));
    EXPECT_EQ(page.memo()->lineCount(), expected.size());
    // The widest cell of the whole table, in one of its last rows, sets the tab stops.
    const QFontMetricsF metrics(page.memo()->font());
    const QString widest = QStringLiteral("\u00E4") + QString(200, QLatin1Char('x'));
    EXPECT_GE(page.memo()->tabStopDistance(), metrics.horizontalAdvance(widest));
}

TEST(TextDevice, TabsCountFromTheLeftEdgeIncludingTheIndent) {
    const QStringList printout = ui::printoutLines({QStringLiteral("a\tbb\t\tc")});
    ASSERT_EQ(printout.size(), 6);
    EXPECT_EQ(printout[5], QStringLiteral("               a\tbb\t\tc"));
    const std::vector<Placed> placed = layOut(printout);
    // Five empty lines first; the 16 characters end at 160, so the TAB goes to 240 (the next
    // stop, not the one it stands on); two TABs reach the right edge and "c" continues on the
    // next line.
    const std::vector<Placed> expected = {{0, 0, 100, QStringLiteral("               a")},
                                          {0, 240, 100, QStringLiteral("bb")},
                                          {0, 0, 120, QStringLiteral("c")}};
    EXPECT_EQ(placed, expected);
}

TEST(TextDevice, LongLinesWrapAndPagesBreakTwoLinesAboveTheBottom) {
    std::vector<Placed> placed = layOut({QString(50, QLatin1Char('x')), QStringLiteral("y")});
    ASSERT_EQ(placed.size(), 3u);
    EXPECT_EQ(placed[0], (Placed{0, 0, 0, QString(40, QLatin1Char('x'))}));
    EXPECT_EQ(placed[1], (Placed{0, 0, 20, QString(10, QLatin1Char('x'))}));
    EXPECT_EQ(placed[2], (Placed{0, 0, 40, QStringLiteral("y")}));

    // A line may start at 160 (40 left: two line heights) but not at 180: nine lines a page.
    QStringList twenty;
    for (int i = 0; i < 20; ++i) {
        twenty << QString::number(i);
    }
    int pages = 0;
    placed = layOut(twenty, &pages);
    EXPECT_EQ(pages, 3);
    EXPECT_EQ(placed[8], (Placed{0, 0, 160, QStringLiteral("8")}));
    EXPECT_EQ(placed[9], (Placed{1, 0, 0, QStringLiteral("9")}));
    EXPECT_EQ(placed[19], (Placed{2, 0, 20, QStringLiteral("19")}));

    // Exactly one page of lines does not begin a second page.
    layOut(twenty.mid(0, 9), &pages);
    EXPECT_EQ(pages, 1);
}

class NumericalOutputTest : public WindowTest {
protected:
    void SetUp() override {
        start();
        retrieve(work.path(QStringLiteral("Example.stg")));
    }
    void run() { click(window->inputPage()->runButton()); }
    QString memoText() const { return window->outputPage()->memo()->toPlainText(); }
};

TEST_F(NumericalOutputTest, TheTimeStepSwitchRefillsTheMemoOnceThereAreResults) {
    // Before any run the choice is only recorded.
    radio("RadioButton2")->setChecked(true);
    EXPECT_TRUE(fake.messages.empty());
    EXPECT_TRUE(memoText().isEmpty());
    radio("RadioButton1")->setChecked(true);
    run();
    ASSERT_TRUE(fake.messages.empty()) << fake.messageTexts().join(QLatin1Char('|')).toStdString();
    QStringList lines = memoText().split(QLatin1Char('\n'));
    EXPECT_TRUE(lines[1].contains(QStringLiteral("DAS: days after start")));
    EXPECT_TRUE(lines[3].startsWith(QStringLiteral("Date\tDAS\tSOM-C")));
    const qsizetype blank = lines.indexOf(QString());
    EXPECT_EQ(blank, 2);
    const qsizetype separator = lines.indexOf(QString(), 3);
    ASSERT_GT(separator, 3);
    EXPECT_EQ(lines[separator + 1], QStringLiteral("Settings for the simulation:"));
    EXPECT_EQ(separator, 4 + 1826); // five years of days

    click(radio("RadioButton2"));
    lines = memoText().split(QLatin1Char('\n'));
    EXPECT_TRUE(lines[1].contains(QStringLiteral("MAS: months after start")));
    EXPECT_TRUE(window->outputPage()->memo()->isReadOnly());
    // Tab stops of at least eight average characters.
    const double tab = window->outputPage()->memo()->tabStopDistance();
    EXPECT_GE(tab, 8 * QFontMetricsF(window->outputPage()->memo()->font()).averageCharWidth());
}

// Where each TAB-separated cell of a memo line starts and ends on screen, as the memo lays the
// line out.
struct Cell {
    double left;
    double right;
};
std::vector<Cell> drawnCells(ui::TextMemo* memo, qsizetype line) {
    const QString text = memo->lineText(line);
    std::vector<Cell> cells;
    qsizetype start = 0;
    for (qsizetype i = 0; i <= text.size(); ++i) {
        if (i == text.size() || text.at(i) == QLatin1Char('\t')) {
            cells.push_back({memo->columnX(line, start), memo->columnX(line, i)});
            start = i + 1;
        }
    }
    return cells;
}

// Every table row: each cell starts where the heading of its column starts, and ends at least a
// blank's width before the next column.
void expectColumnsLineUp(ui::TextMemo* memo, const std::string& what) {
    const double blank = QFontMetricsF(memo->font()).horizontalAdvance(QLatin1Char(' '));
    std::vector<Cell> headings;
    int rows = 0;
    for (qsizetype line = 0; line < memo->lineCount(); ++line) {
        const QString text = memo->lineText(line);
        if (!text.contains(QLatin1Char('\t'))) {
            continue;
        }
        const std::vector<Cell> cells = drawnCells(memo, line);
        ASSERT_FALSE(cells.empty()) << what << ": " << text.toStdString();
        if (headings.empty()) {
            headings = cells;
            continue;
        }
        ++rows;
        ASSERT_GE(cells.size(), headings.size()) << what;
        for (size_t k = 0; k < headings.size(); ++k) {
            ASSERT_NEAR(cells[k].left, headings[k].left, 0.01)
                << what << ": column " << k << " of " << text.toStdString();
            if (k + 1 < headings.size()) {
                ASSERT_LE(cells[k].right + blank, headings[k + 1].left + 0.01)
                    << what << ": column " << k << " of " << text.toStdString();
                ASSERT_LE(headings[k].right + blank, headings[k + 1].left + 0.01) << what;
            }
        }
    }
    EXPECT_GT(rows, 10) << what;
}

TEST_F(NumericalOutputTest, EveryRowLinesUpUnderItsHeadingsAtAnyFontSize) {
    ui::TextMemo* memo = window->outputPage()->memo();
    for (const char* mode : {"RadioButton4", "RadioButton3"}) {
        window->pageControl()->setCurrentIndex(0);
        click(radio(mode));
        radio("RadioButton1")->setChecked(true);
        run();
        ASSERT_TRUE(fake.messages.empty()) << fake.messageTexts().join('|').toStdString();
        for (const char* step : {"RadioButton1", "RadioButton2"}) {
            click(radio(step));
            // The sizes proportional resizing gives the memo's font, from three quarters of the
            // design size up to a maximised window.
            for (const int pixels : {8, 9, 10, 11, 12, 13, 14, 16, 18, 21}) {
                QFont font = memo->font();
                font.setPixelSize(pixels);
                memo->setFont(font);
                expectColumnsLineUp(memo, std::string(mode) + " " + step + " " +
                                              std::to_string(pixels) + "px");
            }
        }
    }
}

TEST_F(NumericalOutputTest, TheRunOpensTheMemoAtItsOwnSizeBeforeItsTextGoesIn) {
    // The memo's page is open and sized when the text goes in, so that the memo is not laid out
    // again, every line of it, when the window next lays itself out.
    run();
    ASSERT_TRUE(fake.messages.empty()) << fake.messageTexts().join('|').toStdString();
    ui::TextMemo* memo = window->outputPage()->memo();
    EXPECT_EQ(window->pageControl()->currentWidget(), window->outputPage());
    EXPECT_TRUE(memo->isVisible());
    // Already at the size the window gives it: laying the window out changes nothing.
    const QSize size = memo->viewport()->size();
    QApplication::processEvents();
    EXPECT_EQ(memo->viewport()->size(), size);
    EXPECT_GT(memo->viewport()->width(), 100);
    EXPECT_EQ(memo->verticalScrollBar()->value(), 0);
    EXPECT_GT(memo->verticalScrollBar()->maximum(), 1000);
}

TEST_F(NumericalOutputTest, TheMemoShowsTheTableFromTheTopAndTheRecordAtTheEnd) {
    run();
    ASSERT_TRUE(fake.messages.empty()) << fake.messageTexts().join('|').toStdString();
    auto* memo = find<ui::TextMemo>("Memo1");
    ASSERT_EQ(memo, window->outputPage()->memo());
    const QStringList lines = memoText().split(QLatin1Char('\n'));
    EXPECT_EQ(memo->lineCount(), lines.size());
    memo->viewport()->grab();
    const QStringList top = memo->paintedLines();
    ASSERT_GT(top.size(), 10);
    EXPECT_EQ(top, lines.mid(0, top.size()));

    memo->setFocus();
    QTest::keyClick(memo, Qt::Key_End, Qt::ControlModifier);
    memo->viewport()->grab();
    const QStringList end = memo->paintedLines();
    ASSERT_FALSE(end.isEmpty());
    EXPECT_EQ(end, lines.mid(lines.size() - end.size()));
    // The last line drawn is the last line of the setting record.
    QFile record(work.path(QStringLiteral("SettingRecord.~")));
    ASSERT_TRUE(record.open(QIODevice::ReadOnly));
    const std::vector<std::string> recordLines = splitLines(record.readAll().toStdString());
    ASSERT_FALSE(recordLines.empty());
    EXPECT_EQ(end.last(), QString::fromStdString(recordLines.back()));

    // The monthly table and back: the daily one is shown again from its top.
    click(radio("RadioButton2"));
    click(radio("RadioButton1"));
    EXPECT_EQ(memo->verticalScrollBar()->value(), 0);
    EXPECT_EQ(memoText(), lines.join(QLatin1Char('\n')));
}

TEST_F(NumericalOutputTest, AMissingResultFileLeavesWhatWasReadBeforeIt) {
    run();
    QFile::remove(work.path(QStringLiteral("SettingRecord.~")));
    click(radio("RadioButton2"));
    ASSERT_EQ(fake.messages.size(), 1u);
    EXPECT_TRUE(fake.messages[0].text.startsWith(QStringLiteral("Cannot open file")));
    EXPECT_TRUE(memoText().contains(QStringLiteral("MAS")));
    EXPECT_FALSE(memoText().contains(QStringLiteral("Settings for the simulation:")));

    QFile::remove(work.path(QStringLiteral("ResultDailyForMemo.~")));
    click(radio("RadioButton1"));
    EXPECT_EQ(fake.messages.size(), 2u);
    EXPECT_TRUE(memoText().isEmpty());
}

TEST_F(NumericalOutputTest, PrintingFromTheInputPageShowsTheOutputFirstAndMayBeCancelled) {
    run();
    window->pageControl()->setCurrentIndex(0);
    fake.printAccepted = false;
    trigger("Printdetailedresult1");
    EXPECT_EQ(fake.printDialogs, 1);
    EXPECT_EQ(fake.pausedMilliseconds, 1500 + 1000);
    EXPECT_EQ(window->pageControl()->currentWidget(), window->outputPage());
}

// The words of a PDF with their boxes, page by page, as pdftotext reports them.
struct Word {
    double x;
    double y;
    QString text;
    double right = 0;
};
std::map<int, std::vector<Word>> pdfWords(const QString& pdf) {
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), pdf, QStringLiteral("-")});
    EXPECT_TRUE(p.waitForFinished(60000));
    const QString html = QString::fromUtf8(p.readAllStandardOutput());
    std::map<int, std::vector<Word>> pages;
    int page = -1;
    static const QRegularExpression token(QString::fromLatin1(
        R"re(<page |<word xMin="([0-9.]+)" yMin="([0-9.]+)" xMax="([0-9.]+)"[^>]*>([^<]*)</word>)re"));
    for (auto it = token.globalMatch(html); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        if (m.captured(0).startsWith(QStringLiteral("<page"))) {
            ++page;
            continue;
        }
        pages[page].push_back({m.captured(1).toDouble(), m.captured(2).toDouble(), m.captured(4),
                               m.captured(3).toDouble()});
    }
    return pages;
}

const Word* findWord(const std::vector<Word>& words, const QString& text) {
    for (const Word& w : words) {
        if (w.text == text) {
            return &w;
        }
    }
    return nullptr;
}

TEST_F(NumericalOutputTest, ThePrintoutFollowsTheTextDeviceLayout) {
    run();
    const QString pdf = work.path(QStringLiteral("memo.pdf"));
    fake.printToPdf = pdf;
    trigger("Printdetailedresult1");
    ASSERT_TRUE(QFile::exists(pdf));

    QPrinter& printer = window->printer();
    const double toPoints = 72.0 / printer.resolution();
    const QFont font = window->outputPage()->memo()->font();
    const QFontMetricsF fm(font, &printer);
    const QRectF area = printer.pageLayout().paintRectPoints();
    const double line = fm.lineSpacing() * toPoints;
    const double tab = 8 * fm.averageCharWidth();

    const QStringList memoLines =
        window->outputPage()->memo()->toPlainText().split(QLatin1Char('\n'));
    ui::TextDeviceMetrics m;
    m.pageWidth = printer.width();
    m.pageHeight = printer.height();
    m.lineHeight = fm.lineSpacing();
    m.averageCharWidth = fm.averageCharWidth();
    m.advance = [&fm](const QString& t) { return fm.horizontalAdvance(t); };
    const int expectedPages =
        ui::layoutTextDevice(ui::alignColumns(ui::printoutLines(memoLines), m), m,
                             [](int, double, double, const QString&) {});

    const std::map<int, std::vector<Word>> pages = pdfWords(pdf);
    ASSERT_EQ(static_cast<int>(pages.size()), expectedPages);
    ASSERT_GT(expectedPages, 10);

    // Every line starts after 15 blanks; "DAS" sits on a tab stop: the first one at least a
    // blank beyond the widest date of the column.
    const Word* dateWord = findWord(pages.at(0), QStringLiteral("Date"));
    const Word* dasWord = findWord(pages.at(0), QStringLiteral("DAS"));
    ASSERT_NE(dateWord, nullptr);
    ASSERT_NE(dasWord, nullptr);
    const double indent = fm.horizontalAdvance(QString(15, QLatin1Char(' ')));
    EXPECT_NEAR(dateWord->x, area.left() + indent * toPoints, 0.5);
    double widestDate = fm.horizontalAdvance(QStringLiteral("Date"));
    for (const QString& l : memoLines) {
        if (l.contains(QLatin1Char('\t'))) {
            widestDate =
                std::max(widestDate, fm.horizontalAdvance(l.section(QLatin1Char('\t'), 0, 0)));
        }
    }
    const double afterDate = indent + widestDate + fm.horizontalAdvance(QLatin1Char(' '));
    const double stop = std::ceil(afterDate / tab - 1e-9) * tab;
    EXPECT_NEAR(std::fmod(dasWord->x - area.left(), tab * toPoints), 0, 0.5);
    EXPECT_NEAR(dasWord->x, area.left() + stop * toPoints, 0.5);

    // Five empty lines at the top of the first page only.
    const double firstTop = pages.at(0).front().y;
    const double secondTop = pages.at(1).front().y;
    EXPECT_NEAR(firstTop - secondTop, 5 * line, 0.5);
    EXPECT_NEAR(pages.at(1).front().x, area.left() + indent * toPoints, 0.5);

    // The setting record ends the printout.
    const std::vector<Word>& last = pages.at(expectedPages - 1);
    EXPECT_EQ(last.front().x, pages.at(1).front().x);
    EXPECT_NE(findWord(last, QStringLiteral("Run")), nullptr);
}

TEST_F(NumericalOutputTest, PrintedColumnsNeverTouchAndLineUpOnThePrintersFont) {
    const QString pdf = work.path(QStringLiteral("columns.pdf"));
    fake.printToPdf = pdf;
    for (const char* mode : {"RadioButton4", "RadioButton3"}) {
        window->pageControl()->setCurrentIndex(0);
        click(radio(mode));
        radio("RadioButton1")->setChecked(true);
        run();
        for (const char* step : {"RadioButton1", "RadioButton2"}) {
            click(radio(step));
            QFile::remove(pdf);
            trigger("Printdetailedresult1");
            ASSERT_TRUE(QFile::exists(pdf));
            const QFontMetricsF fm(window->outputPage()->memo()->font(), &window->printer());
            const double blank =
                fm.horizontalAdvance(QLatin1Char(' ')) * 72.0 / window->printer().resolution();
            const int columns = std::string(mode) == "RadioButton3" ? 5 : 10;
            int tableLines = 0;
            std::vector<double> columnLeft;
            for (const auto& [page, words] : pdfWords(pdf)) {
                // The words of one printed line share their top.
                std::map<double, std::vector<Word>> lines;
                for (const Word& w : words) {
                    lines[std::round(w.y * 10) / 10].push_back(w);
                }
                for (auto& [top, line] : lines) {
                    if (static_cast<int>(line.size()) != columns ||
                        line[0].text.count(QLatin1Char('/')) != 2) {
                        continue; // not a data row (a date in the first column)
                    }
                    ++tableLines;
                    if (columnLeft.empty()) {
                        for (const Word& w : line) {
                            columnLeft.push_back(w.x);
                        }
                    }
                    for (int k = 0; k + 1 < columns; ++k) {
                        // "1/1/050" was a date run into its count: a blank at least between.
                        ASSERT_GE(line[k + 1].x - line[k].right, blank - 0.3)
                            << mode << " " << step << " page " << page << ": "
                            << line[k].text.toStdString() << " | "
                            << line[k + 1].text.toStdString();
                        ASSERT_NEAR(line[k + 1].x, columnLeft[k + 1], 0.5)
                            << mode << " " << step << " column " << k + 1 << " of "
                            << line[0].text.toStdString();
                    }
                }
            }
            EXPECT_GT(tableLines, 20) << mode << " " << step;
        }
    }
}

} // namespace

} // namespace orvek::test
