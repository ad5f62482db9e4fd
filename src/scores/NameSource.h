#pragma once

#include <QString>

#include <optional>

// Where a best-score table gets the name of a player who entered it: the name dialog in the game,
// a stand-in in tests.
class NameSource {
public:
    virtual ~NameSource() = default;
    // rank is the place reached, 1..10; nothing when the player cancels.
    virtual std::optional<QString> askPlayerName(int rank) = 0;
};
