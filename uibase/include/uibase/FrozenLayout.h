#pragma once

#include <QSize>

class QWidget;

namespace orvek::ui {

// Turns the layouts of a client area into absolute geometry, as proportional resizing needs:
// every control (also on tab pages that are not shown) is placed by its layout once at the
// client's current size, every layout is then switched off, so that nothing moves unless it is
// moved, and size limits that would keep a control from being scaled are lifted. Controls
// without a name get one ("Label_3"), so that the resizing component takes them too. The inner
// parts of composite widgets (buttons, edits, lists, scroll areas, the tab widget's bar and
// page stack) keep arranging themselves.
void freezeLayouts(QWidget* client);

// The smallest size at which the client's layouts place every control without squeezing it.
QSize layoutMinimumSize(const QWidget* client);

} // namespace orvek::ui
