#include "runtimeerror.h"

#include "messagebox.h"

namespace platform {

RuntimeError::RuntimeError(int number, const QString &description)
    : m_number(number), m_description(description), m_what(description.toUtf8())
{ }

void raiseError(int number, const QString &description)
{
    throw RuntimeError(number, description);
}

// "Run-time error 'N':", then CR CR, then the description: the message box
// turns each CR into a line break, so the number stands on a line of its own
// with one empty line below it.
QString runtimeErrorText(const RuntimeError &error)
{
    return QStringLiteral("Run-time error '%1':").arg(error.number()) + QStringLiteral("\r\r")
        + error.description();
}

// Critical icon, OK alone, the application title (an empty title gives it).
void reportUncaught(const RuntimeError &error)
{
    MsgBox(runtimeErrorText(error), 16);
}

} // namespace platform
