// The read-only memo as a person uses it: reading, scrolling, selecting and copying.

#include "windows/results/TextMemo.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QImage>
#include <QMenu>
#include <QScrollBar>
#include <QTest>

#include <gtest/gtest.h>

namespace orvek::test {

namespace {

using ui::TextMemo;
using Pos = ui::MemoPosition;

class TextMemoTest : public ::testing::Test {
protected:
    void SetUp() override {
        memo.resize(320, 200);
        memo.show();
        QApplication::clipboard()->clear();
    }
    // Lines of a table: a heading, rows of TAB-separated cells, a line of prose.
    void fill(int rows) {
        lines = {QStringLiteral("Date\tDAS\tSOM-C")};
        for (int i = 1; i <= rows; ++i) {
            lines << QStringLiteral("%1/1/05\t%2\t%3.25").arg(i % 12 + 1).arg(i).arg(i * 7);
        }
        lines << QStringLiteral("Settings for the simulation: \u00E4\u20AC");
        memo.setPlainText(lines.join(QLatin1Char('\n')));
    }
    // The point in the middle of the line's height at a column of it.
    QPoint at(qsizetype line, qsizetype column) const {
        return memo.pointOf({line, column}) + QPoint(0, memo.lineHeight() / 2);
    }
    QStringList painted() {
        memo.viewport()->grab();
        return memo.paintedLines();
    }
    static QString clipboard() { return QApplication::clipboard()->text(); }

    TextMemo memo;
    QStringList lines;
};

TEST_F(TextMemoTest, StartsEmptyAndReadOnlyAndTypingChangesNothing) {
    EXPECT_TRUE(memo.toPlainText().isEmpty());
    EXPECT_EQ(memo.lineCount(), 1);
    EXPECT_TRUE(memo.isReadOnly());
    EXPECT_EQ(memo.horizontalScrollBar()->maximum(), 0);
    memo.setFocus();
    QTest::keyClicks(&memo, QStringLiteral("abc"));
    QTest::keyClick(&memo, Qt::Key_End, Qt::ControlModifier);
    QTest::keyClick(&memo, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(&memo, Qt::Key_C, Qt::ControlModifier);
    EXPECT_TRUE(memo.toPlainText().isEmpty());
    EXPECT_TRUE(clipboard().isEmpty());
    EXPECT_EQ(painted(), QStringList{QString()});
}

TEST_F(TextMemoTest, PaintsTheLinesInViewAtTheTopAndAfterScrollingToTheEnd) {
    fill(1000);
    const QStringList top = painted();
    ASSERT_GE(top.size(), 5);
    EXPECT_EQ(top, lines.mid(0, top.size()));
    // As many lines as the viewport holds, the last perhaps in part.
    EXPECT_NEAR(top.size(), memo.viewport()->height() / memo.lineHeight(), 1);

    memo.setFocus();
    QTest::keyClick(&memo, Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(memo.verticalScrollBar()->value(), memo.verticalScrollBar()->maximum());
    const QStringList end = painted();
    EXPECT_EQ(end.last(), lines.last());
    EXPECT_EQ(end, lines.mid(lines.size() - end.size()));
}

TEST_F(TextMemoTest, KeysMoveTheViewAndShiftExtendsTheSelection) {
    fill(1000);
    memo.setFocus();
    QScrollBar* bar = memo.verticalScrollBar();
    QTest::keyClick(&memo, Qt::Key_PageDown);
    const int page = bar->value();
    EXPECT_GT(page, 3);
    QTest::keyClick(&memo, Qt::Key_PageDown);
    EXPECT_EQ(bar->value(), 2 * page);
    EXPECT_EQ(painted().first(), lines[2 * page]);
    QTest::keyClick(&memo, Qt::Key_PageUp);
    EXPECT_EQ(bar->value(), page);
    QTest::keyClick(&memo, Qt::Key_Home, Qt::ControlModifier);
    EXPECT_EQ(bar->value(), 0);

    QTest::keyClick(&memo, Qt::Key_Down, Qt::ShiftModifier);
    QTest::keyClick(&memo, Qt::Key_Down, Qt::ShiftModifier);
    QTest::keyClick(&memo, Qt::Key_Right, Qt::ShiftModifier);
    QTest::keyClick(&memo, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(clipboard(),
              lines[0] + QLatin1Char('\n') + lines[1] + QLatin1Char('\n') + lines[2].left(1));
    QTest::keyClick(&memo, Qt::Key_End, Qt::ShiftModifier);
    EXPECT_EQ(memo.selectedText(), lines.mid(0, 3).join(QLatin1Char('\n')));
    // Moving without Shift leaves nothing selected.
    QTest::keyClick(&memo, Qt::Key_Left);
    EXPECT_FALSE(memo.hasSelection());
    // A long way down by arrows scrolls along with the caret.
    for (int i = 0; i < 40; ++i) {
        QTest::keyClick(&memo, Qt::Key_Down);
    }
    EXPECT_EQ(memo.caret().line, 42);
    EXPECT_TRUE(painted().contains(lines[42]));
}

TEST_F(TextMemoTest, DraggingSelectsAndCopyPutsTheExactTextWithItsTabsOnTheClipboard) {
    fill(50);
    QTest::mousePress(memo.viewport(), Qt::LeftButton, {}, at(2, 3));
    QTest::mouseMove(memo.viewport(), at(3, 8));
    QTest::mouseMove(memo.viewport(), at(4, 5));
    QTest::mouseRelease(memo.viewport(), Qt::LeftButton, {}, at(4, 5));
    EXPECT_EQ(memo.anchor(), (Pos{2, 3}));
    EXPECT_EQ(memo.caret(), (Pos{4, 5}));
    QTest::keyClick(&memo, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(clipboard(), lines[2].mid(3) + QLatin1Char('\n') + lines[3] + QLatin1Char('\n') +
                               lines[4].left(5));

    // Shift and a click extend the same selection, here backwards over its anchor.
    QTest::mouseClick(memo.viewport(), Qt::LeftButton, Qt::ShiftModifier, at(1, 0));
    QTest::keyClick(&memo, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(clipboard(), lines[1] + QLatin1Char('\n') + lines[2].left(3));

    // Dragging past the bottom scrolls and takes the lines below.
    QTest::mousePress(memo.viewport(), Qt::LeftButton, {}, at(0, 0));
    QTest::mouseMove(memo.viewport(), QPoint(10, memo.viewport()->height() + 20));
    QTest::qWait(300);
    QTest::mouseRelease(memo.viewport(), Qt::LeftButton, {},
                        QPoint(10, memo.viewport()->height() + 20));
    EXPECT_GT(memo.verticalScrollBar()->value(), 0);
    EXPECT_GT(memo.caret().line, memo.viewport()->height() / memo.lineHeight());
}

TEST_F(TextMemoTest, DoubleClickTakesAWordAndATripleClickTheLine) {
    fill(10);
    const QPoint das = at(0, 6);
    QTest::mouseDClick(memo.viewport(), Qt::LeftButton, {}, das);
    EXPECT_EQ(memo.selectedText(), QStringLiteral("DAS"));
    QTest::mousePress(memo.viewport(), Qt::LeftButton, {}, das);
    QTest::mouseRelease(memo.viewport(), Qt::LeftButton, {}, das);
    EXPECT_EQ(memo.selectedText(), lines[0] + QLatin1Char('\n'));
    // A number with its decimal point is one word.
    QTest::qWait(QApplication::doubleClickInterval() + 50);
    QTest::mouseDClick(memo.viewport(), Qt::LeftButton, {}, at(3, lines[3].size() - 2));
    EXPECT_EQ(memo.selectedText(), lines[3].section(QLatin1Char('\t'), 2));
}

TEST_F(TextMemoTest, SelectAllCopiesTheWholeTextFromKeysAndFromTheContextMenu) {
    fill(30);
    memo.setFocus();
    QTest::keyClick(&memo, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(&memo, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(clipboard(), lines.join(QLatin1Char('\n')));

    QApplication::clipboard()->clear();
    memo.setCaret({0, 0});
    const auto openMenu = [this] {
        QContextMenuEvent event(QContextMenuEvent::Mouse, at(1, 1),
                                memo.viewport()->mapToGlobal(at(1, 1)));
        QApplication::sendEvent(memo.viewport(), &event);
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        EXPECT_NE(menu, nullptr);
        return menu;
    };
    QMenu* menu = openMenu();
    ASSERT_NE(menu, nullptr);
    auto* copy = menu->findChild<QAction*>(QStringLiteral("Copy"));
    auto* all = menu->findChild<QAction*>(QStringLiteral("SelectAll"));
    ASSERT_TRUE(copy != nullptr && all != nullptr);
    EXPECT_FALSE(copy->isEnabled()); // nothing selected yet
    all->trigger();
    menu->close();
    menu = openMenu();
    ASSERT_NE(menu, nullptr);
    copy = menu->findChild<QAction*>(QStringLiteral("Copy"));
    ASSERT_TRUE(copy != nullptr && copy->isEnabled());
    copy->trigger();
    menu->close();
    EXPECT_EQ(clipboard(), lines.join(QLatin1Char('\n')));
}

TEST_F(TextMemoTest, TheSelectionIsDrawnInThePalettesHighlight) {
    fill(20);
    QPalette palette = memo.palette();
    const QColor red(255, 0, 0);
    for (const auto group : {QPalette::Active, QPalette::Inactive}) {
        palette.setColor(group, QPalette::Highlight, red);
    }
    memo.setPalette(palette);
    const auto redPixels = [&] {
        const QImage image = memo.viewport()->grab().toImage();
        int n = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                n += image.pixelColor(x, y) == red ? 1 : 0;
            }
        }
        return n;
    };
    EXPECT_EQ(redPixels(), 0);
    memo.selectAll();
    EXPECT_GT(redPixels(), memo.viewport()->width() * memo.lineHeight());
}

TEST_F(TextMemoTest, AHugeSingleLineScrollsToItsEndAndCopies) {
    const QString line = QString(200000, QLatin1Char('x')) + QStringLiteral("\tEND");
    memo.setPlainText(line);
    EXPECT_EQ(memo.lineCount(), 1);
    EXPECT_GT(memo.horizontalScrollBar()->maximum(), 200000);
    EXPECT_GE(memo.contentWidth(), memo.columnX(0, line.size()));
    memo.setFocus();
    QTest::keyClick(&memo, Qt::Key_End);
    EXPECT_GT(memo.horizontalScrollBar()->value(), 200000);
    EXPECT_EQ(painted(), QStringList{line});
    for (int i = 0; i < 3; ++i) {
        QTest::keyClick(&memo, Qt::Key_Left, Qt::ShiftModifier);
    }
    QTest::keyClick(&memo, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(clipboard(), QStringLiteral("END"));
}

TEST_F(TextMemoTest, TheWidestLineSetsTheExtentAndAFontChangeMeasuresAgain) {
    fill(100);
    lines[57] += QStringLiteral("\tthe one wide cell of the table, far beyond the others");
    memo.setPlainText(lines.join(QLatin1Char('\n')));
    const double widest = memo.columnX(57, lines[57].size());
    EXPECT_GE(memo.contentWidth(), widest);
    EXPECT_LE(memo.contentWidth(), widest + 12);
    const int height = memo.lineHeight();

    QFont font = memo.font();
    font.setPixelSize(font.pixelSize() > 0 ? font.pixelSize() * 2 : 24);
    memo.setFont(font);
    EXPECT_GT(memo.lineHeight(), height);
    EXPECT_GE(memo.contentWidth(), memo.columnX(57, lines[57].size()));
    EXPECT_GT(memo.contentWidth(), widest * 1.4);
    EXPECT_EQ(painted(), lines.mid(0, painted().size()));
}

TEST(MemoText, BytesThatAreNotUtf8BecomeReplacementCharacters) {
    const ui::MemoText text(std::string("a\xFF\tb\n\xC3\xA4\n"));
    ASSERT_EQ(text.lineCount(), 3);
    EXPECT_EQ(QString::fromUtf8(text.line(0).data(), static_cast<qsizetype>(text.line(0).size())),
              QStringLiteral("a\uFFFD\tb"));
    EXPECT_EQ(text.line(1), "\xC3\xA4");
    EXPECT_EQ(text.line(2), "");
}

} // namespace

} // namespace orvek::test
