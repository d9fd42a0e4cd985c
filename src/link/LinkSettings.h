#pragma once

#include <QString>
#include <QStringList>

// What Link.ini in the data directory holds, section [Link]: whether other
// programs may read the terminal over HTTP, and how.
struct LinkSettings {
    bool enabled = false;  // no port is opened until the operator says so
    int port = 8457;
    bool network = false;  // false: 127.0.0.1 only
    QString key;           // required from every request when network is on
    QStringList origins;   // web origins a browser page may read from, exact

    friend bool operator==(const LinkSettings&, const LinkSettings&) = default;
};

inline const QString LinkSettingsFileName = QStringLiteral("Link.ini");
inline constexpr int LinkPortMin = 1024;
inline constexpr int LinkPortMax = 65535;
// The shortest key the network is opened with; NewLinkKey() makes 32 digits.
inline constexpr int LinkKeyMinLength = 16;

struct LinkSettingsLoad {
    LinkSettings settings;
    // In Russian, for the operator: set when a damaged file was put aside as
    // Link.ini.bad (and the defaults taken), so it is said once only.
    QString warning;
};

// A missing file gives the defaults. A file that cannot be parsed, or holds
// a value out of range, is renamed to Link.ini.bad and the defaults used.
LinkSettingsLoad LoadLinkSettings(const QString& dataDir);

// Writes the file whole or not at all; returns the Russian reason of a
// failure, empty on success.
QString SaveLinkSettings(const QString& dataDir, const LinkSettings& settings);

// A fresh access key: 128 bits from the system's random source, as 32
// hexadecimal digits (safe in a URL, a header and an INI file).
QString NewLinkKey();

// "http://host[:port]" or "https://...", no path: what a browser sends as
// Origin, so that the comparison can be exact.
bool IsWebOrigin(const QString& origin);
