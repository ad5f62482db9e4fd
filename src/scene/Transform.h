#pragma once

// Mix-in of every object that moves with time.
class Transform {
public:
    // Time of the previous update; negative until the first one.
    double lastUpdate = -1.0;
};
