#include "services/process.h"

#include <QCoreApplication>

#include <algorithm>

namespace {

TProcess::TViewFactory &viewFactory()
{
    static TProcess::TViewFactory factory;
    return factory;
}

// 64-bit so that large counters do not overflow; a bar shows 0 to 100 only.
int percentOf(qint32 value, qint32 max)
{
    return int(qint64(value) * 100 / max);
}

int barValue(int percent)
{
    return std::clamp(percent, 0, 100);
}

void processPendingEvents()
{
    QCoreApplication::processEvents();
}

} // namespace

TProcess::TProcess(QObject *owner) : m_owner(owner)
{
    if (viewFactory())
        m_view = viewFactory()(*this, owner);
}

TProcess::~TProcess() = default;

void TProcess::SetViewFactory(TViewFactory factory)
{
    viewFactory() = std::move(factory);
}

void TProcess::Start()
{
    Position = 0;
    m_cancelled = false;
    m_aborted = false;
    if (UseWindow && m_view) {
        m_view->ShowSub(false);
        m_view->ShowOverOwner();
        m_view->EnableOwner(false);
    }
}

void TProcess::Finish()
{
    if (UseWindow && m_view) {
        m_view->EnableOwner(true);
        m_view->Hide();
    }
}

void TProcess::SetPosition(qint32 value)
{
    Position = value;
    if (Max != 0) {
        const int percent = percentOf(value, Max);
        if (UseWindow) {
            if (barValue(percent) != m_bar) {
                m_bar = barValue(percent);
                if (m_view)
                    m_view->SetBar(m_bar);
            }
        } else {
            emit OnProgress(percent);
        }
    }
    processPendingEvents();
}

void TProcess::SetSubPosition(qint32 value)
{
    SubPosition = value;
    if (SubMax == 0)
        return;
    const int bar = barValue(percentOf(value, SubMax));
    if (bar == m_subBar)
        return;
    m_subBar = bar;
    if (m_view)
        m_view->SetSubBar(bar);
    processPendingEvents();
}

void TProcess::SetMessage(const QString &text)
{
    if (UseWindow) {
        if (m_view)
            m_view->SetMessage(text);
    } else {
        emit OnMessage(text);
    }
    processPendingEvents();
}

void TProcess::SetSubMessage(const QString &text)
{
    if (m_view)
        m_view->SetSubMessage(text);
    processPendingEvents();
}

void TProcess::SetCaption(const QString &text)
{
    if (m_view)
        m_view->SetCaption(text);
}

void TProcess::ShowSub(bool visible)
{
    if (m_view)
        m_view->ShowSub(visible);
}
