#pragma once

#include <QString>

#include <optional>

// What the office link's and the site database's own settings files share.

// "true"/"1" or "false"/"0", in any case and with blanks around; nothing for
// any other text.
std::optional<bool> IniBool(const QString& text);

// Puts a damaged settings file aside as "<name>.bad", replacing an older one,
// so the defaults can serve and the operator can look at what was there.
// The new name, or nothing when the file could not be moved.
std::optional<QString> PutAsideDamaged(const QString& path);
