#pragma once

#include "net/ProgressLines.h"

#include <QDialog>

#include <QPointer>

#include <array>
#include <memory>
#include <vector>

class QLabel;
class QPushButton;

// "Connecting to Internet..": three lines of status while an exchange with the server runs, and a
// Cancel button. The window thread is blocked meanwhile, so each change is painted at once, and the
// exchange asks cancelRequested between its short waits, which is when Cancel can be clicked.
class InternetDlg : public QDialog, public ProgressLines {
    Q_OBJECT
public:
    explicit InternetDlg(QWidget* parent = nullptr);

    // Fills the first empty line; when all three are taken, scrolls them up by one.
    void addLine(const QString& text) override;
    // The last non-empty line.
    void replaceLastLine(const QString& text) override;
    // Handles what is pending for this window only: input for other windows is dropped and window
    // messages wait until the window goes, so the game does not run on inside the exchange.
    bool cancelRequested() override;
    ~InternetDlg() override;

    QString line(int index) const { return lines.at(index); }

protected:
    // Escape cancels the exchange; the window stays until the exchange ends.
    void reject() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void showLine(int index);

    struct Deferred {
        QPointer<QObject> receiver;
        int message;
        std::intptr_t wParam;
        std::intptr_t lParam;
        QString text;
    };
    std::vector<Deferred> deferred;
    bool cancelled = false;
    QPushButton* cancelButton = nullptr;

    std::array<QString, 3> lines;
    std::array<QLabel*, 3> labels{};
};
