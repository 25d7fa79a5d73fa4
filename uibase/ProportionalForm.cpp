#include "uibase/ProportionalForm.h"

#include <QAbstractButton>
#include <QAbstractScrollArea>
#include <QAbstractSlider>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QEvent>
#include <QFontInfo>
#include <QLayout>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenuBar>
#include <QScreen>
#include <QSplitter>
#include <QStackedWidget>
#include <QStatusBar>
#include <QTabBar>
#include <QToolBar>
#include <QWidget>

#include <algorithm>
#include <cmath>

namespace orvek::ui {

bool TProportionalForm::placesOwnParts(const QWidget* widget) {
    return qobject_cast<const QAbstractScrollArea*>(widget) ||
           qobject_cast<const QTabBar*>(widget) || qobject_cast<const QAbstractSpinBox*>(widget) ||
           qobject_cast<const QComboBox*>(widget) || qobject_cast<const QLineEdit*>(widget) ||
           qobject_cast<const QAbstractButton*>(widget) ||
           qobject_cast<const QAbstractSlider*>(widget) || qobject_cast<const QToolBar*>(widget);
}

namespace {

bool layoutHolds(const QLayout* layout, const QWidget* widget) {
    for (int i = 0; i < layout->count(); ++i) {
        QLayoutItem* item = layout->itemAt(i);
        if (item->widget() == widget) {
            return true;
        }
        if (item->layout() && layoutHolds(item->layout(), widget)) {
            return true;
        }
    }
    return false;
}

// Whether something other than absolute geometry places the widget: an enabled layout of its
// parent, or a parent that arranges its children itself. A disabled layout places nothing.
bool placedByParent(const QWidget* widget) {
    const QWidget* parent = widget->parentWidget();
    if (!parent) {
        return false;
    }
    if (qobject_cast<const QSplitter*>(parent) || qobject_cast<const QMainWindow*>(parent) ||
        qobject_cast<const QStackedWidget*>(parent)) {
        return true;
    }
    return parent->layout() && parent->layout()->isEnabled() &&
           layoutHolds(parent->layout(), widget);
}

int fontSizeOf(const QFont& font, bool& inPixels) {
    inPixels = font.pixelSize() > 0;
    if (inPixels) {
        return font.pixelSize();
    }
    return font.pointSize() > 0 ? font.pointSize()
                                : static_cast<int>(std::lround(font.pointSizeF()));
}

} // namespace

QFont ProportionalDesign::defaultFont() {
    QFont font(QStringLiteral("@Dotum"));
    font.setPixelSize(13);
    return font;
}

QWidget* TProportionalForm::checkedOwner(QWidget* owner) {
    if (!owner || !owner->isWindow()) {
        throw ProportionalFormError("Owner of TProportionalForm component must be a form");
    }
    if (!owner->findChildren<TProportionalForm*>(QString(), Qt::FindDirectChildrenOnly).isEmpty()) {
        throw ProportionalFormError("A TProportionalForm component already exists in " +
                                    owner->objectName().toStdString());
    }
    return owner;
}

TProportionalForm::TProportionalForm(QWidget* owner) : QObject(checkedOwner(owner)), m_form(owner) {
    setObjectName(QStringLiteral("ProportionalForm1"));
    owner->installEventFilter(this);
}

TProportionalForm::~TProportionalForm() {
    if (m_form) {
        m_form->removeEventFilter(this);
    }
    if (m_client && m_client != m_form) {
        m_client->removeEventFilter(this);
    }
}

int TProportionalForm::scaledFontSize(int designSize, double k) {
    const double exact = designSize * k;
    double size = std::floor(exact);
    // A product meant to end in exactly one half must not round up by a rounding error.
    if (exact - size > 0.5 + 1e-9) {
        size += 1;
    }
    return std::max(1, static_cast<int>(size));
}

int TProportionalForm::scaledBound(int designBound, double factor) {
    return static_cast<int>(std::nearbyint(designBound * factor));
}

QWidget* TProportionalForm::clientArea() const {
    // A main window's menu and status bars lie outside the area the layout was made for.
    if (auto* main = qobject_cast<QMainWindow*>(m_form.data()); main && main->centralWidget()) {
        return main->centralWidget();
    }
    return m_form;
}

bool TProportionalForm::eventFilter(QObject* watched, QEvent* event) {
    if (!m_active || m_busy || !m_form) {
        return false;
    }
    if (watched == m_form && !m_captured) {
        if (!m_form->isVisible()) {
            return false;
        }
        capture();
        handleSize();
        return false;
    }
    if (event->type() == QEvent::Resize && watched == m_client) {
        handleSize();
    }
    return false;
}

void TProportionalForm::computeResolution() {
    m_rx = 1;
    m_ry = 1;
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!switches.ResolutionIndependence || !screen || design.DesignScreenWidth <= 0 ||
        design.DesignScreenHeight <= 0) {
        return;
    }
    // The size of a maximized window, in the logical pixels the layout is measured in.
    const QRect available = screen->availableGeometry();
    m_rx = static_cast<double>(available.width()) / design.DesignScreenWidth;
    m_ry = static_cast<double>(available.height()) / design.DesignScreenHeight;
}

void TProportionalForm::capture() {
    m_busy = true;
    m_controls.clear();
    m_statusBars.clear();
    m_splitters.clear();
    collect(m_form);
    computeResolution();

    m_client = clientArea();
    if (m_client != m_form) {
        m_client->installEventFilter(this);
    }
    // The window takes the design size on this screen: its client area becomes the reference
    // area, where every control has its design bounds.
    const QSize chrome = m_form->size() - m_client->size();
    const int clientWidth = scaledBound(design.DesignFormClientWidth, m_rx);
    const int clientHeight = scaledBound(design.DesignFormClientHeight, m_ry);
    if (switches.PlaceWindowOnCapture && clientWidth > 0 && clientHeight > 0) {
        m_form->resize(clientWidth + chrome.width(), clientHeight + chrome.height());
    }
    if (const QScreen* screen = QGuiApplication::primaryScreen();
        screen && switches.PlaceWindowOnCapture) {
        const QRect available = screen->availableGeometry();
        const QSize outer = m_form->frameGeometry().size();
        m_form->move(std::max(0, available.x() + (available.width() - outer.width()) / 2),
                     std::max(0, available.y() + (available.height() - outer.height()) / 2));
    }
    m_captured = true;
    m_busy = false;
}

void TProportionalForm::collect(QWidget* container) {
    for (QObject* child : container->children()) {
        auto* widget = qobject_cast<QWidget*>(child);
        if (!widget || widget->isWindow() || qobject_cast<QMenuBar*>(widget)) {
            continue;
        }
        if (auto* status = qobject_cast<QStatusBar*>(widget)) {
            m_statusBars.emplace_back(status);
            continue;
        }
        if (auto* splitter = qobject_cast<QSplitter*>(widget)) {
            m_splitters.emplace_back(splitter);
        }
        const QString name = widget->objectName();
        if (!name.isEmpty() && !name.startsWith(QLatin1String("qt_"))) {
            Control c;
            c.widget = widget;
            c.bounds = widget->geometry();
            c.visible = !widget->isHidden();
            // Sizes are counted in the pixels the font is drawn at, the unit the layout is
            // measured in: a step of one pixel keeps a scaled text much closer to the width of
            // its scaled control than a step of one point. A font given in points stays in
            // points (it is printed too), at the point size of that many pixels.
            c.fontSize = QFontInfo(widget->font()).pixelSize();
            c.fontInPixels = widget->font().pixelSize() > 0;
            c.pixelsPerInch = widget->logicalDpiY();
            c.designPointSize = widget->font().pointSizeF();
            c.placedByParent = placedByParent(widget);
            m_controls.push_back(c);
        }
        if (!placesOwnParts(widget)) {
            collect(widget);
        }
    }
}

void TProportionalForm::handleSize() {
    if (!m_captured || !m_form || !m_client || m_form->isMinimized()) {
        return;
    }
    const QSize size = m_form->frameGeometry().size();
    if (size == m_lastSize) {
        return;
    }
    scale();
    m_lastSize = size;
}

void TProportionalForm::scale() {
    if (!m_referenceFixed) {
        m_w0 = scaledBound(design.DesignFormClientWidth, m_rx);
        m_h0 = scaledBound(design.DesignFormClientHeight, m_ry);
        bool inPixels = false;
        m_fs = fontSizeOf(design.Font, inPixels);
        m_referenceFixed = true;
    }
    if (m_w0 <= 0 || m_h0 <= 0 || m_fs <= 0) {
        return; // nothing to scale against
    }
    m_busy = true;
    const QSize outer = m_form->frameGeometry().size();
    const double fs = m_fs;
    m_k = std::min(outer.width() * fs / m_w0, outer.height() * fs / m_h0) / fs;
    if (switches.ScaleFont) {
        const int size = std::max(1, static_cast<int>(std::nearbyint(m_k * fs)));
        if (design.Font.pixelSize() > 0) {
            design.Font.setPixelSize(size);
        } else {
            design.Font.setPointSize(size);
        }
    }
    const double fx = static_cast<double>(m_client->width()) / m_w0;
    const double fy = static_cast<double>(m_client->height()) / m_h0;

    QPointer<QWidget> focus = QApplication::focusWidget();
    const bool updates = m_form->updatesEnabled();
    m_form->setUpdatesEnabled(false); // no half-scaled form on the screen
    for (const Control& c : m_controls) {
        QWidget* w = c.widget;
        if (!w) {
            continue;
        }
        if (!c.placedByParent && (switches.ScaleHorizontal || switches.ScaleVertical)) {
            const QRect now = w->geometry();
            int left = now.x();
            int top = now.y();
            int width = now.width();
            int height = now.height();
            if (switches.ScaleHorizontal) {
                left = scaledBound(c.bounds.x(), fx);
                width = scaledBound(c.bounds.width(), fx);
            }
            if (switches.ScaleVertical) {
                top = scaledBound(c.bounds.y(), fy);
                height = scaledBound(c.bounds.height(), fy);
            }
            w->setGeometry(left, top, width, height);
        }
        if (switches.ScaleFont && c.fontFollows && c.fontSize > 0) {
            QFont font = w->font();
            const int size = scaledFontSize(c.fontSize, m_k);
            if (c.fontInPixels || c.pixelsPerInch <= 0) {
                font.setPixelSize(size);
            } else if (size == c.fontSize) {
                font.setPointSizeF(c.designPointSize); // the design font, exactly
            } else {
                font.setPointSizeF(size * 72.0 / c.pixelsPerInch);
            }
            if (font != w->font()) {
                w->setFont(font);
            }
        }
    }
    m_form->setUpdatesEnabled(updates);
    if (focus && QApplication::focusWidget() != focus) {
        focus->setFocus();
    }
    m_busy = false;
}

} // namespace orvek::ui
