#include "support/TestMain.h"
#include "scores/BestScoreTableSet.h"
#include "scores/HallOfFameDlg.h"
#include "scores/NameDlg.h"
#include "core/Log.h"
#include "scores/NameSource.h"
#include "support/DialogFixture.h"

#include <QFile>
#include <QLineEdit>
#include <QSettings>
#include <QtTest>

#include <optional>

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

// A run of the game: its own store on the scores file, with the tables read.
struct Run {
    explicit Run(const QString& path) : store(path), set(store) { set.loadAll(); }
    SettingsStore store;
    BestScoreTableSet set;
};

QByteArray fileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void fill(BestScoreTable& table, const std::vector<int>& scores) {
    table.clear();
    for (int i = 0; i < int(scores.size()); ++i) {
        table.names[i] = QStringLiteral("P%1").arg(i + 1);
        table.scores[i] = scores[i];
    }
}

// What the dialog showed when it opened, then types text and presses OK or Cancel.
struct Answer {
    QString text;
    bool ok = true;
    QString shownText;
    QString selected;

    NameDlg::Runner runner() {
        return [this](NameDlg& dlg) {
            shownText = dlg.nameField()->text();
            selected = dlg.nameField()->selectedText();
            dlg.nameField()->setText(text);
            ok ? dlg.accept() : dlg.reject();
            return dlg.result();
        };
    }
};

} // namespace

// The best-score tables, the dialog that shows one and the question for a name that fills it.
class TestScores : public QObject, private DialogFixture {
    Q_OBJECT

    std::unique_ptr<BestScoreTableSet> tables;
    // For the tables' own stores, apart from the dialogs' store.
    QString path() const { return dir->filePath("scores.ini"); }

private slots:
    void init() {
        QVERIFY(setUp());
        tables = std::make_unique<BestScoreTableSet>(*store);
    }
    void cleanup() {
        tables.reset();
        tearDown();
    }

    void aScoreEntersBelowEqualScoresAndPushesTheRestDown_data() {
        QTest::addColumn<QList<int>>("before");
        QTest::addColumn<int>("score");
        QTest::addColumn<int>("rank");
        QTest::addColumn<QList<int>>("after");
        const QList<int> full{100, 90, 80, 70, 60, 50, 40, 30, 20, 10};
        QTest::newRow("below an equal score") << QList<int>{80, 50, 20} << 50 << 3 << QList<int>{80, 50, 50, 20};
        QTest::newRow("last place drops out") << full << 65 << 5 << full.mid(0, 4) + QList<int>{65} + full.mid(4, 5);
        QTest::newRow("into the tenth place") << full << 11 << 10 << full.mid(0, 9) + QList<int>{11};
        QTest::newRow("not above the last") << full << 10 << 0 << full;
        QTest::newRow("zero into an empty table") << QList<int>{} << 0 << 1 << QList<int>{0};
        QTest::newRow("negative into an empty table") << QList<int>{} << -5 << 0 << QList<int>{};
    }
    void aScoreEntersBelowEqualScoresAndPushesTheRestDown() {
        QFETCH(QList<int>, before);
        QFETCH(int, score);
        QFETCH(int, rank);
        QFETCH(QList<int>, after);
        BestScoreTable table(*store);
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

    void damagedAndOddStoredPlacesAreReadSafelyAndTheGapIsClosedInTheStore() {
        store->write("Version", "173");
        storePlace(*store, 3, 7, 0, "A", "70", "5");
        storePlace(*store, 3, 7, 1, "B", "20000000", "6");
        storePlace(*store, 3, 7, 2, QString(400, u'n'), "30", "9x");
        storePlace(*store, 3, 7, 3, "D", "16", "8");
        store->write("Best Score 3-7-4", "abc");
        const int rewrites = store->diskWrites();
        tables->loadAll();
        // The version and the table saved without its damaged place reach the disk together.
        QCOMPARE(store->diskWrites() - rewrites, 1);
        const BestScoreTable& t = *tables->table(3, 7);
        QCOMPARE(scores(t), (QList<int>{70, 30, 16, 0, -1, -1, -1, -1, -1, -1}));
        QVERIFY(t.names[1].size() == 255 && t.uniqueNumbers[1] == 9 && t.names[3] == "-");
        // The store holds the table as it was read: the later places moved up, none left as a gap.
        QCOMPARE(stored({"Best Score 3-7-1", "Best Name 3-7-1", "Best Score 3-7-3", "Best Score 3-7-4"}),
                 QStringList({"30", QString(255, u'n'), "0", "-1"}));
        // An offer reads the table again from the store, which must not bring the gap back.
        NameRecorder eve(QString("Eve"));
        QVERIFY(tables->offerScore(3, 7, 10, eve) && eve.ranks == QList<int>{4});
        Run next(store->fileName());
        QCOMPARE(scores(*next.set.table(3, 7)).mid(0, 6), (QList<int>{70, 30, 16, 10, 0, -1}));
    }

    void aStoredTableThatFailsTheChecksIsNotTakenAndSaysWhyOnce_data() {
        QTest::addColumn<QStringList>("place0");
        QTest::addColumn<QStringList>("place1");
        QTest::addColumn<QString>("why");
        const QStringList a{"A", "10", "1"}, empty{"-", "-1", "-1"};
        QTest::newRow("unsorted") << a << QStringList{"B", "30", "2"} << "above place 1";
        QTest::newRow("score below -1") << a << QStringList{"B", "-7", "2"} << "the score -7";
        QTest::newRow("number below -1") << QStringList{"A", "10", "-2"} << empty << "the number -2";
        QTest::newRow("control character") << QStringList{"A\u0001b", "10", "1"} << empty << "U+0001";
        QTest::newRow("empty place with a name") << a << QStringList{"Bob", "-1", "-1"} << "is empty";
        QTest::newRow("gap") << empty << QStringList{"B", "30", "2"} << "above place 1";
    }
    void aStoredTableThatFailsTheChecksIsNotTakenAndSaysWhyOnce() {
        QFETCH(QStringList, place0);
        QFETCH(QStringList, place1);
        QFETCH(QString, why);
        store->write("Version", "173");
        storePlace(*store, 4, 2, 0, place0[0], place0[1], place0[2]);
        storePlace(*store, 4, 2, 1, place1[0], place1[1], place1[2]);
        storePlace(*store, 4, 3, 0, "Kept", "55", "4");
        GameLog::takePending();
        tables->loadAll();
        const std::vector<GameLog::Line> log = GameLog::takePending();
        QVERIFY(log.size() == 1 && log[0].text.contains("4-2") && log[0].text.contains(why));
        QVERIFY(scores(*tables->table(4, 2)) == noScores && tables->table(4, 3)->scores[0] == 55);
        // Not read is not deleted: the store still holds what it held.
        QCOMPARE(store->read("Best Score 4-2-1", ""), place1[1]);
    }

    void anotherLayoutIsIgnoredOnceAndReadFromTheSecondRun() {
        storePlace(*store, 10, 11, 0, "Old", "900", "3");
        storePlace(*store, 10, 10, 0, "Old", "900", "3");
        tables->loadAll();
        QVERIFY(scores(*tables->table(10, 11)) == noScores && store->read("Version", "") == "173");
        // Offered to the table as this run read it, not to the stale entry.
        NameRecorder names(QString("New"));
        QVERIFY(tables->offerScore(10, 10, 5, names) && names.ranks == QList<int>{1});
        QCOMPARE(scores(*tables->table(10, 10)).mid(0, 2), (QList<int>{5, -1}));
        Run next(store->fileName());
        QCOMPARE(next.set.table(10, 11)->names[0] + next.set.table(10, 10)->names[0], QString("OldNew"));
    }

    // Each copy of the game read the tables at its start; an accepted score rewrites its whole table
    // once, a cancelled name leaves the store as it was.
    void twoCopiesOfTheGameKeepEachOthersScores() {
        Run first(path());
        Run second(path());
        const QByteArray before = fileBytes(path());
        NameRecorder cancel(std::nullopt);
        QVERIFY(!first.set.offerScore(1, 2, 300, cancel) && cancel.ranks == QList<int>{1});
        QVERIFY(scores(*first.set.table(1, 2)) == noScores && fileBytes(path()) == before);
        NameRecorder ann(QString("Ann"));
        const int rewrites = first.store.diskWrites();
        QVERIFY(first.set.offerScore(1, 2, 300, ann) && first.store.diskWrites() - rewrites == 1);
        QVERIFY(first.store.read("Best Score Unique Number 1-2-0", "") == "-1" &&
                first.store.read("Best Name 1-2-1", "") == "-");
        NameRecorder bob(QString("Bob")), cy(QString("Cy"));
        QVERIFY(second.set.offerScore(1, 2, 200, bob) && first.set.offerScore(1, 2, 250, cy));
        QCOMPARE(bob.ranks + cy.ranks, (QList<int>{2, 2}));

        Run reader(path());
        QCOMPARE(scores(*reader.set.table(1, 2)).mid(0, 4), (QList<int>{300, 250, 200, -1}));
        QCOMPARE(reader.set.table(1, 2)->names[0] + reader.set.table(1, 2)->names[2], QString("AnnBob"));
        const int readerRewrites = reader.store.diskWrites();
        reader.set.saveAll();
        QCOMPARE(reader.store.diskWrites() - readerRewrites, 1);
    }

    void tablesOutsideTheLevelsAndDifficultiesAreNeverOffered() {
        // Which table a level and difficulty map to is the main window's winning-score test.
        QCOMPARE(BestScoreTableSet::difficultyIndex(-1, true), -1);
        Run run(path());
        NameRecorder names(QString("Eve"));
        QVERIFY(run.set.table(11, 0) == nullptr && run.set.table(132) == nullptr);
        for (auto [level, index] : {std::pair{0, -1}, {0, 12}, {-1, 0}, {11, 0}}) {
            QVERIFY(!run.set.offerScore(level, index, 100, names));
        }
        QVERIFY(names.ranks.isEmpty());
        QSettings raw(path(), QSettings::IniFormat);
        QCOMPARE(raw.allKeys(), QStringList{"Vazazo/Version"});
    }

    // A stale score after the first empty place must not show; a table outside the levels and
    // difficulties shows no rows.
    void rowsStopAtTheFirstEmptyPlaceAndOnlyTablesInRangeShowAny() {
        HallOfFameDlg dlg(*tables);
        const auto rowAt = [&](int level, int difficulty, int place) {
            dlg.setShownLevel(level);
            dlg.setShownDifficulty(difficulty);
            QStringList found;
            for (const HallOfFameDlg::PaintedText& t : dlg.paintedTexts()) {
                found << (t.y == HallOfFame::firstRowY + place * HallOfFame::rowPitch ? t.text : QString());
            }
            found.removeAll(QString());
            return found;
        };
        fill(*tables->table(2, 3), {16777215, 50, 20, -1, 10});
        QCOMPARE(rowAt(2, 3, 2), QStringList({"3.", "P3", "20"}));
        QVERIFY(rowAt(2, 3, 3).isEmpty() && rowAt(2, 3, 4).isEmpty());
        fill(*tables->table(2, 3), {100, 90, 80, 70, 60, 50, 40, 30, 20, 0});
        QCOMPARE(rowAt(2, 3, 9), QStringList({"10.", "P10", "0"}));
        fill(*tables->table(10, 11), {5});
        for (auto [level, difficulty] : {std::pair{11, 11}, {-1, 11}, {10, 12}, {10, -1}}) {
            QVERIFY(rowAt(level, difficulty, 0).isEmpty());
        }
        QCOMPARE(rowAt(10, 11, 0), QStringList({"1.", "P1", "5"}));
    }

    void playerAndGroupNamesAreProposedAndStoredWhenAccepted() {
        store->write("Player Name", "Zoe");
        NameDlg dlg(*store);
        Answer answer{"Zoe Two"};
        dlg.setRunner(answer.runner());
        QCOMPARE(dlg.askPlayerName(3), std::optional<QString>("Zoe Two"));
        QVERIFY(answer.shownText == "Zoe" && answer.selected == "Zoe" && NameDlg::currentName() == "Zoe Two");
        QCOMPARE(stored({"Player Name", "Player's Name"}), QStringList({"Zoe Two", "absent"}));

        // Cancel keeps the name and the store.
        Answer cancel{"Other", false};
        dlg.setRunner(cancel.runner());
        QVERIFY(dlg.askPlayerName(1) == std::nullopt && NameDlg::currentName() == "Zoe Two");
        QString group = "Team";
        QVERIFY(!NameDlg::askGroupName(*store, group, nullptr, cancel.runner()) && group == "Team");
        QCOMPARE(stored({"Player Name", "Player's Name"}), QStringList({"Zoe Two", "absent"}));

        // An accepted group name goes under its own key and is what the next best-score question proposes.
        Answer groupAnswer{"Team B"};
        QVERIFY(NameDlg::askGroupName(*store, group, nullptr, groupAnswer.runner()));
        QVERIFY(groupAnswer.shownText == "Team" && group == "Team B");
        QCOMPARE(stored({"Player Name", "Player's Name"}), QStringList({"Zoe Two", "Team B"}));
        Answer next{"Team C"};
        dlg.setRunner(next.runner());
        dlg.askPlayerName(2);
        QCOMPARE(next.shownText, QString("Team B"));
    }
};

VAZAZO_TEST(TestScores)
#include "test_Scores.moc"
