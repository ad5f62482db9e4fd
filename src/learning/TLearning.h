#pragma once

#include "learning/LModule.h"

#include <array>
#include <cstdint>
#include <functional>

class QObject;

// The experimental method: three different settings, one per period, each on a cleared field, so
// that the collected statistics show how the player did under each. The third stays until the
// module stops.
class TLearning : public LModule {
public:
    // Weapons speed and shapes speed per row, stored flat: a row index is twice the row number.
    static constexpr std::array<int, 10> schedule{8, 0, 7, 2, 6, 4, 5, 6, 4, 8};
    static constexpr std::array<int, 4> rateCandidates{2, 5, 7, 9};
    static constexpr int steps = 3;

    using SeedSource = std::function<std::uint32_t()>;

    explicit TLearning(QObject* window, Clock& clock = Clock::program());
    ~TLearning() override;

    // Where each start takes its seed; the calendar time in seconds unless replaced (while idle).
    void setSeedSource(SeedSource source);

    // Read them only while the module is idle.
    const std::array<int, steps>& rows() const { return rows_; }
    const std::array<int, steps>& rates() const { return rates_; }
    int step() const { return step_; }

protected:
    void start() override;
    void onPeriod() override;
    void finish() override {}

private:
    // Its own sequence, 0..32767 like the game's, so the worker never touches the game's generator.
    int nextRandom();
    // Draws `steps` different values out of the candidates.
    template <std::size_t N> std::array<int, steps> drawDistinct(std::array<int, N> candidates);
    void applyStep(const LevelParameters& before);

    QObject* window;
    SeedSource seedSource;
    std::uint32_t randomState = 1;
    std::array<int, steps> rows_{};
    std::array<int, steps> rates_{};
    int step_ = 0;
};
