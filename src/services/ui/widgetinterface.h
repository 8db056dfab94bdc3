#pragma once

#include "model/general.h"

class QWidget;

// Messages and questions as message boxes over the active window, with the
// application title as caption; the wait cursor as the application's override cursor.
class TWidgetUserInterface : public TUserInterface
{
public:
    void ShowInfo(const QString &message) override;
    TAnswer AskYesNo(const QString &message) override;
    TAnswer AskOkCancel(const QString &message) override;
    void BeginWait() override;
    void EndWait() override;
    bool ShellOpen(const QString &file, const QString &parameters, const QString &folder) override;

private:
    int m_waitDepth = 0;
};
