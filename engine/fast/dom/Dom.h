#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>
#include <utility>
#include <vector>

struct ParserInput;

// A page's document tree as the HTML parser (or the XML parser, for XHTML) builds it, held flat in
// one array so that every walk over it can be a loop: a page nested 100,000 deep must not exhaust
// the stack.
struct DomNode
{
    enum Kind : unsigned char { Element, Text, Comment };        // a Comment is nothing to the text
    enum Namespace : unsigned char { Html, Svg, MathMl, Other }; // Other: any other, or none

    Kind kind = Element;
    Namespace ns = Html;
    bool holdsComment = false; // among its children, which leave comments out
    int parent = -1;
    int firstChild = -1;
    int lastChild = -1;
    int previousSibling = -1;
    int nextSibling = -1;
    QString name; // an element's local name, in lower case for an HTML page, as written in XML
    QList<std::pair<QString, QString>> attributes; // names as name is, in source order
    QString text;                                  // a text or comment node's characters
    int elementIndex = 0; // an element's position among its parent's elements, from 1
    int elementChildCount = 0;
    int typeIndex = 0;   // its position among its parent's elements of its name, from 1
    int typeCount = 0;   // how many elements of its name its parent has
    QString id;          // an element's id attribute
    QStringList classes; // the words of an element's class attribute

    bool isElement(const char *localName) const
    {
        return kind == Element && ns == Html && name == QLatin1String(localName);
    }
    // An element whose content the engine does not lay out as text: a replaced element, whose
    // children are at most fallback content, or a form control with its own inner parts.
    bool isReplaced() const;
    // The value of an attribute, or a null string when the element lacks it.
    QString attribute(QLatin1String attributeName) const;
    QString attribute(QStringView attributeName) const;
    bool hasAttribute(QLatin1String attributeName) const
    {
        return !attribute(attributeName).isNull();
    }
    // The words of a class attribute, split at ASCII white space, as `classes` holds them.
    static QStringList classWords(const QString &value);
};

// The document type declaration as the parser read it.
struct DomDoctype
{
    bool present = false;
    QString name;
    QString publicId;
    QString systemId;
};

class Dom
{
public:
    struct ParseOptions
    {
        // Comments become Comment nodes, as a page's scripts see them; otherwise they are
        // left out of the tree.
        bool keepComments = false;
        // Each node's place in the parser's input is kept (sourceSpan()).
        bool keepSourceSpans = false;
    };

    // Where a node came from in the parser's input, as byte offsets; -1 where it is not known.
    // `end` is past an element's end tag (-1 without one) or past a text's last character.
    struct SourceSpan
    {
        qsizetype begin = -1;
        qsizetype end = -1;
    };

    // Parses a page, given in UTF-8, as a browser does (HTML5 tree construction).
    static Dom parse(const QByteArray &utf8, ParseOptions options);
    static Dom parse(const QByteArray &utf8) { return parse(utf8, ParseOptions{}); }
    // Parses what parserInput() made of a page, as parse() does.
    static Dom parseInput(const ParserInput &input, ParseOptions options);
    // Parses markup as the children of an element of that name (the HTML fragment parsing
    // algorithm), comments kept: the fragment's own nodes are the documentChildren(), and
    // there is no document element.
    static Dom parseFragment(const QByteArray &utf8, const QString &contextName,
                             DomNode::Namespace contextNamespace);
    // Parses an XML document (XHTML) as the browser's XML parser does. `exact` is cleared when
    // the tree may differ from the browser's: the document is not well-formed (the browser then
    // shows its own error report), or it uses what is not modelled here (entities of its own,
    // an XML style sheet, elements of other namespaces). The tree is what could be read.
    static Dom parseXml(const QByteArray &bytes, bool &exact);

    const DomNode &node(int index) const { return m_nodes[size_t(index)]; }
    int size() const { return int(m_nodes.size()); }
    int documentElement() const { return m_documentElement; }
    int body() const { return m_body; }
    bool quirksMode() const { return m_quirksMode; }
    const DomDoctype &doctype() const { return m_doctype; }
    // The document's own child nodes but the doctype, in order: the document element and the
    // comments around it that the parse kept.
    const std::vector<int> &documentChildren() const { return m_documentChildren; }
    // Whether a start tag with hundreds of attributes lost some (see ParserInput.h).
    bool attributesDropped() const { return m_attributesDropped; }
    // Whether elements nested too deep for the parser were left out (see ParserInput.h).
    bool tagsLeftOut() const { return m_tagsLeftOut; }
    // Whether text that ends a <form> came out after the form: gumbo 0.10.1 keeps such text
    // waiting past the form's end tag and joins it to what follows.
    bool formTextMisplaced() const { return m_formTextMisplaced; }
    // Whether the tree is the browser's, as far as the parser can tell.
    bool parsedExactly() const
    {
        return !m_attributesDropped && !m_tagsLeftOut && !m_formTextMisplaced;
    }

    // Only for a tree parsed with keepSourceSpans and not edited since.
    SourceSpan sourceSpan(int index) const
    {
        return size_t(index) < m_sourceSpans.size() ? m_sourceSpans[size_t(index)] : SourceSpan{};
    }

    // Next node in document order below `root`, or -1; with `skipChildren` the walk leaves the
    // current node's subtree out.
    int next(int index, int root, bool skipChildren = false) const;

    // The concatenated text of every text node below `index`.
    QString textContent(int index) const;

    // Changes to the tree, as a page's script makes them (DomEditing.cpp). A new node belongs
    // to no parent until inserted; after the last change, finishEditing() puts the nodes back
    // in document order and counts their positions again, which every other use relies on.
    int createElement(const QString &localName,
                      const QList<std::pair<QString, QString>> &attributes = {});
    int createText(const QString &text);
    // Inserts `child` (taken from where it was) below `parent`, before `before`, or last when
    // `before` is -1.
    void insertBefore(int parent, int child, int before = -1);
    void detach(int index);
    void setAttribute(int element, const QString &name, const QString &value);
    void finishEditing();

private:
    // A tree sent back by the process that ran the page's scripts is built node by node.
    friend std::optional<Dom> decodeDom(const QByteArray &bytes);
    // The tree as scripts change it, which keeps the links and positions consistent itself.
    friend class ScriptDocument;
    struct TreeBuilder;

    int append(DomNode node, int parent);
    void countElementsByType();

    std::vector<DomNode> m_nodes;
    std::vector<SourceSpan> m_sourceSpans; // by node, when kept
    int m_documentElement = -1;
    int m_body = -1;
    DomDoctype m_doctype;
    std::vector<int> m_documentChildren;
    bool m_quirksMode = false;
    bool m_attributesDropped = false;
    bool m_tagsLeftOut = false;
    bool m_formTextMisplaced = false;
};
