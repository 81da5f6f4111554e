#pragma once
#include <QDialog>

class TfrmEQ : public QDialog {
    Q_OBJECT
public:
    explicit TfrmEQ(QWidget* parent = nullptr);
    ~TfrmEQ() override;
};

extern TfrmEQ* frmEQ;
