#pragma once

#include <QByteArray>
#include <QString>

// The simulator's end of the serial line: the master side of a
// pseudo-terminal whose slave the terminal opens as its port.
class PseudoTerminal {
public:
    PseudoTerminal() = default;
    ~PseudoTerminal();
    PseudoTerminal(const PseudoTerminal&) = delete;
    PseudoTerminal& operator=(const PseudoTerminal&) = delete;

    // Opens the master, non-blocking, and puts the slave in raw mode so that
    // STX, CR and LF pass untouched and nothing is echoed.
    bool open(QString* error);

    int masterFd() const { return master_; }
    QString slavePath() const { return slave_; }

    // Whether anyone has the slave open. Without a listener a real line
    // loses what is sent, and so does this one: nothing is written then.
    bool listenerPresent() const;

    // Drops what the last listener left unread, so that the next one starts
    // with fresh frames rather than a backlog from before it opened the port.
    void dropUnread() const;

    // Writes all of `bytes` or nothing of note: a full buffer (a listener
    // that does not read) loses the bytes, as a real line would.
    void write(const QByteArray& bytes) const;

    // What the listener has sent; empty when nothing is waiting. Sets
    // `hungUp` when the listener has gone.
    QByteArray readAvailable(bool& hungUp) const;

private:
    int master_ = -1;
    QString slave_;
};
