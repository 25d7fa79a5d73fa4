// The graph page's runs kept for comparison and its context menu.

#include "windows/results/GraphPage.h"

#include "uibase/HandlerGuard.h"

#include <QCheckBox>
#include <QMenu>
#include <QPushButton>

namespace orvek::ui {

void GraphPage::buildComparisonControls() {
    m_keepButton = new QPushButton(QStringLiteral("Keep this run for comparison"), this);
    m_keepButton->setObjectName(QStringLiteral("KeepRunButton"));
    m_clearKeptButton = new QPushButton(QStringLiteral("Clear kept runs"), this);
    m_clearKeptButton->setObjectName(QStringLiteral("ClearKeptRunsButton"));
    connect(m_keepButton, &QPushButton::clicked, this,
            [this] { guarded(window(), [this] { keepRun(); }); });
    connect(m_clearKeptButton, &QPushButton::clicked, this,
            [this] { guarded(window(), [this] { clearKeptRuns(); }); });

    m_menu = new QMenu(this);
    QAction* save = m_menu->addAction(QStringLiteral("Save graph as..."));
    save->setObjectName(QStringLiteral("SaveGraphAsContext"));
    connect(save, &QAction::triggered, this, &GraphPage::saveGraphRequested);
    m_menu->addSeparator();
    QAction* keep = m_menu->addAction(m_keepButton->text());
    keep->setObjectName(QStringLiteral("KeepRunContext"));
    connect(keep, &QAction::triggered, m_keepButton, &QPushButton::click);
    QAction* clear = m_menu->addAction(m_clearKeptButton->text());
    clear->setObjectName(QStringLiteral("ClearKeptRunsContext"));
    connect(clear, &QAction::triggered, m_clearKeptButton, &QPushButton::click);
    QWidget* view = m_chart->widget();
    view->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(view, &QWidget::customContextMenuRequested, this,
            [this, view](const QPoint& at) { m_menu->popup(view->mapToGlobal(at)); });
    updateComparisonControls();
}

void GraphPage::updateComparisonControls() {
    const bool canKeep = m_hasResults && !m_lastRunKept && m_kept.count() < KeptRuns::kMaximum;
    m_keepButton->setEnabled(canKeep);
    m_clearKeptButton->setEnabled(m_kept.count() > 0);
    const QList<QAction*> actions = m_menu->actions();
    for (QAction* action : actions) {
        if (action->objectName() == QLatin1String("SaveGraphAsContext")) {
            action->setEnabled(m_hasResults);
        } else if (action->objectName() == QLatin1String("KeepRunContext")) {
            action->setEnabled(canKeep);
        } else if (action->objectName() == QLatin1String("ClearKeptRunsContext")) {
            action->setEnabled(m_kept.count() > 0);
        }
    }
}

void GraphPage::keepRun() {
    if (!m_hasResults || m_lastRunKept) {
        return;
    }
    m_kept.keep(m_kept.nameFor(m_settingName), m_startFolder, m_last);
    m_lastRunKept = true;
    updateComparisonControls();
    plotGraph();
}

void GraphPage::clearKeptRuns() {
    m_kept.clear();
    m_lastRunKept = false;
    updateComparisonControls();
    if (m_hasResults) {
        plotGraph();
    }
}

void GraphPage::drawKeptRuns() {
    KeptRunsView view;
    view.daily = m_dailyOutput;
    view.dates = m_xAxisDates;
    view.carbonOnly = m_last.carbonOnly;
    for (int i = 0; i < kSeriesCount; ++i) {
        view.checked[static_cast<size_t>(i)] = checked(i);
        view.captions[static_cast<size_t>(i)] = seriesBox(i)->text();
    }
    m_kept.draw(*m_chart, view);
}

} // namespace orvek::ui
