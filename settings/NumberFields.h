#pragma once
// The number fields of the settings and time-limit dialogs.
#include <QString>
#include <stdexcept>

class QLineEdit;

// A text that is not a decimal integer where one is required.
class ConvertError : public std::runtime_error {
public:
    explicit ConvertError(const QString& message) : std::runtime_error(message.toStdString()) {}
};

// The text as a decimal integer: optional sign and digits, blanks around allowed, 32 bits.
// False for anything else, including an empty text.
bool ParseDecimal(const QString& text, int& value);

// The same, raising ConvertError("'<text>' is not a valid integer value") on failure.
int StrToInt(const QString& text);

// Hours, minutes and seconds fields as a number of seconds: an empty field counts as 0, any
// other text must be a decimal integer. False for a bad field or a total outside 32 bits.
bool ReadTimeFields(const QLineEdit& hours, const QLineEdit& minutes, const QLineEdit& seconds,
                    int& total);

// Step "time limit" of both dialogs' OK: with limitSelected, the three fields become TimeLimit
// and the main window's automatic-stop button is pressed with the limit as its hint; without,
// TimeLimit is -1, the button released with "No Auto stop.". A bad field shows "Please input
// correct integer number!" in the Information box and changes nothing; the result is then
// false and the caller's handler ends.
bool TakeTimeLimit(bool limitSelected, const QLineEdit& hours, const QLineEdit& minutes,
                   const QLineEdit& seconds);
