#include "app/AboutBox.h"

#include "app/JpegImage.h"
#include "basics/Files.h"
#include "windows/inputs/PageWidgets.h"

#include <QFile>
#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace orvek::ui {

namespace {

const char* const kDescription = "Orvek C&N Model (Version 2004)\n"
                                 "\n"
                                 "A simulation model for carbon and nitrogen\n"
                                 "mineralization in soil\n"
                                 "\n"
                                 "Written by the Orvek C&N developers\n"
                                 "Free software: GNU General Public License, version 3 or later\n"
                                 "\n"
                                 "Copyright (c) the Orvek C&N developers. Some rights reserved.";

// No address: the program names no contact it cannot vouch for.
const char* const kContact = "For more information contact:\n"
                             "      The Orvek C&N developers\n"
                             "      See the README file and the user's guide\n"
                             "      that come with the program.";

const char* const kDisclaimer =
    "DISCLAIMER\n"
    "The Orvek C&N developers accept no liability for errors in this program, for incorrect "
    "results obtained with it, or for problems arising from its installation. You use it at "
    "your own risk.";

} // namespace

TForm2::TForm2(const std::string& startFolder, QWidget* mainWindow)
    : QDialog(nullptr), m_lock(this, mainWindow) {
    setObjectName(QStringLiteral("TForm2"));
    setWindowTitle(QStringLiteral("About Orvek C&N model"));
    setAttribute(Qt::WA_DeleteOnClose);
    setFixedSize(590, 521);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 16, 16, 12);
    m_memo[0] = newTextArea("Memo1", QString::fromUtf8(kDescription), true, 15);
    m_memo[1] = newTextArea("Memo2", QString::fromUtf8(kContact), true, 15);
    m_memo[2] = newTextArea("Memo3", QString::fromUtf8(kDisclaimer), false, 12);
    layout->addWidget(m_memo[0], 8);
    layout->addWidget(m_memo[1], 4);
    layout->addWidget(m_memo[2], 3);

    auto* bottom = new QHBoxLayout;
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("Button1"));
    ok->setDefault(true);
    ok->setMinimumWidth(90);
    m_picture = new QLabel(this);
    m_picture->setObjectName(QStringLiteral("Image1"));
    m_picture->setFixedSize(129, 58);
    QFile file(QString::fromStdString(resolveFileName(startFolder + kAboutPictureFileName)));
    if (file.open(QIODevice::ReadOnly) && file.size() < (qint64{8} << 20)) {
        const QImage picture = decodeJpeg(file.readAll());
        if (!picture.isNull()) {
            m_picture->setPixmap(QPixmap::fromImage(picture));
        }
    }
    bottom->addStretch(1);
    bottom->addWidget(ok);
    bottom->addStretch(1);
    bottom->addWidget(m_picture, 0, Qt::AlignRight | Qt::AlignBottom);
    layout->addLayout(bottom);

    connect(ok, &QPushButton::clicked, this, &TForm2::Button1Click);
    ok->setFocus();
}

QPlainTextEdit* TForm2::newTextArea(const char* name, const QString& text, bool bold, int pixels) {
    auto* area = new QPlainTextEdit(this);
    area->setObjectName(QString::fromLatin1(name));
    area->setPlainText(text);
    area->setReadOnly(true);
    // The areas never take the focus or show a caret; clicks and keys leave the box open.
    area->setTextInteractionFlags(Qt::NoTextInteraction);
    area->setFocusPolicy(Qt::NoFocus);
    area->setCursorWidth(0);
    area->setFrameShape(QFrame::NoFrame);
    area->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    area->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    area->viewport()->setCursor(Qt::ArrowCursor);
    QFont font(QStringLiteral("Arial"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(pixels);
    font.setBold(bold);
    area->setFont(font);
    QPalette palette = area->palette();
    for (const auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        palette.setColor(group, QPalette::Base, disabledFieldColour());
    }
    area->setPalette(palette);
    return area;
}

QPlainTextEdit* TForm2::textArea(int k) const {
    return k >= 1 && k <= 3 ? m_memo[k - 1] : nullptr;
}

void TForm2::Button1Click() {
    m_lock.release();
    close();
}

} // namespace orvek::ui
