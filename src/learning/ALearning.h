#pragma once

#include "learning/LModule.h"

// The reinforcement method's place: it takes its periods and leaves the settings as they are.
class ALearning : public LModule {
public:
    using LModule::LModule;

protected:
    void start() override {}
    void onPeriod() override {}
    void finish() override {}
};
