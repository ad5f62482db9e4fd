#include "scores/BestScoreTable.h"

#include "core/Log.h"
#include "scores/NameSource.h"
#include "settings/SettingsStore.h"

#include <QChar>

BestScoreTable::BestScoreTable(SettingsStore& store) : store(store) {
    clear();
}

void BestScoreTable::clear() {
    names.fill(QLatin1String(BestScores::emptyName));
    scores.fill(BestScores::emptyScore);
    uniqueNumbers.fill(BestScores::unsynchronized);
}

std::optional<QString> BestScoreTable::fault(const Names& names, const Numbers& scores, const Numbers& uniqueNumbers) {
    using namespace BestScores;
    for (int i = 0; i < placeCount; ++i) {
        const QString place = QString("place %1").arg(i + 1);
        if (scores[i] < emptyScore || scores[i] > maxScore) {
            return QString("%1 has the score %2").arg(place).arg(scores[i]);
        }
        if (i > 0 && scores[i] > scores[i - 1]) {
            return QString("%1 (%2) is above place %3 (%4)").arg(place).arg(scores[i]).arg(i).arg(scores[i - 1]);
        }
        if (uniqueNumbers[i] < unsynchronized) {
            return QString("%1 has the number %2").arg(place).arg(uniqueNumbers[i]);
        }
        if (scores[i] == emptyScore && (names[i] != QLatin1String(emptyName) || uniqueNumbers[i] != unsynchronized)) {
            return place + " is empty yet holds a name or a number";
        }
        if (names[i].size() > maxNameLength) {
            return QString("%1 has a name of %2 characters").arg(place).arg(names[i].size());
        }
        for (const char32_t c : names[i].toUcs4()) {
            if (!QChar::isPrint(c)) {
                return QString("%1 has a name with the character U+%2").arg(place).arg(uint(c), 4, 16, QChar('0'));
            }
        }
    }
    return std::nullopt;
}

void BestScoreTable::load(int level, int difficultyIndex) {
    clear();
    const QString nameDefault = QLatin1String(SettingKeys::bestName.defaultText);
    const QString scoreDefault = QLatin1String(SettingKeys::bestScore.defaultText);
    const QString numberDefault = QLatin1String(SettingKeys::bestScoreUniqueNumber.defaultText);
    const SettingsStore::Batch batch(store);
    int p = 0;
    bool dropped = false;
    for (int i = 0; i < BestScores::placeCount; ++i) {
        const QString nameKey = SettingKeys::bestNameKey(level, difficultyIndex, i);
        const QString scoreKey = SettingKeys::bestScoreKey(level, difficultyIndex, i);
        const QString numberKey = SettingKeys::bestScoreUniqueNumberKey(level, difficultyIndex, i);
        const QString name = store.read(nameKey, nameDefault).left(BestScores::maxNameLength);
        const int score = SettingsStore::parseInt(store.read(scoreKey, scoreDefault));
        if (score > BestScores::maxScore) {
            store.remove(nameKey);
            store.remove(scoreKey);
            store.remove(numberKey);
            dropped = true;
            continue;
        }
        names[p] = name;
        scores[p] = score;
        uniqueNumbers[p] = SettingsStore::parseInt(store.read(numberKey, numberDefault));
        ++p;
    }
    if (const std::optional<QString> problem = fault(names, scores, uniqueNumbers)) {
        appendLog(QString("Best-score table %1-%2 in the settings store was not read: %3.")
                      .arg(level)
                      .arg(difficultyIndex)
                      .arg(*problem));
        clear();
        return;
    }
    if (dropped) {
        // Re-read before every offer, the gap would come back as an empty place mid-table.
        save(level, difficultyIndex);
    }
}

void BestScoreTable::save(int level, int difficultyIndex) const {
    const SettingsStore::Batch batch(store);
    for (int i = 0; i < BestScores::placeCount; ++i) {
        store.write(SettingKeys::bestNameKey(level, difficultyIndex, i), names[i]);
        store.write(SettingKeys::bestScoreKey(level, difficultyIndex, i),
                    SettingsStore::formatInt(scores[i]));
        store.write(SettingKeys::bestScoreUniqueNumberKey(level, difficultyIndex, i),
                    SettingsStore::formatInt(uniqueNumbers[i]));
    }
}

int BestScoreTable::placeFor(int score) const {
    for (int i = 0; i < BestScores::placeCount; ++i) {
        if (scores[i] < score) {
            return i;
        }
    }
    return -1;
}

bool BestScoreTable::offer(int score, NameSource& nameSource, const std::function<void()>& playApplause) {
    const int place = placeFor(score);
    if (place < 0) {
        return false;
    }
    // The sound effects hand in the applause here.
    if (playApplause) {
        playApplause();
    }
    const std::optional<QString> name = nameSource.askPlayerName(place + 1);
    if (!name) {
        return false;
    }
    for (int i = BestScores::placeCount - 1; i > place; --i) {
        names[i] = names[i - 1];
        scores[i] = scores[i - 1];
        uniqueNumbers[i] = uniqueNumbers[i - 1];
    }
    names[place] = name->left(BestScores::maxNameLength);
    scores[place] = score;
    uniqueNumbers[place] = BestScores::unsynchronized;
    return true;
}
