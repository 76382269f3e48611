#pragma once

#include <cstdint>
#include <span>
#include <string_view>

// Every interface, namespace and member a page's scripts can reach from `window`, as the browser
// engine exposes them: generated from the Web IDL of the web platform, cut to what the browser's
// own build has and completed by what it has beyond the IDL (old and vendor-prefixed names).
// Interfaces without an interface object are left out: the browser's build reaches none of them
// (they are WebGL's extensions, and WebGL is off). The script runtime installs one object per row;
// a member it does not do as the browser does is installed all the same, as a trap, so that testing
// for it behaves as in the browser.
//
// The rows are static data: nothing is built or allocated at start-up.

enum class IdlMemberKind : std::uint8_t { Attribute, Operation, Constant };

// What a member is beyond its kind; a bit each.
namespace IdlMemberFlag {
enum : std::uint16_t {
    Static = 1 << 0,              // on the interface object, not on the prototype
    Readonly = 1 << 1,            // an attribute with no setter of its own
    Replaceable = 1 << 2,         // readonly, but an assignment shadows it with a plain value
    PutForwards = 1 << 3,         // readonly, but an assignment sets an attribute of its value
    LegacyUnforgeable = 1 << 4,   // on each instance itself, not configurable
    LegacyLenientThis = 1 << 5,   // a getter called on the wrong object returns undefined
    LegacyLenientSetter = 1 << 6, // readonly, but has a setter that does nothing
    EventHandler = 1 << 7,        // an `onxxx` attribute holding a listener
    Stringifier = 1 << 8,         // the interface's toString()
    NotInIdl = 1 << 9,            // only the browser has it; taken from the dump of its objects
};
}

struct IdlMember
{
    // The property's name; a name beginning with "@@" is the well-known symbol of that name
    // ("@@iterator" is Symbol.iterator), as iterable, maplike and setlike declarations add.
    const char *name;
    IdlMemberKind kind;
    std::uint16_t flags;
    std::int16_t length;  // operations: the shortest overload's count of required arguments
    double constantValue; // constants only

    bool has(std::uint16_t flag) const { return (flags & flag) != 0; }
};

enum class IdlInterfaceKind : std::uint8_t {
    Interface,
    Namespace,         // a plain object of operations and attributes, no prototype, no constructor
    CallbackInterface, // an interface object holding constants only (NodeFilter)
};

namespace IdlInterfaceFlag {
enum : std::uint16_t {
    HasConstructor = 1 << 0,    // `new X(...)` works; otherwise calling it throws
    Global = 1 << 1,            // Window: its members live on the global object itself
    NotInIdl = 1 << 2,          // only the browser has it; taken from the dump of its objects
    IndexedProperties = 1 << 3, // x[0] reads an item: its own or an inherited indexed getter
    NamedProperties = 1 << 4,   // x.name and x["name"] read an item: a named getter
};
}

struct IdlInterface
{
    const char *name;
    std::int16_t parent; // the index of the interface it inherits from, always lower; -1 for none
    IdlInterfaceKind kind;
    std::uint16_t flags;
    // The interface object's length: with HasConstructor, the shortest constructor's count of
    // required arguments; 0 otherwise.
    std::int16_t constructorLength;
    // Attributes, operations and constants, those of the mixins it includes among them, in the
    // browser's order. For Window those of WindowOrWorkerGlobalScope, GlobalEventHandlers and
    // the rest, which live on the global object; for a namespace all live on its object.
    // Inherited members are not repeated.
    std::span<const IdlMember> members;

    bool has(std::uint16_t flag) const { return (flags & flag) != 0; }
};

// A further property of window naming an interface object: an old alias of it (webkitURL for
// URL), or a legacy factory function that constructs its instances (Image, Audio, Option).
struct IdlWindowAlias
{
    const char *name;
    std::int16_t interface; // the index of the interface it names or constructs
    bool isFactoryFunction; // a function of its own, whose prototype is the interface's
    std::int16_t length;    // a factory function's length
};

// All interfaces and namespaces exposed on window, parents before the interfaces that inherit
// from them.
std::span<const IdlInterface> idlInterfaces();

// The aliases and factory functions window holds besides the interface objects.
std::span<const IdlWindowAlias> idlWindowAliases();

// The interface or namespace of that name, or nullptr.
const IdlInterface *idlInterfaceNamed(std::string_view name);

// Its parent, or nullptr.
const IdlInterface *idlParent(const IdlInterface &interface);
