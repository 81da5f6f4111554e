#pragma once
// The tip of the day: one line of tips.txt (a side file) at a time. Tips are the
// non-empty lines of the file, numbered from 1. setup.ini [tips] remembers the tip shown last
// (tipno) and whether the window opens at start-up (showtip); only the Close button stores
// them. Created anew at each opening and deleted when it closes.
#include <QDialog>
#include <QStringList>

class QCheckBox;
class QFrame;
class QLabel;
class QPushButton;
class QTextEdit;

class TTipForm : public QDialog {
    Q_OBJECT
public:
    explicit TTipForm(QWidget* parent = nullptr);
    ~TTipForm() override;

    QFrame* Bevel1 = nullptr;
    QFrame* Panel1 = nullptr;
    QLabel* Image1 = nullptr;
    QLabel* Label1 = nullptr;      // "Вы знаете ..."
    QTextEdit* RichEdit1 = nullptr;
    QCheckBox* CheckBox1 = nullptr;
    QPushButton* BtnNext = nullptr;
    QPushButton* BtnClose = nullptr;

    void FormCreate();
    void BtnNextClick();
    void BtnCloseClick();
    void FormClose();

    int CurrentTip() const { return current_; }   // number of the tip on show
    int TipCount() const { return count_; }

    // The tips of a file's text: its non-empty lines, a line of blanks included.
    static QStringList TipsOf(const QByteArray& text);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    // Reads tips.txt anew; false (after telling the user) when it cannot be read.
    bool readTips(QStringList& tips);

    int current_ = 0;
    int count_ = 0;
};
