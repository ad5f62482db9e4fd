#pragma once

#include "scores/NameSource.h"

#include <QDialog>
#include <QFont>
#include <QString>

#include <functional>

class QDialogButtonBox;
class QLineEdit;
class SettingsStore;

// Asks for a player's name when a score enters a best-score table, or for the group name.
class NameDlg : public QDialog, public NameSource {
    Q_OBJECT
public:
    // Runs a prepared dialog and gives QDialog::Accepted or Rejected; exec() when none is set.
    using Runner = std::function<int(NameDlg&)>;

    // Sets the current name from "Player Name", as every construction does.
    explicit NameDlg(SettingsStore& store, QWidget* parent = nullptr);

    // The one name shared by all name dialogs: the last accepted text is proposed next time.
    static QString currentName();
    static void setCurrentName(const QString& name);

    int rank() const { return placeRank; }
    void setRank(int rank) { placeRank = rank; }
    bool playerMode() const { return isPlayerMode; }
    void setPlayerMode(bool on) { isPlayerMode = on; }

    // "You placed 1-st!", "You placed 2-nd!", "You placed 3-rd!", "You placed 4-th!", ...
    static QString placedText(int rank);
    QString firstLine() const;
    QString secondLine() const;
    // Times New Roman, scaled from this window's default font.
    QFont lineFont() const;

    QLineEdit* nameField() const { return field; }
    void setRunner(Runner runner) { run = std::move(runner); }

    // Fills the field and the title for the mode, then runs the dialog modally.
    int ask();
    // In player mode for the rank: the accepted name, which is also stored as "Player Name".
    std::optional<QString> askPlayerName(int rank) override;

    // "Set group name": on OK groupName takes the entered text, stored under "Player's Name".
    static bool askGroupName(SettingsStore& store, QString& groupName, QWidget* parent = nullptr,
                             const Runner& runner = {});

    void setVisible(bool visible) override;

public slots:
    void accept() override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void prepare();
    void layOut();

    SettingsStore& store;
    QLineEdit* field;
    QDialogButtonBox* buttons = nullptr;
    Runner run;
    int placeRank = 1;
    bool isPlayerMode = true;
};
