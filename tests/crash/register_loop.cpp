// Registers ever higher scores into the table in the working directory until it is killed, as
// the game would at the end of every round; the kill test stops it at random moments.
// Usage: register-loop FIRST_SCORE
#include "scores/HighScoreTable.h"
#include "scores/TableJournal.h"

#include <QString>

#include <cstdio>
#include <cstdlib>

int main(int argc, char* argv[]) {
    if (argc != 2)
        return 2;
    // What the game does at start, before it reads the table.
    TableJournal::tidyAtStart();
    std::puts("ready");
    std::fflush(stdout);
    for (long score = std::atol(argv[1]);; ++score)
        HighScoreTable::registerEntry(static_cast<int32_t>(score),
                                      QStringLiteral("n%1").arg(score));
}
