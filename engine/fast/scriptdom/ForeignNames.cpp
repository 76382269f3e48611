#include "engine/fast/scriptdom/ForeignNames.h"

#include <QHash>

namespace {

QHash<QString, QString> byLowerCase(std::initializer_list<const char *> names)
{
    QHash<QString, QString> table;
    for (const char *name : names) {
        const QString adjusted = QString::fromLatin1(name);
        table.insert(adjusted.toLower(), adjusted);
    }
    return table;
}

QString adjusted(const QHash<QString, QString> &table, const QString &name)
{
    return table.value(name, name);
}

} // namespace

QString adjustedElementName(const DomNode &element)
{
    static const QHash<QString, QString> svgNames = byLowerCase({"altGlyph",
                                                                 "altGlyphDef",
                                                                 "altGlyphItem",
                                                                 "animateColor",
                                                                 "animateMotion",
                                                                 "animateTransform",
                                                                 "clipPath",
                                                                 "feBlend",
                                                                 "feColorMatrix",
                                                                 "feComponentTransfer",
                                                                 "feComposite",
                                                                 "feConvolveMatrix",
                                                                 "feDiffuseLighting",
                                                                 "feDisplacementMap",
                                                                 "feDistantLight",
                                                                 "feDropShadow",
                                                                 "feFlood",
                                                                 "feFuncA",
                                                                 "feFuncB",
                                                                 "feFuncG",
                                                                 "feFuncR",
                                                                 "feGaussianBlur",
                                                                 "feImage",
                                                                 "feMerge",
                                                                 "feMergeNode",
                                                                 "feMorphology",
                                                                 "feOffset",
                                                                 "fePointLight",
                                                                 "feSpecularLighting",
                                                                 "feSpotLight",
                                                                 "feTile",
                                                                 "feTurbulence",
                                                                 "foreignObject",
                                                                 "glyphRef",
                                                                 "linearGradient",
                                                                 "radialGradient",
                                                                 "textPath"});
    return element.ns == DomNode::Svg ? adjusted(svgNames, element.name) : element.name;
}

QString adjustedAttributeName(const DomNode &element, const QString &name)
{
    static const QHash<QString, QString> svgNames = byLowerCase({"attributeName",
                                                                 "attributeType",
                                                                 "baseFrequency",
                                                                 "baseProfile",
                                                                 "calcMode",
                                                                 "clipPathUnits",
                                                                 "diffuseConstant",
                                                                 "edgeMode",
                                                                 "filterUnits",
                                                                 "glyphRef",
                                                                 "gradientTransform",
                                                                 "gradientUnits",
                                                                 "kernelMatrix",
                                                                 "kernelUnitLength",
                                                                 "keyPoints",
                                                                 "keySplines",
                                                                 "keyTimes",
                                                                 "lengthAdjust",
                                                                 "limitingConeAngle",
                                                                 "markerHeight",
                                                                 "markerUnits",
                                                                 "markerWidth",
                                                                 "maskContentUnits",
                                                                 "maskUnits",
                                                                 "numOctaves",
                                                                 "pathLength",
                                                                 "patternContentUnits",
                                                                 "patternTransform",
                                                                 "patternUnits",
                                                                 "pointsAtX",
                                                                 "pointsAtY",
                                                                 "pointsAtZ",
                                                                 "preserveAlpha",
                                                                 "preserveAspectRatio",
                                                                 "primitiveUnits",
                                                                 "refX",
                                                                 "refY",
                                                                 "repeatCount",
                                                                 "repeatDur",
                                                                 "requiredExtensions",
                                                                 "requiredFeatures",
                                                                 "specularConstant",
                                                                 "specularExponent",
                                                                 "spreadMethod",
                                                                 "startOffset",
                                                                 "stdDeviation",
                                                                 "stitchTiles",
                                                                 "surfaceScale",
                                                                 "systemLanguage",
                                                                 "tableValues",
                                                                 "targetX",
                                                                 "targetY",
                                                                 "textLength",
                                                                 "viewBox",
                                                                 "viewTarget",
                                                                 "xChannelSelector",
                                                                 "yChannelSelector",
                                                                 "zoomAndPan"});
    static const QHash<QString, QString> mathMlNames = byLowerCase({"definitionURL"});
    switch (element.ns) {
    case DomNode::Svg:
        return adjusted(svgNames, name);
    case DomNode::MathMl:
        return adjusted(mathMlNames, name);
    case DomNode::Html:
    case DomNode::Other:
        break;
    }
    return name;
}
