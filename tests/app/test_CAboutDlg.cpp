#include "support/TestMain.h"
#include "app/CAboutDlg.h"

#include <QLabel>
#include <QRegularExpression>
#include <QtTest>

class TestCAboutDlg : public QObject {
    Q_OBJECT
private slots:
    void theBoxShowsTheVersionAndWhenItWasBuilt() {
        CAboutDlg about;
        QCOMPARE(about.windowTitle(), QString("About Vazazo"));
        QStringList texts;
        for (const QLabel* label : about.findChildren<QLabel*>()) {
            texts << label->text();
        }
        QVERIFY(texts.contains("Vazazo Version 1.73"));
        // "Build: 11:46:11, Apr 27 2008"
        const QRegularExpression build(R"(^Build: \d\d:\d\d:\d\d, [A-Z][a-z]{2} [ \d]\d \d{4}$)");
        QVERIFY(std::any_of(texts.begin(), texts.end(),
                            [&](const QString& t) { return build.match(t).hasMatch(); }));
    }
};

VAZAZO_TEST(TestCAboutDlg)
#include "test_CAboutDlg.moc"
