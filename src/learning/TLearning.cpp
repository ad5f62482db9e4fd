#include "learning/TLearning.h"

#include "core/RandomSeeds.h"
#include "core/WindowMessages.h"

#include <QJsonObject>

#include <ctime>

TLearning::TLearning(QObject* window, Clock& clock)
    : LModule(clock), window(window),
      seedSource([] { return static_cast<std::uint32_t>(std::time(nullptr)); }) {}

TLearning::~TLearning() {
    endWorker();
}

void TLearning::setSeedSource(SeedSource source) {
    seedSource = std::move(source);
}

int TLearning::nextRandom() {
    randomState = randomState * 214013u + 2531011u;
    return static_cast<int>((randomState >> 16) & 0x7fffu);
}

template <std::size_t N>
std::array<int, TLearning::steps> TLearning::drawDistinct(std::array<int, N> candidates) {
    std::array<int, steps> drawn{};
    for (int i = 0; i < steps; ++i) {
        const int left = static_cast<int>(N) - i;
        // (r - 1) / 32767 is slightly negative for r = 0; truncation still gives 0.
        const int k = static_cast<int>((nextRandom() - 1) / 32767.0 * left);
        drawn[i] = candidates[k];
        candidates[k] = candidates[left - 1];
    }
    return drawn;
}

void TLearning::start() {
    randomState = seedSource();
    RandomSeeds::note("experimental learning", randomState);
    nextRandom();
    rows_ = drawDistinct(std::array<int, 5>{0, 2, 4, 6, 8});
    rates_ = drawDistinct(rateCandidates);
    step_ = 0;
    applyStep(LevelParameters());
}

void TLearning::onPeriod() {
    const LevelParameters before = levelParameters();
    if (step_ >= steps - 1) {
        noteDecision("period", periodInputs(), QJsonObject{{"step", step_}}, QJsonObject{{"step", step_}}, before,
                     before);
        return;
    }
    postWindowMessage(window, WindowMessages::WM_CLEAR_FIELD);
    ++step_;
    applyStep(before);
}

void TLearning::applyStep(const LevelParameters& before) {
    LevelParameters p;
    p.applyWeaponsSpeed = 1;
    p.weaponsSpeed = schedule[rows_[step_]];
    p.shapeKinds = LevelParameters::allShapeKinds;
    p.shapesSpeed = schedule[rows_[step_] + 1];
    p.targetsPerSecond = rates_[step_];
    p.shapesSize = 10 - p.weaponsSpeed;
    setLevelParameters(p);
    if (step_ == 0) {
        noteDecision("start", {}, {}, QJsonObject{{"step", 0}}, before, p);
    } else {
        noteDecision("period", periodInputs(), QJsonObject{{"step", step_ - 1}}, QJsonObject{{"step", step_}},
                     before, p);
    }
    postWindowMessage(window, WindowMessages::WM_APPLY_LEVEL_PARAMETERS, 0,
                      reinterpret_cast<std::intptr_t>(static_cast<LModule*>(this)));
}
