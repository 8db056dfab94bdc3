#pragma once

#include "services/process.h"

#include <QPointer>
#include <QWidget>

class QLabel;
class QProgressBar;
class QPushButton;

// The small progress window of a process: a message line and a bar, a second pair
// shown on request, and Cancel. It floats above the owner, which is disabled while a
// run is under way, and cannot be closed except through the process.
//
// The window has no Qt parent: the process owns it, and an owner window that goes
// away first must not take it along. It stays tied to the owner as its transient
// window instead.
class TfmProcess : public QWidget, public TProcessView
{
    Q_OBJECT

public:
    TfmProcess(TProcess &process, QWidget *owner);
    ~TfmProcess() override;

    void ShowOverOwner() override;
    void Hide() override;
    void EnableOwner(bool enabled) override;
    void SetBar(int percent) override;
    void SetSubBar(int percent) override;
    void SetMessage(const QString &text) override;
    void SetSubMessage(const QString &text) override;
    void SetCaption(const QString &text) override;
    void ShowSub(bool visible) override;

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    TProcess &m_process;
    QPointer<QWidget> m_owner;
    QLabel *m_message;
    QProgressBar *m_bar;
    QLabel *m_subMessage;
    QProgressBar *m_subBar;
    QPushButton *m_cancel;
};

// From now on every process created with a widget as owner gets a TfmProcess.
void InstallProcessWindows();
