#pragma once

#include <QString>
#include <QUrl>

#include <optional>

// Addresses as a page sees them in the browser engine, which serves local files under a scheme
// of its own, with one host for every file.
QString browserOrigin();
// The browser's address of a local file's URL; nothing for any other URL, or one with a query or
// a fragment, whose form there is not modelled.
std::optional<QString> browserUrl(const QUrl &url);
// The path part of it.
std::optional<QString> browserPath(const QUrl &url);

// The URL an element's attribute names, resolved against `base`, as the browser serializes it;
// nothing where its form there is not modelled (an address with characters it would escape).
std::optional<QString> resolvedBrowserUrl(const QString &base, const QString &attribute);
