#include "core/RandomSeeds.h"

#include <mutex>

namespace {
std::mutex seedsLock;
QMap<QString, quint32>& seeds() {
    static QMap<QString, quint32> noted;
    return noted;
}
} // namespace

void RandomSeeds::note(const QString& generator, quint32 seed) {
    std::lock_guard guard(seedsLock);
    seeds().insert(generator, seed);
}

void RandomSeeds::clear() {
    std::lock_guard guard(seedsLock);
    seeds().clear();
}

QMap<QString, quint32> RandomSeeds::snapshot() {
    std::lock_guard guard(seedsLock);
    return seeds();
}
