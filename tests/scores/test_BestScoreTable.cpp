#include "support/TestMain.h"
#include "scores/BestScoreTableSet.h"
#include "scores/NameSource.h"
#include "settings/SettingsStore.h"

#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// Answers every question with name (nothing: cancelled) and remembers the ranks asked for.
struct NameRecorder : NameSource {
    explicit NameRecorder(std::optional<QString> name) : name(std::move(name)) {}
    std::optional<QString> askPlayerName(int rank) override {
        ranks << rank;
        return name;
    }
    std::optional<QString> name;
    QList<int> ranks;
};

void storePlace(SettingsStore& store, int level, int index, int place, const QString& name,
                const QString& score, const QString& number) {
    store.write(SettingKeys::bestNameKey(level, index, place), name);
    store.write(SettingKeys::bestScoreKey(level, index, place), score);
    store.write(SettingKeys::bestScoreUniqueNumberKey(level, index, place), number);
}

QList<int> scores(const BestScoreTable& table) {
    return QList<int>(table.scores.begin(), table.scores.end());
}

const QList<int> noScores(BestScores::placeCount, -1);

QByteArray fileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestBestScoreTable : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    QString path() const { return dir.filePath("s.ini"); }

private slots:
    void init() { QFile::remove(path()); }

    void aScoreEntersBelowEqualScoresAndPushesTheRestDown_data() {
        QTest::addColumn<QList<int>>("before");
        QTest::addColumn<int>("score");
        QTest::addColumn<int>("rank");
        QTest::addColumn<QList<int>>("after");
        const QList<int> full{100, 90, 80, 70, 60, 50, 40, 30, 20, 10};
        QTest::newRow("below an equal score")
            << QList<int>{80, 50, 20} << 50 << 3 << QList<int>{80, 50, 50, 20};
        QTest::newRow("last place drops out") << full << 65 << 5
                                              << QList<int>{100, 90, 80, 70, 65, 60, 50, 40, 30, 20};
        QTest::newRow("into the tenth place") << full << 11 << 10
                                              << QList<int>{100, 90, 80, 70, 60, 50, 40, 30, 20, 11};
        QTest::newRow("not above the last") << full << 10 << 0 << full;
        QTest::newRow("zero into an empty table") << QList<int>{} << 0 << 1 << QList<int>{0};
        QTest::newRow("negative into an empty table") << QList<int>{} << -5 << 0 << QList<int>{};
    }
    void aScoreEntersBelowEqualScoresAndPushesTheRestDown() {
        QFETCH(QList<int>, before);
        QFETCH(int, score);
        QFETCH(int, rank);
        QFETCH(QList<int>, after);
        SettingsStore store(path());
        BestScoreTable table(store);
        for (int i = 0; i < before.size(); ++i) {
            table.names[i] = QString("p%1").arg(i);
            table.scores[i] = before[i];
            table.uniqueNumbers[i] = 100 + i;
        }
        NameRecorder names(QString(300, u'x'));
        int applause = 0;
        QCOMPARE(table.offer(score, names, [&] { ++applause; }), rank > 0);
        QCOMPARE(names.ranks, rank > 0 ? QList<int>{rank} : QList<int>{});
        QCOMPARE(applause, int(names.ranks.size()));
        after.resize(BestScores::placeCount, -1);
        QCOMPARE(scores(table), after);
        // The new name is cut to 255 characters; the one pushed down keeps its name and number.
        QVERIFY(rank == 0 ||
                (table.names[rank - 1] == QString(255, u'x') && table.uniqueNumbers[rank - 1] == -1));
        QVERIFY(rank == 0 || rank >= before.size() ||
                (table.names[rank] == QString("p%1").arg(rank - 1) &&
                 table.uniqueNumbers[rank] == 100 + rank - 1));
    }

    void anAcceptedScoreIsStoredInOneRewriteAndReadOnTheNextRun() {
        {
            SettingsStore store(path());
            BestScoreTableSet set(store);
            set.loadAll();
            // A cancelled name leaves the table and the store as they were.
            const QByteArray before = fileBytes(path());
            NameRecorder cancel(std::nullopt);
            QVERIFY(!set.offerScore(3, 7, 1234, cancel));
            QCOMPARE(cancel.ranks, QList<int>{1});
            QCOMPARE(scores(*set.table(3, 7)), noScores);
            QCOMPARE(fileBytes(path()), before);

            NameRecorder names(QString("Ann"));
            const int rewrites = store.diskWrites();
            QVERIFY(set.offerScore(3, 7, 1234, names));
            QCOMPARE(store.diskWrites() - rewrites, 1);
            QVERIFY(store.read("Best Score Unique Number 3-7-0", "") == "-1" &&
                    store.read("Best Name 3-7-1", "") == "-");
        }
        SettingsStore store(path());
        BestScoreTableSet set(store);
        set.loadAll();
        QCOMPARE(set.table(3, 7)->names[0], QString("Ann"));
        QCOMPARE(scores(*set.table(3, 7)).mid(0, 2), (QList<int>{1234, -1}));
        const int rewrites = store.diskWrites();
        set.saveAll();
        QCOMPARE(store.diskWrites() - rewrites, 1);
    }

    void damagedAndOddStoredPlacesAreReadSafely() {
        SettingsStore store(path());
        store.write("Version", "173");
        storePlace(store, 3, 7, 0, "A", "70", "5");
        storePlace(store, 3, 7, 1, "B", "20000000", "6");
        storePlace(store, 3, 7, 2, QString(400, u'n'), "30", "9x");
        storePlace(store, 3, 7, 3, "D", "16777215", "8");
        store.write("Best Score 3-7-4", "abc");
        BestScoreTableSet set(store);
        const int rewrites = store.diskWrites();
        set.loadAll();
        // The version and the removal of the damaged place reach the disk together.
        QCOMPARE(store.diskWrites() - rewrites, 1);
        const BestScoreTable& t = *set.table(3, 7);
        QCOMPARE(scores(t), (QList<int>{70, 30, 16777215, 0, -1, -1, -1, -1, -1, -1}));
        QVERIFY(t.names[1].size() == 255 && t.uniqueNumbers[1] == 9 && t.names[3] == "-");
        QVERIFY(store.read("Best Name 3-7-1", "gone") == "gone" &&
                store.read("Best Score Unique Number 3-7-1", "gone") == "gone");
        QCOMPARE(store.read("Best Score 3-7-2", ""), QString("30"));
    }

    void anotherLayoutIsIgnoredOnceAndReadFromTheSecondRun() {
        {
            SettingsStore store(path());
            storePlace(store, 10, 11, 0, "Old", "900", "3");
            storePlace(store, 10, 10, 0, "Old", "900", "3");
            BestScoreTableSet set(store);
            set.loadAll();
            QCOMPARE(scores(*set.table(10, 11)), noScores);
            QCOMPARE(store.read("Version", ""), QString("173"));
            // Offered to the table as this run read it, not to the stale entry.
            NameRecorder names(QString("New"));
            QVERIFY(set.offerScore(10, 10, 5, names));
            QCOMPARE(names.ranks, QList<int>{1});
            QCOMPARE(scores(*set.table(10, 10)).mid(0, 2), (QList<int>{5, -1}));
        }
        SettingsStore store(path());
        BestScoreTableSet set(store);
        set.loadAll();
        QCOMPARE(set.table(10, 11)->names[0], QString("Old"));
        QCOMPARE(set.table(10, 10)->names[0], QString("New"));
    }

    // Each copy of the game read the tables at its start; saving rewrites a whole table.
    void twoCopiesOfTheGameKeepEachOthersScores() {
        SettingsStore firstStore(path());
        BestScoreTableSet first(firstStore);
        first.loadAll();
        SettingsStore secondStore(path());
        BestScoreTableSet second(secondStore);
        second.loadAll();

        NameRecorder ann(QString("Ann"));
        QVERIFY(first.offerScore(1, 2, 300, ann));
        NameRecorder bob(QString("Bob"));
        NameRecorder cy(QString("Cy"));
        QVERIFY(second.offerScore(1, 2, 200, bob) && first.offerScore(1, 2, 250, cy));
        QCOMPARE(bob.ranks + cy.ranks, (QList<int>{2, 2}));

        SettingsStore reader(path());
        BestScoreTableSet stored(reader);
        stored.loadAll();
        QCOMPARE(scores(*stored.table(1, 2)).mid(0, 4), (QList<int>{300, 250, 200, -1}));
        QCOMPARE(stored.table(1, 2)->names[2], QString("Bob"));
    }

    void tablesOutsideTheLevelsAndDifficultiesAreNeverOffered() {
        QCOMPARE(BestScoreTableSet::difficultyIndex(-1, true), -1);
        QCOMPARE(BestScoreTableSet::difficultyIndex(5, true), 11);
        QCOMPARE(BestScoreTableSet::tableNumber(1, 11), 23);
        SettingsStore store(path());
        BestScoreTableSet set(store);
        set.loadAll();
        NameRecorder names(QString("Eve"));
        QVERIFY(set.table(11, 0) == nullptr && set.table(132) == nullptr);
        for (auto [level, index] : {std::pair{0, -1}, {0, 12}, {-1, 0}, {11, 0}}) {
            QVERIFY(!set.offerScore(level, index, 100, names));
        }
        QVERIFY(names.ranks.isEmpty());
        QSettings raw(path(), QSettings::IniFormat);
        QCOMPARE(raw.allKeys(), QStringList{"Vazazo/Version"});
    }
};

VAZAZO_TEST(TestBestScoreTable)
#include "test_BestScoreTable.moc"
