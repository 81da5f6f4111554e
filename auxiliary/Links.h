#pragma once
// The maker's built-in addresses and the help file among the side files.
#include <QString>

inline const QString HomePageAddress = QStringLiteral("https://tavrin.example.org");
inline const QString SupportMailAddress = QStringLiteral("support@tavrin.example.org");
inline const QString HelpFileName = QStringLiteral("tavrin.html");
