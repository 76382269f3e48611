#pragma once

#include <QByteArrayView>
#include <QString>

#include <optional>
#include <utility>
#include <vector>

// A value of the little of JavaScript that documentation generators write their data files in:
// null, whole numbers, strings, arrays and objects with string keys.
struct ScriptValue
{
    enum class Kind { Null, Number, String, Array, Object };

    Kind kind = Kind::Null;
    qint64 number = 0;
    QString string;
    std::vector<ScriptValue> items;                       // an array's
    std::vector<std::pair<QString, ScriptValue>> members; // an object's, sorted by key, each once

    bool isString() const { return kind == Kind::String; }
    bool isArray() const { return kind == Kind::Array; }
    // An object's member, or nullptr.
    const ScriptValue *member(const QString &key) const;
};

// The variables a data file declares, in source order, each once.
using ScriptVariables = std::vector<std::pair<QString, ScriptValue>>;

// What a data file declares, and how many values that took (for what it costs to keep).
struct ScriptData
{
    ScriptVariables variables;
    qsizetype values = 0;
};

// Reads a script made only of `var NAME = value;` statements (or `window.NAME = value;`, kept
// as "window.NAME") and comments, whose values are literals of the subset above, as the browser
// would evaluate it. Nothing for a script that is anything else or goes beyond the bounds: a
// value nested deeper than 64, more than 200,000 values (Doxygen's largest lists hold a few
// thousand) or a number past nine digits. ASCII only, so that the page's encoding cannot change
// what it says; with Utf8Strings, string literals may also hold UTF-8 (valid only), for data a
// page whose encoding is UTF-8 loads: outside them it stays ASCII.
enum class DataText { Ascii, Utf8Strings };
std::optional<ScriptData> parseScriptData(QByteArrayView bytes, DataText text = DataText::Ascii);

const ScriptValue *variable(const ScriptVariables &variables, const QString &name);
