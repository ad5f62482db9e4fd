#include "support/TestMain.h"
#include "scores/NameDlg.h"
#include "settings/SettingsStore.h"
#include "support/DialogFixture.h"

#include <QLineEdit>
#include <QtTest>

namespace {

// What the dialog showed when it opened, then types text and presses OK or Cancel.
struct Answer {
    QString text;
    bool ok = true;
    QString shownText;
    QString selected;
    QString title;
    QString firstLine;

    NameDlg::Runner runner() {
        return [this](NameDlg& dlg) {
            shownText = dlg.nameField()->text();
            selected = dlg.nameField()->selectedText();
            title = dlg.windowTitle();
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

class TestNameDlg : public QObject, private DialogFixture {
    Q_OBJECT

private slots:
    void init() { QVERIFY(setUp()); }
    void cleanup() { tearDown(); }

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
        QCOMPARE(answer.title, QString("Best Score!"));
        QCOMPARE(answer.shownText, QString("Zoe"));
        QCOMPARE(answer.selected, QString("Zoe"));
        QCOMPARE(NameDlg::currentName(), QString("Zoe Two"));
        QCOMPARE(store->read("Player Name", ""), QString("Zoe Two"));
        QCOMPARE(store->read("Player's Name", "absent"), QString("absent"));

        // Cancel keeps the name and the store.
        Answer cancel{"Other", false};
        dlg.setRunner(cancel.runner());
        QCOMPARE(dlg.askPlayerName(1), std::nullopt);
        QCOMPARE(NameDlg::currentName(), QString("Zoe Two"));
        QCOMPARE(store->read("Player Name", ""), QString("Zoe Two"));
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
        QCOMPARE(groupAnswer.title, QString("Username"));
        QCOMPARE(groupAnswer.shownText, QString("Team A"));
        QCOMPARE(group, QString("Team B"));
        QCOMPARE(store->read("Player's Name", ""), QString("Team B"));
        QCOMPARE(store->read("Player Name", ""), QString("Max"));

        Answer next{"Team B"};
        bestScore.setRunner(next.runner());
        bestScore.askPlayerName(2);
        QCOMPARE(next.shownText, QString("Team B"));
        QCOMPARE(next.title, QString("Best Score!"));
    }

    void bothLinesArePaintedAboveTheField() {
        NameDlg dlg(*store);
        dlg.setPlayerMode(false);
        QCOMPARE(dlg.firstLine(), QString("Please enter group"));
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        const QImage image = dlg.grab().toImage();
        const QColor background = image.pixelColor(dlg.width() - 2, 2);
        const int lineHeight = QFontMetrics(dlg.lineFont()).height();
        QVERIFY(lineHeight > QFontMetrics(dlg.font()).height());
        QVERIFY(hasInk(image, QRect(16, 12, 120, 30), background));
        QVERIFY(hasInk(image, QRect(16, 42, 60, lineHeight), background));
        QVERIFY(dlg.nameField()->geometry().top() >= 42 + lineHeight);
        dlg.setPlayerMode(true);
        dlg.repaint();
        QVERIFY(dlg.grab().toImage() != image);
    }
};

VAZAZO_TEST(TestNameDlg)
#include "test_NameDlg.moc"
