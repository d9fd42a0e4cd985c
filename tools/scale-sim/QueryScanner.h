#pragma once

#include <QByteArrayView>

// Finds the digitiser's query "msv?;" in what the terminal sends. The line
// delivers bytes in arbitrary chunks, so a query may be split across reads;
// the partial match carries over to the next chunk.
class QueryScanner {
public:
    // How many queries end inside this chunk.
    int feed(QByteArrayView chunk);

private:
    int matched_ = 0;  // characters of the query seen so far
};
