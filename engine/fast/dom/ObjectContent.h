#pragma once

class Dom;
struct DomNode;

// What the browser shows for an <object>: a box of its own (a picture, a frame, or an empty box
// where a plugin it lacks would go), or the fallback content the element holds, laid out as
// any inline content. Unknown for a resource whose type only the browser's own tables tell.
enum class ObjectShows { Box, FallbackContent, Unknown };

ObjectShows objectShows(const Dom &dom, int object);

// Whether an <embed> makes a box: one with neither a source nor a type represents nothing.
bool embedMakesBox(const DomNode &embed);

// Whether the page holds an <object> whose box only the browser can tell.
bool holdsUncertainObject(const Dom &dom);
