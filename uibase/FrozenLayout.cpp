#include "uibase/FrozenLayout.h"

#include "uibase/ProportionalForm.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>
#include <QLayout>
#include <QMenuBar>
#include <QStackedWidget>
#include <QTextDocument>
#include <QWidget>

#include <algorithm>
#include <functional>
#include <vector>

namespace orvek::ui {

namespace {

bool isInternalPart(const QWidget* widget) {
    return widget->objectName().startsWith(QLatin1String("qt_"));
}

// The widgets of the client the way the resizing component walks them: depth first, parents
// before their children, without windows, menu bars or the inner parts of composite widgets.
void walk(QWidget* container, const std::function<void(QWidget*)>& visit) {
    for (QObject* child : container->children()) {
        auto* widget = qobject_cast<QWidget*>(child);
        if (!widget || widget->isWindow() || qobject_cast<QMenuBar*>(widget)) {
            continue;
        }
        visit(widget);
        if (!TProportionalForm::placesOwnParts(widget)) {
            walk(widget, visit);
        }
    }
}

// Places the children of a widget that already has its geometry. Hidden widgets (the pages
// behind the current tab) get no resize events, so their layouts are run here directly.
void arrange(QWidget* widget) {
    if (auto* stack = qobject_cast<QStackedWidget*>(widget)) {
        for (int i = 0; i < stack->count(); ++i) {
            stack->widget(i)->setGeometry(stack->contentsRect());
        }
    } else if (QLayout* layout = widget->layout()) {
        layout->invalidate();
        layout->activate();
    }
}

QString automaticName(const QWidget* widget, int number) {
    QString type = QString::fromLatin1(widget->metaObject()->className());
    type = type.mid(type.lastIndexOf(QLatin1Char(':')) + 1);
    if (type.startsWith(QLatin1Char('Q'))) {
        type.remove(0, 1);
    }
    return type + QLatin1Char('_') + QString::number(number);
}

// The horizontal alignment of a control's text, or 0 for a control that shows no single line
// of text.
Qt::Alignment textAlignment(const QWidget* widget) {
    if (const auto* label = qobject_cast<const QLabel*>(widget)) {
        if (label->wordWrap() || label->text().isEmpty() || !label->pixmap().isNull() ||
            label->textFormat() == Qt::RichText ||
            (label->textFormat() == Qt::AutoText && Qt::mightBeRichText(label->text()))) {
            return {};
        }
        const Qt::Alignment h = label->alignment() & Qt::AlignHorizontal_Mask;
        return h & (Qt::AlignRight | Qt::AlignHCenter) ? h : Qt::AlignLeft;
    }
    if (const auto* button = qobject_cast<const QAbstractButton*>(widget)) {
        return button->text().isEmpty() ? Qt::Alignment() : Qt::AlignLeft;
    }
    return {};
}

// Scaled fonts come in whole pixels, so a text that just fitted its control may come out a
// little wider than the scaled control. A text control that its text fills is widened into
// the free room beside it, on the side its text grows to, by up to a twentieth of its width;
// nothing else moves and nothing is drawn differently.
// The width the control needs to show its text whole.
int textWidth(const QWidget* widget) {
    if (const auto* label = qobject_cast<const QLabel*>(widget)) {
        const QMargins m = label->contentsMargins();
        return label->fontMetrics().horizontalAdvance(label->text()) + m.left() + m.right() +
               2 * label->margin() + std::max(0, label->indent());
    }
    return widget->sizeHint().width();
}

void giveTextRoom(QWidget* widget) {
    const Qt::Alignment alignment = textAlignment(widget);
    const QWidget* parent = widget->parentWidget();
    if (!alignment || !parent || textWidth(widget) < widget->width() - 2) {
        return;
    }
    const QRect r = widget->geometry();
    int left = parent->contentsRect().left();
    int right = parent->contentsRect().right();
    for (QObject* child : parent->children()) {
        const auto* sibling = qobject_cast<const QWidget*>(child);
        if (!sibling || sibling == widget || sibling->isWindow()) {
            continue;
        }
        const QRect s = sibling->geometry();
        if (s.top() > r.bottom() || s.bottom() < r.top()) {
            continue;
        }
        if (s.left() > r.right()) {
            right = std::min(right, s.left() - 1);
        } else if (s.right() < r.left()) {
            left = std::max(left, s.right() + 1);
        } else {
            return; // overlapped: leave it as the layout placed it
        }
    }
    const int most = (r.width() + 19) / 20;
    int toLeft = std::clamp(r.left() - left, 0, most);
    int toRight = std::clamp(right - r.right(), 0, most);
    if (alignment & Qt::AlignHCenter) {
        toLeft = toRight = std::min(toLeft, toRight);
    } else if (alignment & Qt::AlignRight) {
        toRight = 0;
    } else {
        toLeft = 0;
    }
    widget->setGeometry(r.adjusted(-toLeft, 0, toRight, 0));
}

void disable(QLayout* layout) {
    layout->setEnabled(false);
    for (QLayout* inner : layout->findChildren<QLayout*>()) {
        inner->setEnabled(false);
    }
}

} // namespace

QSize layoutMinimumSize(const QWidget* client) {
    return client->layout() ? client->layout()->totalMinimumSize() : QSize(0, 0);
}

void freezeLayouts(QWidget* client) {
    arrange(client);
    walk(client, arrange);

    int unnamed = 0;
    std::vector<QWidget*> containers{client};
    walk(client, [&](QWidget* widget) {
        if (widget->objectName().isEmpty()) {
            widget->setObjectName(automaticName(widget, ++unnamed));
        }
        if (!isInternalPart(widget)) {
            widget->setMinimumSize(0, 0);
            widget->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
        }
        // A list that fits itself to its entries would change its width with every entry.
        if (auto* list = qobject_cast<QComboBox*>(widget);
            list && list->sizeAdjustPolicy() == QComboBox::AdjustToContents) {
            list->setSizeAdjustPolicy(QComboBox::AdjustToContentsOnFirstShow);
        }
        containers.push_back(widget);
    });
    // A page stack keeps placing the current page at its own size; everything else stays put.
    for (QWidget* widget : containers) {
        if (widget->layout() && !qobject_cast<QStackedWidget*>(widget)) {
            disable(widget->layout());
        }
    }
    walk(client, giveTextRoom);
}

} // namespace orvek::ui
