#pragma once
// The language tests' fixture: a GUI test that runs in the language it installs and leaves the
// program's own Russian behind it for the next test. (The other test programs install no
// translator: they run in Russian, the language of the sources.)
#include "settings/InterfaceLanguage.h"
#include "support/GuiTestSupport.h"

#include <QRegularExpression>

class LanguageTest : public GuiTest {
protected:
    ~LanguageTest() override
    {
        closeMainWindow();
        InstallInterfaceLanguage(QStringLiteral("ru"));
    }
    static void use(const QString& code) { ASSERT_TRUE(InstallInterfaceLanguage(code)) << code.toStdString(); }
};

inline bool hasCyrillic(const QString& text)
{
    static const QRegularExpression cyrillic(QStringLiteral("[\\x{0400}-\\x{04FF}]"));
    return text.contains(cyrillic);
}
