#include "scores/HallOfFameDlg.h"

#include "dialogs/ScaledFont.h"
#include "dialogs/WindowPlacement.h"

#include "core/Log.h"
#include "core/Notice.h"
#include "net/InternetDlg.h"
#include "net/ServerLink.h"
#include "scores/BestScoreTableSet.h"
#include "scores/ScoreSync.h"
#include "settings/GameLevels.h"
#include "settings/SettingKeys.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPushButton>

#include <algorithm>
#include <cmath>

namespace {
namespace Layout {
constexpr const char* family = "Times New Roman";
constexpr double titleHeightFactor = 2.6;
constexpr double titleWidthFactor = 2.4;
constexpr double bodyHeightFactor = 1.6;
constexpr double bodyWidthFactor = 1.4;
constexpr int margin = 12;
constexpr int width = HallOfFame::scoreRight + 3 * margin;
} // namespace Layout
} // namespace

HallOfFameDlg::HallOfFameDlg(BestScoreTableSet& tables, QWidget* parent)
    : QDialog(parent), tables(tables), closeBtn(new QPushButton("Close", this)),
      synchronizeBtn(new QPushButton("Synchronize", this)) {
    setWindowTitle("High Scores");
    closeBtn->setDefault(true);
    connect(closeBtn, &QPushButton::clicked, this, &HallOfFameDlg::hide);
    connect(synchronizeBtn, &QPushButton::clicked, this, &HallOfFameDlg::synchronize);

    // The buttons sit below the tenth row, whatever height the scaled font gives it.
    const int rowsBottom = HallOfFame::firstRowY + (BestScores::placeCount - 1) * HallOfFame::rowPitch +
                           QFontMetrics(bodyFont()).height();
    const QSize buttonSize = closeBtn->sizeHint().expandedTo(synchronizeBtn->sizeHint());
    const int buttonsTop = rowsBottom + Layout::margin;
    closeBtn->setGeometry(Layout::width - Layout::margin - buttonSize.width(), buttonsTop, buttonSize.width(),
                          buttonSize.height());
    synchronizeBtn->setGeometry(closeBtn->x() - Layout::margin - buttonSize.width(), buttonsTop,
                                buttonSize.width(), buttonSize.height());
    setFixedSize(Layout::width, buttonsTop + buttonSize.height() + Layout::margin);
}

void HallOfFameDlg::setScoreServer(std::function<QString()> source) {
    scoreServer = std::move(source);
}

void HallOfFameDlg::setParticipant(std::function<QString()> source) {
    participantSource = std::move(source);
}

void HallOfFameDlg::setServerCertificate(std::function<QString()> source) {
    serverCertificate = std::move(source);
}

bool HallOfFameDlg::synchronize() {
    const QString server = scoreServer ? scoreServer() : QString(SettingKeys::scoreServer.defaultText);
    InternetDlg progress;
    ServerLink link(progress);
    link.setTrust({serverCertificate ? serverCertificate() : QString()});
    if (!link.open(server)) {
        appendLog(QString("The score server at %1 could not be reached; the best scores stay as they were.")
                      .arg(server));
        return false;
    }
    const QString participant =
        link.capabilities().syncClaims && participantSource ? participantSource() : QString();
    QString refusal;
    const bool complete = ScoreSync::run(tables, link.connection(), progress, participant, &refusal);
    repaint();
    if (!refusal.isEmpty()) {
        progress.addLine(refusal.section('\n', 0, 0));
        appendLog("The score server refused the synchronization: " + refusal);
        Notice::show(refusal);
        return false;
    }
    if (!complete) {
        progress.addLine("Error (1): " + link.connection().errorText());
        appendLog("The score synchronization broke off; the tables it had not received stay as they were.");
        return false;
    }
    progress.addLine("All done!");
    return true;
}

void HallOfFameDlg::setShownLevel(int shownLevel) {
    level = shownLevel;
    update();
}

void HallOfFameDlg::setShownDifficulty(int shownDifficulty) {
    difficultyIndex = shownDifficulty;
    update();
}

void HallOfFameDlg::showCentredOver(const QWidget* owner) {
    if (owner) {
        WindowPlacement::centreOver(this, owner->frameGeometry());
    }
    show();
    raise();
    activateWindow();
}

QString HallOfFameDlg::difficultyTitle(int level, int difficultyIndex) {
    if (!GameLevels::isCustomLevel(level) || BestScoreTableSet::tableNumber(level, difficultyIndex) < 0) {
        return {};
    }
    QString name = QLatin1String(GameLevels::DifficultyNames[difficultyIndex]);
    // The custom levels play their own settings where the others play "Beginner".
    return name.replace(QLatin1String("Beginner"), QLatin1String("Custom"));
}

QFont HallOfFameDlg::titleFont() const {
    return ScaledFont::make(Layout::family, font(), Layout::titleHeightFactor, Layout::titleWidthFactor);
}

QFont HallOfFameDlg::bodyFont() const {
    return ScaledFont::make(Layout::family, font(), Layout::bodyHeightFactor, Layout::bodyWidthFactor);
}

int HallOfFameDlg::nameColumnWidth() const {
    const QFontMetrics body(bodyFont());
    const int widestScore = body.horizontalAdvance(QString::number(BestScores::maxScore));
    return HallOfFame::scoreRight - widestScore - body.horizontalAdvance(u' ') - HallOfFame::nameX;
}

std::vector<HallOfFameDlg::PaintedText> HallOfFameDlg::paintedTexts() const {
    using namespace HallOfFame;
    std::vector<PaintedText> texts;

    const QString title = QStringLiteral("High Scores");
    const int titleWidth = QFontMetrics(titleFont()).horizontalAdvance(title);
    texts.push_back({title, width() / 2 - titleWidth / 2, titleY, FontRole::Title});

    texts.push_back({QStringLiteral("Game level:"), labelX, levelY});
    if (GameLevels::isValidLevel(level)) {
        texts.push_back({QLatin1String(GameLevels::GameLevelNames[level]), valueX, levelY});
    }
    texts.push_back({QStringLiteral("Difficulty level:"), labelX, difficultyY});
    const QString difficulty = difficultyTitle(level, difficultyIndex);
    if (!difficulty.isEmpty()) {
        texts.push_back({difficulty, valueX, difficultyY});
    }

    const BestScoreTable* table = tables.table(level, difficultyIndex);
    if (!table) {
        return texts;
    }
    const QFontMetrics body(bodyFont());
    const int nameWidth = nameColumnWidth();
    for (int place = 0; place < BestScores::placeCount && table->scores[place] >= 0; ++place) {
        const int y = firstRowY + rowPitch * place;
        const int rank = place + 1;
        texts.push_back({QStringLiteral("%1.").arg(rank), rank == 10 ? tenthPlaceX : placeX, y});
        texts.push_back({body.elidedText(table->names[place], Qt::ElideRight, nameWidth), nameX, y});
        const QString score = QString::number(table->scores[place]);
        texts.push_back({score, scoreRight - body.horizontalAdvance(score), y});
    }
    return texts;
}

void HallOfFameDlg::paintEvent(QPaintEvent* event) {
    QDialog::paintEvent(event);
    QPainter painter(this);
    painter.setPen(palette().color(QPalette::WindowText));
    const QFont title = titleFont();
    const QFont body = bodyFont();
    for (const PaintedText& text : paintedTexts()) {
        painter.setFont(text.font == FontRole::Title ? title : body);
        // The positions name the top of each text; Qt draws at the baseline.
        painter.drawText(text.x, text.y + painter.fontMetrics().ascent(), text.text);
    }
}
