#pragma once

#include "net/ProgressLines.h"

#include <QDialog>

#include <array>

class QLabel;

// "Connecting to Internet..": three lines of status while an exchange with the server runs. The
// window thread is blocked meanwhile, so each change is painted at once.
class InternetDlg : public QDialog, public ProgressLines {
    Q_OBJECT
public:
    explicit InternetDlg(QWidget* parent = nullptr);

    // Fills the first empty line; when all three are taken, scrolls them up by one.
    void addLine(const QString& text) override;
    // The last non-empty line.
    void replaceLastLine(const QString& text) override;

    QString line(int index) const { return lines.at(index); }

private:
    void showLine(int index);

    std::array<QString, 3> lines;
    std::array<QLabel*, 3> labels{};
};
