#pragma once

#include <QString>
#include <QStringView>

// Colour values in an element's style, as the browser keeps them: what it reads back, whether
// it drops the value, or whether that is not modelled.
struct StyleColour
{
    enum Outcome { Kept, Dropped, NotModelled };
    Outcome outcome = NotModelled;
    QString serialized; // when kept
};

// The properties whose value is a single colour.
bool isColourProperty(QStringView property);

// A colour property's value, as the browser parses and serializes it: hex, rgb() and rgba(),
// named colours and the keywords every property takes.
StyleColour styleColour(QStringView value);
