#pragma once
// The about box: name and version from support.ini [about] (programname, versionname,
// homepage; each optional), the home-page and support links. Created anew at each opening and
// deleted when it closes.
#include <QDialog>

class QLabel;
class QPushButton;
class TLinkLabel;

class TAboutBox : public QDialog {
    Q_OBJECT
public:
    explicit TAboutBox(QWidget* parent = nullptr);
    ~TAboutBox() override;

    QLabel* ProgramIcon = nullptr;
    QLabel* Label1 = nullptr;       // programname + " " + versionname
    QLabel* Label2 = nullptr;       // "Версия"
    QLabel* Label3 = nullptr;       // versionname
    QLabel* Label4 = nullptr;       // "Домашняя страница"
    TLinkLabel* Label5 = nullptr;   // homepage
    QLabel* Label6 = nullptr;       // "Technology Support"
    TLinkLabel* Label7 = nullptr;   // "Technology Support"
    QLabel* Notice = nullptr;
    QPushButton* BtnClose = nullptr;

    void FormCreate();
    void Label5Click();
    void Label7Click();
    void BtnCloseClick();
    void FormClose();

protected:
    void closeEvent(QCloseEvent* event) override;
};
