#pragma once

#include "editors/groupcontext.h"

#include <QString>

namespace korvane {

// The few values the pages share for the whole time the program runs.
struct ProgramState {
    qint16 wizardStep = 0;
    GroupContext group;
    QString reportQuery;          // what the roster grid and the printed report show
    double rowHeightFactor = 1.0; // F of the last report step
};

} // namespace korvane
