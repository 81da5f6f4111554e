#include "app/rename.h"
#include "app/Unit1.h"
#include "platform/ui/MessageBoxes.h"
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>

TRenameForm* RenameForm = nullptr;

TRenameForm::TRenameForm(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                          | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("RenameForm"));
    setWindowTitle(tr("Переименовать"));
    setFixedSize(306, 100);

    Label1 = new QLabel(tr("Введите Новое Имя файла:"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->move(16, 13);
    Label1->adjustSize();

    Edit1 = new QLineEdit(this);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setGeometry(24, 36, 257, 21);

    BtnOK = new QPushButton(tr("Да"), this);
    BtnOK->setObjectName(QStringLiteral("BtnOK"));
    BtnOK->setGeometry(56, 69, 75, 25);
    BtnCancel = new QPushButton(tr("Отмена"), this);
    BtnCancel->setObjectName(QStringLiteral("BtnCancel"));
    BtnCancel->setGeometry(152, 69, 75, 25);
    // Enter is handled by the edit alone; no button is the dialog's default.
    BtnOK->setAutoDefault(false);
    BtnCancel->setAutoDefault(false);

    connect(BtnOK, &QPushButton::clicked, this, [this] { BtnOKClick(); });
    connect(BtnCancel, &QPushButton::clicked, this, [this] { BtnCancelClick(); });
    connect(Edit1, &QLineEdit::returnPressed, this, [this] {
        QChar key(13);
        Edit1KeyPress(key);
    });
}

TRenameForm::~TRenameForm()
{
    if (RenameForm == this)
        RenameForm = nullptr;
}

void TRenameForm::Edit1KeyPress(QChar& Key)
{
    if (Key == QChar(13))
        BtnOK->click();
}

void TRenameForm::BtnCancelClick()
{
    reject();
}

QString TRenameForm::NewFileName(const QString& typed, const QString& oldName)
{
    // An extension is the part from the last "." on, when that dot is in the last path element.
    auto extensionAt = [](const QString& s) {
        const qsizetype dot = s.lastIndexOf(QLatin1Char('.'));
        const qsizetype slash = s.lastIndexOf(QLatin1Char('/'));
        return dot > slash ? dot : qsizetype(-1);
    };
    const qsizetype typedDot = extensionAt(typed);
    const QString base = typedDot >= 0 ? typed.left(typedDot) : typed;
    const qsizetype oldDot = extensionAt(oldName);
    return base + (oldDot >= 0 ? oldName.mid(oldDot) : QString());
}

void TRenameForm::BtnOKClick()
{
    if (Edit1->text().isEmpty()) {
        ShowMessage(QStringLiteral("New name can not be blank!"));
        return;
    }
    TForm1* form = Form1;
    QTreeWidgetItem* row = nullptr;
    if (form && form->ListView1) {
        const QList<QTreeWidgetItem*> selected = form->ListView1->selectedItems();
        if (!selected.isEmpty())
            row = selected.first();
    }
    if (!row) {
        accept();
        return;
    }
    const QString folder = row->text(3);
    const QString oldName = row->text(0);
    QString newName = NewFileName(Edit1->text(), oldName);

    // The new name stays in the row's folder: a name with a separator (or none at all) is
    // refused like a name that already exists. QFile::rename never replaces an existing file.
    bool renamed = false;
    if (!newName.isEmpty() && !newName.contains(QLatin1Char('/')) && newName != oldName)
        renamed = QFile::rename(folder + oldName, folder + newName);
    if (!renamed)
        newName = oldName;

    row->setText(0, newName);
    form->SelectedFile = folder + newName;
    if (renamed) {
        // The window's own names of this file follow it, so that the tags can still be saved
        // and the playing file stays protected.
        const QString oldPath = folder + oldName;
        if (form->CurrentFile == oldPath)
            form->CurrentFile = folder + newName;
        if (form->PlayFileName == oldPath)
            form->PlayFileName = folder + newName;
    }
    accept();
}
