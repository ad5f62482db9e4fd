#include "records/FrameTiming.h"

#include <QJsonArray>

#include <algorithm>
#include <cmath>

namespace {
// Nearest-rank percentile of sorted values.
double percentile(const std::vector<double>& sorted, double fraction) {
    if (sorted.empty()) {
        return 0.0;
    }
    const auto rank = static_cast<std::size_t>(std::ceil(fraction * static_cast<double>(sorted.size())));
    return sorted[std::clamp<std::size_t>(rank, 1, sorted.size()) - 1];
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return percentile(values, 0.5);
}

bool isLate(const FrameTiming::Frame& frame, double medianLimit) {
    const double limit =
        frame.targetPeriodMs > 0.0f ? FrameTiming::lateFactor * frame.targetPeriodMs : medianLimit;
    return limit > 0.0 && frame.intervalMs > limit;
}

FrameTiming::Quality judge(const std::vector<FrameTiming::Frame>& frames, std::size_t first, std::size_t last,
                           double medianLimit) {
    FrameTiming::Quality q;
    std::vector<double> intervals;
    intervals.reserve(last - first);
    bool cpu = false;
    bool gpu = false;
    for (std::size_t i = first; i < last; ++i) {
        const FrameTiming::Frame& frame = frames[i];
        intervals.push_back(frame.intervalMs);
        q.late += isLate(frame, medianLimit) ? 1 : 0;
        q.longestGapMs = std::max(q.longestGapMs, frame.intervalMs);
        (frame.gpuHitTest ? gpu : cpu) = true;
        q.targetPeriodMs = frame.targetPeriodMs;
    }
    q.frames = static_cast<int>(intervals.size());
    std::sort(intervals.begin(), intervals.end());
    q.p50Ms = percentile(intervals, 0.5);
    q.p99Ms = percentile(intervals, 0.99);
    q.hitTest = cpu && gpu ? "CPU and GPU" : gpu ? "GPU" : cpu ? "CPU" : "";
    return q;
}

double rounded(double value) {
    return std::round(value * 1000.0) / 1000.0;
}
} // namespace

void FrameTiming::reset(double newPeriodMs) {
    frames.clear();
    periodMs = newPeriodMs;
}

FrameTiming::Summary FrameTiming::summary() const {
    return summarise(frames, periodMs);
}

FrameTiming::Summary FrameTiming::summarise(const std::vector<Frame>& frames, double periodMs) {
    Summary summary;
    std::vector<double> unpaced;
    for (const Frame& frame : frames) {
        if (frame.targetPeriodMs <= 0.0f) {
            unpaced.push_back(frame.intervalMs);
        }
    }
    summary.medianLateLimitMs = unpaced.empty() ? 0.0 : lateFactor * median(unpaced);
    summary.game = judge(frames, 0, frames.size(), summary.medianLateLimitMs);
    if (!frames.empty()) {
        summary.game.lengthMs = static_cast<qint64>(frames.back().atMs);
    }
    std::size_t first = 0;
    while (first < frames.size()) {
        const qint64 index = periodMs > 0.0 ? static_cast<qint64>(frames[first].atMs / periodMs) : 0;
        const double end = periodMs > 0.0 ? (index + 1) * periodMs : INFINITY;
        std::size_t last = first;
        while (last < frames.size() && frames[last].atMs < end) {
            ++last;
        }
        Quality q = judge(frames, first, last, summary.medianLateLimitMs);
        q.startMs = periodMs > 0.0 ? static_cast<qint64>(index * periodMs) : 0;
        q.lengthMs = periodMs > 0.0 ? static_cast<qint64>(periodMs) : summary.game.lengthMs;
        summary.periods.append(q);
        first = last;
    }
    return summary;
}

QJsonObject FrameTiming::qualityToJson(const Quality& q) {
    return QJsonObject{{"startMs", q.startMs},        {"lengthMs", q.lengthMs},
                       {"frames", q.frames},          {"late", q.late},
                       {"longestGapMs", rounded(q.longestGapMs)},
                       {"p50Ms", rounded(q.p50Ms)},   {"p99Ms", rounded(q.p99Ms)},
                       {"targetPeriodMs", rounded(q.targetPeriodMs)},
                       {"hitTest", q.hitTest}};
}

FrameTiming::Quality FrameTiming::qualityFromJson(const QJsonObject& o) {
    Quality q;
    q.startMs = static_cast<qint64>(o["startMs"].toDouble());
    q.lengthMs = static_cast<qint64>(o["lengthMs"].toDouble());
    q.frames = o["frames"].toInt();
    q.late = o["late"].toInt();
    q.longestGapMs = o["longestGapMs"].toDouble();
    q.p50Ms = o["p50Ms"].toDouble();
    q.p99Ms = o["p99Ms"].toDouble();
    q.targetPeriodMs = o["targetPeriodMs"].toDouble();
    q.hitTest = o["hitTest"].toString();
    return q;
}

QJsonObject FrameTiming::toJson(const Summary& summary) {
    QJsonArray periods;
    for (const Quality& q : summary.periods) {
        periods.append(qualityToJson(q));
    }
    return QJsonObject{{"lateFactor", lateFactor},
                       {"unlimitedLateLimitMs", rounded(summary.medianLateLimitMs)},
                       {"game", qualityToJson(summary.game)},
                       {"periods", periods}};
}

QString FrameTiming::lateLine(const Summary& summary) {
    const Quality& g = summary.game;
    if (g.frames == 0 || g.late * 100 <= g.frames) {
        return {};
    }
    return QString("timing: %1 of %2 frames late, longest gap %3 ms")
        .arg(g.late)
        .arg(g.frames)
        .arg(QString::number(g.longestGapMs, 'f', 1));
}
