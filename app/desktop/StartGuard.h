#pragma once
// The program's body run so that an exception escaping the start-up or the event loop is told to
// the user (a message box with its text) and ends the program with 1, not with an abort.

#include <QString>

#include <exception>
#include <functional>

inline int RunTellingExceptions(const std::function<int()>& body, const std::function<void(const QString&)>& tell)
{
    try {
        return body();
    } catch (const std::exception& e) {
        tell(QString::fromLocal8Bit(e.what()));
    } catch (...) {
        tell(QStringLiteral("Unknown error"));
    }
    return 1;
}
