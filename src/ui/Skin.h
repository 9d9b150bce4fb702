#pragma once
#include <QString>

// Reads a skin file (a Qt style sheet in UTF-8) and applies it to the whole application. A missing
// or unreadable file leaves the plain look. Returns 1 when applied, 0 otherwise.
int SkinH_AttachEx(const QString &path, const QString &password);
