#include "services/unattended_dialogs.h"

#include <cstdio>
#include <cstdlib>

DialogAnswer UnattendedDialogs::refuse(Question, const QString&, const QString& text)
{
    std::fprintf(stderr, "unexpected question: %s\n", text.toUtf8().constData());
    std::_Exit(3);
}
