#pragma once
// Errors raised by the engine components. The text is shown to the user as it stands by the
// application's general error report, so it says what went wrong in plain English and carries
// the library's own message where there is one.
#include <QString>
#include <stdexcept>

class EngineError : public std::runtime_error {
public:
    explicit EngineError(const QString& message) : std::runtime_error(message.toStdString()) {}
    QString message() const { return QString::fromStdString(what()); }
};
