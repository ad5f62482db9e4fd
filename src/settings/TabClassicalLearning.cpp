#include "settings/TabClassicalLearning.h"

#include "dialogs/DialogUnits.h"
#include "settings/LSettingsDlgRadios.h"
#include "settings/SettingsStore.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QVBoxLayout>

#include <cmath>

namespace {
constexpr int widthDu = 269;
constexpr int heightDu = 202;
constexpr int thresholdEditWidthDu = 50;
constexpr int measureIndentDu = 10;

constexpr std::array<const SettingKeys::Entry*, TabClassicalLearning::thresholdCount> thresholdEntries{
    &SettingKeys::classicalLearningPM1Lower,
    &SettingKeys::classicalLearningPM1Upper,
    &SettingKeys::classicalLearningPM2Lower,
    &SettingKeys::classicalLearningPM2Upper,
};
constexpr std::array<const char*, TabClassicalLearning::thresholdCount> editNames{
    "pm1Lower",
    "pm1Upper",
    "pm2Lower",
    "pm2Upper",
};

bool isDigit(QChar c) {
    return c >= u'0' && c <= u'9';
}
} // namespace

TabClassicalLearning::TabClassicalLearning(SettingsStore& store, QWidget* parent)
    : TabDlg(store, parent), measures(new QButtonGroup(this)) {
    setMinimumSize(DialogUnits::toPixels(widthDu, heightDu, font()));
    const int editWidth = DialogUnits::toPixels(thresholdEditWidthDu, 0, font()).width();
    const int indent = DialogUnits::toPixels(measureIndentDu, 0, font()).width();
    for (int i = 0; i < thresholdCount; ++i) {
        edits[i] = new QLineEdit(this);
        edits[i]->setObjectName(editNames[i]);
        edits[i]->setFixedWidth(editWidth);
    }
    // Lower and upper threshold of one measure, side by side.
    const auto thresholdRow = [&](Threshold lower, Threshold upper) {
        auto* grid = new QGridLayout;
        grid->setContentsMargins(indent, 0, 0, 0);
        grid->addWidget(new QLabel("Lower threshold:"), 0, 0);
        grid->addWidget(edit(lower), 0, 1);
        grid->addWidget(new QLabel("Upper threshold:"), 0, 2);
        grid->addWidget(edit(upper), 0, 3);
        grid->setColumnStretch(4, 1);
        return grid;
    };

    auto* layout = new QVBoxLayout(this);
    auto* missedLabel = new QLabel("Measure that counts number of missed targets and destroyed paddles:");
    missedLabel->setWordWrap(true);
    layout->addWidget(missedLabel);
    layout->addLayout(thresholdRow(Threshold::PM1Lower, Threshold::PM1Upper));
    layout->addSpacing(indent);

    layout->addWidget(new QLabel("Measure that uses"));
    auto* choices = new QVBoxLayout;
    choices->setContentsMargins(indent, 0, 0, 0);
    const auto addMeasure = [&](const char* text, int code) {
        auto* radio = new QRadioButton(text);
        choices->addWidget(radio);
        measures->addButton(radio, code);
    };
    addMeasure("distance travelled by the target", SettingKeys::classicalMeasureDistance);
    addMeasure("time for which target lived", SettingKeys::classicalMeasureTime);
    layout->addLayout(choices);
    layout->addLayout(thresholdRow(Threshold::PM2Lower, Threshold::PM2Upper));
    layout->addStretch();

    loadPage();
}

void TabClassicalLearning::loadPage(const QString&) {
    LSettingsDlgRadios::select(*measures, store().readCode(SettingKeys::classicalLearningDistanceTime));
    for (int i = 0; i < thresholdCount; ++i) {
        edits[i]->setText(store().readText(*thresholdEntries[i]));
    }
}

void TabClassicalLearning::savePage(const QString&) {
    const SettingsStore::Batch batch(store());
    store().writeInt(SettingKeys::classicalLearningDistanceTime, measureChoice());
    for (int i = 0; i < thresholdCount; ++i) {
        store().write(QLatin1String(thresholdEntries[i]->key), edits[i]->text());
    }
}

int TabClassicalLearning::measureChoice() const {
    return LSettingsDlgRadios::selected(*measures);
}

bool TabClassicalLearning::useDistance() const {
    return measureChoice() == SettingKeys::classicalMeasureDistance;
}

QString TabClassicalLearning::thresholdText(Threshold which) const {
    return edit(which)->text();
}

double TabClassicalLearning::threshold(Threshold which) const {
    return parseDouble(edit(which)->text());
}

double TabClassicalLearning::parseDouble(QStringView text) {
    const qsizetype size = text.size();
    qsizetype i = 0;
    while (i < size && (text[i] == u' ' || text[i] == u'\t' || text[i] == u'\n' || text[i] == u'\r' ||
                        text[i] == u'\v' || text[i] == u'\f')) {
        ++i;
    }
    const qsizetype start = i;
    if (i < size && (text[i] == u'+' || text[i] == u'-')) {
        ++i;
    }
    qsizetype digits = 0;
    for (; i < size && isDigit(text[i]); ++i) {
        ++digits;
    }
    if (i < size && text[i] == u'.') {
        ++i;
        for (; i < size && isDigit(text[i]); ++i) {
            ++digits;
        }
    }
    if (digits == 0) {
        return 0.0;
    }
    qsizetype end = i;
    // An exponent counts only when digits follow it; "2e" reads as 2.
    if (i < size && (text[i] == u'e' || text[i] == u'E')) {
        ++i;
        if (i < size && (text[i] == u'+' || text[i] == u'-')) {
            ++i;
        }
        if (i < size && isDigit(text[i])) {
            while (i < size && isDigit(text[i])) {
                ++i;
            }
            end = i;
        }
    }
    // The C locale's conversion: the decimal point is always '.', whatever the user's locale.
    bool ok = false;
    const double value = text.sliced(start, end - start).toDouble(&ok);
    return ok || std::isinf(value) ? value : 0.0;
}
