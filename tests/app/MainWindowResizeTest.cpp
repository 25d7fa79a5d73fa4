// Proportional resizing of the real main window, switched by the options file and the Options
// dialog.

#include "WindowTestSupport.h"
#include "uibase/ProportionalForm.h"

#include <QMainWindow>
#include <QStackedWidget>

#include <map>

namespace orvek::test {

namespace {

using ui::TProportionalForm;

struct Design {
    QRect bounds;
    int fontSize = 0;
    bool placedByParent = false;
};

// The size a font is drawn at, the unit its scaling counts in.
int fontSize(const QFont& font) {
    return QFontInfo(font).pixelSize();
}

QRect scaled(const QRect& r, double fx, double fy) {
    return QRect(TProportionalForm::scaledBound(r.x(), fx),
                 TProportionalForm::scaledBound(r.y(), fy),
                 TProportionalForm::scaledBound(r.width(), fx),
                 TProportionalForm::scaledBound(r.height(), fy));
}

class MainWindowResizeTest : public WindowTest {
protected:
    void startWith(char resizable) {
        QList<QByteArray> lines = work.read(QStringLiteral("Option.Orvek")).split('\n');
        ASSERT_GT(lines.size(), 8);
        lines[8] = QByteArray(1, resizable) + '\r'; // line 9: the resizing switch
        work.write(QStringLiteral("Option.Orvek"), lines.join('\n'));
        start();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        client = window->centralWidget();
        resizer = window->proportionalForm();
        design = controls();
    }

    // Every control the resizing component takes, under its name, as it is now.
    std::map<QString, Design> controls() const {
        std::map<QString, Design> found;
        collect(client, found);
        return found;
    }
    static void collect(QWidget* container, std::map<QString, Design>& found) {
        for (QObject* child : container->children()) {
            auto* w = qobject_cast<QWidget*>(child);
            if (!w || w->isWindow()) {
                continue;
            }
            if (!w->objectName().startsWith(QLatin1String("qt_"))) {
                EXPECT_FALSE(w->objectName().isEmpty()) << w->metaObject()->className();
                EXPECT_EQ(found.count(w->objectName()), 0u) << w->objectName().toStdString();
                const QWidget* parent = w->parentWidget();
                found[w->objectName()] = {w->geometry(), fontSize(w->font()),
                                          qobject_cast<const QStackedWidget*>(parent) ||
                                              qobject_cast<const QMainWindow*>(parent)};
            }
            if (!TProportionalForm::placesOwnParts(w)) {
                collect(w, found);
            }
        }
    }

    QWidget* control(const QString& name) const { return client->findChild<QWidget*>(name); }

    void resizeClient(QSize size) {
        window->resize(window->size() - client->size() + size);
        QCoreApplication::processEvents();
        ASSERT_EQ(client->size(), size);
    }

    // Every control at its design bounds scaled by fx and fy, with its fonts scaled by k.
    void expectScaled(double fx, double fy, double k) const {
        for (const auto& [name, d] : design) {
            const QWidget* w = control(name);
            ASSERT_NE(w, nullptr) << name.toStdString();
            if (!d.placedByParent) {
                EXPECT_EQ(w->geometry(), scaled(d.bounds, fx, fy)) << name.toStdString();
            }
            EXPECT_EQ(fontSize(w->font()), TProportionalForm::scaledFontSize(d.fontSize, k))
                << name.toStdString();
        }
    }
    void expectUnchanged() const {
        const std::map<QString, Design> now = controls();
        for (const auto& [name, d] : design) {
            EXPECT_EQ(now.at(name).bounds, d.bounds) << name.toStdString();
            EXPECT_EQ(now.at(name).fontSize, d.fontSize) << name.toStdString();
        }
    }
    double expectedFontFactor(QSize reference) const {
        const QSize outer = window->frameGeometry().size();
        return std::min(double(outer.width()) / reference.width(),
                        double(outer.height()) / reference.height());
    }

    QWidget* client = nullptr;
    TProportionalForm* resizer = nullptr;
    std::map<QString, Design> design;
};

TEST_F(MainWindowResizeTest, TheControlsAreArrangedOnceAtTheDesignClientSize) {
    startWith('Y');
    EXPECT_EQ(client->size(), QSize(895, 616));
    ASSERT_TRUE(resizer->Active());
    ASSERT_TRUE(resizer->captured());
    EXPECT_EQ(resizer->referenceClientSize(), QSize(895, 616));
    EXPECT_GT(resizer->capturedControls(), 100);
    // The controls of the client area, and the area itself.
    EXPECT_EQ(static_cast<int>(design.size()) + 1, resizer->capturedControls());
    // Every control lies within its container, on every tab page.
    for (const auto& [name, d] : design) {
        const QWidget* w = control(name);
        EXPECT_TRUE(w->parentWidget()->rect().contains(d.bounds)) << name.toStdString();
    }
    const QRect run = control(QStringLiteral("BitBtn1"))->geometry();
    EXPECT_GE(run.height(), 40);
    EXPECT_GE(control(QStringLiteral("Chart1"))->height(), 350);
}

TEST_F(MainWindowResizeTest, ScalesFromTheDesignBoundsAndComesBackToThemExactly) {
    startWith('Y');
    const QSize reference = resizer->referenceClientSize();

    // Twice the width: left and width doubled, top and height kept; fonts limited by height.
    resizeClient(QSize(2 * reference.width(), reference.height()));
    const double k = expectedFontFactor(reference);
    EXPECT_NEAR(resizer->fontFactor(), k, 1e-12);
    EXPECT_GT(k, 1.0);
    expectScaled(2, 1, resizer->fontFactor());

    resizeClient(reference);
    expectScaled(1, 1, resizer->fontFactor());
    expectUnchanged();

    const QSize larger(reference.width() * 3 / 2, reference.height() * 3 / 2);
    resizeClient(larger);
    const double fx = double(larger.width()) / reference.width();
    const double fy = double(larger.height()) / reference.height();
    expectScaled(fx, fy, resizer->fontFactor());
    EXPECT_GE(resizer->fontFactor(), 1.5);

    // The pages behind the current tab follow too, and a run's results show at that scale.
    retrieve(work.path(QStringLiteral("Example.stg")));
    click(window->inputPage()->runButton());
    EXPECT_EQ(window->pageControl()->currentWidget()->geometry().size(),
              window->pageControl()->widget(0)->size());
    expectScaled(fx, fy, resizer->fontFactor());

    // It shrinks down to three quarters, where the smallest text is still legible.
    window->resize(300, 200);
    QCoreApplication::processEvents();
    EXPECT_EQ(client->size(), reference * 3 / 4);
}

TEST_F(MainWindowResizeTest, MinimizingAndRestoringRescaleNothing) {
    startWith('Y');
    resizeClient(resizer->referenceClientSize() * 3 / 2);
    design = controls();
    window->setWindowState(Qt::WindowMinimized);
    QCoreApplication::processEvents();
    expectUnchanged();

    QWidget* label = control(QStringLiteral("Label1"));
    label->move(3, 4);
    window->setWindowState(Qt::WindowNoState);
    window->showNormal();
    QCoreApplication::processEvents();
    EXPECT_EQ(label->pos(), QPoint(3, 4)); // restored to the size last handled: not rescaled
}

TEST_F(MainWindowResizeTest, SwitchedOffTheWindowMayGrowButNoControlMoves) {
    startWith('N');
    EXPECT_FALSE(resizer->Active());
    EXPECT_EQ(client->size(), QSize(895, 616));
    resizeClient(QSize(895 * 3 / 2, 616 * 3 / 2));
    expectUnchanged();
    resizeClient(QSize(2 * 895, 616));
    expectUnchanged();
    // Nothing shrinks, so the window keeps room for every control.
    window->resize(400, 300);
    QCoreApplication::processEvents();
    EXPECT_EQ(client->size(), QSize(895, 616));
    expectUnchanged();
}

TEST_F(MainWindowResizeTest, TheOptionsDialogSwitchesResizingAtOnceForTheWindowAsItIs) {
    startWith('N');
    const QSize larger(895 * 3 / 2, 616 * 3 / 2);
    resizeClient(larger);
    expectUnchanged();
    trigger("Options1");
    QWidget* options = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w->objectName() == QLatin1String("TForm3") && w->isVisible()) {
            options = w;
        }
    }
    ASSERT_NE(options, nullptr);
    click(options->findChild<QCheckBox*>(QStringLiteral("CheckBox1"))); // "Update now" off
    click(options->findChild<QCheckBox*>(QStringLiteral("CheckBox2"))); // "Resizable window"
    click(options->findChild<QPushButton*>(QStringLiteral("Button1")));
    QCoreApplication::processEvents();
    EXPECT_TRUE(resizer->Active());
    EXPECT_TRUE(work.read(QStringLiteral("Option.Orvek")).contains("\r\nY\r\n"));
    // The window keeps its size and the controls fill it.
    EXPECT_EQ(client->size(), larger);
    EXPECT_EQ(resizer->referenceClientSize(), QSize(895, 616));
    expectScaled(larger.width() / 895.0, larger.height() / 616.0, resizer->fontFactor());

    resizeClient(QSize(2 * 895, 616));
    expectScaled(2, 1, resizer->fontFactor());
}

} // namespace

} // namespace orvek::test
