#pragma once

#include <QString>
#include <QStringView>
#include "settings/TabDlg.h"

#include <array>

class QButtonGroup;
class QLineEdit;
class SettingsStore;

// The "Classical Learning" page: the thresholds of the classical method's two measures and which
// second measure it uses. Its controls are the live values the method reads.
class TabClassicalLearning : public TabDlg {
    Q_OBJECT
public:
    // In the order they are stored.
    enum class Threshold { PM1Lower, PM1Upper, PM2Lower, PM2Upper };
    static constexpr int thresholdCount = 4;

    TabClassicalLearning(SettingsStore& store, QWidget* parent = nullptr);

    // The learning keys are never custom, so the prefix is ignored.
    void loadPage(const QString& prefix = {}) override;
    void savePage(const QString& prefix = {}) override;

    // SettingKeys::classicalMeasureDistance/Time, or 0 when none is selected.
    int measureChoice() const;
    // Only the distance choice counts as distance; none selected means time.
    bool useDistance() const;
    QString thresholdText(Threshold which) const;
    double threshold(Threshold which) const;

    // The numeric prefix of the text as a double: leading blanks, sign, digits, one decimal point
    // and an exponent; 0 when there is no number.
    static double parseDouble(QStringView text);

private:
    QLineEdit* edit(Threshold which) const { return edits[static_cast<int>(which)]; }

    QButtonGroup* measures;
    std::array<QLineEdit*, thresholdCount> edits{};
};
