#pragma once

#include <QJsonObject>
#include <QList>
#include <QString>

#include <vector>

// The quality of a game's frame timing: every painted frame's interval, judged against the pacer's
// target period (or, with no target, against the game's own median), per statistics period and for
// the whole game.
class FrameTiming {
public:
    // A frame counts as late beyond this multiple of its target (or of the median).
    static constexpr double lateFactor = 1.2;

    struct Frame {
        // Milliseconds since the game started, at the end of the interval.
        double atMs = 0.0;
        double intervalMs = 0.0;
        // 0 for "Unlimited".
        float targetPeriodMs = 0.0f;
        bool gpuHitTest = false;
    };

    struct Quality {
        qint64 startMs = 0;
        qint64 lengthMs = 0;
        int frames = 0;
        int late = 0;
        double longestGapMs = 0.0;
        double p50Ms = 0.0;
        double p99Ms = 0.0;
        // Of the period's last frame; 0 for "Unlimited".
        double targetPeriodMs = 0.0;
        // "CPU", "GPU", or "CPU and GPU" when it changed within.
        QString hitTest;
    };

    struct Summary {
        Quality game;
        // The threshold "Unlimited" frames are judged by: lateFactor times the game's median.
        double medianLateLimitMs = 0.0;
        QList<Quality> periods;
    };

    // periodMs cuts the game into periods the way the statistics do; a non-positive one leaves a
    // single period.
    void reset(double periodMs);
    void add(const Frame& frame) { frames.push_back(frame); }
    int frameCount() const { return static_cast<int>(frames.size()); }

    Summary summary() const;
    static Summary summarise(const std::vector<Frame>& frames, double periodMs);

    static QJsonObject toJson(const Summary& summary);
    static QJsonObject qualityToJson(const Quality& quality);
    static Quality qualityFromJson(const QJsonObject& object);
    // The log line of a game with more than 1 % late frames; empty otherwise.
    static QString lateLine(const Summary& summary);

private:
    std::vector<Frame> frames;
    double periodMs = 0.0;
};
