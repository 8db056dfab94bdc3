#include "services/ui/processwindow.h"

#include "shell/ui/windowplacement.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>
#include <QWindow>

namespace {

QLabel *messageLine(const QString &name, QWidget *parent)
{
    auto *label = new QLabel(parent);
    label->setObjectName(name);
    // Messages carry file names and titles: text, never markup.
    label->setTextFormat(Qt::PlainText);
    // A long message is cut at the window's edge instead of widening the window.
    label->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    return label;
}

QProgressBar *bar(const QString &name, QWidget *parent)
{
    auto *bar = new QProgressBar(parent);
    bar->setObjectName(name);
    bar->setRange(0, 100);
    bar->setValue(0);
    bar->setTextVisible(false);
    bar->setFixedHeight(14);
    return bar;
}

} // namespace

TfmProcess::TfmProcess(TProcess &process, QWidget *owner)
    : QWidget(nullptr, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowStaysOnTopHint),
      m_process(process), m_owner(owner)
{
    setObjectName(QStringLiteral("fmProcess"));
    setWindowTitle(tr("Process"));
    // A hidden progress window must not keep the program alive, nor end it.
    setAttribute(Qt::WA_QuitOnClose, false);

    m_message = messageLine(QStringLiteral("laMessage"), this);
    m_message->setText(tr("Working..."));
    m_bar = bar(QStringLiteral("pbProcess"), this);
    m_subMessage = messageLine(QStringLiteral("laMessageSub"), this);
    m_subBar = bar(QStringLiteral("pbProcessSub"), this);
    m_cancel = new QPushButton(tr("Cancel"), this);
    m_cancel->setObjectName(QStringLiteral("btCancel"));
    connect(m_cancel, &QPushButton::clicked, this, [this] { m_process.Cancel(); });

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 6, 8, 6);
    layout->setSpacing(3);
    layout->addWidget(m_message);
    layout->addWidget(m_bar);
    layout->addWidget(m_subMessage);
    layout->addWidget(m_subBar);
    layout->addStretch();
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_cancel);
    buttons->addStretch();
    layout->addLayout(buttons);

    m_subMessage->hide();
    m_subBar->hide();
    setFixedSize(454, 110);
}

TfmProcess::~TfmProcess()
{
    // A process destroyed in the middle of a run must not leave its owner dead.
    if (isVisible())
        EnableOwner(true);
}

void TfmProcess::ShowOverOwner()
{
    CenterOnOwner(this, m_owner);
    if (m_owner && m_owner->window()->windowHandle()) {
        winId(); // creates the window handle to tie to the owner
        windowHandle()->setTransientParent(m_owner->window()->windowHandle());
    }
    show();
    raise();
}

void TfmProcess::Hide()
{
    hide();
}

void TfmProcess::EnableOwner(bool enabled)
{
    if (m_owner)
        m_owner->setEnabled(enabled);
}

void TfmProcess::SetBar(int percent)
{
    m_bar->setValue(percent);
}

void TfmProcess::SetSubBar(int percent)
{
    m_subBar->setValue(percent);
}

void TfmProcess::SetMessage(const QString &text)
{
    m_message->setText(text);
}

void TfmProcess::SetSubMessage(const QString &text)
{
    m_subMessage->setText(text);
}

void TfmProcess::SetCaption(const QString &text)
{
    setWindowTitle(text);
}

void TfmProcess::ShowSub(bool visible)
{
    m_subMessage->setVisible(visible);
    m_subBar->setVisible(visible);
}

void TfmProcess::closeEvent(QCloseEvent *event)
{
    // Closing from the window manager would hide the only way to cancel and leave the
    // owner disabled; the process closes the window when it finishes.
    event->ignore();
}

void InstallProcessWindows()
{
    TProcess::SetViewFactory([](TProcess &process, QObject *owner) {
        return std::make_unique<TfmProcess>(process, qobject_cast<QWidget *>(owner));
    });
}
