#pragma once

#include <QDialog>
#include <QString>
#include <QStringList>

class QListWidget;

// Asks which object is used to play: "mouse" or one of the lines of a text file, sorted without
// regard to letter case. The caller keeps the last confirmed index and hands it in.
class ObjectsDlg : public QDialog {
    Q_OBJECT
public:
    // A missing file is logged and leaves "mouse" alone; storedIndex outside the list selects nothing.
    explicit ObjectsDlg(int storedIndex, const QString& fileName = "objects.txt", QWidget* parent = nullptr);

    QStringList entries() const;

    // The chosen entry once confirmed; Escape leaves the stored index and "none".
    int selectedIndex = -1;
    QString selectedName = "none";

public slots:
    void accept() override;

private:
    QListWidget* list;
};
