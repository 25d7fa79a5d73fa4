#include "uibase/ProportionalForm.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>
#include <QTest>

#include <gtest/gtest.h>

#include <map>
#include <memory>

namespace orvek::test {
namespace {

using ui::TProportionalForm;

QFont pixelFont(int pixels) {
    QFont font;
    font.setPixelSize(pixels);
    return font;
}

// A form laid out like the main window: controls placed by absolute geometry in a client area
// of 895 x 616, some of them inside a group and a tab page, one placed by a layout.
class TestForm : public QWidget {
public:
    TestForm() {
        setObjectName(QStringLiteral("Form1"));
        setFont(pixelFont(13));
        place(new QLabel(QStringLiteral("Orvek C&N"), this), "Label1", {601, 8, 281, 33});
        auto* group = new QGroupBox(QStringLiteral("Soil"), this);
        place(group, "GroupBox1", {300, 60, 401, 301});
        place(new QCheckBox(QStringLiteral("Clay"), group), "CheckBox1", {10, 21, 151, 23});
        auto* edit = new QLineEdit(group);
        place(edit, "Edit1", {11, 55, 99, 25});
        edit->setFont(pixelFont(10));
        auto* nameless = new QWidget(this); // walked through, not taken
        nameless->setGeometry(20, 400, 200, 100);
        auto* small = new QLabel(QStringLiteral("small"), nameless);
        place(small, "Label2", {5, 5, 120, 20});
        small->setFont(pixelFont(9));
        auto* tabs = new QTabWidget(this);
        place(tabs, "PageControl1", {20, 60, 261, 301});
        auto* sheet = new QWidget();
        sheet->setObjectName(QStringLiteral("TabSheet1"));
        tabs->addTab(sheet, QStringLiteral(" Input setting "));
        place(new QLineEdit(sheet), "Edit2", {13, 17, 121, 25});
        auto* panel = new QWidget(this);
        place(panel, "Panel1", {500, 500, 300, 50});
        auto* inLayout = new QPushButton(QStringLiteral("Run..."), panel);
        inLayout->setObjectName(QStringLiteral("BitBtn1"));
        (new QHBoxLayout(panel))->addWidget(inLayout);
        resize(895, 616);
    }

    QWidget* control(const char* name) { return findChild<QWidget*>(QString::fromLatin1(name)); }
    const QRect& designOf(const char* name) { return m_design.at(name); }

private:
    void place(QWidget* w, const char* name, const QRect& bounds) {
        w->setObjectName(QString::fromLatin1(name));
        w->setGeometry(bounds);
        m_design[name] = bounds;
    }
    std::map<std::string, QRect> m_design;
};

QRect scaled(const QRect& r, double fx, double fy) {
    return QRect(TProportionalForm::scaledBound(r.x(), fx),
                 TProportionalForm::scaledBound(r.y(), fy),
                 TProportionalForm::scaledBound(r.width(), fx),
                 TProportionalForm::scaledBound(r.height(), fy));
}

class ProportionalFormTest : public ::testing::Test {
protected:
    void showActive(bool resolutionIndependence) {
        resizer = new TProportionalForm(&form);
        resizer->switches.ResolutionIndependence = resolutionIndependence;
        resizer->setActive(true);
        form.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
        ASSERT_TRUE(resizer->captured());
    }
    // The font factor uses the window's outer size; its frame is what the platform adds.
    QSize frame() const { return form.frameGeometry().size() - form.size(); }
    double fontFactorAt(QSize reference) const {
        const QSize outer = form.frameGeometry().size();
        return std::min(double(outer.width()) / reference.width(),
                        double(outer.height()) / reference.height());
    }
    void resizeClient(int w, int h) {
        form.resize(w, h);
        QCoreApplication::processEvents();
    }
    void expectAllAt(double fx, double fy) {
        for (const char* name : {"Label1", "GroupBox1", "CheckBox1", "Edit1", "Label2",
                                 "PageControl1", "Edit2", "Panel1"}) {
            EXPECT_EQ(form.control(name)->geometry(), scaled(form.designOf(name), fx, fy)) << name;
        }
    }

    TestForm form;
    TProportionalForm* resizer = nullptr;
};

TEST(ProportionalFormRules, FontSizesRoundHalfDownAndBoundsHalfToEven) {
    EXPECT_EQ(TProportionalForm::scaledFontSize(10, 1.25), 12);
    EXPECT_EQ(TProportionalForm::scaledFontSize(10, 1.26), 13);
    EXPECT_EQ(TProportionalForm::scaledFontSize(9, 0.95), 9);
    EXPECT_EQ(TProportionalForm::scaledFontSize(13, 1.0), 13);
    EXPECT_EQ(TProportionalForm::scaledFontSize(2, 0.1), 1); // never below 1
    EXPECT_EQ(TProportionalForm::scaledBound(5, 0.5), 2);    // 2.5
    EXPECT_EQ(TProportionalForm::scaledBound(7, 0.5), 4);    // 3.5
    EXPECT_EQ(TProportionalForm::scaledBound(10, 1.26), 13);
}

TEST(ProportionalFormCreation, RefusesAnOwnerThatIsNotAFormAndASecondComponent) {
    TestForm form;
    try {
        TProportionalForm onChild(form.control("GroupBox1"));
        FAIL();
    } catch (const ui::ProportionalFormError& e) {
        EXPECT_STREQ(e.what(), "Owner of TProportionalForm component must be a form");
    }
    EXPECT_THROW(TProportionalForm(nullptr), OrvekError);
    TProportionalForm first(&form);
    EXPECT_EQ(first.design.DesignFormClientWidth, 895);
    EXPECT_EQ(first.design.Font.family(), QStringLiteral("@Dotum"));
    EXPECT_EQ(first.design.Font.pixelSize(), 13);
    EXPECT_FALSE(first.Active());
    try {
        TProportionalForm second(&form);
        FAIL();
    } catch (const ui::ProportionalFormError& e) {
        EXPECT_STREQ(e.what(), "A TProportionalForm component already exists in Form1");
    }
}

TEST_F(ProportionalFormTest, InactiveItLeavesEveryControlAlone) {
    resizer = new TProportionalForm(&form);
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    resizeClient(1500, 900);
    EXPECT_FALSE(resizer->captured());
    expectAllAt(1, 1);
    EXPECT_EQ(form.control("Edit1")->font().pixelSize(), 10);
}

TEST_F(ProportionalFormTest, ScalesFromTheDesignBoundsAndComesBackToThemExactly) {
    showActive(true);
    // The window takes the design size on this screen, and its controls their design bounds.
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_DOUBLE_EQ(resizer->resolutionX(), screen.width() / 1024.0);
    EXPECT_DOUBLE_EQ(resizer->resolutionY(), screen.height() / 768.0);
    const QSize reference = resizer->referenceClientSize();
    EXPECT_EQ(reference, QSize(TProportionalForm::scaledBound(895, resizer->resolutionX()),
                               TProportionalForm::scaledBound(616, resizer->resolutionY())));
    EXPECT_EQ(form.size(), reference);
    EXPECT_GE(form.x(), 0);
    EXPECT_GE(form.y(), 0);
    expectAllAt(1, 1);
    // The eight above, TabSheet1 and BitBtn1; no inner part of the tab widget.
    EXPECT_EQ(resizer->capturedControls(), 10);

    // Twice the width: left and width doubled, top and height kept; fonts limited by height.
    resizeClient(2 * reference.width(), reference.height());
    expectAllAt(2, 1);
    EXPECT_DOUBLE_EQ(resizer->fontFactor(),
                     double(reference.height() + frame().height()) / reference.height());
    EXPECT_EQ(form.control("Edit1")->font().pixelSize(),
              TProportionalForm::scaledFontSize(10, resizer->fontFactor()));
    // A control placed by a layout stays with its layout.
    QWidget* run = form.control("BitBtn1");
    EXPECT_TRUE(form.control("Panel1")->geometry().contains(
        run->geometry().translated(form.control("Panel1")->pos())));

    resizeClient(reference.width(), reference.height());
    expectAllAt(1, 1);

    // One and a half times: positions, sizes and fonts.
    resizeClient(reference.width() * 3 / 2, reference.height() * 3 / 2);
    const double fx = double(reference.width() * 3 / 2) / reference.width();
    const double fy = double(reference.height() * 3 / 2) / reference.height();
    expectAllAt(fx, fy);
    const double k = fontFactorAt(reference);
    EXPECT_DOUBLE_EQ(resizer->fontFactor(), k);
    EXPECT_EQ(form.control("Edit1")->font().pixelSize(), TProportionalForm::scaledFontSize(10, k));
    EXPECT_EQ(form.control("Label1")->font().pixelSize(), TProportionalForm::scaledFontSize(13, k));
    EXPECT_EQ(resizer->design.Font.pixelSize(), qRound(13 * k));
}

TEST_F(ProportionalFormTest, FontsFollowTheirRoundingRuleAtScale) {
    showActive(false); // reference 895 x 616
    ASSERT_EQ(resizer->referenceClientSize(), QSize(895, 616));
    const int frameHeight = frame().height();
    resizeClient(2000, 770 - frameHeight); // k = 770 / 616 = 1.25
    EXPECT_DOUBLE_EQ(resizer->fontFactor(), 1.25);
    EXPECT_EQ(form.control("Label2")->font().pixelSize(), 11); // 9 x 1.25 = 11.25
    EXPECT_EQ(form.control("Edit1")->font().pixelSize(), 12);  // 10 x 1.25 = 12.5
    resizeClient(2000, 776 - frameHeight);                     // k = 776 / 616 = 1.2597...
    EXPECT_EQ(form.control("Edit1")->font().pixelSize(), 13);
    resizeClient(2000, 585 - frameHeight); // k = 585 / 616 = 0.9497...
    EXPECT_DOUBLE_EQ(resizer->fontFactor(), 585.0 / 616);
    EXPECT_EQ(form.control("Label2")->font().pixelSize(), 9); // 9 x 0.9497 = 8.55
    EXPECT_EQ(form.control("Edit1")->font().pixelSize(), 9);  // 10 x 0.9497 = 9.497
}

TEST_F(ProportionalFormTest, MinimizingAndRestoringRescaleNothing) {
    showActive(false);
    resizeClient(1200, 700);
    const QRect label = form.control("Label1")->geometry();

    form.setWindowState(Qt::WindowMinimized);
    resizeClient(300, 200); // sizes reported while minimized are ignored
    EXPECT_EQ(form.control("Label1")->geometry(), label);

    // Restored to the size last handled: no rescaling, so a control moved meanwhile stays.
    form.control("Label1")->move(3, 4);
    form.setWindowState(Qt::WindowNoState);
    resizeClient(1200, 700);
    EXPECT_EQ(form.control("Label1")->pos(), QPoint(3, 4));

    // Switched off: the controls stay where the last scaling put them.
    resizer->setActive(false);
    resizeClient(895, 616);
    EXPECT_EQ(form.control("Edit2")->geometry(),
              scaled(form.designOf("Edit2"), 1200.0 / 895, 700.0 / 616));
}

} // namespace
} // namespace orvek::test
