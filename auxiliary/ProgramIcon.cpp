#include "auxiliary/ProgramIcon.h"

QIcon ProgramIcon()
{
    QIcon icon;
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/icons/app/tavrin-%1.png").arg(size), QSize(size, size));
    return icon;
}
