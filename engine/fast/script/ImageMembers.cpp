#include "NodeArguments.h"
#include "RealMembers.h"

using namespace NodeArguments;

namespace {

// A dimension argument of the Image() factory: an unsigned long (ToNumber, then modulo 2^32),
// given by its place, undefined or not. Nothing when it is not there; false when its
// conversion threw.
bool dimensionArgument(const Info &info, int index, std::optional<std::uint32_t> &dimension)
{
    if (index >= info.Length())
        return true;
    std::uint32_t value = 0;
    if (!info[index]->Uint32Value(info.GetIsolate()->GetCurrentContext()).To(&value))
        return false;
    dimension = value;
    return true;
}

// An unsigned attribute takes a value past the largest int as its default, 0.
QString dimensionText(std::uint32_t value)
{
    return QString::number(value > std::uint32_t(INT32_MAX) ? 0 : value);
}

// new Image(width, height): an <img> of the document, with the dimensions given.
void constructImage(const Info &info)
{
    if (!info.IsConstructCall()) {
        throwTypeError(info.GetIsolate(),
                       QStringLiteral("Failed to construct 'Image': Please use the 'new' "
                                      "operator, this DOM object constructor cannot be called "
                                      "as a function."));
        return;
    }
    std::optional<std::uint32_t> width;
    std::optional<std::uint32_t> height;
    if (!dimensionArgument(info, 0, width) || !dimensionArgument(info, 1, height))
        return;
    ScriptDocument &document = pageOf(info).document;
    const int image = document.createElement(QStringLiteral("img")).node;
    if (width)
        document.setAttribute(image, QStringLiteral("width"), dimensionText(*width));
    if (height)
        document.setAttribute(image, QStringLiteral("height"), dimensionText(*height));
    pageOf(info).checkTreeSize();
    returnNode(info, image);
}

} // namespace

void addImageMembers(RealMembers &members)
{
    members.constructor("Image", constructImage);
}
