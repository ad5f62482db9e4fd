#pragma once

#include <QDialog>

// A short description of the game and its keys.
class HelpDlg : public QDialog {
    Q_OBJECT
public:
    explicit HelpDlg(QWidget* parent = nullptr);
};
