#pragma once
// The number rules of the settings and time-limit dialogs' fields, on their texts.
#include <QString>
#include <stdexcept>

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

// Hours, minutes and seconds texts as a number of seconds: an empty text counts as 0, any
// other text must be a decimal integer. False for a bad text or a total outside 32 bits.
bool ReadTimeFields(const QString& hours, const QString& minutes, const QString& seconds, int& total);
