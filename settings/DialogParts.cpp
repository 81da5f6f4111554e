#include "settings/DialogParts.h"

#include "platform/ui/Guarded.h"
#include "platform/ui/MessageBoxes.h"
#include "settings/NumberFields.h"
#include "settings/UpDown.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>

namespace {

bool badNumber()
{
    ShowInformation(QStringLiteral("Please input correct integer number!"));
    return false;
}

} // namespace

TOkCancelDialog::TOkCancelDialog(QWidget* parent) : QDialog(parent)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint
                   | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
}

TOkCancelDialog::~TOkCancelDialog() = default;

QHBoxLayout* TOkCancelDialog::buildButtons()
{
    auto* row = new QHBoxLayout;
    BtnOK = new QPushButton(tr("Да"), this);
    BtnCancel = new QPushButton(tr("Отмена"), this);
    BtnOK->setDefault(true);
    BtnOK->setMinimumWidth(75);
    BtnCancel->setMinimumWidth(75);
    row->addStretch(1);
    row->addWidget(BtnOK);
    row->addWidget(BtnCancel);
    row->addStretch(1);
    connect(BtnOK, &QPushButton::clicked, this, guarded([this] { BtnOKClick(); }));
    connect(BtnCancel, &QPushButton::clicked, this, guarded([this] { BtnCancelClick(); }));
    return row;
}

void TOkCancelDialog::BtnCancelClick()
{
    close();
}

void TOkCancelDialog::closeEvent(QCloseEvent* event)
{
    FormClose();
    QDialog::closeEvent(event);
}

TUpDown* NewUpDown(QLineEdit* edit, int low, int high, int step)
{
    auto* upDown = new TUpDown(edit->parentWidget());
    upDown->setRange(low, high);
    upDown->setIncrement(step);
    upDown->setAssociate(edit);
    return upDown;
}

bool ReadNumberField(const QLineEdit& edit, int low, int high, const QString& what, int& value)
{
    if (!ParseDecimal(edit.text(), value))
        return badNumber();
    if (value < low || value > high) {
        ShowInformation(QStringLiteral("%1 must be from %2 to %3!").arg(what).arg(low).arg(high));
        return false;
    }
    return true;
}

bool ReadTimeFields(const QLineEdit& hours, const QLineEdit& minutes, const QLineEdit& seconds, int& total)
{
    return ReadTimeFields(hours.text(), minutes.text(), seconds.text(), total) || badNumber();
}
