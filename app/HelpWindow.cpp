#include "app/HelpWindow.h"

#include <QFileInfo>
#include <QHBoxLayout>
#include <QPushButton>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

namespace orvek::ui {

HelpWindow::HelpWindow(const QString& indexPath) : QWidget(nullptr) {
    setObjectName(QStringLiteral("HelpWindow"));
    setWindowTitle(QStringLiteral("Orvek C&N - User's instruction"));
    setAttribute(Qt::WA_DeleteOnClose);
    resize(820, 640);
    auto* layout = new QVBoxLayout(this);
    auto* tools = new QHBoxLayout;
    auto* back = new QPushButton(QStringLiteral("Back"), this);
    auto* contents = new QPushButton(QStringLiteral("Contents"), this);
    tools->addWidget(back);
    tools->addWidget(contents);
    tools->addStretch(1);
    layout->addLayout(tools);
    m_browser = new QTextBrowser(this);
    m_browser->setObjectName(QStringLiteral("HelpBrowser"));
    m_browser->setOpenExternalLinks(true);
    m_browser->setSearchPaths({QFileInfo(indexPath).absolutePath()});
    m_browser->setSource(QUrl::fromLocalFile(indexPath));
    layout->addWidget(m_browser, 1);
    back->setEnabled(false);
    connect(m_browser, &QTextBrowser::backwardAvailable, back, &QPushButton::setEnabled);
    connect(back, &QPushButton::clicked, m_browser, &QTextBrowser::backward);
    connect(contents, &QPushButton::clicked, m_browser, &QTextBrowser::home);
}

} // namespace orvek::ui
