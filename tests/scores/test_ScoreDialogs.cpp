#include "support/TestMain.h"
#include "scores/BestScoreTableSet.h"
#include "scores/HallOfFameDlg.h"
#include "scores/NameDlg.h"
#include "settings/SettingsStore.h"
#include "support/DialogFixture.h"

#include <QLineEdit>
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

int row(int place) {
    return HallOfFame::firstRowY + place * HallOfFame::rowPitch;
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
    QString firstLine;

    NameDlg::Runner runner() {
        return [this](NameDlg& dlg) {
            shownText = dlg.nameField()->text();
            selected = dlg.nameField()->selectedText();
            firstLine = dlg.firstLine();
            dlg.nameField()->setText(text);
            ok ? dlg.accept() : dlg.reject();
            return dlg.result();
        };
    }
};

bool hasInk(const QImage& image, const QRect& area, QColor background) {
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            if (image.pixelColor(x, y) != background) {
                return true;
            }
        }
    }
    return false;
}

} // namespace

// The table of best scores and the question for a name that fills it.
class TestScoreDialogs : public QObject, private DialogFixture {
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

    void rowsStopAtTheFirstEmptyPlaceAndALongNameIsElidedWithinItsColumn() {
        // A stale score after the gap must not show.
        fill(*tables->table(2, 3), {16777215, 50, 20, -1, 10});
        tables->table(2, 3)->names[0] = QString(255, u'W');
        HallOfFameDlg dlg(*tables);
        dlg.setShownLevel(2);
        dlg.setShownDifficulty(3);
        const auto texts = dlg.paintedTexts();
        QCOMPARE(textsAt(texts, row(2)), QStringList({"3.", "P3", "20"}));
        QVERIFY(textsAt(texts, row(3)).isEmpty() && !find(texts, "10"));
        const QStringList first = textsAt(texts, row(0));
        QVERIFY(first.size() == 3 && first[1].startsWith("WW") && first[1].endsWith(QChar(0x2026)));
        const int nameWidth = QFontMetrics(dlg.bodyFont()).horizontalAdvance(first[1]);
        QVERIFY(nameWidth <= dlg.nameColumnWidth());
        QVERIFY(find(texts, first[1])->x + nameWidth < find(texts, "16777215")->x);

        fill(*tables->table(2, 3), {100, 90, 80, 70, 60, 50, 40, 30, 20, 0});
        QCOMPARE(textsAt(dlg.paintedTexts(), row(9)), QStringList({"10.", "P10", "0"}));
    }

    void headingsNameTheLevelAndOnlyACustomLevelsDifficulty() {
        HallOfFameDlg dlg(*tables);
        QCOMPARE(textsAt(dlg.paintedTexts(), HallOfFame::levelY), QStringList({"Game level:", "Get'em all"}));
        dlg.setShownLevel(3);
        dlg.setShownDifficulty(1);
        QCOMPARE(textsAt(dlg.paintedTexts(), HallOfFame::difficultyY), QStringList({"Difficulty level:"}));
        dlg.setShownLevel(7);
        dlg.setShownDifficulty(7);
        QCOMPARE(textsAt(dlg.paintedTexts(), HallOfFame::levelY),
                 QStringList({"Game level:", "Custom 60 seconds"}));
        QCOMPARE(textsAt(dlg.paintedTexts(), HallOfFame::difficultyY),
                 QStringList({"Difficulty level:", "Custom, One Shot At A Time"}));
        QCOMPARE(HallOfFameDlg::difficultyTitle(10, 3), QString("Intermediate"));

        // Outside the tables: no names and no rows.
        fill(*tables->table(10, 11), {5});
        for (auto [level, difficulty] : {std::pair{11, 11}, {-1, 11}, {10, 12}, {10, -1}}) {
            dlg.setShownLevel(level);
            dlg.setShownDifficulty(difficulty);
            const auto texts = dlg.paintedTexts();
            QCOMPARE(textsAt(texts, HallOfFame::difficultyY), QStringList({"Difficulty level:"}));
            QVERIFY(textsAt(texts, row(0)).isEmpty());
            QCOMPARE(textsAt(texts, HallOfFame::levelY).size(), level == 10 ? 2 : 1);
        }
        dlg.setShownLevel(10);
        dlg.setShownDifficulty(11);
        QCOMPARE(textsAt(dlg.paintedTexts(), row(0)), QStringList({"1.", "P1", "5"}));
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
        const auto inkIn = [&](const QRect& area) { return hasInk(image, area, image.pixelColor(2, 2)); };
        QVERIFY(inkIn(QRect(36, row(0), 40, 24)) && inkIn(QRect(540, row(0), 42, 24)));
        QVERIFY(!inkIn(QRect(36, row(1), 540, 24)));

        QTest::mouseClick(dlg.closeButton(), Qt::LeftButton);
        QVERIFY(!dlg.isVisible());
    }

    void aPlayerNameIsProposedFromTheStoreAndStoredWhenAccepted() {
        {
            NameDlg fresh(*store);
            QCOMPARE(NameDlg::currentName(), QString("---"));
        }
        store->write("Player Name", "Zoe");
        NameDlg dlg(*store);
        Answer answer{"Zoe Two"};
        dlg.setRunner(answer.runner());
        QCOMPARE(dlg.askPlayerName(3), std::optional<QString>("Zoe Two"));
        QCOMPARE(answer.firstLine, QString("You placed 3-rd!"));
        QCOMPARE(QStringList({NameDlg::placedText(1), NameDlg::placedText(2), NameDlg::placedText(10)}),
                 QStringList({"You placed 1-st!", "You placed 2-nd!", "You placed 10-th!"}));
        QVERIFY(answer.shownText == "Zoe" && answer.selected == "Zoe");
        QVERIFY(NameDlg::currentName() == "Zoe Two" && store->read("Player Name", "") == "Zoe Two");
        QCOMPARE(store->read("Player's Name", "absent"), QString("absent"));

        // Cancel keeps the name and the store.
        Answer cancel{"Other", false};
        dlg.setRunner(cancel.runner());
        QCOMPARE(dlg.askPlayerName(1), std::nullopt);
        QVERIFY(NameDlg::currentName() == "Zoe Two" && store->read("Player Name", "") == "Zoe Two");
        QString group = "Team";
        QVERIFY(!NameDlg::askGroupName(*store, group, nullptr, cancel.runner()));
        QCOMPARE(group, QString("Team"));
        QCOMPARE(store->read("Player's Name", "absent"), QString("absent"));
    }

    void theGroupNameIsProposedByTheNextBestScoreDialog() {
        store->write("Player Name", "Max");
        NameDlg bestScore(*store);
        QString group = "Team A";
        Answer groupAnswer{"Team B"};
        QVERIFY(NameDlg::askGroupName(*store, group, nullptr, groupAnswer.runner()));
        QCOMPARE(groupAnswer.shownText, QString("Team A"));
        QCOMPARE(group, QString("Team B"));
        QCOMPARE(store->read("Player's Name", ""), QString("Team B"));
        QCOMPARE(store->read("Player Name", ""), QString("Max"));

        Answer next{"Team B"};
        bestScore.setRunner(next.runner());
        bestScore.askPlayerName(2);
        QCOMPARE(next.shownText, QString("Team B"));
    }

    void bothLinesArePaintedAboveTheField() {
        NameDlg dlg(*store);
        dlg.setPlayerMode(false);
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        const QImage image = dlg.grab().toImage();
        // The larger line font must not push the second line onto the field.
        const int lineHeight = QFontMetrics(dlg.lineFont()).height();
        QVERIFY(hasInk(image, QRect(16, 42, 60, lineHeight), image.pixelColor(dlg.width() - 2, 2)));
        QVERIFY(dlg.nameField()->geometry().top() >= 42 + lineHeight);
        dlg.setPlayerMode(true);
        dlg.repaint();
        QVERIFY(dlg.grab().toImage() != image);
    }
};

VAZAZO_TEST(TestScoreDialogs)
#include "test_ScoreDialogs.moc"
