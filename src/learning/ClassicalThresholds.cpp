#include "learning/ClassicalThresholds.h"

#include "settings/TabClassicalLearning.h"

ClassicalThresholds readClassicalThresholds(const TabClassicalLearning& page) {
    using Threshold = TabClassicalLearning::Threshold;
    ClassicalThresholds t;
    t.pm1Upper = page.threshold(Threshold::PM1Upper);
    t.pm1Lower = page.threshold(Threshold::PM1Lower);
    t.pm2Upper = page.threshold(Threshold::PM2Upper);
    t.pm2Lower = page.threshold(Threshold::PM2Lower);
    t.useDistance = page.useDistance();
    return t;
}
