#include "results/ResultsCharts.h"

#include "records/DecisionLog.h"
#include "records/FrameTiming.h"

#include <QBarCategoryAxis>
#include <QBarSet>
#include <QChart>
#include <QJsonArray>
#include <QLineSeries>
#include <QScatterSeries>
#include <QStackedBarSeries>
#include <QValueAxis>

#include <algorithm>

namespace {
QChart* makeChart(const QString& title) {
    auto* chart = new QChart();
    chart->setTitle(title);
    chart->legend()->setAlignment(Qt::AlignBottom);
    chart->setAnimationOptions(QChart::NoAnimation);
    return chart;
}

QLineSeries* line(QChart* chart, const QString& name) {
    auto* series = new QLineSeries(chart);
    series->setName(name);
    series->setPointsVisible(true);
    return series;
}

// Adds the series with shared value axes; the x axis gets its title.
void finish(QChart* chart, const QList<QAbstractSeries*>& series, const QString& xTitle, const QString& yTitle) {
    for (QAbstractSeries* s : series) {
        chart->addSeries(s);
    }
    chart->createDefaultAxes();
    const QList<QAbstractAxis*> xs = chart->axes(Qt::Horizontal);
    const QList<QAbstractAxis*> ys = chart->axes(Qt::Vertical);
    if (!xs.isEmpty()) {
        xs.first()->setTitleText(xTitle);
    }
    if (!ys.isEmpty()) {
        ys.first()->setTitleText(yTitle);
    }
}

QList<GameReading::Game> gamesOf(const QList<GameReading::Game>& games, const QString& participant) {
    QList<GameReading::Game> chosen;
    for (const GameReading::Game& game : games) {
        if (ResultsCharts::participantOf(game) == participant) {
            chosen.append(game);
        }
    }
    // Oldest first, as they were played.
    std::sort(chosen.begin(), chosen.end(), [](const auto& a, const auto& b) { return a.time < b.time; });
    return chosen;
}

QString answerText(const GameReading::Game& game, const QString& when) {
    if (game.record) {
        for (const SessionRecord::Answer& answer : game.record->answers) {
            if (answer.when == when) {
                return answer.text;
            }
        }
    }
    return when == "before" ? game.report.answersBeforeGame : game.report.answersAfterGame;
}
} // namespace

namespace ResultsCharts {

QString participantOf(const GameReading::Game& game) {
    if (game.record && !game.record->participantId.isEmpty()) {
        return game.record->participantId;
    }
    return game.report.groupName;
}

QChart* periods(const GameReading::Game& game) {
    QChart* chart = makeChart("Hits, missed targets and shots per period");
    QLineSeries* hits = line(chart, "hits");
    QLineSeries* missed = line(chart, "missed");
    QLineSeries* shots = line(chart, "shots");
    for (int i = 0; i < game.periods.size(); ++i) {
        const GameReading::Period& p = game.periods[i];
        hits->append(i + 1, p.hits);
        missed->append(i + 1, p.missed);
        shots->append(i + 1, p.shots);
    }
    finish(chart, {hits, missed, shots}, "period", "count");
    return chart;
}

QChart* learning(const GameReading::Game& game) {
    QChart* chart = makeChart("Learning parameters over the game, decisions marked");
    QLineSeries* weapons = line(chart, "weapons speed");
    QLineSeries* shapes = line(chart, "shapes speed");
    QLineSeries* rate = line(chart, "targets per second");
    QLineSeries* size = line(chart, "shapes size");
    for (const GameReading::Period& p : game.periods) {
        const double at = (p.startMs + p.lengthMs) / 1000.0;
        weapons->append(at, p.weaponsSpeed);
        shapes->append(at, p.shapesSpeed);
        rate->append(at, p.targetsPerSecond);
    }
    auto* decisions = new QScatterSeries(chart);
    decisions->setName("decisions");
    decisions->setMarkerShape(QScatterSeries::MarkerShapeRectangle);
    decisions->setMarkerSize(11);
    decisions->setColor(Qt::darkMagenta);
    if (game.record) {
        for (const DecisionLog::Row& row : DecisionLog::rowsFromJson(game.record->details["decisions"].toObject())) {
            const double at = row.timeMs / 1000.0;
            for (const DecisionLog::Change& change : row.changes) {
                if (change.parameter == "shapesSize") {
                    size->append(at, change.to);
                }
            }
            if (row.kind == "period") {
                const QJsonValue level = row.stateAfter.contains("level") ? row.stateAfter["level"]
                                                                          : row.stateAfter["step"];
                decisions->append(at, level.toDouble());
            }
        }
    }
    QList<QAbstractSeries*> all{weapons, shapes, rate};
    if (size->count() > 0) {
        all.append(size);
    } else {
        delete size;
    }
    all.append(decisions);
    finish(chart, all, "seconds into the game", "slider position, targets per second, level or step");
    return chart;
}

QChart* frameTiming(const GameReading::Game& game) {
    QChart* chart = makeChart("Frame timing per period");
    const QJsonObject timing = game.record ? game.record->details["frameTiming"].toObject() : QJsonObject();
    auto* onTime = new QBarSet("frames on time");
    auto* late = new QBarSet("late frames");
    onTime->setColor(QColor(150, 170, 200));
    late->setColor(QColor(220, 40, 40));
    QStringList categories;
    auto* p99 = new QLineSeries(chart);
    p99->setName("99th percentile interval (ms)");
    int number = 0;
    for (const QJsonValue value : timing["periods"].toArray()) {
        const FrameTiming::Quality q = FrameTiming::qualityFromJson(value.toObject());
        onTime->append(q.frames - q.late);
        late->append(q.late);
        p99->append(number, q.p99Ms);
        categories << QString::number(++number);
    }
    auto* bars = new QStackedBarSeries(chart);
    bars->append(onTime);
    bars->append(late);
    chart->addSeries(bars);
    chart->addSeries(p99);
    auto* x = new QBarCategoryAxis(chart);
    x->append(categories);
    x->setTitleText("period");
    chart->addAxis(x, Qt::AlignBottom);
    bars->attachAxis(x);
    p99->attachAxis(x);
    auto* frames = new QValueAxis(chart);
    frames->setTitleText("frames");
    chart->addAxis(frames, Qt::AlignLeft);
    bars->attachAxis(frames);
    auto* ms = new QValueAxis(chart);
    ms->setTitleText("ms");
    chart->addAxis(ms, Qt::AlignRight);
    p99->attachAxis(ms);
    if (timing.isEmpty()) {
        chart->setTitle("Frame timing per period: not recorded for this game");
    }
    return chart;
}

QChart* paddlePath(const PaddlePath& path, int period) {
    QChart* chart = makeChart(QString("The paddle's path in period %1 with hits and misses").arg(period));
    QLineSeries* paddle = line(chart, "paddle");
    // A paddle left in one place is a point, not a line.
    paddle->setPointsVisible(path.paddle.size() < 50);
    paddle->append(path.paddle);
    auto* hits = new QScatterSeries(chart);
    hits->setName("hit");
    hits->setColor(QColor(20, 160, 40));
    hits->append(path.hits);
    auto* misses = new QScatterSeries(chart);
    misses->setName("missed");
    misses->setColor(QColor(220, 40, 40));
    misses->setMarkerShape(QScatterSeries::MarkerShapeRectangle);
    misses->append(path.misses);
    finish(chart, {paddle, hits, misses}, "x (field)", "y (field)");
    for (QAbstractAxis* axis : chart->axes()) {
        axis->setRange(0.0, 1.0);
    }
    // Field y grows downwards, towards the paddle.
    if (auto* y = qobject_cast<QValueAxis*>(chart->axes(Qt::Vertical).value(0))) {
        y->setReverse(true);
    }
    return chart;
}

QChart* participantScores(const QList<GameReading::Game>& games, const QString& participant) {
    QChart* chart = makeChart(QString("Participant %1: score and hit rate, game by game").arg(participant));
    QLineSeries* score = line(chart, "score (hits - missed)");
    QLineSeries* rate = line(chart, "hit rate (%)");
    int number = 0;
    for (const GameReading::Game& game : gamesOf(games, participant)) {
        int hits = 0;
        int missed = 0;
        for (const GameReading::Period& p : game.periods) {
            hits += p.hits;
            missed += p.missed;
        }
        ++number;
        score->append(number, hits - missed);
        rate->append(number, hits + missed > 0 ? 100.0 * hits / (hits + missed) : 0.0);
    }
    finish(chart, {score, rate}, "game", "");
    return chart;
}

QChart* participantAnswers(const QList<GameReading::Game>& games, const QString& participant) {
    QChart* chart = makeChart(QString("Participant %1: pain and stiffness before and after").arg(participant));
    QLineSeries* painBefore = line(chart, "pain before");
    QLineSeries* painAfter = line(chart, "pain after");
    QLineSeries* stiffBefore = line(chart, "stiffness before");
    QLineSeries* stiffAfter = line(chart, "stiffness after");
    int number = 0;
    for (const GameReading::Game& game : gamesOf(games, participant)) {
        ++number;
        const GameReading::PainStiffness before = GameReading::painStiffness(answerText(game, "before"));
        const GameReading::PainStiffness after = GameReading::painStiffness(answerText(game, "after"));
        if (before.pain) {
            painBefore->append(number, *before.pain);
        }
        if (after.pain) {
            painAfter->append(number, *after.pain);
        }
        if (before.stiffness) {
            stiffBefore->append(number, *before.stiffness);
        }
        if (after.stiffness) {
            stiffAfter->append(number, *after.stiffness);
        }
    }
    finish(chart, {painBefore, painAfter, stiffBefore, stiffAfter}, "game", "rating 0..10");
    return chart;
}

} // namespace ResultsCharts
