#pragma once

#include <QString>

// The symbolic link through which the terminal finds the simulated port, the
// same kind of link an operator makes for a USB adapter. It is removed again
// when the simulator ends, but only while it still points where this one put
// it.
class SlaveLink {
public:
    SlaveLink() = default;
    ~SlaveLink() { remove(); }
    SlaveLink(const SlaveLink&) = delete;
    SlaveLink& operator=(const SlaveLink&) = delete;

    // Makes `path` a link to `target`, replacing a link already there. Any
    // other file at `path` is the operator's and is left alone: that fails.
    bool create(const QString& path, const QString& target, QString* error);
    void remove();

private:
    QString path_;
    QString target_;
};
