#pragma once

#include <QString>

// What the browser checks of a request's method and headers before it sends anything.

// An HTTP token: a method, or a header's name.
bool isHttpToken(const QString &text);
// CONNECT, TRACE and TRACK, in any case.
bool isForbiddenMethod(const QString &method);
