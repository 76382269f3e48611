#include "engine/fast/scriptdom/ScriptDocument.h"

#include "engine/fast/scriptdom/AsciiCase.h"
#include "engine/fast/scriptdom/ForeignNames.h"

#include <QSet>

namespace {

bool isAsciiSpace(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\f' || c == u'\r';
}

// The ordered set parser: the words split at ASCII white space, each kept once, first place.
QStringList orderedSet(const QString &value)
{
    QStringList tokens;
    QSet<QStringView> seen; // views into `value`, which outlives the set
    qsizetype start = 0;
    for (qsizetype at = 0; at <= value.size(); ++at) {
        if (at < value.size() && !isAsciiSpace(value[at]))
            continue;
        const QStringView token = QStringView(value).sliced(start, at - start);
        if (!token.isEmpty() && !seen.contains(token)) {
            seen.insert(token);
            tokens.append(token.toString());
        }
        start = at + 1;
    }
    return tokens;
}

DomError tokenError(const QString &token)
{
    if (token.isEmpty())
        return DomError::Syntax;
    return std::any_of(token.begin(), token.end(), isAsciiSpace) ? DomError::InvalidCharacter
                                                                 : DomError::None;
}

DomError tokensError(const QStringList &tokens)
{
    for (const QString &token : tokens) {
        if (const DomError error = tokenError(token); error != DomError::None)
            return error;
    }
    return DomError::None;
}

} // namespace

QString ScriptDocument::attribute(int element, const QString &name) const
{
    if (!isElement(element))
        return {};
    const QString key = attributeName(element, name);
    return key.isNull() ? QString() : m_dom.node(element).attribute(QStringView(key));
}

bool ScriptDocument::hasAttribute(int element, const QString &name) const
{
    return !attribute(element, name).isNull();
}

bool ScriptDocument::hasAttributes(int element) const
{
    return isElement(element) && !m_dom.node(element).attributes.isEmpty();
}

DomError ScriptDocument::setAttribute(int element, const QString &name, const QString &value)
{
    if (!isElement(element))
        return DomError::None;
    if (!isValidName(name))
        return DomError::InvalidCharacter;
    if (m_dom.node(element).attributes.size() >= maxAttributes && !hasAttribute(element, name))
        return DomError::NotModelled;
    const QString key = attributeName(element, name);
    if (key.isNull())
        return DomError::NotModelled;
    m_dom.setAttribute(element, key, value.isNull() ? u""_qs : value);
    attributeChanged(element, key);
    return DomError::None;
}

void ScriptDocument::removeAttribute(int element, const QString &name)
{
    if (!isElement(element))
        return;
    const QString key = attributeName(element, name);
    if (key.isNull())
        return;
    auto &attributes = m_dom.m_nodes[size_t(element)].attributes;
    const auto found = std::find_if(attributes.begin(), attributes.end(),
                                    [&key](const auto &each) { return each.first == key; });
    if (found == attributes.end())
        return;
    attributes.erase(found);
    attributeChanged(element, key);
}

BoolResult ScriptDocument::toggleAttribute(int element, const QString &name,
                                           std::optional<bool> force)
{
    if (!isValidName(name))
        return {false, DomError::InvalidCharacter};
    const bool present = hasAttribute(element, name);
    const bool wanted = force.value_or(!present);
    if (wanted && !present)
        return {wanted, setAttribute(element, name, u""_qs)};
    if (!wanted && present)
        removeAttribute(element, name);
    return {wanted, DomError::None};
}

QList<std::pair<QString, QString>> ScriptDocument::attributes(int element) const
{
    if (!isElement(element))
        return {};
    const DomNode &node = m_dom.node(element);
    QList<std::pair<QString, QString>> list = node.attributes;
    for (auto &[name, value] : list)
        name = adjustedAttributeName(node, name);
    return list;
}

QStringList ScriptDocument::attributeNames(int element) const
{
    QStringList names;
    for (const auto &[name, value] : attributes(element))
        names.append(name);
    return names;
}

QString ScriptDocument::id(int element) const
{
    const QString value = attribute(element, u"id"_qs);
    return value.isNull() ? u""_qs : value;
}

void ScriptDocument::setId(int element, const QString &id)
{
    setAttribute(element, u"id"_qs, id);
}

QString ScriptDocument::className(int element) const
{
    const QString value = attribute(element, u"class"_qs);
    return value.isNull() ? u""_qs : value;
}

void ScriptDocument::setClassName(int element, const QString &className)
{
    setAttribute(element, u"class"_qs, className);
}

QStringList ScriptDocument::classList(int element) const
{
    return orderedSet(className(element));
}

bool ScriptDocument::classListContains(int element, const QString &token) const
{
    return classList(element).contains(token);
}

DomError ScriptDocument::classListAdd(int element, const QStringList &tokens)
{
    if (const DomError error = tokensError(tokens); error != DomError::None)
        return error;
    QStringList set = classList(element);
    QSet<QString> present(set.begin(), set.end());
    for (const QString &token : tokens) {
        if (!present.contains(token)) {
            present.insert(token);
            set.append(token);
        }
    }
    updateClassList(element, set);
    return DomError::None;
}

DomError ScriptDocument::classListRemove(int element, const QStringList &tokens)
{
    if (const DomError error = tokensError(tokens); error != DomError::None)
        return error;
    const QSet<QString> removed(tokens.begin(), tokens.end());
    QStringList set = classList(element);
    set.removeIf([&removed](const QString &token) { return removed.contains(token); });
    updateClassList(element, set);
    return DomError::None;
}

BoolResult ScriptDocument::classListToggle(int element, const QString &token,
                                           std::optional<bool> force)
{
    if (const DomError error = tokenError(token); error != DomError::None)
        return {false, error};
    QStringList set = classList(element);
    const bool present = set.contains(token);
    const bool wanted = force.value_or(!present);
    if (present == wanted)
        return {wanted, DomError::None};
    if (wanted)
        set.append(token);
    else
        set.removeAll(token);
    updateClassList(element, set);
    return {wanted, DomError::None};
}

BoolResult ScriptDocument::classListReplace(int element, const QString &token,
                                            const QString &newToken)
{
    if (token.isEmpty() || newToken.isEmpty())
        return {false, DomError::Syntax};
    if (const DomError error = tokensError({token, newToken}); error != DomError::None)
        return {false, error};
    QStringList set = classList(element);
    if (!set.contains(token))
        return {false, DomError::None};
    // The first of either takes the new token's place; every other of both goes.
    const auto first = std::find_if(set.begin(), set.end(), [&](const QString &each) {
        return each == token || each == newToken;
    });
    *first = newToken;
    const qsizetype kept = first - set.begin();
    QStringList replaced;
    for (qsizetype i = 0; i < set.size(); ++i) {
        if (i == kept || (set[i] != token && set[i] != newToken))
            replaced.append(set[i]);
    }
    updateClassList(element, replaced);
    return {true, DomError::None};
}

QList<std::pair<QString, QString>> ScriptDocument::dataset(int element) const
{
    QList<std::pair<QString, QString>> properties;
    for (const auto &[name, value] : attributes(element)) {
        const QString property = datasetPropertyName(name);
        if (!property.isNull())
            properties.append({property, value});
    }
    return properties;
}

TextResult ScriptDocument::datasetAttributeName(const QString &property)
{
    QString name = u"data-"_qs;
    for (qsizetype i = 0; i < property.size(); ++i) {
        const QChar c = property[i];
        if (c == u'-' && i + 1 < property.size() && isAsciiLower(property[i + 1]))
            return {{}, DomError::Syntax};
        if (isAsciiUpper(c)) {
            name += u'-';
            name += QChar(c.unicode() + (u'a' - u'A'));
        } else {
            name += c;
        }
    }
    return {name, DomError::None};
}

QString ScriptDocument::datasetPropertyName(const QString &attributeName)
{
    if (!attributeName.startsWith(u"data-"_qs)
        || std::any_of(attributeName.begin(), attributeName.end(), isAsciiUpper))
        return {};
    QString property;
    for (qsizetype i = 5; i < attributeName.size(); ++i) {
        const QChar c = attributeName[i];
        if (c == u'-' && i + 1 < attributeName.size() && isAsciiLower(attributeName[i + 1])) {
            property += QChar(attributeName[++i].unicode() - (u'a' - u'A'));
            continue;
        }
        property += c;
    }
    return property.isNull() ? u""_qs : property;
}

QString ScriptDocument::attributeName(int element, const QString &name) const
{
    const DomNode &node = m_dom.node(element);
    if (node.ns == DomNode::Html)
        return m_htmlDocument ? asciiLowered(name) : name;
    // The tree keeps a foreign attribute's name in lower case, and scripts give it mixed: the
    // lower-case spelling of a mixed-case name is another attribute, which the tree cannot
    // tell from it (a null key).
    const QString lowered = asciiLowered(name);
    const QString adjusted = adjustedAttributeName(node, lowered);
    if (adjusted == name)
        return lowered;
    return adjusted != lowered && name == lowered ? QString() : name;
}

// The standard's update steps: no attribute is made for an empty set.
void ScriptDocument::updateClassList(int element, const QStringList &tokens)
{
    if (!isElement(element) || (tokens.isEmpty() && !hasAttribute(element, u"class"_qs)))
        return;
    setAttribute(element, u"class"_qs, tokens.join(u' '));
}

void ScriptDocument::attributeChanged(int element, const QString &name)
{
    DomNode &node = m_dom.m_nodes[size_t(element)];
    if (name == u"id" || name == u"name")
        ++m_namingChanges;
    m_parsedNodesChanged = m_parsedNodesChanged || element < m_parsedNodeCount;
    node.id = node.attribute(QLatin1String("id"));
    node.classes = orderedSet(node.attribute(QLatin1String("class")));
    ++m_mutations;
}
