#include "support/TestMain.h"
#include "scores/BestScoreTableSet.h"
#include "scores/HallOfFameDlg.h"
#include "settings/SettingsStore.h"
#include "support/DialogFixture.h"

#include <QPushButton>
#include <QtTest>

#include <optional>

namespace {

using Text = HallOfFameDlg::PaintedText;

std::optional<Text> find(const std::vector<Text>& texts, const QString& text) {
    for (const Text& t : texts) {
        if (t.text == text) {
            return t;
        }
    }
    return std::nullopt;
}

QStringList textsAt(const std::vector<Text>& texts, int y) {
    QStringList found;
    for (const Text& t : texts) {
        if (t.y == y) {
            found << t.text;
        }
    }
    return found;
}

void fill(BestScoreTable& table, const std::vector<int>& scores) {
    table.clear();
    for (int i = 0; i < int(scores.size()); ++i) {
        table.names[i] = QStringLiteral("P%1").arg(i + 1);
        table.scores[i] = scores[i];
    }
}

} // namespace

class TestHallOfFameDlg : public QObject, private DialogFixture {
    Q_OBJECT

    std::unique_ptr<BestScoreTableSet> tables;

private slots:
    void init() {
        QVERIFY(setUp());
        tables = std::make_unique<BestScoreTableSet>(*store);
    }
    void cleanup() {
        tables.reset();
        tearDown();
    }

    void rowsStopAtTheFirstEmptyPlace() {
        // A stale score after the gap must not show.
        fill(*tables->table(2, 3), {90, 50, 20, -1, 10});
        HallOfFameDlg dlg(*tables);
        dlg.setShownLevel(2);
        dlg.setShownDifficulty(3);
        auto texts = dlg.paintedTexts();
        QCOMPARE(textsAt(texts, 148), QStringList({"1.", "P1", "90"}));
        QCOMPARE(textsAt(texts, 244), QStringList({"3.", "P3", "20"}));
        QVERIFY(textsAt(texts, 292).isEmpty());
        QCOMPARE(find(texts, "20")->x + QFontMetrics(dlg.bodyFont()).horizontalAdvance("20"), 582);

        fill(*tables->table(2, 3), {100, 90, 80, 70, 60, 50, 40, 30, 20, 0});
        texts = dlg.paintedTexts();
        QCOMPARE(textsAt(texts, 148 + 48 * 9), QStringList({"10.", "P10", "0"}));
        QCOMPARE(find(texts, "9.")->x - find(texts, "10.")->x, 21);
    }

    void aLongNameIsElidedWithinItsColumn() {
        fill(*tables->table(0, 0), {16777215, 5});
        tables->table(0, 0)->names[0] = QString(255, u'W');
        HallOfFameDlg dlg(*tables);
        std::vector<Text> row;
        for (const Text& t : dlg.paintedTexts()) {
            if (t.y == 148) {
                row.push_back(t);
            }
        }
        QCOMPARE(row.size(), std::size_t(3));
        const int nameWidth = QFontMetrics(dlg.bodyFont()).horizontalAdvance(row[1].text);
        QVERIFY(row[1].text.startsWith("WW") && row[1].text.endsWith(QChar(0x2026)));
        QVERIFY(nameWidth <= dlg.nameColumnWidth());
        QVERIFY(row[1].x + nameWidth < row[2].x);
        // A name that fits is drawn whole.
        QCOMPARE(textsAt(dlg.paintedTexts(), 196), QStringList({"2.", "P2", "5"}));
    }

    void headingsNameTheLevelAndOnlyACustomLevelsDifficulty() {
        HallOfFameDlg dlg(*tables);
        QCOMPARE(find(dlg.paintedTexts(), "High Scores")->font, HallOfFameDlg::FontRole::Title);
        QCOMPARE(textsAt(dlg.paintedTexts(), 64), QStringList({"Game level:", "Get'em all"}));
        dlg.setShownLevel(3);
        dlg.setShownDifficulty(1);
        QCOMPARE(textsAt(dlg.paintedTexts(), 100), QStringList({"Difficulty level:"}));

        dlg.setShownLevel(7);
        dlg.setShownDifficulty(7);
        QCOMPARE(textsAt(dlg.paintedTexts(), 64), QStringList({"Game level:", "Custom 60 seconds"}));
        QCOMPARE(textsAt(dlg.paintedTexts(), 100),
                 QStringList({"Difficulty level:", "Custom, One Shot At A Time"}));
        QCOMPARE(HallOfFameDlg::difficultyTitle(10, 3), QString("Intermediate"));

        // Outside the tables: no names and no rows.
        fill(*tables->table(10, 11), {5});
        for (auto [level, difficulty] : {std::pair{11, 11}, {-1, 11}, {10, 12}, {10, -1}}) {
            dlg.setShownLevel(level);
            dlg.setShownDifficulty(difficulty);
            const auto texts = dlg.paintedTexts();
            QCOMPARE(textsAt(texts, 100), QStringList({"Difficulty level:"}));
            QVERIFY(textsAt(texts, 148).isEmpty());
            QCOMPARE(textsAt(texts, 64).size(), level == 10 ? 2 : 1);
        }
        dlg.setShownLevel(10);
        dlg.setShownDifficulty(11);
        QCOMPARE(textsAt(dlg.paintedTexts(), 148), QStringList({"1.", "P1", "5"}));
    }

    void closeHidesAndShowCentresOverTheOwner() {
        fill(*tables->table(0, 0), {42});
        QWidget owner;
        owner.setGeometry(100, 100, 900, 800);
        owner.show();
        QVERIFY(QTest::qWaitForWindowExposed(&owner));
        HallOfFameDlg dlg(*tables, &owner);
        const QSize size = dlg.size();
        dlg.showCentredOver(&owner);
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        QCOMPARE(dlg.size(), size);
        QVERIFY((dlg.frameGeometry().center() - owner.frameGeometry().center()).manhattanLength() <= 2);

        // Ink where the first row lies, none where the empty second would.
        const QImage image = dlg.grab().toImage();
        const auto inkIn = [&](const QRect& area) {
            for (int y = area.top(); y <= area.bottom(); ++y) {
                for (int x = area.left(); x <= area.right(); ++x) {
                    if (image.pixelColor(x, y) != image.pixelColor(2, 2)) {
                        return true;
                    }
                }
            }
            return false;
        };
        QVERIFY(inkIn(QRect(36, 148, 40, 24)) && inkIn(QRect(540, 148, 42, 24)));
        QVERIFY(!inkIn(QRect(36, 196, 540, 24)));

        QTest::mouseClick(dlg.closeButton(), Qt::LeftButton);
        QVERIFY(!dlg.isVisible());
    }
};

VAZAZO_TEST(TestHallOfFameDlg)
#include "test_HallOfFameDlg.moc"
