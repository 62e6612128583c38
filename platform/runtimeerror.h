#pragma once

#include <QByteArray>
#include <QString>

#include <exception>

namespace platform {

// The numbers the runtime gives its errors; the descriptions follow them.
enum ErrorNumber {
    InvalidProcedureCall = 5, // "Invalid procedure call or argument"
    FileNotFound = 53, // "File not found"
    PathFileAccessError = 75, // "Path/File access error"
    InvalidPicture = 481, // "Invalid picture"
};

// A run-time error: ends the handler it arises in at the failing step, with
// the steps before it done. One type serves every error the program raises.
class RuntimeError : public std::exception
{
public:
    RuntimeError(int number, const QString &description);

    int number() const { return m_number; }
    QString description() const { return m_description; }
    const char *what() const noexcept override { return m_what.constData(); }

private:
    int m_number;
    QString m_description;
    QByteArray m_what;
};

[[noreturn]] void raiseError(int number, const QString &description);

// The text the default handling shows: "Run-time error 'N':", two carriage
// returns, the description.
QString runtimeErrorText(const RuntimeError &error);

// The default handling of an error that leaves an event handler: a critical
// message box under the application title; the program goes on running.
void reportUncaught(const RuntimeError &error);

// Runs one event handler as the runtime's event boundary does: an error that
// leaves it is reported and goes no further.
template<typename Handler>
void runEvent(Handler &&handler)
{
    try {
        handler();
    } catch (const RuntimeError &error) {
        reportUncaught(error);
    }
}

} // namespace platform
