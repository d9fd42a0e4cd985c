#include "scale-sim/SlaveLink.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include <sys/stat.h>
#include <unistd.h>

namespace {

QString LinkTarget(const QByteArray& path)
{
    char buffer[4096];
    const ssize_t n = ::readlink(path.constData(), buffer, sizeof buffer - 1);
    return n < 0 ? QString() : QString::fromLocal8Bit(buffer, n);
}

}  // namespace

bool SlaveLink::create(const QString& path, const QString& target, QString* error)
{
    const QByteArray where = QFile::encodeName(path);
    struct stat info {};
    if (::lstat(where.constData(), &info) == 0 && !S_ISLNK(info.st_mode)) {
        *error = QStringLiteral("%1 exists and is not a symbolic link; not replacing it").arg(path);
        return false;
    }
    // A fresh link renamed over the old one: the path never goes missing
    // while a terminal might be looking it up.
    const QByteArray temporary = where + ".sim-" + QByteArray::number(::getpid());
    ::unlink(temporary.constData());
    if (::symlink(QFile::encodeName(target).constData(), temporary.constData()) != 0
        || ::rename(temporary.constData(), where.constData()) != 0) {
        *error = QStringLiteral("cannot make the link %1: %2").arg(path, QString::fromLocal8Bit(std::strerror(errno)));
        ::unlink(temporary.constData());
        return false;
    }
    path_ = path;
    target_ = target;
    return true;
}

void SlaveLink::remove()
{
    if (path_.isEmpty())
        return;
    const QByteArray where = QFile::encodeName(path_);
    if (LinkTarget(where) == target_)
        ::unlink(where.constData());
    path_.clear();
}
