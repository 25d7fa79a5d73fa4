#pragma once

#include "basics/Errors.h"

#include <QFont>
#include <QObject>
#include <QPointer>
#include <QRect>
#include <QSize>
#include <QString>

#include <vector>

class QSplitter;
class QStatusBar;
class QWidget;

namespace orvek::ui {

// The creation errors of the resizing component.
class ProportionalFormError : public OrvekError {
public:
    using OrvekError::OrvekError;
};

// The screen and window the form's layout was made for.
struct ProportionalDesign {
    int DesignScreenWidth = 1024;
    int DesignScreenHeight = 768;
    int DesignPixelsPerInch = 96;
    int DesignFormWidth = 903;
    int DesignFormHeight = 662;
    int DesignFormClientWidth = 895;
    int DesignFormClientHeight = 616;
    int DesignFormLeft = 187;
    int DesignFormTop = 106;
    QFont Font = defaultFont(); // the layout's reference font: "@Dotum", 13 pixels

    static QFont defaultFont();
};

struct ProportionalSwitches {
    bool ScaleHorizontal = true;
    bool ScaleVertical = true;
    bool ScaleFont = true;
    bool ResolutionIndependence = true; // adapt the window to the current screen
    bool MaintainProportions = false;
    // Capture gives the window its design size and places it; a form that places itself can
    // keep the size and place the user gave it, and its controls are scaled to that.
    bool PlaceWindowOnCapture = true;
};

// Proportional resizing of a form whose controls are placed by absolute geometry: while
// active, every change of the form's size moves and resizes its named controls in proportion
// to the client area and scales their fonts, always from the bounds and font sizes they had
// when they were captured, so rounding never accumulates. Controls placed by a layout (or by a
// splitter, a tab widget or a main window) keep being placed by it and only get their fonts
// scaled; the layout follows the size of its container.
//
// The component watches the form's events through an event filter installed at creation and
// removed when the component goes (it is a child of the form).
class TProportionalForm : public QObject {
    Q_OBJECT

public:
    // The owner must be a form (a top-level widget) without such a component yet; otherwise
    // ProportionalFormError.
    explicit TProportionalForm(QWidget* owner);
    ~TProportionalForm() override;

    ProportionalDesign design;
    ProportionalSwitches switches;

    // Takes effect with the form's next size change.
    bool Active() const { return m_active; }
    void setActive(bool active) { m_active = active; }

    bool captured() const { return m_captured; }
    // Fixed at the first scaling: the client size at which every control has its design
    // bounds, and the reference font size.
    QSize referenceClientSize() const { return QSize(m_w0, m_h0); }
    int referenceFontSize() const { return m_fs; }
    double resolutionX() const { return m_rx; }
    double resolutionY() const { return m_ry; }
    // The font factor of the last scaling.
    double fontFactor() const { return m_k; }
    int capturedControls() const { return static_cast<int>(m_controls.size()); }

    // A design font size scaled by k: truncated unless the fraction is above one half, and
    // never below 1 (10 x 1.25 gives 12, 10 x 1.26 gives 13, 9 x 0.95 gives 9).
    static int scaledFontSize(int designSize, double k);
    // A bound scaled by a factor, rounded to the nearest integer, a half to the even one.
    static int scaledBound(int designBound, double factor);
    // Widgets whose children are their own inner parts, placed by themselves (buttons, edits,
    // lists, scroll areas...): the walk over the form takes them but not their children.
    static bool placesOwnParts(const QWidget* widget);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Control {
        QPointer<QWidget> widget;
        QRect bounds;
        bool visible = true;
        int fontSize = 0; // in pixels
        bool fontInPixels = false;
        int pixelsPerInch = 0;
        double designPointSize = 0;
        bool fontFollows = true;
        bool placedByParent = false;
    };

    static QWidget* checkedOwner(QWidget* owner);
    QWidget* clientArea() const;
    void capture();
    void collect(QWidget* container);
    void computeResolution();
    void handleSize();
    void scale();

    QPointer<QWidget> m_form;
    QPointer<QWidget> m_client;
    bool m_active = false;
    bool m_captured = false;
    bool m_busy = false;
    std::vector<Control> m_controls;
    std::vector<QPointer<QStatusBar>> m_statusBars;
    std::vector<QPointer<QSplitter>> m_splitters;
    double m_rx = 1;
    double m_ry = 1;
    int m_w0 = 0;
    int m_h0 = 0;
    int m_fs = 0;
    bool m_referenceFixed = false;
    double m_k = 1;
    QSize m_lastSize;
};

} // namespace orvek::ui
