#include "app/FrozenLayout.h"

#include "app/ProportionalForm.h"

#include <QComboBox>
#include <QLayout>
#include <QMenuBar>
#include <QStackedWidget>
#include <QWidget>

#include <functional>

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
}

} // namespace orvek::ui
