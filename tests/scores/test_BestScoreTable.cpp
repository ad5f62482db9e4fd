#include "support/TestMain.h"
#include "scores/BestScoreTable.h"
#include "scores/BestScoreTableSet.h"
#include "scores/NameDlg.h"
#include "settings/SettingsStore.h"

#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// Enters name and presses OK, remembering what the dialog showed.
struct Answer {
    QString name;
    bool ok = true;
    int calls = 0;
    int rank = 0;
    QString firstLine;

    NameDlg::Runner runner() {
        return [this](NameDlg& dlg) {
            ++calls;
            rank = dlg.rank();
            firstLine = dlg.firstLine();
            dlg.nameField()->setText(name);
            ok ? dlg.accept() : dlg.reject();
            return dlg.result();
        };
    }
};

void fill(BestScoreTable& table, std::initializer_list<int> scores) {
    int i = 0;
    for (int score : scores) {
        table.names[i] = QString("p%1").arg(i);
        table.scores[i] = score;
        table.uniqueNumbers[i] = 100 + i;
        ++i;
    }
}

void storePlace(SettingsStore& store, int level, int index, int place, const QString& name,
                const QString& score, const QString& number) {
    store.write(SettingKeys::bestNameKey(level, index, place), name);
    store.write(SettingKeys::bestScoreKey(level, index, place), score);
    store.write(SettingKeys::bestScoreUniqueNumberKey(level, index, place), number);
}

bool isEmptyFrom(const BestScoreTable& table, int first) {
    for (int i = first; i < BestScores::placeCount; ++i) {
        if (table.names[i] != "-" || table.scores[i] != -1 || table.uniqueNumbers[i] != -1) {
            return false;
        }
    }
    return true;
}

} // namespace

class TestBestScoreTable : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    QString path() const { return dir.filePath("s.ini"); }

private slots:
    void init() { QFile::remove(path()); }

    void aScoreEntersBelowEqualScoresAndPushesTheRestDown() {
        SettingsStore store(path());
        BestScoreTable table(store);
        fill(table, {80, 50, 20});
        Answer answer{"Ann"};
        table.nameDialog().setRunner(answer.runner());

        QVERIFY(table.offer(50));
        QCOMPARE(answer.rank, 3);
        QCOMPARE(answer.firstLine, QString("You placed 3-rd!"));
        QCOMPARE(table.scores[1], 50);
        QCOMPARE(table.names[1], QString("p1"));
        QCOMPARE(table.names[2], QString("Ann"));
        QCOMPARE(table.scores[2], 50);
        QCOMPARE(table.uniqueNumbers[2], -1);
        QCOMPARE(table.scores[3], 20);
        QCOMPARE(table.uniqueNumbers[3], 102);
        QVERIFY(isEmptyFrom(table, 4));
    }

    void aFullTableDropsItsLastPlaceAndIgnoresScoresNotAboveIt() {
        SettingsStore store(path());
        BestScoreTable table(store);
        fill(table, {100, 90, 80, 70, 60, 50, 40, 30, 20, 10});
        Answer answer{"Bo"};
        table.nameDialog().setRunner(answer.runner());

        QVERIFY(!table.offer(10));
        QCOMPARE(answer.calls, 0);
        QVERIFY(table.offer(11));
        QCOMPARE(answer.firstLine, QString("You placed 10-th!"));
        QCOMPARE(table.scores[9], 11);
        QVERIFY(table.offer(65));
        QCOMPARE(answer.firstLine, QString("You placed 5-th!"));
        QCOMPARE(table.scores[4], 65);
        QCOMPARE(table.scores[5], 60);
        QCOMPARE(table.scores[9], 20);
    }

    void zeroEntersAnEmptyTableButANegativeScoreDoesNot() {
        SettingsStore store(path());
        BestScoreTable table(store);
        Answer answer{"Cy"};
        table.nameDialog().setRunner(answer.runner());
        int applause = 0;

        QVERIFY(!table.offer(-5, [&] { ++applause; }));
        QCOMPARE(answer.calls, 0);
        QCOMPARE(applause, 0);
        QVERIFY(table.offer(0, [&] { ++applause; }));
        QCOMPARE(answer.firstLine, QString("You placed 1-st!"));
        QCOMPARE(applause, 1);
        QCOMPARE(table.scores[0], 0);
        QVERIFY(isEmptyFrom(table, 1));
    }

    void cancelLeavesTheTableAndTheStoreUnchanged() {
        SettingsStore store(path());
        store.write("Player Name", "Dee");
        BestScoreTableSet set(store);
        set.loadAll();
        const QByteArray before = [&] {
            QFile f(path());
            return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
        }();
        Answer answer{"Someone", false};
        set.table(2, 3)->nameDialog().setRunner(answer.runner());

        QVERIFY(!set.offerScore(2, 3, 500));
        QCOMPARE(answer.calls, 1);
        QVERIFY(isEmptyFrom(*set.table(2, 3), 0));
        QFile after(path());
        QVERIFY(after.open(QIODevice::ReadOnly));
        QCOMPARE(after.readAll(), before);
        QCOMPARE(NameDlg::currentName(), QString("Dee"));
    }

    void anAcceptedScoreIsStoredAndReadBackOnTheNextRun() {
        const QString longName(300, u'x');
        {
            SettingsStore store(path());
            BestScoreTableSet set(store);
            set.loadAll();
            Answer answer{longName};
            set.table(3, 7)->nameDialog().setRunner(answer.runner());
            QVERIFY(set.offerScore(3, 7, 1234));
            QCOMPARE(store.read("Best Score 3-7-0", ""), QString("1234"));
            QCOMPARE(store.read("Best Score Unique Number 3-7-0", ""), QString("-1"));
            QCOMPARE(store.read("Best Name 3-7-1", ""), QString("-"));
            QCOMPARE(store.read("Player Name", ""), longName);
        }
        SettingsStore store(path());
        BestScoreTableSet set(store);
        set.loadAll();
        QCOMPARE(set.table(3, 7)->names[0], longName.left(255));
        QCOMPARE(set.table(3, 7)->scores[0], 1234);
        QVERIFY(isEmptyFrom(*set.table(3, 7), 1));
    }

    void damagedScoresAreRemovedAndTheLaterPlacesMoveUp() {
        SettingsStore store(path());
        store.write("Version", "173");
        storePlace(store, 3, 7, 0, "A", "70", "5");
        storePlace(store, 3, 7, 1, "B", "20000000", "6");
        storePlace(store, 3, 7, 2, "C", "30", "7");
        storePlace(store, 3, 7, 3, "D", "16777215", "8");
        BestScoreTableSet set(store);
        set.loadAll();

        const BestScoreTable& t = *set.table(3, 7);
        QCOMPARE(t.scores[0], 70);
        QCOMPARE(t.names[1], QString("C"));
        QCOMPARE(t.scores[1], 30);
        QCOMPARE(t.uniqueNumbers[1], 7);
        QCOMPARE(t.scores[2], 16777215);
        QVERIFY(isEmptyFrom(t, 3));
        QCOMPARE(store.read("Best Name 3-7-1", "gone"), QString("gone"));
        QCOMPARE(store.read("Best Score 3-7-1", "gone"), QString("gone"));
        QCOMPARE(store.read("Best Score Unique Number 3-7-1", "gone"), QString("gone"));
        QCOMPARE(store.read("Best Score 3-7-2", ""), QString("30"));
    }

    void missingAndOddValuesReadAsSafeDefaults() {
        SettingsStore store(path());
        store.write("Version", "173");
        store.write("Best Score 0-0-0", "42");
        store.write("Best Name 0-0-1", QString(400, u'n'));
        store.write("Best Score 0-0-1", "abc");
        store.write("Best Score Unique Number 0-0-1", "9x");
        store.write("Best Score 0-0-2", "-99999999999");
        BestScoreTableSet set(store);
        set.loadAll();

        const BestScoreTable& t = *set.table(0, 0);
        QCOMPARE(t.names[0], QString("-"));
        QCOMPARE(t.scores[0], 42);
        QCOMPARE(t.uniqueNumbers[0], -1);
        QCOMPARE(t.names[1].size(), 255);
        QCOMPARE(t.scores[1], 0);
        QCOMPARE(t.uniqueNumbers[1], 9);
        QVERIFY(t.scores[2] < 0);
        QVERIFY(isEmptyFrom(t, 3));
    }

    void anotherLayoutIsIgnoredOnceAndReadFromTheSecondRun() {
        {
            SettingsStore store(path());
            storePlace(store, 10, 11, 0, "Old", "900", "3");
            BestScoreTableSet set(store);
            set.loadAll();
            QVERIFY(isEmptyFrom(*set.table(10, 11), 0));
            QCOMPARE(store.read("Version", ""), QString("173"));
            QCOMPARE(store.read("Best Score 10-11-0", ""), QString("900"));
        }
        SettingsStore store(path());
        BestScoreTableSet set(store);
        set.loadAll();
        QCOMPARE(set.table(10, 11)->names[0], QString("Old"));
        QCOMPARE(set.table(10, 11)->scores[0], 900);

        store.write("Version", "150");
        BestScoreTableSet older(store);
        older.loadAll();
        QVERIFY(isEmptyFrom(*older.table(10, 11), 0));
    }

    void tablesOutsideTheLevelsAndDifficultiesAreNeverOffered() {
        QCOMPARE(BestScoreTableSet::difficultyIndex(-1, true), -1);
        QCOMPARE(BestScoreTableSet::difficultyIndex(6, false), -1);
        QCOMPARE(BestScoreTableSet::difficultyIndex(5, true), 11);
        QCOMPARE(BestScoreTableSet::tableNumber(10, 11), 131);
        QCOMPARE(BestScoreTableSet::tableNumber(1, 0), 12);

        SettingsStore store(path());
        BestScoreTableSet set(store);
        set.loadAll();
        Answer answer{"Eve"};
        for (int n = 0; n < BestScores::tableCount; ++n) {
            set.table(n)->nameDialog().setRunner(answer.runner());
        }
        QVERIFY(set.table(11, 0) == nullptr);
        QVERIFY(set.table(132) == nullptr);
        QVERIFY(!set.offerScore(0, -1, 100));
        QVERIFY(!set.offerScore(0, 12, 100));
        QVERIFY(!set.offerScore(-1, 0, 100));
        QVERIFY(!set.offerScore(11, 0, 100));
        QCOMPARE(answer.calls, 0);
        for (int n = 0; n < BestScores::tableCount; ++n) {
            QVERIFY(isEmptyFrom(*set.table(n), 0));
        }
        const QStringList written = [&] {
            QSettings raw(path(), QSettings::IniFormat);
            return raw.allKeys();
        }();
        QCOMPARE(written, QStringList{"Vazazo/Version"});
    }
};

VAZAZO_TEST(TestBestScoreTable)
#include "test_BestScoreTable.moc"
