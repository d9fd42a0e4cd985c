#pragma once

#include <libpq-fe.h>

#include <QString>

// libpq's entry points the site database uses, taken from the library at run
// time rather than linked: libpq brings libssl and libcrypto along (about
// 3 MB resident), which a terminal with the database turned off must not
// carry. Only the header is needed to build.
struct Libpq {
#define VELTAR_LIBPQ_ENTRY(name) decltype(&::name) name = nullptr;
#define VELTAR_LIBPQ_ENTRIES(X)                                                                            \
    X(PQconnectStartParams) X(PQconnectPoll) X(PQstatus) X(PQsocket) X(PQerrorMessage) X(PQfinish)         \
    X(PQsetnonblocking) X(PQflush) X(PQsendQuery) X(PQsendQueryParams) X(PQconsumeInput) X(PQisBusy)       \
    X(PQgetResult) X(PQresultStatus) X(PQresultErrorField) X(PQresultErrorMessage) X(PQclear)              \
    X(PQntuples) X(PQnfields) X(PQgetvalue) X(PQgetisnull) X(PQparameterStatus) X(PQconninfoParse)         \
    X(PQconninfoFree) X(PQfreemem) X(PQsslInUse) X(PQlibVersion)
    VELTAR_LIBPQ_ENTRIES(VELTAR_LIBPQ_ENTRY)
#undef VELTAR_LIBPQ_ENTRY
};

// The library, loaded on first use and kept for the rest of the run (its
// threads' connections may outlive any one owner); null when it cannot be
// loaded, with the Russian reason in `why`. Safe from any thread.
const Libpq* LoadLibpq(QString* why = nullptr);
