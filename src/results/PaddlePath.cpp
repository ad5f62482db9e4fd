#include "results/PaddlePath.h"

#include <QHash>

#include <charconv>
#include <optional>

namespace {
double number(QByteArrayView text) {
    double value = 0.0;
    std::from_chars(text.data(), text.data() + text.size(), value);
    return value;
}
} // namespace

PaddlePath PaddlePath::of(const GameReading::Sources& sources, qint64 startMs, qint64 lengthMs) {
    PaddlePath path;
    std::optional<qint64> firstTime;
    QHash<QByteArray, QPointF> lastSeen;
    QHash<QByteArray, QPointF> previous;
    GameReading::read(sources, [&](const GameReading::Sample& sample) {
        const auto time = static_cast<qint64>(number(sample.time));
        if (!firstTime) {
            firstTime = time;
        }
        const qint64 at = time - *firstTime;
        const bool inside = at >= startMs && at < startMs + lengthMs;
        QHash<QByteArray, QPointF> present;
        for (const GameReading::SampleItem& item : sample.items) {
            const QByteArray name = item.name.toByteArray();
            if (item.hit) {
                if (inside && lastSeen.contains(name)) {
                    path.hits.append(lastSeen.value(name));
                }
                lastSeen.remove(name);
                continue;
            }
            const QPointF point(number(item.x), number(item.y));
            present.insert(name, point);
            lastSeen.insert(name, point);
        }
        // A target gone without a hit mark left the field or struck the paddle: a miss. Guns leave
        // by hitting or flying off and say nothing of the player's aim.
        for (auto it = previous.cbegin(); it != previous.cend(); ++it) {
            if (!present.contains(it.key()) && !it.key().startsWith('g') && lastSeen.contains(it.key())) {
                if (inside) {
                    path.misses.append(it.value());
                }
                lastSeen.remove(it.key());
            }
        }
        previous = present;
        if (inside && number(sample.paddleVisibility) > 0.0) {
            path.paddle.append(QPointF(number(sample.paddleX), number(sample.paddleY)));
        }
    });
    return path;
}
