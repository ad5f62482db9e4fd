#include "support/TestMain.h"
#include "scores/NameDlg.h"
#include "settings/SettingsStore.h"

#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// What the dialog showed when it opened, then types text and presses OK or Cancel.
struct Answer {
    QString text;
    bool ok = true;
    QString shownText;
    QString selected;
    QString title;
    QFont fieldFont;

    NameDlg::Runner runner() {
        return [this](NameDlg& dlg) {
            shownText = dlg.nameField()->text();
            selected = dlg.nameField()->selectedText();
            title = dlg.windowTitle();
            fieldFont = dlg.nameField()->font();
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

class TestNameDlg : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    QString path() const { return dir.filePath("s.ini"); }

private slots:
    void init() { QFile::remove(path()); }

    void placeTextsFollowTheRank() {
        QCOMPARE(NameDlg::placedText(1), QString("You placed 1-st!"));
        QCOMPARE(NameDlg::placedText(2), QString("You placed 2-nd!"));
        QCOMPARE(NameDlg::placedText(3), QString("You placed 3-rd!"));
        QCOMPARE(NameDlg::placedText(4), QString("You placed 4-th!"));
        QCOMPARE(NameDlg::placedText(10), QString("You placed 10-th!"));
    }

    void playerModeProposesTheStoredNameAndStoresTheAnswer() {
        SettingsStore store(path());
        {
            NameDlg fresh(store);
            QCOMPARE(NameDlg::currentName(), QString("---"));
        }
        store.write("Player Name", "Zoe");
        NameDlg dlg(store);
        dlg.setRank(2);
        QCOMPARE(dlg.firstLine(), QString("You placed 2-nd!"));
        QCOMPARE(dlg.secondLine(), QString("Please enter your name!"));
        Answer answer{"Zoe Two"};
        dlg.setRunner(answer.runner());

        QCOMPARE(dlg.ask(), int(QDialog::Accepted));
        QCOMPARE(answer.title, QString("Best Score!"));
        QCOMPARE(answer.shownText, QString("Zoe"));
        QCOMPARE(answer.selected, QString("Zoe"));
        QCOMPARE(answer.fieldFont.family(), QString("Times New Roman"));
        QCOMPARE(answer.fieldFont.pointSize(), 16);
        QCOMPARE(NameDlg::currentName(), QString("Zoe Two"));
        QCOMPARE(store.read("Player Name", ""), QString("Zoe Two"));
        QCOMPARE(store.read("Player's Name", "absent"), QString("absent"));
    }

    void cancelKeepsTheNameAndTheStore() {
        SettingsStore store(path());
        store.write("Player Name", "Ida");
        NameDlg dlg(store);
        Answer answer{"Other", false};
        dlg.setRunner(answer.runner());
        QCOMPARE(dlg.ask(), int(QDialog::Rejected));
        QCOMPARE(NameDlg::currentName(), QString("Ida"));
        QCOMPARE(store.read("Player Name", ""), QString("Ida"));

        QString group = "Team";
        QVERIFY(!NameDlg::askGroupName(store, group, nullptr, answer.runner()));
        QCOMPARE(group, QString("Team"));
        QCOMPARE(store.read("Player's Name", "absent"), QString("absent"));
    }

    void theGroupNameIsProposedByTheNextBestScoreDialog() {
        SettingsStore store(path());
        store.write("Player Name", "Max");
        NameDlg bestScore(store);

        QString group = "Team A";
        Answer groupAnswer{"Team B"};
        QVERIFY(NameDlg::askGroupName(store, group, nullptr, groupAnswer.runner()));
        QCOMPARE(groupAnswer.title, QString("Username"));
        QCOMPARE(groupAnswer.shownText, QString("Team A"));
        QCOMPARE(group, QString("Team B"));
        QCOMPARE(store.read("Player's Name", ""), QString("Team B"));
        QCOMPARE(store.read("Player Name", ""), QString("Max"));

        Answer next{"Team B"};
        bestScore.setRunner(next.runner());
        bestScore.ask();
        QCOMPARE(next.shownText, QString("Team B"));
        QCOMPARE(next.title, QString("Best Score!"));
    }

    void bothLinesArePaintedAboveTheField() {
        SettingsStore store(path());
        NameDlg dlg(store);
        dlg.setPlayerMode(false);
        QCOMPARE(dlg.firstLine(), QString("Please enter group"));
        QCOMPARE(dlg.secondLine(), QString("name:"));
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
