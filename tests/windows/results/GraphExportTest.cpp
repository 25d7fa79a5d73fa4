// Graph images and runs kept for comparison on the graph page: files of the size and type asked
// for whose pixels show the series, and kept runs drawn beside the last one.

#include "windows/results/GraphExport.h"
#include "windows/results/GraphPage.h"

#include "FakeServices.h"
#include "basics/Errors.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QMenu>
#include <QPainter>
#include <QProcess>
#include <QPushButton>
#include <QSvgRenderer>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace orvek::test {
namespace {

using ui::GraphPage;

constexpr DateSerial kStart = 38353; // 1 January 2005
constexpr DateSerial kEnd = 40178;   // 31 December 2009
constexpr int kDays = kEnd - kStart + 1;

// A start folder with the results of the bundled example, run by orvek-batch; "Y" on the
// setting file's first line makes it a carbon-only run.
class RunFolder {
public:
    explicit RunFolder(bool carbonOnly = false) {
        const QDir data(QStringLiteral(ORVEK_DATA_DIR));
        for (const QString& name : data.entryList(QDir::Files)) {
            QFile::copy(data.filePath(name), m_dir.filePath(name));
        }
        if (carbonOnly) {
            QFile stg(m_dir.filePath(QStringLiteral("Example.stg")));
            stg.open(QIODevice::ReadWrite);
            QByteArray text = stg.readAll();
            text[0] = 'Y';
            stg.seek(0);
            stg.write(text);
        }
        QProcess batch;
        batch.setWorkingDirectory(m_dir.path());
        batch.start(QStringLiteral(ORVEK_BATCH_EXE), {QStringLiteral("Example.stg")});
        batch.waitForFinished(120000);
        EXPECT_EQ(batch.exitCode(), 0) << batch.readAllStandardError().toStdString();
    }
    QString path() const { return m_dir.path() + QLatin1Char('/'); }

private:
    QTemporaryDir m_dir;
};

LastRun exampleRun(bool carbonOnly) {
    return LastRun{carbonOnly, kStart, kEnd, kDays};
}

// Pixels within a small distance of a colour.
int pixelsOf(const QImage& image, const QColor& color) {
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    int n = 0;
    for (int y = 0; y < rgb.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
        for (int x = 0; x < rgb.width(); ++x) {
            n += std::abs(qRed(line[x]) - color.red()) + std::abs(qGreen(line[x]) - color.green()) +
                     std::abs(qBlue(line[x]) - color.blue()) <
                 40;
        }
    }
    return n;
}

const QColor kSubstrateGreen(0, 128, 0);
const QColor kMineralNYellow(255, 255, 0);
const QColor kSomRed(255, 0, 0);

class GraphExportTest : public ::testing::Test {
protected:
    GraphExportTest() {
        page.resize(880, 560);
        page.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&page));
    }
    void showRun(const RunFolder& run, bool carbonOnly = false) {
        page.setStartFolder(run.path());
        page.showRunResults(exampleRun(carbonOnly), true);
    }
    QString file(const char* name) const { return out.filePath(QString::fromLatin1(name)); }
    ui::GraphChart& chart() { return page.chart(); }
    // Titles of the series drawn, in chart order.
    QStringList shownTitles() {
        QStringList titles;
        for (int s = 0; s < chart().seriesCount(); ++s) {
            if (chart().seriesActive(s)) {
                titles << chart().seriesTitle(s);
            }
        }
        return titles;
    }
    void clickButton(QPushButton* button) {
        ASSERT_TRUE(button->isEnabled()) << button->text().toStdString();
        QTest::mouseClick(button, Qt::LeftButton, {}, button->rect().center());
    }

    FakeServices fake;
    GraphPage page;
    QTemporaryDir out;
};

TEST_F(GraphExportTest, PngHasTheAskedSizeAndResolutionAndShowsTheSeries) {
    RunFolder run;
    showRun(run);
    ui::GraphImageRequest request;
    request.size = QSize(1000, 640);
    request.dpi = 192;
    ui::saveGraphImage(chart(), file("g.png"), request);
    QImageReader reader(file("g.png"));
    EXPECT_EQ(reader.format(), QByteArray("png"));
    const QImage image = reader.read();
    ASSERT_EQ(image.size(), QSize(1000, 640));
    EXPECT_NEAR(image.dotsPerMeterX() * 0.0254, 192, 1);
    // The two default series are drawn, the unticked SOM-C is not.
    EXPECT_GT(pixelsOf(image, kSubstrateGreen), 500);
    EXPECT_GT(pixelsOf(image, kMineralNYellow), 200);
    EXPECT_LT(pixelsOf(image, kSomRed), 20);

    // The same chart at 96 DPI draws thinner lines and smaller text in as many pixels.
    request.dpi = 96;
    ui::saveGraphImage(chart(), file("g96.png"), request);
    EXPECT_LT(pixelsOf(QImage(file("g96.png")), kSubstrateGreen), pixelsOf(image, kSubstrateGreen));
}

TEST_F(GraphExportTest, SvgAndPdfHaveThePointSizeAndShowTheSeries) {
    RunFolder run;
    showRun(run);
    ui::GraphImageRequest request;
    request.size = QSize(720, 480);
    ui::saveGraphImage(chart(), file("g.svg"), request);
    QSvgRenderer svg(file("g.svg"));
    ASSERT_TRUE(svg.isValid());
    EXPECT_EQ(svg.viewBox(), QRect(0, 0, 720, 480));
    QImage drawn(720, 480, QImage::Format_RGB32);
    drawn.fill(Qt::white);
    {
        QPainter painter(&drawn);
        svg.render(&painter);
    }
    EXPECT_GT(pixelsOf(drawn, kSubstrateGreen), 300);

    ui::saveGraphImage(chart(), file("g.PDF"), request);
    QFile pdf(file("g.PDF"));
    ASSERT_TRUE(pdf.open(QIODevice::ReadOnly));
    EXPECT_EQ(pdf.read(5), QByteArray("%PDF-"));
    QProcess toPng;
    toPng.start(QStringLiteral("pdftoppm"),
                {QStringLiteral("-r"), QStringLiteral("72"), QStringLiteral("-png"),
                 QStringLiteral("-singlefile"), file("g.PDF"), file("pdf")});
    if (!toPng.waitForFinished(60000) || toPng.exitCode() != 0) {
        GTEST_SKIP() << "pdftoppm (poppler-utils) is not available";
    }
    const QImage page1(file("pdf.png"));
    EXPECT_EQ(page1.size(), QSize(720, 480));
    EXPECT_GT(pixelsOf(page1, kSubstrateGreen), 300);
}

TEST_F(GraphExportTest, RefusesUnknownTypesBadSizesAndReadOnlyFiles) {
    RunFolder run;
    showRun(run);
    ui::GraphImageRequest request;
    EXPECT_THROW(ui::saveGraphImage(chart(), file("g.jpg"), request), OrvekError);
    EXPECT_THROW(ui::saveGraphImage(chart(), file("noext"), request), OrvekError);
    request.dpi = 601;
    EXPECT_THROW(ui::saveGraphImage(chart(), file("g.png"), request), OrvekError);
    request.dpi = 96;
    request.size = QSize(0, 100);
    EXPECT_THROW(ui::saveGraphImage(chart(), file("g.png"), request), OrvekError);
    EXPECT_FALSE(QFile::exists(file("g.png")));

    QFile locked(file("locked.png"));
    ASSERT_TRUE(locked.open(QIODevice::WriteOnly));
    locked.write("keep me");
    locked.close();
    locked.setPermissions(QFileDevice::ReadOwner);
    request.size = QSize(300, 200);
    EXPECT_THROW(ui::saveGraphImage(chart(), file("locked.png"), request), OrvekError);
    ASSERT_TRUE(locked.open(QIODevice::ReadOnly));
    EXPECT_EQ(locked.readAll(), QByteArray("keep me"));
    EXPECT_EQ(QDir(out.path()).entryList(QDir::Files), QStringList{QStringLiteral("locked.png")});

    QSize size;
    EXPECT_TRUE(ui::parseImageSize(QStringLiteral("1200x800"), size));
    EXPECT_EQ(size, QSize(1200, 800));
    EXPECT_FALSE(ui::parseImageSize(QStringLiteral("1200x"), size));
    EXPECT_FALSE(ui::parseImageSize(QStringLiteral("0x800"), size));
    EXPECT_FALSE(ui::parseImageSize(QStringLiteral("-3x800"), size));
}

TEST_F(GraphExportTest, KeptRunsAreDrawnThinnerBesideTheLastRunAndOutliveItAndTheTimeStep) {
    RunFolder first;
    RunFolder second;
    EXPECT_FALSE(page.keepButton()->isEnabled()); // nothing to keep before a run
    showRun(first);
    page.setSettingName(QStringLiteral("Example"));
    clickButton(page.keepButton());
    EXPECT_FALSE(page.keepButton()->isEnabled()); // kept once
    ASSERT_EQ(page.keptRuns().count(), 1);
    EXPECT_EQ(shownTitles(), (QStringList{QStringLiteral("Substrate residual C"),
                                          QStringLiteral("Total soil mineral N"),
                                          QStringLiteral("Substrate residual C — Example"),
                                          QStringLiteral("Total soil mineral N — Example")}));

    // A new run from another folder: the kept run stays, drawn thinner in the same colours.
    showRun(second);
    EXPECT_TRUE(page.keepButton()->isEnabled());
    EXPECT_EQ(shownTitles().size(), 4);
    const int overlay = page.keptRuns().overlayIndex(0, 1);
    EXPECT_EQ(chart().seriesPointCount(overlay), kDays);
    EXPECT_EQ(chart().seriesColor(overlay), chart().seriesColor(1));
    EXPECT_LT(chart().seriesLineWidth(overlay), chart().seriesLineWidth(1));

    page.setSettingName(QString());
    clickButton(page.keepButton());
    EXPECT_EQ(page.keptRuns().at(1).name, QStringLiteral("Run 2"));
    QCheckBox* som = page.seriesBox(0);
    QTest::mouseClick(som, Qt::LeftButton, {}, QPoint(6, som->height() / 2));
    EXPECT_EQ(shownTitles().size(), 9); // three series, each for the last run and two kept
    EXPECT_TRUE(shownTitles().contains(QStringLiteral("SOM-C — Run 2")));

    // Monthly output draws the kept runs' months.
    page.timeStepChanged(false);
    const qsizetype months = chart().seriesPointCount(1);
    ASSERT_GT(months, 50);
    EXPECT_EQ(chart().seriesPointCount(page.keptRuns().overlayIndex(1, 1)), months);
    page.timeStepChanged(true);
    EXPECT_EQ(chart().seriesPointCount(page.keptRuns().overlayIndex(1, 1)), kDays);

    // A carbon-only run hides the kept C & N runs, which come back with the next C & N run.
    RunFolder carbon(true);
    showRun(carbon, true);
    EXPECT_EQ(shownTitles(),
              (QStringList{QStringLiteral("SOM-C"), QStringLiteral("Substrate residual C")}));
    showRun(second);
    EXPECT_EQ(shownTitles().size(), 9);

    clickButton(page.clearKeptButton());
    EXPECT_EQ(page.keptRuns().count(), 0);
    EXPECT_EQ(shownTitles().size(), 3);
    EXPECT_FALSE(page.clearKeptButton()->isEnabled());
}

TEST_F(GraphExportTest, EightRunsAtMostAndTheContextMenuOffersTheCommands) {
    RunFolder run;
    for (int k = 0; k < 8; ++k) {
        showRun(run);
        clickButton(page.keepButton());
    }
    showRun(run);
    EXPECT_FALSE(page.keepButton()->isEnabled());
    EXPECT_EQ(page.keptRuns().count(), 8);
    EXPECT_THROW(page.keepRun(), OrvekError); // even when asked directly
    EXPECT_EQ(page.keptRuns().count(), 8);
    EXPECT_EQ(shownTitles().size(), 2 * 9);
    EXPECT_EQ(page.keptRuns().at(7).name, QStringLiteral("Run 8"));

    QStringList captions;
    for (QAction* a : page.contextMenu()->actions()) {
        if (!a->isSeparator()) {
            captions << a->text();
        }
    }
    EXPECT_EQ(captions, (QStringList{QStringLiteral("Save graph as..."),
                                     QStringLiteral("Keep this run for comparison"),
                                     QStringLiteral("Clear kept runs")}));
    int requests = 0;
    QObject::connect(&page, &GraphPage::saveGraphRequested, [&requests] { ++requests; });
    page.contextMenu()->actions().first()->trigger();
    EXPECT_EQ(requests, 1);
    page.contextMenu()->actions().last()->trigger();
    EXPECT_EQ(page.keptRuns().count(), 0);
}

} // namespace
} // namespace orvek::test
