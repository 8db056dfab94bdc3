// The MP3 command: reading files and making albums of folders.
#include "cli/commands.h"

const char kMp3Help[] = "Usage: qel mp3\n\nNot available yet.\n";

int RunMp3(const QStringList &)
{
    return Fail(QStringLiteral("qel mp3: not available yet"));
}
