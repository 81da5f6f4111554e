#pragma once
#include <QDialog>

class TfrmRecFlt : public QDialog {
    Q_OBJECT
public:
    explicit TfrmRecFlt(QWidget* parent = nullptr);
    ~TfrmRecFlt() override;
};

extern TfrmRecFlt* frmRecFlt;
