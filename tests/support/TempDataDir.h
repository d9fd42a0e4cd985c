#pragma once

#include "support/QtPrinters.h"

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

// A fresh data directory for one test, with its trailing separator, removed
// afterwards.
class TempDataDir {
public:
    TempDataDir();
    QString path() const { return path_; }  // ends with '/'
    QString file(const QString& name) const { return path_ + name; }

    QByteArray read(const QString& name) const;
    void write(const QString& name, const QByteArray& bytes) const;

private:
    QTemporaryDir dir_;
    QString path_;
};
