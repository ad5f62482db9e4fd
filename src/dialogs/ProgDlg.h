#pragma once

#include <QDialog>

class QProgressBar;

// The "Please wait.." window shown while textures and sounds load. It has no buttons and cannot be
// closed by the user; its owner destroys it when the task ends.
class ProgDlg : public QDialog {
    Q_OBJECT
public:
    explicit ProgDlg(QWidget* parent = nullptr);

    void setRange(int lower, int upper);
    // Positions outside the range stop at its ends.
    void setPos(int pos);
    void setStep(int step);
    // Advances the bar by the step, 1 unless set.
    void stepIt();

    int lower() const;
    int upper() const;
    int pos() const;

public slots:
    // Escape would hide the window; the task decides when it goes.
    void reject() override {}

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void showNow();

    QProgressBar* bar;
    int step = 1;
};
