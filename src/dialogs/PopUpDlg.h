#pragma once

#include <QDialog>
#include <QString>

class QLabel;

// A small window of instructions shown beside the thermometers.
class PopUpDlg : public QDialog {
    Q_OBJECT
public:
    explicit PopUpDlg(QWidget* parent = nullptr);

    void setText(const QString& text);
    QString text() const;

private:
    QLabel* label;
};
