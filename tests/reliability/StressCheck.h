#pragma once

#include "StressLog.h"

#include <string>
#include <vector>

// One row of the pad as the table holds it after the run.
struct PadRow {
    int n = 0;
    int df = 0;
    int mn = 0;
    std::string text;
};

struct StressFigures {
    int stored = 0;         // lines reported stored: entered, retried, pasted, inserted
    int changed = 0;        // own lines reported changed
    int deleted = 0;        // own lines reported deleted
    int notStored = 0;      // entries reported not stored (lost races for a number)
    int retriesStored = 0;  // of those, stored by pressing Enter again
    int pasteShortfall = 0; // pasted lines reported not stored
    int lost = 0;           // lines reported stored that are missing
    int duplicated = 0;     // texts or numbers found more than once
    std::vector<std::string> violations;
};

// Checks the pad against what every client's screen reported: every line
// reported stored is there once with its last reported text, no number twice,
// nothing changed or deleted that no client chose, and a line reported not
// stored is absent unless a later retry stored it. logs[i] is client i's log.
StressFigures CheckStressRun(const std::vector<std::vector<StressLog::Record>>& logs,
                             const std::vector<PadRow>& rows);
