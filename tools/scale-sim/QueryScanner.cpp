#include "scale-sim/QueryScanner.h"

namespace {
constexpr QByteArrayView Query("msv?;");
}

int QueryScanner::feed(QByteArrayView chunk)
{
    int found = 0;
    for (const char c : chunk) {
        if (c == Query[matched_]) {
            if (++matched_ == Query.size()) {
                ++found;
                matched_ = 0;
            }
        } else {
            // No proper prefix of the query is also its suffix, so after a
            // mismatch only this very character can start a new match.
            matched_ = (c == Query[0]) ? 1 : 0;
        }
    }
    return found;
}
