#include "NodeArguments.h"
#include "RealMembers.h"

using namespace NodeArguments;

namespace {

// An optional unsigned long argument of the Image() factory: ToNumber, then modulo 2^32.
// Nothing when it is missing or undefined; false when its conversion threw.
bool dimensionArgument(const Info &info, int index, std::optional<std::uint32_t> &dimension)
{
    if (index >= info.Length() || info[index]->IsUndefined())
        return true;
    std::uint32_t value = 0;
    if (!info[index]->Uint32Value(info.GetIsolate()->GetCurrentContext()).To(&value))
        return false;
    dimension = value;
    return true;
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
        document.setAttribute(image, QStringLiteral("width"), QString::number(*width));
    if (height)
        document.setAttribute(image, QStringLiteral("height"), QString::number(*height));
    pageOf(info).checkTreeSize();
    returnNode(info, image);
}

} // namespace

void addImageMembers(RealMembers &members)
{
    members.constructor("Image", constructImage);
}
