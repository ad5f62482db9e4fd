#include "scores/BestScoreTable.h"

#include "scores/NameSource.h"
#include "settings/SettingsStore.h"

BestScoreTable::BestScoreTable(SettingsStore& store) : store(store) {
    clear();
}

void BestScoreTable::clear() {
    names.fill(QLatin1String(BestScores::emptyName));
    scores.fill(BestScores::emptyScore);
    uniqueNumbers.fill(BestScores::unsynchronized);
}

void BestScoreTable::load(int level, int difficultyIndex) {
    clear();
    const QString nameDefault = QLatin1String(SettingKeys::bestName.defaultText);
    const QString scoreDefault = QLatin1String(SettingKeys::bestScore.defaultText);
    const QString numberDefault = QLatin1String(SettingKeys::bestScoreUniqueNumber.defaultText);
    const SettingsStore::Batch batch(store);
    int p = 0;
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
            continue;
        }
        names[p] = name;
        scores[p] = score;
        uniqueNumbers[p] = SettingsStore::parseInt(store.read(numberKey, numberDefault));
        ++p;
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
