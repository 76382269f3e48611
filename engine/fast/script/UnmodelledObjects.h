#pragma once

#include <v8-object.h>

// Objects of an interface the runtime does not model, as attributes of window, navigator,
// document and elements hand them out: one per owner, the same on every read, with the
// interface's prototype, so that a page may test for one and keep it; any use of its members
// stops the scripts, as every trap does.
bool isUnmodelledObject(v8::Local<v8::Object> object);
