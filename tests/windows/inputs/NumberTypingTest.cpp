// Numbers as a person types them on the input page, on a point and on a decimal-comma desktop.

#include "WindowTestSupport.h"
#include "basics/Text.h"
#include "windows/results/NumericalOutputPage.h"
#include "windows/results/TextMemo.h"

#include <QLocale>

namespace orvek::test {

namespace {

TEST(CanBecomeNumber, TellsTextsOnTheirWayFromTextsThatCannotBeNumbers) {
    for (const char* text : {"",   "-",   "+",   ".",    "-.",  "1",  "1.", "12.5", ".5", "1e",
                             "1E", "1e-", "1e+", "1e-2", "  -", " 3", "3 ", "1,5",  ",",  "-,"}) {
        EXPECT_TRUE(canBecomeNumber(text, ',')) << '"' << text << '"';
    }
    for (const char* text : {"x", "1x", "--", "-+", "1..", "1.2.", "e", "-e", ".e", "1e-x", "1e--",
                             "1e5.", "1 2", "- 1", "1e999", "1,5.", "0x1"}) {
        EXPECT_FALSE(canBecomeNumber(text, ',')) << '"' << text << '"';
    }
    // "," is a separator only where the desktop uses it.
    EXPECT_FALSE(canBecomeNumber("1,5", '.'));
    EXPECT_FALSE(canBecomeNumber(",", '.'));
}

class NumberTypingTest : public WindowTest {
protected:
    void SetUp() override {
        start();
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    }
    QLabel* stock() const { return box("StaticText4"); }
    // Types character by character into the field as it stands, like a person would.
    void keys(QLineEdit* field, const QString& text) const {
        field->setFocus();
        field->end(false);
        for (const QChar c : text) {
            QTest::keyClick(field, c.toLatin1());
        }
    }
    void clear(QLineEdit* field) const {
        field->setFocus();
        field->selectAll();
        QTest::keyClick(field, Qt::Key_Backspace);
    }
    void leave(QLineEdit* field) const {
        ASSERT_TRUE(field->hasFocus());
        QTest::keyClick(field, Qt::Key_Tab);
        ASSERT_FALSE(field->hasFocus());
    }
};

TEST_F(NumberTypingTest, TextsOnTheirWayToANumberShowNoBoxAndLoseNoKey) {
    QLineEdit* depth = edit("adpEdit26");
    QLineEdit* content = edit("adpEdit24");
    const struct {
        QLineEdit* field;
        const char* typed;
        const char* stock;
    } cases[] = {{depth, "-30", "-50.625"}, {content, ".5", "-2.025"}, {depth, "1e1", "0.675"},
                 {depth, "2E+1", "1.35"},   {content, "1e-1", "0.27"}, {depth, "30", "0.405"}};
    for (const auto& c : cases) {
        clear(c.field);
        // A field cleared to type a new value stays empty while it is edited.
        EXPECT_EQ(c.field->text(), QString()) << c.typed;
        keys(c.field, QString::fromLatin1(c.typed));
        EXPECT_EQ(c.field->text(), QString::fromLatin1(c.typed));
        EXPECT_EQ(stock()->text(), QString::fromLatin1(c.stock)) << c.typed;
        EXPECT_TRUE(fake.messages.empty())
            << c.typed << ": " << fake.messageTexts().join('|').toStdString();
    }

    // While a text is on its way the stock keeps its last value.
    clear(depth);
    keys(depth, QStringLiteral("-"));
    EXPECT_EQ(stock()->text(), QStringLiteral("0.405"));
    EXPECT_TRUE(fake.messages.empty());
}

TEST_F(NumberTypingTest, ALeftEmptyFieldHoldsZeroAndAnImpossibleTextShowsTheBoxOnce) {
    QLineEdit* depth = edit("adpEdit26");
    clear(depth);
    leave(depth);
    EXPECT_EQ(depth->text(), QStringLiteral("0"));
    EXPECT_EQ(stock()->text(), QStringLiteral("0"));
    EXPECT_TRUE(fake.messages.empty());

    clear(depth);
    keys(depth, QStringLiteral("2x"));
    ASSERT_EQ(fake.messages.size(), 1u);
    EXPECT_EQ(fake.messages[0].text, QStringLiteral("'2x' is not a valid floating point value"));
    EXPECT_EQ(fake.messages[0].icon, ui::MessageIcon::Error);
    EXPECT_EQ(depth->text(), QStringLiteral("2x"));
    EXPECT_EQ(stock()->text(), QStringLiteral("3.375")); // from "2", as it was
    // Leaving the field does not repeat the box; mending the text recomputes.
    leave(depth);
    EXPECT_EQ(fake.messages.size(), 1u);
    clear(depth);
    keys(depth, QStringLiteral("4"));
    EXPECT_EQ(stock()->text(), QStringLiteral("6.75"));
    EXPECT_EQ(fake.messages.size(), 1u);
}

TEST_F(NumberTypingTest, TheRunStillRefusesAnUnfinishedText) {
    retrieve(work.path(QStringLiteral("Example.stg")));
    QLineEdit* density = edit("adpEdit25");
    clear(density);
    keys(density, QStringLiteral("-"));
    EXPECT_TRUE(fake.messages.empty());
    click(window->inputPage()->runButton());
    EXPECT_EQ(density->text(), QStringLiteral("-"));
    ASSERT_EQ(fake.messages.size(), 1u);
    EXPECT_EQ(fake.messages[0].text, QStringLiteral("'-' is not a valid floating point value"));
    EXPECT_FALSE(window->pageControl()->isTabEnabled(1)); // no results
}

// The window on a desktop whose decimal separator is a comma. The bundled files write numbers
// with a point; the user may type either separator.
class GermanDesktopTest : public NumberTypingTest {
protected:
    void SetUp() override {
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        NumberTypingTest::SetUp();
    }
    void TearDown() override {
        NumberTypingTest::TearDown();
        QLocale::setDefault(m_before);
    }

private:
    QLocale m_before;
};

TEST_F(GermanDesktopTest, StartsRetrievesTheExampleTakesEitherSeparatorAndRuns) {
    ASSERT_EQ(QLocale().decimalPoint(), QStringLiteral(","));
    // The bundled options start the window without a word; the defaults are all there.
    EXPECT_TRUE(fake.messages.empty()) << fake.messageTexts().join('|').toStdString();
    EXPECT_EQ(edit("adpEdit24")->text(), QStringLiteral("12.5"));
    EXPECT_EQ(edit("adpEdit27")->text(), QStringLiteral("40"));
    EXPECT_EQ(stock()->text(), QStringLiteral("50,625"));

    retrieve(work.path(QStringLiteral("Example.stg")));
    EXPECT_TRUE(fake.messages.empty()) << fake.messageTexts().join('|').toStdString();
    EXPECT_TRUE(check("CheckBox2")->isChecked());
    EXPECT_EQ(box("StaticText3")->text(), QStringLiteral("milwaukee_1991_2020_daily.wth"));

    // Either separator, typed key by key.
    QLineEdit* content = edit("adpEdit24");
    clear(content);
    keys(content, QStringLiteral("12,5"));
    EXPECT_EQ(stock()->text(), QStringLiteral("50,625"));
    QLineEdit* density = edit("adpEdit25");
    clear(density);
    keys(density, QStringLiteral("1.3"));
    EXPECT_EQ(stock()->text(), QStringLiteral("48,75"));
    clear(edit("adpEdit4"));
    keys(edit("adpEdit4"), QStringLiteral("2,5"));
    clear(edit("adpEdit27"));
    keys(edit("adpEdit27"), QStringLiteral("40,5"));
    EXPECT_TRUE(fake.messages.empty()) << fake.messageTexts().join('|').toStdString();

    click(window->inputPage()->runButton());
    ASSERT_TRUE(fake.messages.empty()) << fake.messageTexts().join('|').toStdString();
    EXPECT_EQ(window->pageControl()->currentWidget(), window->outputPage());
    const QString memo = window->outputPage()->memo()->toPlainText();
    EXPECT_TRUE(memo.contains(QStringLiteral("Soil C content (g/kg): 12,5"))) << memo.toStdString();
    EXPECT_TRUE(memo.contains(QStringLiteral("2,5"))) << memo.toStdString();
    // The result files keep their points, whatever the desktop.
    EXPECT_TRUE(work.read(QStringLiteral("ResultDaily.~")).contains("\t26.00\t") ||
                work.read(QStringLiteral("ResultDaily.~")).contains(".00\t"));
}

} // namespace

} // namespace orvek::test
