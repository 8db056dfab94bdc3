#include "shell/ui/splash.h"

#include "model/general.h"
#include "shell/ui/iconlists.h"
#include "shell/ui/windowplacement.h"

#include <QCoreApplication>
#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>

TfmSplash::TfmSplash(QWidget *parent) : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint)
{
    setObjectName(QStringLiteral("fmSplash"));
    setAttribute(Qt::WA_QuitOnClose, false);
    setFixedSize(290, 374);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, Qt::white);
    palette.setColor(QPalette::WindowText, Qt::black);
    setPalette(palette);
    setAutoFillBackground(true);

    auto *logo = new QLabel(this);
    logo->setObjectName(QStringLiteral("imLogo"));
    logo->setAlignment(Qt::AlignCenter);
    logo->setPixmap(TIconLists::Instance().Logo().pixmap(QSize(220, 220)));

    auto *name = new QLabel(this);
    name->setObjectName(QStringLiteral("laAppName"));
    name->setAlignment(Qt::AlignCenter);
    name->setTextFormat(Qt::PlainText);
    QFont font = name->font();
    font.setBold(true);
    font.setItalic(true);
    font.setPointSizeF(font.pointSizeF() * 1.5);
    name->setFont(font);
    name->setText(QStringLiteral("Qel Music ") + GetVersionText(false));

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(12, 12, 12, 12);
    layout->addStretch();
    layout->addWidget(logo);
    layout->addSpacing(16);
    layout->addWidget(name);
    layout->addStretch();
}

void TfmSplash::ShowNow()
{
    CenterForm(this);
    show();
    repaint();
    // Lets the window system map and draw the window before start-up continues.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void TfmSplash::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setPen(Qt::black);
    p.drawRect(rect().adjusted(0, 0, -1, -1));
}
