#pragma once

#include <QString>
#include "settings/TabDlg.h"

class QButtonGroup;
class QCheckBox;
class QLineEdit;
class SettingsStore;

// The "Data collection" page: how statistics are collected and which learning method adapts the
// difficulty. Its controls are the live values the modules read; the store sees them only on
// savePage.
class TabDataCollection : public TabDlg {
    Q_OBJECT
public:
    TabDataCollection(SettingsStore& store, QWidget* parent = nullptr);

    // The learning keys are never custom, so the prefix is ignored.
    void loadPage(const QString& prefix = {}) override;
    void savePage(const QString& prefix = {}) override;

    // SettingKeys::dataCollectionSend/Save/None, or 0 when none is selected.
    int dataCollectionState() const;
    // The "Averaging interval:" text as typed, and its integer value (0 when it is not a number).
    QString averagingText() const;
    int averagingMs() const;
    bool collectCoordinates() const;
    // SettingKeys::learningMethodClassical/Reinforcement/Experimental, or 0 when none is selected.
    int learningMethod() const;
    // "host[:port]" of the score server's page, trimmed.
    QString scoreServer() const;
    // The participant id in force: the field's text when it is a valid id, else the stored one.
    QString participantId() const;

    // 1 to 64 characters, none of them a control character, no blank at either end.
    static bool isValidParticipantId(const QString& id);
    // The stored participant id; one is made at random and stored when there is no valid one.
    static QString ensureParticipantId(SettingsStore& store);
    // The pinned certificate file of the score server, trimmed; empty for the system's roots.
    QString scoreServerCertificate() const;

private:
    void browseCertificate();

    QButtonGroup* states;
    QLineEdit* averagingEdit;
    QCheckBox* coordinatesBox;
    QButtonGroup* methods;
    QLineEdit* serverEdit;
    QLineEdit* participantEdit;
    QLineEdit* certificateEdit;
};
