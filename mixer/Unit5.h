#pragma once
#include <QDialog>

class TfrmAdv : public QDialog {
    Q_OBJECT
public:
    explicit TfrmAdv(QWidget* parent = nullptr);
    ~TfrmAdv() override;
};

extern TfrmAdv* frmAdv;
