#pragma once

#include <QDialog>

class QLabel;

// "About Vazazo": the version and the time and date of the build.
class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    explicit CAboutDlg(QWidget* parent = nullptr);

    static QString versionText();
    static QString buildText();

private:
    QLabel* version;
    QLabel* build;
};
