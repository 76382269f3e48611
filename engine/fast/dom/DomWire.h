#pragma once

#include "engine/fast/dom/Dom.h"

#include <QByteArray>

#include <optional>

// A tree as bytes, for the trip from the process that ran a page's scripts back to the converter:
// every node in document order with what the cascade and innerText read of it. Comments are
// not sent, only their parent's holdsComment.
//
// Most nodes a tree sent may hold: no page the converter reads comes near it.
constexpr int maxWireNodes = 4 * 1024 * 1024;

// Nothing for a tree of more nodes than maxWireNodes.
std::optional<QByteArray> encodeDom(const Dom &dom);

// The tree the bytes describe, ready for the cascade and innerText as a parsed one is, or
// nothing when they are not a tree encodeDom() could have written: the sender may be hostile.
std::optional<Dom> decodeDom(const QByteArray &bytes);
