#pragma once

#include <QByteArray>

// How many bytes of a file the sniffing rules look at: the engine's own figure for local files.
constexpr qsizetype sniffedBytes = 1024;

// The type the browser engine gives a file whose name says nothing about it, from its first
// bytes alone (the WHATWG MIME Sniffing rules for an unknown type, as the engine applies them
// to a local file): HTML by its first tag, XML, the signatures of images, media, fonts, PDF
// and archives, then "text/plain" for text and "application/octet-stream" for anything else.
QByteArray sniffedMimeType(const QByteArray &head);

// Whether an XML document's root element is in the XHTML namespace, as far as the first bytes
// tell: such a document is rendered as a page whatever its type says.
bool isXhtmlRoot(const QByteArray &head);
