#pragma once

#include <QByteArrayView>

// What of an XML document is given to libxml2: never a start tag with more attributes than a
// few hundred, nor elements nested deeper than libxml2 itself follows them. libxml2 compares
// each attribute of a tag with every one before it, and appends each to a list it walks to the
// end, all in one call that nothing can interrupt: a single tag of 200,000 attributes would
// take minutes. A quick look at the bytes finds the first tag beyond either bound; the document
// is parsed up to it, as libxml2 keeps what precedes its first error, and is no longer exact.
//
// Returns the offset of that tag, or -1 when the whole document stays within the bounds.
qsizetype xmlBoundsEnd(QByteArrayView document);
