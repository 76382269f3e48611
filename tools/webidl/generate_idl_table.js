#!/usr/bin/env node
// Writes the script runtime's table of interfaces (engine/fast/script/idl/IdlTable.cpp) from the
// Web IDL of the web platform and the dump of what the browser engine exposes to pages
// (bench/dump_browser_globals). The IDL says what each member is; the dump says which members
// the browser has, in which order, and wins where the two disagree.
//
//   node generate_idl_table.js --idl DIR --globals FILE --out FILE [--trim-into DIR]
//                              [--report FILE]
//
// --trim-into writes the IDL definitions the table was made from into DIR, a file per source
// file, so that later runs need nothing but DIR. --report lists each difference between the IDL
// and the browser, a line each. Needs the webidl2 parser (see README.md in
// engine/fast/script/idl/).
//
// Of the IDL it reads interfaces, callback interfaces (their constants), namespaces, mixins and
// `includes`, partial definitions, constructors, attributes, operations (overloads merged),
// stringifiers, constants, getters by index and by name, iterable, maplike and setlike, and the
// extended attributes [Exposed], [Global], [LegacyNoInterfaceObject], [LegacyWindowAlias],
// [LegacyFactoryFunction], [LegacyUnforgeable], [Replaceable], [PutForwards],
// [LegacyLenientThis], [LegacyLenientSetter] and [Unscopable]. Dictionaries, enumerations, typedefs and
// callback functions make no property and are passed over, as are the other extended attributes
// ([SecureContext] among them: the dump says what a page on disk gets).
'use strict';

const childProcess = require('child_process');
const fs = require('fs');
const path = require('path');
const WebIDL2 = require('webidl2');

// What V8 itself puts on every global object; the browser's dump lists them beside the platform's.
const javaScriptGlobals = new Set([
    'Object', 'Function', 'Array', 'Number', 'Boolean', 'String', 'Symbol', 'Date', 'Promise',
    'RegExp', 'Error', 'AggregateError', 'EvalError', 'RangeError', 'ReferenceError',
    'SyntaxError', 'TypeError', 'URIError', 'ArrayBuffer', 'SharedArrayBuffer', 'Uint8Array',
    'Int8Array', 'Uint16Array', 'Int16Array', 'Uint32Array', 'Int32Array', 'Float32Array',
    'Float64Array', 'Uint8ClampedArray', 'BigUint64Array', 'BigInt64Array', 'DataView', 'Map',
    'BigInt', 'Set', 'WeakMap', 'WeakSet', 'Proxy', 'Reflect', 'FinalizationRegistry', 'WeakRef',
    'JSON', 'Math', 'Intl', 'Atomics', 'WebAssembly', 'globalThis', 'Infinity', 'NaN', 'undefined',
    'parseFloat', 'parseInt', 'decodeURI', 'decodeURIComponent', 'encodeURI',
    'encodeURIComponent', 'escape', 'unescape', 'eval', 'isFinite', 'isNaN',
]);

const eventHandlerTypes = new Set(['EventHandler', 'OnErrorEventHandler',
                                   'OnBeforeUnloadEventHandler']);
// Operations the IDL marks as getters by mistake: the browser has no such properties.
const notGetters = new Set(['TouchEvent.getModifierState']);

const interfaceFlagNames = ['HasConstructor', 'Global', 'NotInIdl', 'IndexedProperties',
                            'NamedProperties'];
const memberFlagNames = ['Static', 'Readonly', 'Replaceable', 'PutForwards', 'LegacyUnforgeable',
                         'LegacyLenientThis', 'LegacyLenientSetter', 'EventHandler',
                         'Stringifier', 'NotInIdl', 'Unscopable'];

function parseArguments(argv) {
    const options = {};
    for (let i = 0; i < argv.length; i += 2) {
        const name = argv[i].replace(/^--/, '');
        if (!['idl', 'globals', 'out', 'trim-into', 'report'].includes(name)
            || i + 1 >= argv.length)
            throw new Error('usage: generate_idl_table.js --idl DIR --globals FILE --out FILE '
                            + '[--trim-into DIR] [--report FILE]');
        options[name] = argv[i + 1];
    }
    if (!options.idl || !options.globals || !options.out)
        throw new Error('--idl, --globals and --out are needed');
    return options;
}

// ---- The IDL --------------------------------------------------------------------------------

function extAttr(node, name) {
    return (node.extAttrs || []).find(attribute => attribute.name === name);
}

// The global names in an [Exposed] or [Global] value, or null without one.
function namesOf(attribute) {
    if (!attribute || !attribute.rhs)
        return null;
    if (attribute.rhs.type === '*')
        return new Set(['*']);
    const value = attribute.rhs.value;
    return new Set(Array.isArray(value) ? value.map(item => item.value) : [value]);
}

function onWindow(names) {
    return names.has('Window') || names.has('*');
}

function readIdl(folder) {
    const definitions = [];
    for (const file of fs.readdirSync(folder).filter(name => name.endsWith('.idl')).sort()) {
        const tree = WebIDL2.parse(fs.readFileSync(path.join(folder, file), 'utf8'));
        for (const definition of tree)
            definitions.push({file, definition});
    }
    return definitions;
}

// Gathers each interface, mixin and namespace with its partial definitions, and the includes.
function gather(definitions) {
    const named = new Map();
    const includes = [];
    for (const {file, definition} of definitions) {
        if (definition.type === 'includes') {
            includes.push({file, definition});
            continue;
        }
        if (!['interface', 'interface mixin', 'namespace', 'callback interface']
                 .includes(definition.type))
            continue;
        if (!named.has(definition.name))
            named.set(definition.name, {main: null, parts: []});
        const entry = named.get(definition.name);
        entry.parts.push({file, definition});
        if (!definition.partial)
            entry.main = definition;
    }
    return {named, includes};
}

function requiredArguments(operation) {
    const firstOptional = operation.arguments.findIndex(a => a.optional || a.variadic);
    return firstOptional < 0 ? operation.arguments.length : firstOptional;
}

function constantValue(value) {
    switch (value.type) {
    case 'boolean':
        return value.value ? 1 : 0;
    case 'Infinity':
        return value.negative ? -Infinity : Infinity;
    case 'NaN':
        return NaN;
    case 'number': {
        const text = value.value.replace(/^-/, '');
        const magnitude = /^0[0-7]+$/.test(text) ? parseInt(text, 8) : Number(text);
        return value.value.startsWith('-') ? -magnitude : magnitude;
    }
    default:
        throw new Error('constant of unknown type ' + value.type);
    }
}

// The members a declaration of iteration adds to the prototype.
function iterationMembers(declaration) {
    const op = (name, length) => ({name, kind: 'Operation', flags: new Set(), length});
    if (declaration.type === 'iterable') {
        if (declaration.async)
            return [op('@@asyncIterator', 0), op('values', 0)].concat(
                declaration.idlType.length === 2 ? [op('entries', 0), op('keys', 0)] : []);
        return [op('entries', 0), op('keys', 0), op('values', 0), op('forEach', 1),
                op('@@iterator', 0)];
    }
    const members = [{name: 'size', kind: 'Attribute', flags: new Set(['Readonly']), length: 0},
                     op('entries', 0), op('forEach', 1), op('has', 1), op('keys', 0),
                     op('values', 0), op('@@iterator', 0)];
    if (declaration.type === 'maplike')
        members.push(op('get', 1));
    if (!declaration.readonly) {
        members.push(op('clear', 0), op('delete', 1));
        members.push(declaration.type === 'maplike' ? op('set', 2) : op('add', 1));
    }
    return members;
}

// Adds one IDL member to an interface's list, merging overloads.
function addMember(members, member, interfaceUnforgeable) {
    const flags = new Set();
    if (member.special === 'static')
        flags.add('Static');
    for (const name of ['Replaceable', 'PutForwards', 'LegacyUnforgeable', 'LegacyLenientThis',
                        'LegacyLenientSetter', 'Unscopable'])
        if (extAttr(member, name))
            flags.add(name);
    if (interfaceUnforgeable && member.type !== 'const' && !flags.has('Static'))
        flags.add('LegacyUnforgeable');
    // toString() of a stringifier is as forgeable as the stringifier.
    const stringifier = () => new Set(['Stringifier'].concat(
        flags.has('LegacyUnforgeable') ? ['LegacyUnforgeable'] : []));
    const add = entry => {
        const key = (entry.flags.has('Static') ? 'static ' : '') + entry.name;
        const known = members.get(key);
        if (known && entry.kind === 'Operation' && known.kind === 'Operation')
            known.length = Math.min(known.length, entry.length);
        else if (!known)
            members.set(key, entry);
    };
    switch (member.type) {
    case 'attribute':
        if (member.readonly)
            flags.add('Readonly');
        if (eventHandlerTypes.has(member.idlType.idlType))
            flags.add('EventHandler');
        add({name: member.name, kind: 'Attribute', flags, length: 0});
        if (member.special === 'stringifier')
            add({name: 'toString', kind: 'Operation', flags: stringifier(), length: 0});
        break;
    case 'operation':
        if (member.special === 'stringifier' && !member.name)
            add({name: 'toString', kind: 'Operation', flags: stringifier(), length: 0});
        else if (member.name)
            add({name: member.name, kind: 'Operation', flags, length: requiredArguments(member)});
        break;
    case 'const':
        add({name: member.name, kind: 'Constant', flags, length: 0,
             value: constantValue(member.value)});
        break;
    case 'iterable':
    case 'maplike':
    case 'setlike':
        iterationMembers(member).forEach(add);
        break;
    }
}

// Whether a member is the getter of indexed properties ('unsigned long') or named ones.
function isGetterBy(member, keyType) {
    return member.type === 'operation' && member.special === 'getter'
        && member.arguments.length === 1 && member.arguments[0].idlType.idlType === keyType;
}

// Whether a member is exposed on window: its own [Exposed], else that of the definition it is
// written in, else that of the interface it ends up on.
function memberOnWindow(member, definition, hostOnWindow) {
    const own = namesOf(extAttr(member, 'Exposed')) || namesOf(extAttr(definition, 'Exposed'));
    return own ? onWindow(own) : hostOnWindow;
}

function resolveInterface(name, gathered) {
    const {main, parts} = gathered.named.get(name);
    const interfaceOnWindow = onWindow(namesOf(extAttr(main, 'Exposed')) || new Set());
    const unforgeable = Boolean(extAttr(main, 'LegacyUnforgeable'));
    const members = new Map();
    const constructors = [];
    const read = new Set([name]);
    let indexed = false;
    let named = false;
    const take = (definition, hostOnWindow) => {
        for (const member of definition.members) {
            if (!memberOnWindow(member, definition, hostOnWindow))
                continue;
            const isGetter = !notGetters.has(`${name}.${member.name}`);
            indexed = indexed || isGetter && isGetterBy(member, 'unsigned long');
            named = named || isGetter && isGetterBy(member, 'DOMString');
            if (member.type === 'constructor')
                constructors.push(requiredArguments(member));
            else if (main.type !== 'callback interface' || member.type === 'const')
                addMember(members, member, unforgeable);
        }
    };
    for (const {definition} of parts)
        take(definition, interfaceOnWindow);
    for (const {definition} of gathered.includes) {
        if (definition.target !== name || !gathered.named.has(definition.includes))
            continue;
        read.add(definition.includes);
        for (const part of gathered.named.get(definition.includes).parts)
            take(part.definition, interfaceOnWindow);
    }
    // An interface with indexed properties is iterable as an array is.
    if (indexed && !members.has('@@iterator'))
        members.set('@@iterator', {name: '@@iterator', kind: 'Operation', flags: new Set(),
                                   length: 0});
    const aliases = [];
    const windowAlias = namesOf(extAttr(main, 'LegacyWindowAlias'));
    for (const alias of windowAlias || [])
        aliases.push({name: alias, factory: false, length: 0});
    for (const attribute of main.extAttrs.filter(a => a.name === 'LegacyFactoryFunction'))
        aliases.push({name: attribute.rhs.value, factory: true,
                      length: requiredArguments(attribute)});
    return {
        name,
        kind: main.type === 'namespace' ? 'Namespace'
            : main.type === 'callback interface' ? 'CallbackInterface' : 'Interface',
        parent: main.inheritance || null,
        onWindow: interfaceOnWindow,
        noInterfaceObject: Boolean(extAttr(main, 'LegacyNoInterfaceObject')),
        global: onWindow(namesOf(extAttr(main, 'Global')) || new Set()),
        constructorLength: constructors.length ? Math.min(...constructors) : null,
        members,
        indexed,
        named,
        aliases,
        read,
    };
}

function resolveAll(gathered) {
    const interfaces = new Map();
    for (const [name, entry] of gathered.named) {
        if (!entry.main || entry.main.type === 'interface mixin')
            continue;
        const resolved = resolveInterface(name, gathered);
        if (resolved.onWindow)
            interfaces.set(name, resolved);
    }
    return interfaces;
}

// ---- The browser's dump ---------------------------------------------------------------------

// "attr r", "attr rw nc", "op 2", "const 1", "data object" as the table's kind, flags and length.
function parseWhat(what) {
    const [kind, value] = what.split(' ');
    switch (kind) {
    case 'attr':
        return {kind: 'Attribute', readonly: value === 'r', length: 0};
    case 'op':
        return {kind: 'Operation', length: Number(value)};
    case 'const':
        return {kind: 'Constant', value: Number(value), length: 0};
    default:
        return {kind: 'Data', length: 0};
    }
}

function readDump(file) {
    const dump = {interfaces: new Map(), objects: new Map(), globals: new Map(), aliases: [],
                  instances: new Map()};
    const ownersOf = name => dump.interfaces.get(name) || dump.objects.get(name);
    for (const line of fs.readFileSync(file, 'utf8').split('\n').filter(Boolean)) {
        const f = line.split('\t');
        switch (f[0]) {
        case 'I':
            dump.interfaces.set(f[1], {parent: f[2], length: Number(f[3]), construct: f[4],
                                       statics: new Map(), prototype: new Map()});
            break;
        case 'O':
            dump.objects.set(f[1], {statics: new Map(), prototype: new Map()});
            break;
        case 'S':
            ownersOf(f[1]).statics.set(f[2], parseWhat(f[3]));
            break;
        case 'P':
            ownersOf(f[1]).prototype.set(f[2], parseWhat(f[3]));
            break;
        case 'G':
            dump.globals.set(f[1], parseWhat(f[2]));
            break;
        case 'A':
            dump.aliases.push({name: f[1], target: f[2], length: Number(f[3]),
                               factory: f[4] === 'factory'});
            break;
        case 'N':
            if (!dump.instances.has(f[1]))
                dump.instances.set(f[1], new Map());
            dump.instances.get(f[1]).set(f[2], parseWhat(f[3]));
            break;
        default:
            throw new Error('unknown line in the dump: ' + line);
        }
    }
    return dump;
}

// ---- The two together -----------------------------------------------------------------------

const counts = {
    interfaces: {both: 0, idlOnly: [], browserOnly: []},
    members: {both: 0, idlOnly: 0, browserOnly: 0, unverified: 0},
    corrected: {length: 0, readonly: 0, kind: 0, parent: 0, constructor: 0},
};
// Each difference between the IDL and the browser, a line each, for --report.
const differences = [];

function note(count, what, line) {
    ++counts[count][what];
    differences.push(`${count} ${what}: ${line}`);
}

// The instances whose own properties the dump lists, by the interface they belong to.
const dumpedInstances = {Document: 'document', Location: 'location', Event: 'event'};

// The places where the browser keeps an interface's members: prototype, interface object and,
// for members on instances, the instance the dump walked.
function browserPlaces(name, idl, dump) {
    const own = dump.interfaces.get(name) || dump.objects.get(name);
    const places = {prototype: new Map(), statics: new Map(), instance: null};
    if (idl && idl.kind === 'Namespace') {
        places.prototype = own.statics;
        return places;
    }
    if (own) {
        places.prototype = own.prototype;
        places.statics = own.statics;
    }
    if (idl && idl.global)
        places.instance = dump.globals;
    else if (dumpedInstances[name])
        places.instance = dump.instances.get(dumpedInstances[name]);
    return places;
}

function memberFromBrowser(name, seen, isStatic) {
    const flags = new Set(['NotInIdl']);
    if (isStatic && seen.kind !== 'Constant')
        flags.add('Static');
    if (seen.kind === 'Attribute' && seen.readonly)
        flags.add('Readonly');
    if (name.startsWith('on') && seen.kind === 'Attribute')
        flags.add('EventHandler');
    return {name, kind: seen.kind, flags, length: seen.length, value: seen.value};
}

// The IDL's member, corrected by what the browser has.
function correctedMember(owner, member, seen) {
    const fixed = {...member, flags: new Set(member.flags)};
    const where = `${owner}.${member.name}`;
    if (seen.kind !== member.kind) {
        note('corrected', 'kind', `${where} is ${member.kind} in the IDL, ${seen.kind} here`);
        const replaced = memberFromBrowser(member.name, seen, member.flags.has('Static'));
        replaced.flags.delete('NotInIdl');
        return replaced;
    }
    if (seen.kind === 'Operation' && seen.length !== member.length) {
        note('corrected', 'length', `${where} takes ${member.length} in the IDL, ${seen.length} here`);
        fixed.length = seen.length;
    }
    if (seen.kind === 'Attribute') {
        const settable = ['Replaceable', 'PutForwards', 'LegacyLenientSetter']
                             .some(flag => member.flags.has(flag));
        const idlReadonly = member.flags.has('Readonly') && !settable;
        if (idlReadonly !== seen.readonly) {
            note('corrected', 'readonly',
                 `${where} is ${seen.readonly ? 'readonly' : 'settable'} here, not in the IDL`);
            if (seen.readonly)
                fixed.flags.add('Readonly');
            else if (!settable)
                fixed.flags.delete('Readonly');
        }
    }
    if (seen.kind === 'Constant')
        fixed.value = seen.value;
    return fixed;
}

// An interface's members in the browser's order: those the IDL has and the browser too, then
// those only the browser has; IDL members the browser lacks are left out.
function mergeMembers(name, idl, dump, interfaceNames) {
    const places = browserPlaces(name, idl, dump);
    const idlMembers = idl ? idl.members : new Map();
    const result = [];
    const taken = new Set();
    const visit = (seenMembers, isStatic, isInstance) => {
        for (const [memberName, seen] of seenMembers || []) {
            if (seen.kind === 'Data' || (seen.kind === 'Constant' && !isStatic && !isInstance
                                         && places.statics.has(memberName)))
                continue;
            if (isInstance && (interfaceNames.has(memberName)
                               || javaScriptGlobals.has(memberName)))
                continue;
            const key = (isStatic && seen.kind !== 'Constant' ? 'static ' : '') + memberName;
            if (taken.has(key))
                continue;
            taken.add(key);
            const member = idlMembers.get(key);
            if (member) {
                ++counts.members.both;
                result.push(correctedMember(name, member, seen));
            } else if (!isInstance || idl && idl.global) {
                note('members', 'browserOnly', `${name}.${memberName} (${seen.kind})`);
                result.push(memberFromBrowser(memberName, seen, isStatic));
            }
        }
    };
    visit(places.prototype, false, false);
    visit(places.statics, true, false);
    visit(places.instance, false, true);
    for (const [key, member] of idlMembers) {
        if (taken.has(key))
            continue;
        const unverifiable = !dump.interfaces.has(name) && !dump.objects.has(name)
                             || member.flags.has('LegacyUnforgeable') && !places.instance;
        if (unverifiable) {
            note('members', 'unverified', `${name}.${member.name}`);
            result.push(member);
        } else {
            note('members', 'idlOnly', `${name}.${member.name} (${member.kind})`);
        }
    }
    return result;
}

// The browser's parent, unless it is none of the table's: the named properties object between
// Window and EventTarget, or Error.prototype under DOMException's prototype.
function browserParent(name, idl, seen) {
    if (!seen || seen.parent.startsWith('(') || javaScriptGlobals.has(seen.parent))
        return idl ? idl.parent : null;
    const parent = seen.parent === '-' ? null : seen.parent;
    if (idl && parent !== idl.parent)
        note('corrected', 'parent', `${name} inherits from ${parent || 'nothing'} here, from `
                                        + `${idl.parent || 'nothing'} in the IDL`);
    return parent;
}

function tableRows(idlInterfaces, dump) {
    const names = new Set();
    const rows = [];
    const present = (name, idl) => {
        if (idl.kind === 'Namespace')
            return dump.objects.has(name);
        if (idl.kind === 'CallbackInterface')
            return dump.globals.has(name) || dump.interfaces.has(name);
        return dump.interfaces.has(name);
    };
    for (const [name, idl] of idlInterfaces) {
        if (idl.noInterfaceObject || !present(name, idl)) {
            counts.interfaces.idlOnly.push(name);
            differences.push(`interfaces idlOnly: ${name}`
                             + (idl.noInterfaceObject ? ' (no interface object)' : ''));
            continue;
        }
        ++counts.interfaces.both;
        names.add(name);
        rows.push({name, idl});
    }
    for (const name of [...dump.interfaces.keys(), ...dump.objects.keys()]) {
        if (idlInterfaces.has(name) || javaScriptGlobals.has(name) || names.has(name))
            continue;
        counts.interfaces.browserOnly.push(name);
        differences.push(`interfaces browserOnly: ${name}`);
        names.add(name);
        rows.push({name, idl: null});
    }
    return rows.map(({name, idl}) => {
        const seen = dump.interfaces.get(name);
        const row = {
            name,
            kind: idl ? idl.kind : seen ? 'Interface' : 'Namespace',
            parent: browserParent(name, idl, seen),
            global: idl ? idl.global : false,
            indexed: idl ? idl.indexed : false,
            named: idl ? idl.named : false,
            notInIdl: !idl,
            members: mergeMembers(name, idl, dump, names),
        };
        const constructs = seen && seen.construct !== 'illegal';
        row.hasConstructor = idl ? idl.constructorLength !== null : Boolean(constructs);
        if (idl && !row.hasConstructor && seen && seen.construct === 'new') {
            note('corrected', 'constructor', `${name} constructs here, not in the IDL`);
            row.hasConstructor = true;
        }
        row.constructorLength = seen ? seen.length : idl && idl.constructorLength || 0;
        return row;
    });
}

// Parents before children, otherwise in name order.
function ordered(rows) {
    const byName = new Map(rows.map(row => [row.name, row]));
    const done = new Set();
    const result = [];
    const place = row => {
        const chain = [];
        for (let at = row; at && !done.has(at.name); at = byName.get(at.parent)) {
            if (chain.includes(at))
                throw new Error('inheritance cycle at ' + at.name);
            chain.push(at);
        }
        for (const entry of chain.reverse()) {
            done.add(entry.name);
            result.push(entry);
        }
    };
    [...rows].sort((a, b) => (a.name < b.name ? -1 : 1)).forEach(place);
    for (const row of result) {
        const parent = byName.get(row.parent);
        if (row.parent && !parent)
            throw new Error(row.name + ' inherits from ' + row.parent + ', which is not there');
        // Properties by index or by name come with the getter, inherited or not.
        row.indexed = row.indexed || Boolean(parent && parent.indexed);
        row.named = row.named || Boolean(parent && parent.named);
    }
    return result;
}

// ---- The C++ --------------------------------------------------------------------------------

function cppString(text) {
    return '"' + text.replace(/\\/g, '\\\\').replace(/"/g, '\\"') + '"';
}

function cppNumber(value) {
    if (Number.isNaN(value))
        return 'std::numeric_limits<double>::quiet_NaN()';
    if (!Number.isFinite(value))
        return (value < 0 ? '-' : '') + 'std::numeric_limits<double>::infinity()';
    return String(value);
}

function cppFlags(flags, names, prefix) {
    const set = names.filter(name => flags.has(name)).map(name => prefix + name);
    return set.length ? set.join(' | ') : '0';
}

function cppMember(member) {
    const flags = cppFlags(member.flags, memberFlagNames, '');
    switch (member.kind) {
    case 'Attribute':
        return `attribute(${cppString(member.name)}${flags === '0' ? '' : ', ' + flags})`;
    case 'Operation':
        return `operation(${cppString(member.name)}, ${member.length}`
            + `${flags === '0' ? '' : ', ' + flags})`;
    default:
        return `constant(${cppString(member.name)}, ${cppNumber(member.value)}`
            + `${member.flags.has('NotInIdl') ? ', NotInIdl' : ''})`;
    }
}

const lookupFunctions = `std::span<const IdlInterface> idlInterfaces()
{
    return interfaces;
}

std::span<const IdlWindowAlias> idlWindowAliases()
{
    return windowAliases;
}

const IdlInterface *idlInterfaceNamed(std::string_view name)
{
    const auto *found = std::lower_bound(std::begin(interfacesByName), std::end(interfacesByName),
                                         name, [](std::int16_t row, std::string_view key) {
        return std::string_view(interfaces[row].name) < key;
    });
    if (found == std::end(interfacesByName) || interfaces[*found].name != name)
        return nullptr;
    return &interfaces[*found];
}

const IdlInterface *idlParent(const IdlInterface &interface)
{
    return interface.parent < 0 ? nullptr : &interfaces[interface.parent];
}`;

function cppTable(rows, aliases, sources) {
    const index = new Map(rows.map((row, i) => [row.name, i]));
    const out = [];
    out.push('// Generated by tools/webidl/generate_idl_table.js from ' + sources
             + ': do not edit.');
    out.push('// To make it again, see README.md beside this file.');
    out.push('');
    out.push('#include "engine/fast/script/idl/IdlTable.h"');
    out.push('');
    out.push('#include <algorithm>');
    out.push('#include <iterator>');
    out.push('#include <limits>');
    out.push('');
    out.push('namespace {');
    out.push('');
    out.push('using namespace IdlMemberFlag;');
    out.push('');
    out.push('constexpr IdlMember attribute(const char *name, std::uint16_t flags = 0)');
    out.push('{');
    out.push('    return {name, IdlMemberKind::Attribute, flags, 0, 0};');
    out.push('}');
    out.push('');
    out.push('constexpr IdlMember operation(const char *name, std::int16_t length, '
             + 'std::uint16_t flags = 0)');
    out.push('{');
    out.push('    return {name, IdlMemberKind::Operation, flags, length, 0};');
    out.push('}');
    out.push('');
    out.push('constexpr IdlMember constant(const char *name, double value, '
             + 'std::uint16_t flags = 0)');
    out.push('{');
    out.push('    return {name, IdlMemberKind::Constant, flags, 0, value};');
    out.push('}');
    out.push('');
    for (const row of rows) {
        if (!row.members.length)
            continue;
        out.push(`constexpr IdlMember members${row.name}[] = {`);
        for (const member of row.members)
            out.push(`    ${cppMember(member)},`);
        out.push('};');
    }
    out.push('');
    out.push('constexpr IdlInterface interfaces[] = {');
    for (const row of rows) {
        const flags = new Set();
        if (row.hasConstructor)
            flags.add('HasConstructor');
        if (row.global)
            flags.add('Global');
        if (row.notInIdl)
            flags.add('NotInIdl');
        if (row.indexed)
            flags.add('IndexedProperties');
        if (row.named)
            flags.add('NamedProperties');
        const parent = row.parent ? index.get(row.parent) : -1;
        out.push(`    {${cppString(row.name)}, ${parent}, IdlInterfaceKind::${row.kind}, `
                 + `${cppFlags(flags, interfaceFlagNames,
                               'IdlInterfaceFlag::')}, ${row.constructorLength}, `
                 + `${row.members.length ? 'members' + row.name : '{}'}},`);
    }
    out.push('};');
    out.push('');
    const byName = rows.map((row, i) => i).sort((a, b) => (rows[a].name < rows[b].name ? -1 : 1));
    out.push('// The rows above in the order of their names, for idlInterfaceNamed().');
    out.push(`constexpr std::int16_t interfacesByName[] = {${byName.join(', ')}};`);
    out.push('');
    out.push('constexpr IdlWindowAlias windowAliases[] = {');
    for (const alias of aliases)
        out.push(`    {${cppString(alias.name)}, ${index.get(alias.target)}, ${alias.factory}, `
                 + `${alias.length}},`);
    out.push('};');
    out.push('');
    out.push('} // namespace');
    out.push('');
    out.push(lookupFunctions);
    return out.join('\n') + '\n';
}

// Notes where the IDL's aliases and factory functions differ from the browser's.
function compareAliases(idlInterfaces, dumpAliases) {
    const fromIdl = new Map();
    for (const idl of idlInterfaces.values())
        for (const alias of idl.aliases)
            fromIdl.set(alias.name, {...alias, target: idl.name});
    const inDump = new Map(dumpAliases.map(alias => [alias.name, alias]));
    for (const [name, alias] of inDump) {
        const idl = fromIdl.get(name);
        if (!idl)
            differences.push(`aliases browserOnly: ${name} (${alias.target})`);
        else if (idl.target !== alias.target || (idl.factory && idl.length !== alias.length))
            differences.push(`aliases corrected: ${name} is ${alias.target} with length `
                             + `${alias.length} here, ${idl.target} with ${idl.length} in the IDL`);
    }
    for (const [name, alias] of fromIdl)
        if (!inDump.has(name))
            differences.push(`aliases idlOnly: ${name} (${alias.target})`);
}

// ---- Trimming the sources -------------------------------------------------------------------

function trimInto(folder, definitions, read) {
    fs.mkdirSync(folder, {recursive: true});
    for (const file of fs.readdirSync(folder).filter(name => name.endsWith('.idl')))
        fs.unlinkSync(path.join(folder, file));
    const byFile = new Map();
    for (const {file, definition} of definitions) {
        const name = definition.type === 'includes' ? definition.target : definition.name;
        if (!read.has(name) || (definition.type === 'includes' && !read.has(definition.includes)))
            continue;
        if (!byFile.has(file))
            byFile.set(file, []);
        byFile.get(file).push(definition);
    }
    // Each source file's heading comment travels with its first definition only when that one
    // is kept; it is dropped from all, so that every file starts with its definitions.
    const withoutHeading = text => text.replace(/^(?:[ \t]*\/\/[^\n]*\n|[ \t]*\n)+/, '');
    for (const [file, kept] of byFile)
        fs.writeFileSync(path.join(folder, file), withoutHeading(WebIDL2.write(kept)).trim() + '\n');
}

function main() {
    const options = parseArguments(process.argv.slice(2));
    const definitions = readIdl(options.idl);
    const idlInterfaces = resolveAll(gather(definitions));
    const dump = readDump(options.globals);
    const rows = ordered(tableRows(idlInterfaces, dump));
    const inTable = new Set(rows.map(row => row.name));
    const aliases = dump.aliases.filter(alias => inTable.has(alias.target));
    compareAliases(idlInterfaces, dump.aliases);
    fs.writeFileSync(options.out, cppTable(rows, aliases,
                                           'the Web IDL in source/webref/ and the browser\'s dump'
                                               + ' in source/browser-globals.tsv'));
    const style = path.join(__dirname, '..', '..', '.clang-format');
    childProcess.execFileSync('clang-format', ['-i', '--style=file:' + style, options.out]);
    if (options['trim-into']) {
        const read = new Set();
        for (const row of rows)
            if (!row.notInIdl)
                idlInterfaces.get(row.name).read.forEach(name => read.add(name));
        trimInto(options['trim-into'], definitions, read);
    }
    if (options.report)
        fs.writeFileSync(options.report, differences.join('\n') + '\n');
    const {interfaces, members, corrected} = counts;
    console.log(`interfaces and namespaces: ${interfaces.both} in both, `
                + `${interfaces.idlOnly.length} in the IDL only, `
                + `${interfaces.browserOnly.length} in the browser only`);
    console.log(`members: ${members.both} in both, ${members.idlOnly} in the IDL only, `
                + `${members.browserOnly} in the browser only, ${members.unverified} kept `
                + 'unverified (on instances the dump does not walk)');
    console.log('corrected by the browser: ' + Object.entries(corrected)
                    .map(([what, count]) => `${count} ${what}`).join(', '));
    console.log('aliases and factory functions: ' + aliases.map(a => a.name).join(' '));
    console.log('in the browser only: ' + interfaces.browserOnly.join(' '));
}

main();
