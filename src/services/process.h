#pragma once

#include <QObject>
#include <QString>

#include <functional>
#include <memory>

// The progress window of a process, built by the desktop program. Its Cancel button
// calls TProcess::Cancel.
class TProcessView
{
public:
    virtual ~TProcessView() = default;
    virtual void ShowOverOwner() = 0; // centred over the owner, not modal
    virtual void Hide() = 0;
    virtual void EnableOwner(bool enabled) = 0;
    virtual void SetBar(int percent) = 0;
    virtual void SetSubBar(int percent) = 0;
    virtual void SetMessage(const QString &text) = 0;
    virtual void SetSubMessage(const QString &text) = 0;
    virtual void SetCaption(const QString &text) = 0;
    virtual void ShowSub(bool visible) = 0;
};

// A long operation on the user-interface thread: a counter with a total, one or two
// message lines and a cancel request. It shows a progress window of its own
// (UseWindow) or reports through OnProgress and OnMessage to a host window. Every
// change of progress or message lets pending events run, which keeps the interface
// alive and lets a Cancel reach the running loop.
class TProcess : public QObject
{
    Q_OBJECT

public:
    using TViewFactory =
        std::function<std::unique_ptr<TProcessView>(TProcess &process, QObject *owner)>;

    // owner (not owned) is the window the progress window is placed over and that is
    // disabled during a run.
    explicit TProcess(QObject *owner = nullptr);
    ~TProcess() override;

    // The desktop program installs the maker of progress windows for processes created
    // from then on; without one a process shows nothing.
    static void SetViewFactory(TViewFactory factory);

    void Start();
    void Finish();
    void SetPosition(qint32 value);
    void StepIt() { SetPosition(Position + 1); }
    void SetSubPosition(qint32 value);
    void SetMessage(const QString &text);
    void SetSubMessage(const QString &text);
    void SetCaption(const QString &text);
    void ShowSub(bool visible);

    void Cancel() { m_cancelled = true; }
    void Abort() { m_aborted = true; }
    // Stays true after Finish until the next Start.
    bool Cancelled() const { return m_cancelled || m_aborted; }

    QObject *Owner() const { return m_owner; }
    TProcessView *View() const { return m_view.get(); }

    bool UseWindow = true;
    qint32 Max = 0;
    qint32 SubMax = 0;
    qint32 Position = 0;
    qint32 SubPosition = 0;

signals:
    void OnProgress(int percent);
    void OnMessage(const QString &text);

private:
    bool m_cancelled = false;
    bool m_aborted = false;
    QObject *m_owner;
    std::unique_ptr<TProcessView> m_view;
    int m_bar = 0; // what the bars show, so that they are redrawn only on a change
    int m_subBar = 0;
};
